// TDitailDataForm: the index list window. Lists the indexes of the table chosen in the object
// tree (ORACLE and MYSQL aliases), shows the details and columns of the index clicked, and
// writes that index, or every listed index, to a workbook with one sheet per index, which is
// then opened with the desktop's application for it. The data comes from IndexListBrowser; the
// workbook from writeIndexWorkbook.
#pragma once

#include "ui/indexlistbrowser.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeWidgetItem;

namespace kelvoran {

class DialogInteraction;
struct TDataModule_Kelvoran;

class TDitailDataForm : public QWidget {
    Q_OBJECT
public:
    // dialogs: the main window's dialogs, whose save dialog gets the proposed file.
    TDitailDataForm(TDataModule_Kelvoran &dm, DialogInteraction &dialogs,
                    QWidget *parent = nullptr);
    ~TDitailDataForm() override;

    // "Index一覧表示": lists the indexes of a table node of an ORACLE or MYSQL alias and shows
    // the window; any other node does nothing. A failing statement throws DbException and the
    // window keeps what it showed.
    void showIndexList(QTreeWidgetItem *node);
    // Lists the indexes of a table of an alias; see showIndexList.
    void showIndexList(const QString &alias, const QString &table);

    // What a saved workbook is handed to (the desktop's default application unless replaced).
    void setWorkbookOpener(std::function<void(const QString &path)> opener);

    QLineEdit *tableBox() const { return m_tableName; }
    QLineEdit *indexBox() const { return m_indexName; }
    QListWidget *indexList() const { return m_list; }
    QPlainTextEdit *memo() const { return m_memo; }
    QPushButton *excelButton() const { return m_excel; }
    QPushButton *listExcelButton() const { return m_listExcel; }
    QPushButton *closeButton() const { return m_close; }

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void chooseIndex(int row);
    void writeChosenIndex();
    void writeEveryIndex();
    // The output file asked for with the proposed name; empty when cancelled.
    QString chooseOutputFile(const QString &proposedName);
    void saveAndOpen(const std::vector<IndexDetail> &details, const QString &path);
    void updateButtons();
    void run(const std::function<void()> &command);
    // The catalog query on an alias's connection, opened again if its session was closed; a
    // refused connection throws DbException.
    db::CatalogQuery catalog(const QString &alias);

    TDataModule_Kelvoran &m_dm;
    DialogInteraction &m_dialogs;
    QString m_alias;
    std::unique_ptr<IndexListBrowser> m_browser;
    std::function<void(const QString &)> m_opener;
    bool m_quietSelection = false;

    QLineEdit *m_tableName;
    QLineEdit *m_indexName;
    QListWidget *m_list;
    QPlainTextEdit *m_memo;
    QPushButton *m_excel;
    QPushButton *m_listExcel;
    QPushButton *m_close;
};

} // namespace kelvoran

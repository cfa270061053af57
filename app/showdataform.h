// TShowDataForm: the plain memo viewer; "エラーメッセージ(&M)" shows the compilation errors of
// the selected PL/SQL unit in it.
#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class QTreeWidgetItem;

namespace kelvoran {

struct TDataModule_Kelvoran;

class TShowDataForm : public QWidget {
    Q_OBJECT
public:
    explicit TShowDataForm(TDataModule_Kelvoran &dm, QWidget *parent = nullptr);

    // The error texts of the node's unit, each split at its line feeds, then the window shown
    // (not modally). For any other node the window shows what it held. A failing statement
    // throws DbException before anything changes.
    void showErrorMessages(QTreeWidgetItem *node);
    // Replaces the memo's lines and the caption and shows the window.
    void showLines(const QString &caption, const QStringList &lines);

    QPlainTextEdit *memo() const { return m_memo; }
    QPushButton *closeButton() const { return m_close; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    TDataModule_Kelvoran &m_dm;
    QPlainTextEdit *m_memo;
    QWidget *m_bottom;
    QPushButton *m_close;
};

} // namespace kelvoran

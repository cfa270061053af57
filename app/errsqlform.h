// TErrSQLForm: the failed statements of a script run, shown modally after the summary. A
// heading row over one numbered row per failure; a double-click on a row asks for it to be
// opened (in TErrSQLShowForm). UI thread only.
#pragma once

#include "db/scriptrunner.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTableWidget;

namespace kelvoran {

class TErrSQLForm : public QDialog {
    Q_OBJECT
public:
    explicit TErrSQLForm(QWidget *parent = nullptr);

    // Resets the list to the failures, in list order.
    void setErrors(const std::vector<ScriptErrorRow> &errors);
    // Shows the list modally, centred on the screen.
    void showErrors(const std::vector<ScriptErrorRow> &errors);
    // Asks for a row (from 1) to be opened.
    void openRow(int row);

    QTableWidget *grid() const { return m_grid; }
    QPushButton *closeButton() const { return m_close; }

signals:
    // A row is to be opened: its executed SQL and its error entry.
    void rowOpening(const QString &displayText, const QString &errorEntry);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void padHeadings();
    QString cellText(int row, int column) const;

    QTableWidget *m_grid;
    QWidget *m_bottom;
    QPushButton *m_close;
};

} // namespace kelvoran

// TReportNoticeForm: what a finished Excel report did not carry over as it was (template
// features left out, database values kept from becoming formulas, long numbers written as
// text), shown once after the report, all notices in one list. Closing it by the title bar is
// the same as "OK". UI thread only.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace kelvoran {

class TReportNoticeForm : public QDialog {
    Q_OBJECT
public:
    explicit TReportNoticeForm(QWidget *parent = nullptr);

    // Shows the notices of the workbook written at path, modally.
    void showNotices(const QString &path, const QStringList &notices);

    QLabel *heading() const { return m_heading; }
    QListWidget *noticeList() const { return m_list; }
    QPushButton *okButton() const { return m_ok; }
    // The notices shown, in order.
    QStringList notices() const;

private:
    QLabel *m_heading;
    QListWidget *m_list;
    QPushButton *m_ok;
};

} // namespace kelvoran

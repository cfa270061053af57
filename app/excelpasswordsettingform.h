// TExcelPassWordSettingForm: sets one Excel password of the report designer (template read,
// output read or output write). The checks of "決定" live in ui/excelpasswordstate; its warnings
// go to the UserInteraction. UI thread only.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvoran {

class UserInteraction;

class TExcelPassWordSettingForm : public QDialog {
    Q_OBJECT
public:
    explicit TExcelPassWordSettingForm(QWidget *parent = nullptr);

    // Opens the dialog with title in LabelTitle for the current password. "決定" with the old
    // password right and the new one confirmed (and storable) puts the new password, possibly
    // empty, into password and gives true; a failed check shows its warning through ui and
    // keeps the dialog open. "キャンセル", Esc or the title bar leave password unchanged and give
    // false. The dialog is created once per parent and kept.
    static bool askPassword(QWidget *parent, const QString &title, QString &password,
                            UserInteraction &ui);

    // The same on this instance.
    bool ask(const QString &title, QString &password, UserInteraction &ui);

private:
    void decide();

    QLabel *m_title = nullptr;
    QLabel *m_oldLabel = nullptr;
    QLineEdit *m_old = nullptr;
    QLineEdit *m_new = nullptr;
    QLineEdit *m_confirm = nullptr;
    QPushButton *m_decide = nullptr;
    QPushButton *m_cancel = nullptr;
    QString m_current;
    QString m_result;
    UserInteraction *m_ui = nullptr;
};

} // namespace kelvoran

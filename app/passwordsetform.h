// TPassWordSetForm: changes the three Excel passwords of a schedule entry's settings file (F11
// in the schedule window): old password, new password and confirmation for the output write,
// output read and template read passwords. The checks and the rewriting of the file live in
// schedule/scheduleediting. UI thread only.
#pragma once

#include "schedule/scheduleediting.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

namespace kelvoran {

class TPassWordSetForm : public QDialog {
    Q_OBJECT
public:
    explicit TPassWordSetForm(QWidget *parent = nullptr);

    // Opens the dialog. Without a warning the nine boxes start empty; after a refused attempt
    // they keep what was typed and the box the warning names gets the focus. "決定" gives the
    // boxes, "キャンセル" or the title bar nothing.
    std::optional<PasswordBoxes> ask(const std::optional<PasswordBoxWarning> &warning);

private:
    QLineEdit *box(PasswordBoxWarning::Box which) const;

    QLineEdit *m_writeOld, *m_writeNew, *m_writeConfirm;
    QLineEdit *m_readOld, *m_readNew, *m_readConfirm;
    QLineEdit *m_templateOld, *m_templateNew, *m_templateConfirm;
    QPushButton *m_decide, *m_cancel;
};

} // namespace kelvoran

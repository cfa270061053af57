// The Excel password dialog (TExcelPassWordSettingForm) without its widgets: the checks of
// "決定" and their warnings.
#pragma once

#include <QString>

#include <optional>

namespace kelvoran {

// The dialog's three password edits.
enum class PasswordEdit { Old, New, Confirm };

// A failed check: the warning to show and the edit that takes the focus.
struct PasswordProblem {
    PasswordEdit edit;
    QString text;
};

// "決定": the old password must equal the current one (both empty counts as equal), the new one
// its confirmation, and the new one must be storable in a settings file (at most
// kMaxPasswordLength characters, each a printable ASCII character or a blank). Nothing when all
// hold, and the new password is then the result.
std::optional<PasswordProblem> checkExcelPassword(const QString &current, const QString &old,
                                                  const QString &newPassword,
                                                  const QString &confirmation);

// "設定されていたパスワードが異なります。確認してください。"
QString oldPasswordMismatchText();
// "設定したパスワードと確認用パスワードが異なります。確認してください。"
QString confirmationMismatchText();
// The warning for a new password that a settings file cannot hold.
QString unstorablePasswordText();

} // namespace kelvoran

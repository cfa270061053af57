#include "ui/excelpasswordstate.h"

#include "report/credentials.h"

namespace kelvoran {

namespace {

// What the password scrambler has codes for: the 95 printable ASCII characters.
bool storable(const QString &password) {
    if (password.size() > kMaxPasswordLength)
        return false;
    for (QChar c : password)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

} // namespace

QString oldPasswordMismatchText() {
    return QStringLiteral("設定されていたパスワードが異なります。確認してください。");
}

QString confirmationMismatchText() {
    return QStringLiteral("設定したパスワードと確認用パスワードが異なります。確認してください。");
}

QString unstorablePasswordText() {
    return QStringLiteral("パスワードは半角の英数字・記号で%1文字以内にしてください。")
        .arg(kMaxPasswordLength);
}

std::optional<PasswordProblem> checkExcelPassword(const QString &current, const QString &old,
                                                  const QString &newPassword,
                                                  const QString &confirmation) {
    if (old != current)
        return PasswordProblem{PasswordEdit::Old, oldPasswordMismatchText()};
    if (newPassword != confirmation)
        return PasswordProblem{PasswordEdit::Confirm, confirmationMismatchText()};
    if (!storable(newPassword))
        return PasswordProblem{PasswordEdit::New, unstorablePasswordText()};
    return std::nullopt;
}

} // namespace kelvoran

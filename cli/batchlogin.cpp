#include "cli/batchlogin.h"

#include "cli/batchcommand.h"

namespace kelvoran::batch {

std::optional<LoginPrompt::Credentials> EnvironmentLogin::askLogin(const QString &,
                                                                   const QString &storedUser) {
    // Without the variable there is no password to give: the login counts as cancelled rather
    // than trying an empty password against the server.
    if (!qEnvironmentVariableIsSet("KELVORAN_PASSWORD"))
        return std::nullopt;
    const QString user = m_user && !m_user->isEmpty() ? *m_user : storedUser;
    return Credentials{user, qEnvironmentVariable("KELVORAN_PASSWORD")};
}

std::optional<AliasList> loadAliasesNaming(const QString &alias) {
    Result<AliasList> aliases = AliasList::load();
    if (!aliases) {
        printErr(aliases.error().text() + QLatin1Char('\n'));
        return std::nullopt;
    }
    if (!aliases->find(alias)) {
        printErr(QStringLiteral("エイリアス \"%1\" は登録されていません\n").arg(alias));
        return std::nullopt;
    }
    return std::move(*aliases);
}

} // namespace kelvoran::batch

// What every database command of kelvoran-batch shares: the alias list and the login that
// takes its password from the environment.
#pragma once

#include "db/aliases.h"
#include "db/dbsession.h"

#include <optional>

namespace kelvoran::batch {

// Answers a login without asking: the user from --user (else the alias's stored user), the
// password from KELVORAN_PASSWORD; without that variable the login counts as cancelled.
class EnvironmentLogin : public LoginPrompt {
public:
    explicit EnvironmentLogin(std::optional<QString> user) : m_user(std::move(user)) {}
    std::optional<Credentials> askLogin(const QString &aliasName,
                                        const QString &storedUser) override;

private:
    std::optional<QString> m_user;
};

// The machine's aliases, when `alias` is one of them; otherwise prints why on stderr and gives
// nothing (the command then exits with ExitFailed).
std::optional<AliasList> loadAliasesNaming(const QString &alias);

} // namespace kelvoran::batch

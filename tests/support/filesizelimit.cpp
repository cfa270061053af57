#include "tests/support/filesizelimit.h"

#include <QDir>
#include <QFile>

namespace kelvoran::test {

ScopedFileSizeLimit::ScopedFileSizeLimit(rlim_t bytes) {
    if (getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
        return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    if (sigaction(SIGXFSZ, &ignore, &m_savedAction) != 0)
        return;
    struct rlimit lowered = m_saved;
    lowered.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &lowered) != 0) {
        sigaction(SIGXFSZ, &m_savedAction, nullptr);
        return;
    }
    m_active = true;
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
    if (!m_active)
        return;
    setrlimit(RLIMIT_FSIZE, &m_saved);
    sigaction(SIGXFSZ, &m_savedAction, nullptr);
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace kelvoran::test

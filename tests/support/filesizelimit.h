// Makes file writes fail for real, the way a full disk does: the process's file-size limit is
// lowered so a write past it fails with EFBIG (SIGXFSZ is ignored meanwhile, so the write returns
// instead of killing the test). Root is not exempt, so this works where a read-only folder does
// not.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

namespace kelvoran::test {

class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit &) = delete;
    ScopedFileSizeLimit &operator=(const ScopedFileSizeLimit &) = delete;
    bool active() const { return m_active; }

private:
    struct rlimit m_saved {};
    struct sigaction m_savedAction {};
    bool m_active = false;
};

// The bytes of a file; an empty array when it cannot be read.
QByteArray fileBytes(const QString &path);
// The names of the files in a folder, sorted.
QStringList filesIn(const QString &folder);

} // namespace kelvoran::test

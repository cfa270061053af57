#include "core/atomicfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvoran {

QString fileWriteFailureReason(int systemError) {
    switch (systemError) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EFBIG:
        return QStringLiteral("ファイルの大きさが上限を超えました。");
    case EACCES:
    case EPERM:
        return QStringLiteral("書き込む権限がありません。");
    case EROFS:
        return QStringLiteral("読み取り専用の場所です。");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("フォルダーがありません。");
    case 0:
        return QStringLiteral("原因不明の書き込みエラーです。");
    default:
        return QString::fromLocal8Bit(std::strerror(systemError));
    }
}

AtomicFileWriter::AtomicFileWriter(const QString &path) : m_path(path) {}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

Status AtomicFileWriter::failure(const QString &what, int systemError) {
    discard();
    return Error{what.arg(m_path, fileWriteFailureReason(systemError)), QString()};
}

Status AtomicFileWriter::open() {
    discard();
    // A link is followed, so the link itself stays and its target gets the new content.
    const QFileInfo info(m_path);
    m_target = QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : m_path);
    m_tempPath = m_target + ".XXXXXX";
    m_fd = mkstemp(m_tempPath.data());
    if (m_fd < 0) {
        const int err = errno;
        m_tempPath.clear();
        return failure(QStringLiteral("ファイル %1 に書き込めません: %2"), err);
    }
    return {};
}

Status AtomicFileWriter::write(const char *data, size_t size) {
    if (m_fd < 0)
        return failure(QStringLiteral("ファイル %1 に書き込めません: %2"), EBADF);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failure(QStringLiteral("ファイル %1 に書き込めません: %2"),
                           n < 0 ? errno : ENOSPC);
        data += n;
        size -= size_t(n);
    }
    return {};
}

Status AtomicFileWriter::commit() {
    const QString saveFailed = QStringLiteral("ファイル %1 を保存できません: %2");
    if (m_fd < 0)
        return failure(saveFailed, EBADF);
    if (fsync(m_fd) != 0)
        return failure(saveFailed, errno);
    // mkstemp makes the file readable by the owner only: keep the replaced file's mode, or give
    // a new file the usual one.
    struct stat old {};
    mode_t mode;
    if (::stat(m_target.constData(), &old) == 0 && S_ISREG(old.st_mode)) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(m_fd, mode) != 0)
        return failure(saveFailed, errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return failure(saveFailed, errno);
    if (std::rename(m_tempPath.constData(), m_target.constData()) != 0)
        return failure(saveFailed, errno);
    m_tempPath.clear();
    return {};
}

void AtomicFileWriter::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.isEmpty()) {
        ::unlink(m_tempPath.constData());
        m_tempPath.clear();
    }
}

} // namespace kelvoran

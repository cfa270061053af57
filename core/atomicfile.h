// Saving a file without ever losing the previous one: the content goes to a temporary file in
// the target's folder, is flushed to disk, and only then renamed over the target. A failure or a
// kill at any point leaves the old file exactly as it was, and every failure path removes the
// temporary file.
#pragma once

#include "core/result.h"

#include <QString>

#include <cstddef>

namespace kelvoran {

// The reason a write or save failed, in the program's own words, for a system error number.
// A full disk and an exceeded file-size limit get their own wording; anything else falls back
// to the system's text.
QString fileWriteFailureReason(int systemError);

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const QString &path);
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    // Creates the temporary file beside the target.
    Status open();
    // Appends bytes; a short write is retried until all are written or the system refuses.
    Status write(const char *data, size_t size);
    // Flushes to disk, gives the file the usual mode (or the replaced file's) and renames it
    // over the target.
    Status commit();
    // Removes the temporary file; the target is left as it was.
    void discard();

    const QString &path() const { return m_path; }

private:
    Status failure(const QString &what, int systemError);

    QString m_path;
    QByteArray m_target;
    QByteArray m_tempPath;
    int m_fd = -1;
};

} // namespace kelvoran

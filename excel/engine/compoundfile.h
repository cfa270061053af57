// Compound files (the OLE structured-storage container): a writer for version 3 files and a
// reader that refuses damaged or hostile input with an error instead of crashing or looping.
//
// A compound file is a small file system inside one file: 512-byte sectors chained through a
// sector allocation table (FAT), a directory of storages and streams kept as one red-black tree
// per storage, and a mini stream of 64-byte sectors for streams shorter than 4096 bytes.
// Password-protected workbooks are such a container holding the encrypted package.
#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kelvoran {

// True when the bytes begin with the compound-file signature (D0 CF 11 E0 A1 B1 1A E1).
bool isCompoundFile(const QByteArray &bytes);

// Builds a version 3 compound file from streams named by their storage path.
class CompoundFileWriter {
public:
    // Adds a stream; path holds the storage names and last the stream name, e.g.
    // {"\x06DataSpaces", "Version"}. Missing storages are created. Names are at most 31
    // characters; a later stream with the same path replaces the earlier one.
    void addStream(const QStringList &path, const QByteArray &data);
    // The complete file. Fails only for names that a compound file cannot hold or for a
    // stream larger than a version 3 file allows.
    Result<QByteArray> build() const;

private:
    struct Item {
        QStringList path;
        QByteArray data;
    };
    std::vector<Item> m_items;
};

// A parsed compound file. All structure (FAT, DIFAT, directory, mini FAT) is checked when the
// file is opened; streams are assembled when asked for.
class CompoundFile {
public:
    // Parses the bytes; a damaged or foreign file gives an error naming what is wrong.
    static Result<CompoundFile> open(const QByteArray &bytes);

    // Paths of all streams ({"storage", ..., "stream"}), in directory order.
    QList<QStringList> streamPaths() const;
    // True when a stream exists at the path (names compared without regard to letter case).
    bool hasStream(const QStringList &path) const;
    // The content of a stream, or an error when it is missing or its sector chain is broken.
    Result<QByteArray> stream(const QStringList &path) const;

    CompoundFile(const CompoundFile &) = default;
    CompoundFile &operator=(const CompoundFile &) = default;
    ~CompoundFile();

private:
    struct Data;
    explicit CompoundFile(std::shared_ptr<const Data> data);
    std::shared_ptr<const Data> m_data;
};

// Compares two directory entry names the way compound files order them: shorter names first,
// equal lengths by their upper-case code units. Negative, zero or positive like strcmp.
int compareCompoundNames(const QString &a, const QString &b);

} // namespace kelvoran

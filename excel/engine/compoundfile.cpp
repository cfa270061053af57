#include "excel/engine/compoundfile.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <map>

namespace kelvoran {

namespace {

constexpr quint32 kMaxRegularSector = 0xFFFFFFFA;
constexpr quint32 kDifatSector = 0xFFFFFFFC;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSector = 0xFFFFFFFF;
constexpr quint32 kNoStream = 0xFFFFFFFF;

constexpr int kHeaderDifatCount = 109;
constexpr quint32 kMiniSectorSize = 64;
constexpr quint32 kMiniStreamCutoff = 4096;
constexpr int kDirEntrySize = 128;

constexpr quint8 kTypeUnused = 0;
constexpr quint8 kTypeStorage = 1;
constexpr quint8 kTypeStream = 2;
constexpr quint8 kTypeRoot = 5;

constexpr quint8 kRed = 0;
constexpr quint8 kBlack = 1;

const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

quint16 rd16(const char *p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 rd32(const char *p) {
    return qFromLittleEndian<quint32>(p);
}
quint64 rd64(const char *p) {
    return qFromLittleEndian<quint64>(p);
}
void wr16(char *p, quint16 v) {
    qToLittleEndian<quint16>(v, p);
}
void wr32(char *p, quint32 v) {
    qToLittleEndian<quint32>(v, p);
}
void wr64(char *p, quint64 v) {
    qToLittleEndian<quint64>(v, p);
}

quint64 ceilDiv(quint64 a, quint64 b) {
    return (a + b - 1) / b;
}

Error broken(const QString &detail) {
    return Error{QStringLiteral("複合ファイルが壊れています（%1）。").arg(detail), QString()};
}

// Upper-case mapping for name comparison: simple per-code-unit upper case, as the format asks.
QChar upperUnit(QChar c) {
    const char32_t u = QChar::toUpper(char32_t(c.unicode()));
    return u <= 0xFFFF ? QChar(char16_t(u)) : c;
}

// ---- writer ---------------------------------------------------------------------------------

struct Node {
    QString name;
    quint8 type = kTypeStorage;
    QByteArray data;
    std::vector<int> children; // indexes into the node list
    quint32 left = kNoStream;
    quint32 right = kNoStream;
    quint32 child = kNoStream;
    quint8 color = kBlack;
    quint32 start = kEndOfChain;
};

bool validName(const QString &name) {
    if (name.isEmpty() || name.size() > 31)
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
            c == QLatin1Char('!') || c.unicode() == 0)
            return false;
    }
    return true;
}

// Links the sorted children [lo, hi) as a balanced binary tree and returns its root. Nodes on
// the deepest level of an incomplete tree are red, all others black: every path from the root
// to a leaf then passes the same number of black nodes and no red node has a red child, so
// the result is a valid red-black tree.
quint32 linkBalanced(std::vector<Node> &nodes, const std::vector<int> &sorted, int lo, int hi,
                     int depth, int blackDepth) {
    if (lo >= hi)
        return kNoStream;
    const int mid = lo + (hi - lo) / 2;
    Node &n = nodes[size_t(sorted[size_t(mid)])];
    n.color = depth > blackDepth ? kRed : kBlack;
    const quint32 l = linkBalanced(nodes, sorted, lo, mid, depth + 1, blackDepth);
    const quint32 r = linkBalanced(nodes, sorted, mid + 1, hi, depth + 1, blackDepth);
    Node &again = nodes[size_t(sorted[size_t(mid)])];
    again.left = l;
    again.right = r;
    return quint32(sorted[size_t(mid)]);
}

// The number of nodes on the shortest root-to-empty path of a midpoint-built tree of n nodes.
int shortestPath(int n) {
    if (n == 0)
        return 0;
    const int mid = n / 2;
    return 1 + std::min(shortestPath(mid), shortestPath(n - mid - 1));
}

void writeChain(std::vector<quint32> &fat, quint32 first, quint32 count) {
    for (quint32 i = 0; i < count; ++i)
        fat[first + i] = (i + 1 == count) ? kEndOfChain : first + i + 1;
}

} // namespace

bool isCompoundFile(const QByteArray &bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.constData(), kSignature, 8) == 0;
}

int compareCompoundNames(const QString &a, const QString &b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (int i = 0; i < a.size(); ++i) {
        const ushort x = upperUnit(a.at(i)).unicode();
        const ushort y = upperUnit(b.at(i)).unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

void CompoundFileWriter::addStream(const QStringList &path, const QByteArray &data) {
    for (Item &item : m_items) {
        if (item.path.size() == path.size()) {
            bool same = true;
            for (int i = 0; i < path.size() && same; ++i)
                same = compareCompoundNames(item.path.at(i), path.at(i)) == 0;
            if (same) {
                item.data = data;
                return;
            }
        }
    }
    m_items.push_back(Item{path, data});
}

Result<QByteArray> CompoundFileWriter::build() const {
    // 1. The directory as a tree of nodes; node 0 is the root storage.
    std::vector<Node> nodes(1);
    nodes[0].name = QStringLiteral("Root Entry");
    nodes[0].type = kTypeRoot;
    for (const Item &item : m_items) {
        if (item.path.isEmpty())
            return Error{QStringLiteral("ストリーム名がありません。"), QString()};
        if (quint64(item.data.size()) >= 0x80000000ULL)
            return Error{QStringLiteral("ストリームが大きすぎます：%1").arg(item.path.join('/')),
                         QString()};
        int parent = 0;
        for (int level = 0; level < item.path.size(); ++level) {
            const QString &name = item.path.at(level);
            if (!validName(name))
                return Error{QStringLiteral("複合ファイルに使えない名前です：%1").arg(name),
                             QString()};
            const bool last = level + 1 == item.path.size();
            int found = -1;
            for (int c : nodes[size_t(parent)].children) {
                if (compareCompoundNames(nodes[size_t(c)].name, name) == 0)
                    found = c;
            }
            if (found >= 0 && (last || nodes[size_t(found)].type != kTypeStorage))
                return Error{QStringLiteral("名前が重複しています：%1").arg(item.path.join('/')),
                             QString()};
            if (found < 0) {
                Node n;
                n.name = name;
                n.type = last ? kTypeStream : kTypeStorage;
                if (last)
                    n.data = item.data;
                nodes.push_back(n);
                found = int(nodes.size()) - 1;
                nodes[size_t(parent)].children.push_back(found);
            }
            parent = found;
        }
    }

    // 2. Sibling trees: each storage's children sorted and linked as a red-black tree.
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].children.empty())
            continue;
        std::vector<int> sorted = nodes[i].children;
        std::sort(sorted.begin(), sorted.end(), [&nodes](int a, int b) {
            return compareCompoundNames(nodes[size_t(a)].name, nodes[size_t(b)].name) < 0;
        });
        const int n = int(sorted.size());
        nodes[i].child = linkBalanced(nodes, sorted, 0, n, 1, shortestPath(n));
    }

    // 3. Sizes of every region, in sectors.
    quint64 miniSectors = 0;
    quint64 bigSectors = 0;
    for (const Node &n : nodes) {
        if (n.type != kTypeStream || n.data.isEmpty())
            continue;
        if (quint32(n.data.size()) < kMiniStreamCutoff)
            miniSectors += ceilDiv(quint64(n.data.size()), kMiniSectorSize);
        else
            bigSectors += ceilDiv(quint64(n.data.size()), 512);
    }
    const quint64 miniStreamBytes = miniSectors * kMiniSectorSize;
    const quint64 miniFatSectors = ceilDiv(miniSectors * 4, 512);
    const quint64 miniStreamSectors = ceilDiv(miniStreamBytes, 512);
    const quint64 dirSectors = ceilDiv(quint64(nodes.size()), 4);
    const quint64 dataSectors = miniFatSectors + dirSectors + miniStreamSectors + bigSectors;
    quint64 fatSectors = 1;
    quint64 difatSectors = 0;
    for (;;) {
        const quint64 d =
            fatSectors > kHeaderDifatCount ? ceilDiv(fatSectors - kHeaderDifatCount, 127) : 0;
        const quint64 f = ceilDiv(dataSectors + fatSectors + d, 128);
        if (f == fatSectors && d == difatSectors)
            break;
        fatSectors = std::max(f, fatSectors);
        difatSectors = d;
    }
    const quint64 totalSectors = fatSectors + difatSectors + dataSectors;
    if (totalSectors >= kMaxRegularSector || (totalSectors + 1) * 512 > 0x7FFFFFFFULL)
        return Error{QStringLiteral("複合ファイルが大きすぎます。"), QString()};

    // 4. Placement: FAT, DIFAT, mini FAT, directory, mini stream, then the large streams.
    const quint32 fatStart = 0;
    const quint32 difatStart = quint32(fatSectors);
    const quint32 miniFatStart = difatStart + quint32(difatSectors);
    const quint32 dirStart = miniFatStart + quint32(miniFatSectors);
    const quint32 miniStreamStart = dirStart + quint32(dirSectors);
    quint32 next = miniStreamStart + quint32(miniStreamSectors);

    std::vector<quint32> fat(size_t(fatSectors) * 128, kFreeSector);
    for (quint32 i = 0; i < fatSectors; ++i)
        fat[fatStart + i] = kFatSector;
    for (quint32 i = 0; i < difatSectors; ++i)
        fat[difatStart + i] = kDifatSector;
    writeChain(fat, miniFatStart, quint32(miniFatSectors));
    writeChain(fat, dirStart, quint32(dirSectors));
    writeChain(fat, miniStreamStart, quint32(miniStreamSectors));

    std::vector<quint32> miniFat(size_t(miniFatSectors) * 128, kFreeSector);
    quint32 nextMini = 0;
    for (Node &n : nodes) {
        if (n.type != kTypeStream || n.data.isEmpty())
            continue;
        if (quint32(n.data.size()) < kMiniStreamCutoff) {
            const quint32 count = quint32(ceilDiv(quint64(n.data.size()), kMiniSectorSize));
            n.start = nextMini;
            writeChain(miniFat, nextMini, count);
            nextMini += count;
        } else {
            const quint32 count = quint32(ceilDiv(quint64(n.data.size()), 512));
            n.start = next;
            writeChain(fat, next, count);
            next += count;
        }
    }
    nodes[0].start = miniSectors > 0 ? miniStreamStart : kEndOfChain;

    // 5. The bytes.
    QByteArray out(int((totalSectors + 1) * 512), '\0');
    char *base = out.data();
    auto sectorAt = [base](quint32 s) { return base + (quint64(s) + 1) * 512; };

    char *h = base;
    std::memcpy(h, kSignature, 8);
    wr16(h + 0x18, 0x003E);
    wr16(h + 0x1A, 0x0003);
    wr16(h + 0x1C, 0xFFFE);
    wr16(h + 0x1E, 9);
    wr16(h + 0x20, 6);
    wr32(h + 0x2C, quint32(fatSectors));
    wr32(h + 0x30, dirStart);
    wr32(h + 0x38, kMiniStreamCutoff);
    wr32(h + 0x3C, miniFatSectors ? miniFatStart : kEndOfChain);
    wr32(h + 0x40, quint32(miniFatSectors));
    wr32(h + 0x44, difatSectors ? difatStart : kEndOfChain);
    wr32(h + 0x48, quint32(difatSectors));
    for (int i = 0; i < kHeaderDifatCount; ++i)
        wr32(h + 0x4C + 4 * i, quint64(i) < fatSectors ? fatStart + quint32(i) : kFreeSector);

    for (quint32 d = 0; d < difatSectors; ++d) {
        char *s = sectorAt(difatStart + d);
        for (quint32 k = 0; k < 127; ++k) {
            const quint64 fatIndex = kHeaderDifatCount + quint64(d) * 127 + k;
            wr32(s + 4 * k, fatIndex < fatSectors ? fatStart + quint32(fatIndex) : kFreeSector);
        }
        wr32(s + 508, d + 1 < difatSectors ? difatStart + d + 1 : kEndOfChain);
    }
    for (size_t i = 0; i < fat.size(); ++i)
        wr32(sectorAt(fatStart) + 4 * i, fat[i]);
    for (size_t i = 0; i < miniFat.size(); ++i)
        wr32(sectorAt(miniFatStart) + 4 * i, miniFat[i]);

    char *dir = sectorAt(dirStart);
    for (quint64 i = 0; i < dirSectors * 4; ++i) {
        char *e = dir + i * kDirEntrySize;
        wr32(e + 0x44, kNoStream);
        wr32(e + 0x48, kNoStream);
        wr32(e + 0x4C, kNoStream);
        if (i >= nodes.size())
            continue;
        const Node &n = nodes[size_t(i)];
        for (int c = 0; c < n.name.size(); ++c)
            wr16(e + 2 * c, n.name.at(c).unicode());
        wr16(e + 0x40, quint16((n.name.size() + 1) * 2));
        e[0x42] = char(n.type);
        e[0x43] = char(n.color);
        wr32(e + 0x44, n.left);
        wr32(e + 0x48, n.right);
        wr32(e + 0x4C, n.child);
        if (n.type == kTypeRoot) {
            wr32(e + 0x74, n.start);
            wr64(e + 0x78, miniStreamBytes);
        } else if (n.type == kTypeStream) {
            wr32(e + 0x74, n.data.isEmpty() ? kEndOfChain : n.start);
            wr64(e + 0x78, quint64(n.data.size()));
        }
    }

    for (const Node &n : nodes) {
        if (n.type != kTypeStream || n.data.isEmpty())
            continue;
        char *target = quint32(n.data.size()) < kMiniStreamCutoff
                           ? sectorAt(miniStreamStart) + quint64(n.start) * kMiniSectorSize
                           : sectorAt(n.start);
        std::memcpy(target, n.data.constData(), size_t(n.data.size()));
    }
    return out;
}

// ---- reader ---------------------------------------------------------------------------------

struct CompoundFile::Data {
    struct Entry {
        QString name;
        quint8 type = kTypeUnused;
        quint32 left = kNoStream;
        quint32 right = kNoStream;
        quint32 child = kNoStream;
        quint32 start = kEndOfChain;
        quint64 size = 0;
    };
    struct StreamRef {
        QStringList path;
        quint32 entry = 0;
    };

    QByteArray bytes;
    quint32 sectorSize = 512;
    quint64 sectorCount = 0; // sectors present in the file after the header
    std::vector<quint32> fat;
    std::vector<quint32> miniFat;
    QByteArray miniStream;
    std::vector<Entry> entries;
    std::vector<StreamRef> streams;

    const char *sector(quint32 s) const {
        return bytes.constData() + (quint64(s) + 1) * sectorSize;
    }
    // Bytes of sector s that the file really holds (the last sector may be cut short).
    quint32 sectorBytes(quint32 s) const {
        const quint64 begin = (quint64(s) + 1) * sectorSize;
        const quint64 have = quint64(bytes.size()) > begin ? quint64(bytes.size()) - begin : 0;
        return quint32(std::min<quint64>(have, sectorSize));
    }

    // Follows a chain through the table. With want > 0 it stops after that many sectors;
    // otherwise it runs to the end-of-chain mark. Out-of-range sectors, loops and foreign
    // marks are errors.
    Result<std::vector<quint32>> chain(quint32 start, const std::vector<quint32> &table,
                                       quint64 limit, quint64 want) const {
        std::vector<quint32> out;
        std::vector<bool> seen(table.size(), false);
        quint32 s = start;
        while (want == 0 || out.size() < want) {
            if (s == kEndOfChain) {
                if (want == 0)
                    break;
                return broken(QStringLiteral("ストリームのチェーンが途中で終わっています"));
            }
            if (s > kMaxRegularSector || s >= table.size() || s >= limit)
                return broken(QStringLiteral("セクタ番号 %1 が範囲外です").arg(s));
            if (seen[s])
                return broken(QStringLiteral("セクタのチェーンが循環しています"));
            seen[s] = true;
            out.push_back(s);
            s = table[s];
        }
        return out;
    }

    // Reads size bytes through a chain of regular sectors.
    Result<QByteArray> readRegular(quint32 start, quint64 size) const {
        if (size > sectorCount * sectorSize)
            return broken(QStringLiteral("ストリームのサイズ %1 がファイルより大きい").arg(size));
        const quint64 want = ceilDiv(size, sectorSize);
        if (want == 0)
            return QByteArray();
        auto sectors = chain(start, fat, sectorCount, want);
        if (!sectors)
            return sectors.error();
        QByteArray out(int(size), '\0');
        quint64 done = 0;
        for (quint32 s : *sectors) {
            const quint64 n = std::min<quint64>(sectorSize, size - done);
            if (sectorBytes(s) < n)
                return broken(QStringLiteral("ファイルが途中で切れています"));
            std::memcpy(out.data() + done, sector(s), size_t(n));
            done += n;
        }
        return out;
    }

    Result<QByteArray> readMini(quint32 start, quint64 size) const {
        if (size > quint64(miniStream.size()))
            return broken(
                QStringLiteral("ストリームのサイズ %1 がミニストリームより大きい").arg(size));
        const quint64 want = ceilDiv(size, kMiniSectorSize);
        if (want == 0)
            return QByteArray();
        const quint64 limit = quint64(miniStream.size()) / kMiniSectorSize;
        auto sectors = chain(start, miniFat, limit, want);
        if (!sectors)
            return sectors.error();
        QByteArray out(int(size), '\0');
        quint64 done = 0;
        for (quint32 s : *sectors) {
            const quint64 n = std::min<quint64>(kMiniSectorSize, size - done);
            std::memcpy(out.data() + done, miniStream.constData() + quint64(s) * kMiniSectorSize,
                        size_t(n));
            done += n;
        }
        return out;
    }

    Result<QByteArray> readEntry(const Entry &e) const {
        if (e.size < kMiniStreamCutoff)
            return readMini(e.start, e.size);
        return readRegular(e.start, e.size);
    }
};

CompoundFile::CompoundFile(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}
CompoundFile::~CompoundFile() = default;

Result<CompoundFile> CompoundFile::open(const QByteArray &bytes) {
    if (!isCompoundFile(bytes))
        return Error{QStringLiteral("複合ファイルではありません。"), QString()};
    if (bytes.size() < 512)
        return broken(QStringLiteral("ヘッダーが短すぎます"));
    auto d = std::make_shared<Data>();
    d->bytes = bytes;
    const char *h = bytes.constData();
    const quint16 major = rd16(h + 0x1A);
    const quint16 shift = rd16(h + 0x1E);
    if (rd16(h + 0x1C) != 0xFFFE)
        return broken(QStringLiteral("バイト順の印が不正です"));
    if (major != 3 && major != 4)
        return broken(QStringLiteral("対応していない版です（%1）").arg(major));
    if (shift != (major == 3 ? 9 : 12))
        return broken(
            QStringLiteral("セクタの大きさ 2^%1 が版 %2 に合いません").arg(shift).arg(major));
    if (rd16(h + 0x20) != 6 || rd32(h + 0x38) != kMiniStreamCutoff)
        return broken(QStringLiteral("ミニセクタの設定が不正です"));
    d->sectorSize = 1u << shift;
    if (quint64(bytes.size()) < d->sectorSize)
        return broken(QStringLiteral("ヘッダーが短すぎます"));
    d->sectorCount = ceilDiv(quint64(bytes.size()) - d->sectorSize, d->sectorSize);
    const quint32 perSector = d->sectorSize / 4;

    // FAT sectors: the header's 109 slots, then the DIFAT chain.
    const quint32 fatCount = rd32(h + 0x2C);
    if (fatCount == 0 || fatCount > d->sectorCount)
        return broken(QStringLiteral("FAT のセクタ数 %1 が不正です").arg(fatCount));
    std::vector<quint32> fatSectors;
    fatSectors.reserve(fatCount);
    for (int i = 0; i < kHeaderDifatCount && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(rd32(h + 0x4C + 4 * i));
    quint32 difat = rd32(h + 0x44);
    std::vector<bool> difatSeen(size_t(d->sectorCount), false);
    while (fatSectors.size() < fatCount) {
        if (difat >= d->sectorCount)
            return broken(QStringLiteral("DIFAT のチェーンが壊れています"));
        if (difatSeen[difat])
            return broken(QStringLiteral("DIFAT のチェーンが循環しています"));
        difatSeen[difat] = true;
        if (d->sectorBytes(difat) < d->sectorSize)
            return broken(QStringLiteral("ファイルが途中で切れています"));
        const char *s = d->sector(difat);
        for (quint32 k = 0; k + 1 < perSector && fatSectors.size() < fatCount; ++k)
            fatSectors.push_back(rd32(s + 4 * k));
        difat = rd32(s + 4 * (perSector - 1));
    }
    d->fat.reserve(size_t(fatCount) * perSector);
    for (quint32 s : fatSectors) {
        if (s >= d->sectorCount || d->sectorBytes(s) < d->sectorSize)
            return broken(QStringLiteral("FAT のセクタ番号 %1 が範囲外です").arg(s));
        const char *p = d->sector(s);
        for (quint32 k = 0; k < perSector; ++k)
            d->fat.push_back(rd32(p + 4 * k));
    }

    // Directory.
    auto dirSectors = d->chain(rd32(h + 0x30), d->fat, d->sectorCount, 0);
    if (!dirSectors)
        return dirSectors.error();
    if (dirSectors->empty())
        return broken(QStringLiteral("ディレクトリがありません"));
    const quint32 entriesPerSector = d->sectorSize / kDirEntrySize;
    for (quint32 s : *dirSectors) {
        if (d->sectorBytes(s) < d->sectorSize)
            return broken(QStringLiteral("ファイルが途中で切れています"));
        const char *p = d->sector(s);
        for (quint32 k = 0; k < entriesPerSector; ++k) {
            const char *e = p + k * kDirEntrySize;
            Data::Entry entry;
            entry.type = quint8(e[0x42]);
            if (entry.type != kTypeUnused) {
                const quint16 nameBytes = rd16(e + 0x40);
                if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 != 0)
                    return broken(QStringLiteral("ディレクトリの名前が不正です"));
                for (int c = 0; c < nameBytes / 2 - 1; ++c)
                    entry.name.append(QChar(char16_t(rd16(e + 2 * c))));
                if (entry.type != kTypeStorage && entry.type != kTypeStream &&
                    entry.type != kTypeRoot)
                    return broken(
                        QStringLiteral("ディレクトリの種類 %1 が不正です").arg(entry.type));
            }
            entry.left = rd32(e + 0x44);
            entry.right = rd32(e + 0x48);
            entry.child = rd32(e + 0x4C);
            entry.start = rd32(e + 0x74);
            entry.size = rd64(e + 0x78);
            if (major == 3)
                entry.size &= 0xFFFFFFFFULL; // old writers leave garbage in the high half
            d->entries.push_back(entry);
        }
    }
    const Data::Entry &root = d->entries[0];
    if (root.type != kTypeRoot)
        return broken(QStringLiteral("ルートがありません"));

    // Mini stream and mini FAT.
    if (root.size > 0) {
        auto mini = d->readRegular(root.start, root.size);
        if (!mini)
            return mini.error();
        d->miniStream = *mini;
        auto miniFatSectors = d->chain(rd32(h + 0x3C), d->fat, d->sectorCount, 0);
        if (!miniFatSectors)
            return miniFatSectors.error();
        for (quint32 s : *miniFatSectors) {
            if (d->sectorBytes(s) < d->sectorSize)
                return broken(QStringLiteral("ファイルが途中で切れています"));
            const char *p = d->sector(s);
            for (quint32 k = 0; k < perSector; ++k)
                d->miniFat.push_back(rd32(p + 4 * k));
        }
    }

    // Walk the sibling trees; every entry may be reached once only.
    std::vector<bool> reached(d->entries.size(), false);
    reached[0] = true;
    struct Pending {
        quint32 id;
        QStringList parent;
    };
    std::vector<Pending> stack;
    if (root.child != kNoStream)
        stack.push_back(Pending{root.child, QStringList()});
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        if (p.id >= d->entries.size())
            return broken(QStringLiteral("ディレクトリの参照 %1 が範囲外です").arg(p.id));
        if (reached[p.id])
            return broken(QStringLiteral("ディレクトリの木が循環しています"));
        reached[p.id] = true;
        const Data::Entry &e = d->entries[p.id];
        if (e.type != kTypeStorage && e.type != kTypeStream)
            return broken(QStringLiteral("ディレクトリの木が未使用の項目を指しています"));
        if (e.left != kNoStream)
            stack.push_back(Pending{e.left, p.parent});
        if (e.right != kNoStream)
            stack.push_back(Pending{e.right, p.parent});
        QStringList path = p.parent;
        path.append(e.name);
        if (e.type == kTypeStorage) {
            if (e.child != kNoStream)
                stack.push_back(Pending{e.child, path});
        } else {
            d->streams.push_back(Data::StreamRef{path, p.id});
        }
    }
    std::sort(d->streams.begin(), d->streams.end(),
              [](const Data::StreamRef &a, const Data::StreamRef &b) { return a.entry < b.entry; });
    return CompoundFile(std::move(d));
}

QList<QStringList> CompoundFile::streamPaths() const {
    QList<QStringList> out;
    for (const Data::StreamRef &s : m_data->streams)
        out.append(s.path);
    return out;
}

namespace {
bool samePath(const QStringList &a, const QStringList &b) {
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (compareCompoundNames(a.at(i), b.at(i)) != 0)
            return false;
    }
    return true;
}
} // namespace

bool CompoundFile::hasStream(const QStringList &path) const {
    for (const Data::StreamRef &s : m_data->streams) {
        if (samePath(s.path, path))
            return true;
    }
    return false;
}

Result<QByteArray> CompoundFile::stream(const QStringList &path) const {
    for (const Data::StreamRef &s : m_data->streams) {
        if (samePath(s.path, path))
            return m_data->readEntry(m_data->entries[s.entry]);
    }
    return Error{QStringLiteral("複合ファイルにストリーム「%1」がありません。").arg(path.join('/')),
                 QString()};
}

} // namespace kelvoran

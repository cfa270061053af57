#include "excel/engine/zipreader.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace kelvoran::xlsx {

namespace {

uint32_t get16(const std::string &b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}
uint32_t get32(const std::string &b, size_t at) {
    return get16(b, at) | get16(b, at + 2) << 16;
}

} // namespace

bool ZipReader::open(std::string bytes) {
    m_bytes = std::move(bytes);
    m_entries.clear();
    m_inflated = 0;
    const std::string &b = m_bytes;
    if (b.size() < 22) {
        m_error = "not a zip archive (too short)";
        return false;
    }
    // End of central directory: the last signature within the comment's reach.
    size_t eocd = std::string::npos;
    const size_t lowest = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
    for (size_t at = b.size() - 22 + 1; at-- > lowest;)
        if (get32(b, at) == 0x06054b50) {
            eocd = at;
            break;
        }
    if (eocd == std::string::npos) {
        m_error = "not a zip archive (no end of central directory)";
        return false;
    }
    const uint32_t count = get16(b, eocd + 10);
    const uint64_t cdSize = get32(b, eocd + 12);
    const uint64_t cdOffset = get32(b, eocd + 16);
    if (cdOffset == 0xffffffffu || count == 0xffff) {
        m_error = "zip64 archives are not supported";
        return false;
    }
    if (cdOffset + cdSize > eocd) {
        m_error = "damaged zip archive (central directory out of bounds)";
        return false;
    }
    size_t at = size_t(cdOffset);
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 46 > eocd || get32(b, at) != 0x02014b50) {
            m_error = "damaged zip archive (central directory entry)";
            return false;
        }
        Entry e;
        e.flags = uint16_t(get16(b, at + 8));
        e.method = uint16_t(get16(b, at + 10));
        e.crc = get32(b, at + 16);
        e.compressedSize = get32(b, at + 20);
        e.size = get32(b, at + 24);
        const uint32_t nameLen = get16(b, at + 28), extraLen = get16(b, at + 30),
                       commentLen = get16(b, at + 32);
        e.offset = get32(b, at + 42);
        if (at + 46 + nameLen + extraLen + commentLen > eocd) {
            m_error = "damaged zip archive (entry name out of bounds)";
            return false;
        }
        e.name.assign(b, at + 46, nameLen);
        at += 46 + nameLen + extraLen + commentLen;
        m_entries.push_back(std::move(e));
    }
    return true;
}

const ZipReader::Entry *ZipReader::find(const std::string &name) const {
    for (const Entry &e : m_entries)
        if (e.name == name)
            return &e;
    // Part names are case-insensitive in a package.
    for (const Entry &e : m_entries)
        if (e.name.size() == name.size() &&
            std::equal(e.name.begin(), e.name.end(), name.begin(), [](char a, char c) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(c));
            }))
            return &e;
    return nullptr;
}

bool ZipReader::contains(const std::string &name) const {
    return find(name) != nullptr;
}

std::vector<std::string> ZipReader::names() const {
    std::vector<std::string> out;
    for (const Entry &e : m_entries)
        out.push_back(e.name);
    return out;
}

// Inflates piece by piece, so memory follows what the data really holds rather than a declared
// size, and stops as soon as the output passes the declared size.
bool ZipReader::inflateEntry(const Entry &e, const char *data, std::string &out) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        m_error = "inflate failed";
        return false;
    }
    constexpr size_t kChunk = 1 << 20;
    out.reserve(size_t(std::min<uint64_t>(e.size, kChunk)));
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
    z.avail_in = uInt(e.compressedSize);
    int rc = Z_OK;
    while (rc == Z_OK) {
        const size_t have = out.size();
        // One byte beyond the declared size is enough to see that it lies.
        const size_t room = size_t(std::min<uint64_t>(kChunk, e.size + 1 - have));
        out.resize(have + room);
        z.next_out = reinterpret_cast<Bytef *>(out.data() + have);
        z.avail_out = uInt(room);
        rc = inflate(&z, Z_NO_FLUSH);
        out.resize(have + room - z.avail_out);
        if (out.size() > e.size || rc == Z_BUF_ERROR)
            break; // past the declared size, or the data ends early
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END || out.size() != e.size) {
        m_error = "damaged zip archive (data of " + e.name + ")";
        out.clear();
        return false;
    }
    return true;
}

bool ZipReader::read(const std::string &name, std::string &out) {
    out.clear();
    const Entry *e = find(name);
    if (!e) {
        m_error = "missing part " + name;
        return false;
    }
    if (e->flags & 1) {
        m_error = "encrypted zip entry " + name;
        return false;
    }
    if (e->size > kMaxEntrySize) {
        m_error = "part too large: " + name;
        return false;
    }
    // The output never exceeds the declared size (more is taken as damage), so checking the
    // declared size refuses a bomb before a byte of it is inflated.
    if (e->size > m_limits.ratioFreeSize && e->size > e->compressedSize * m_limits.maxRatio) {
        m_error = "圧縮率が異常に高いパーツです（zip爆弾の疑い）: " + name;
        return false;
    }
    if (m_inflated + e->size > m_limits.totalInflated) {
        m_error = "展開後のサイズの合計が上限（" + std::to_string(m_limits.totalInflated >> 20) +
                  " MB）を超えます: " + name;
        return false;
    }
    const std::string &b = m_bytes;
    if (e->offset + 30 > b.size() || get32(b, size_t(e->offset)) != 0x04034b50) {
        m_error = "damaged zip archive (local header of " + name + ")";
        return false;
    }
    const uint64_t dataStart =
        e->offset + 30 + get16(b, size_t(e->offset) + 26) + get16(b, size_t(e->offset) + 28);
    if (dataStart + e->compressedSize > b.size()) {
        m_error = "damaged zip archive (data of " + name + " out of bounds)";
        return false;
    }
    const char *data = b.data() + dataStart;
    if (e->method == 0) {
        if (e->compressedSize != e->size) {
            m_error = "damaged zip archive (stored size of " + name + ")";
            return false;
        }
        out.assign(data, size_t(e->size));
    } else if (e->method == 8) {
        if (!inflateEntry(*e, data, out))
            return false;
    } else {
        m_error = "unsupported compression method in " + name;
        return false;
    }
    m_inflated += e->size;
    if (uint32_t(crc32_z(0, reinterpret_cast<const Bytef *>(out.data()), out.size())) != e->crc) {
        m_error = "damaged zip archive (CRC of " + name + ")";
        out.clear();
        return false;
    }
    return true;
}

} // namespace kelvoran::xlsx

// Reads the entries of a zip archive held in memory, with checks against damaged and hostile
// archives (bounds, sizes, CRC, unsupported methods).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvoran::xlsx {

class ZipReader {
public:
    // Largest entry it inflates; larger declared sizes are refused.
    static constexpr uint64_t kMaxEntrySize = 512ull * 1024 * 1024;
    // Bounds on what a hostile archive may make the reader inflate. The defaults leave every
    // real workbook (a full 65,535-row sheet included) far inside them.
    struct Limits {
        // Most bytes all reads of one archive together may inflate to.
        uint64_t totalInflated = 1024ull * 1024 * 1024;
        // Entries up to this size may compress any amount (small, repetitive XML does).
        uint64_t ratioFreeSize = 10ull * 1024 * 1024;
        // Beyond ratioFreeSize, the most an entry may inflate per compressed byte.
        uint64_t maxRatio = 200;
    };

    ZipReader() = default;
    explicit ZipReader(const Limits &limits) : m_limits(limits) {}

    // Parses the central directory; false with error() on a damaged archive.
    bool open(std::string bytes);
    // True when an entry of that name exists.
    bool contains(const std::string &name) const;
    // Inflates an entry; false with error() when missing, damaged, too large or compressed
    // beyond the limits above (a zip bomb).
    bool read(const std::string &name, std::string &out);
    // Entry names in directory order.
    std::vector<std::string> names() const;
    const std::string &error() const { return m_error; }

private:
    struct Entry {
        std::string name;
        uint16_t method = 0;
        uint16_t flags = 0;
        uint32_t crc = 0;
        uint64_t compressedSize = 0;
        uint64_t size = 0;
        uint64_t offset = 0;
    };
    const Entry *find(const std::string &name) const;
    bool inflateEntry(const Entry &e, const char *data, std::string &out);

    std::string m_bytes;
    std::vector<Entry> m_entries;
    std::string m_error;
    Limits m_limits;
    uint64_t m_inflated = 0; // sizes of the entries read so far
};

} // namespace kelvoran::xlsx

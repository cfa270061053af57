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

    // Parses the central directory; false with error() on a damaged archive.
    bool open(std::string bytes);
    // True when an entry of that name exists.
    bool contains(const std::string &name) const;
    // Inflates an entry; false with error() when missing, damaged or too large.
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

    std::string m_bytes;
    std::vector<Entry> m_entries;
    std::string m_error;
};

} // namespace kelvoran::xlsx

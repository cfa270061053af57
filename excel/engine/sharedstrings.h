// The shared string table of a workbook: each distinct text stored once.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvoran::xlsx {

class SharedStrings {
public:
    // The index of the text, adding it when new.
    uint32_t intern(std::string_view text);
    // Adds a rich-text entry: its plain text and the XML of its runs (the inside of <si>).
    uint32_t internRich(std::string_view text, std::string_view runsXml);
    // The plain text of an entry.
    const std::string &text(uint32_t index) const { return m_texts[index]; }
    // The XML runs of a rich entry, or empty for a plain one.
    const std::string &runsXml(uint32_t index) const;
    // Number of entries.
    size_t size() const { return m_texts.size(); }

private:
    std::deque<std::string> m_texts; // deque: addresses stay put for the index's views
    std::unordered_map<std::string_view, uint32_t> m_index;
    std::unordered_map<uint32_t, std::string> m_rich;
    std::unordered_map<std::string, uint32_t> m_richIndex;
};

} // namespace kelvoran::xlsx

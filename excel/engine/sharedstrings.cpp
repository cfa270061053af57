#include "excel/engine/sharedstrings.h"

namespace kelvoran::xlsx {

uint32_t SharedStrings::intern(std::string_view text) {
    const auto it = m_index.find(text);
    if (it != m_index.end())
        return it->second;
    const uint32_t index = uint32_t(m_texts.size());
    m_texts.emplace_back(text);
    m_index.emplace(std::string_view(m_texts.back()), index);
    return index;
}

uint32_t SharedStrings::internRich(std::string_view text, std::string_view runsXml) {
    const std::string key(runsXml);
    const auto it = m_richIndex.find(key);
    if (it != m_richIndex.end())
        return it->second;
    const uint32_t index = uint32_t(m_texts.size());
    m_texts.emplace_back(text);
    m_rich.emplace(index, key);
    m_richIndex.emplace(key, index);
    return index;
}

const std::string &SharedStrings::runsXml(uint32_t index) const {
    static const std::string kEmpty;
    const auto it = m_rich.find(index);
    return it == m_rich.end() ? kEmpty : it->second;
}

} // namespace kelvoran::xlsx

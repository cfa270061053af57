#include "excel/engine/xmlcheck.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace kelvoran::xlsx {

namespace {

// Decodes one UTF-8 sequence at text[at]; false on a malformed, overlong or surrogate one.
bool decodeUtf8(std::string_view text, size_t &at, uint32_t &code) {
    const auto byte = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(at);
    int extra = 0;
    uint32_t lowest = 0;
    if (lead < 0x80) {
        code = lead;
        ++at;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, lowest = 0x10000;
    } else {
        return false;
    }
    if (at + size_t(extra) >= text.size())
        return false;
    for (int k = 1; k <= extra; ++k) {
        const uint8_t next = byte(at + size_t(k));
        if ((next & 0xC0) != 0x80)
            return false;
        code = code << 6 | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return false;
    at += size_t(extra) + 1;
    return true;
}

bool isXmlChar(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool isNameStartChar(uint32_t c) {
    return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(uint32_t c) {
    return isNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

} // namespace

bool isLegalXmlText(std::string_view text, std::string &why) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = at;
        uint32_t code = 0;
        if (!decodeUtf8(text, at, code)) {
            why = "invalid UTF-8 at byte " + std::to_string(start);
            return false;
        }
        if (!isXmlChar(code)) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", unsigned(code));
            why = std::string("character not allowed in XML (") + hex + ") at byte " +
                  std::to_string(start);
            return false;
        }
    }
    return true;
}

bool isLegalXmlName(std::string_view name) {
    size_t at = 0;
    bool first = true;
    while (at < name.size()) {
        uint32_t code = 0;
        if (!decodeUtf8(name, at, code))
            return false;
        if (first ? !isNameStartChar(code) : !isNameChar(code))
            return false;
        first = false;
    }
    return !first;
}

bool isSoundXmlTree(pugi::xml_node node, std::string &why) {
    // Iterative: a deeply nested hostile part must not exhaust the stack.
    std::vector<pugi::xml_node> pending{node};
    while (!pending.empty()) {
        const pugi::xml_node n = pending.back();
        pending.pop_back();
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
            if (!isLegalXmlText(n.value(), why)) {
                why = "text inside <" + std::string(n.parent().name()) + ">: " + why;
                return false;
            }
            continue;
        }
        if (n.type() != pugi::node_element && n.type() != pugi::node_document)
            continue;
        if (n.type() == pugi::node_element && !isLegalXmlName(n.name())) {
            why = "illegal element name";
            return false;
        }
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            if (!isLegalXmlName(a.name())) {
                why = "illegal attribute name in <" + std::string(n.name()) + ">";
                return false;
            }
            if (!isLegalXmlText(a.value(), why)) {
                why = "attribute " + std::string(a.name()) + " of <" + n.name() + ">: " + why;
                return false;
            }
        }
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
            pending.push_back(c);
    }
    return true;
}

} // namespace kelvoran::xlsx

#include "excel/engine/xmlcheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>
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

bool hasOnlyLegalReferences(std::string_view text, std::string &why) {
    // Comments, CDATA sections and processing instructions hold '&' as it is.
    static const std::pair<std::string_view, std::string_view> kLiteral[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
    static const std::string_view kNamed[] = {"amp", "lt", "gt", "quot", "apos"};
    size_t at = 0;
    while ((at = text.find_first_of("<&", at)) != std::string_view::npos) {
        if (text[at] == '<') {
            size_t next = at + 1;
            for (const auto &[open, close] : kLiteral)
                if (text.substr(at, open.size()) == open) {
                    const size_t end = text.find(close, at + open.size());
                    next = end == std::string_view::npos ? text.size() : end + close.size();
                    break;
                }
            at = next;
            continue;
        }
        const size_t semicolon = text.find(';', at);
        const std::string_view name = semicolon == std::string_view::npos
                                          ? std::string_view()
                                          : text.substr(at + 1, semicolon - at - 1);
        bool legal = false;
        if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            uint32_t code = 0;
            legal = !digits.empty() && digits.size() <= 8;
            for (size_t i = 0; legal && i < digits.size(); ++i) {
                const char c = digits[i];
                const int digit = c >= '0' && c <= '9'          ? c - '0'
                                  : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                : -1;
                legal = digit >= 0;
                code = code * (hex ? 16 : 10) + uint32_t(digit);
            }
            legal = legal && isXmlChar(code);
        } else {
            for (std::string_view named : kNamed)
                legal = legal || name == named;
        }
        if (!legal) {
            why = "reference that XML does not define (" +
                  std::string(text.substr(at, std::min<size_t>(name.size() + 2, 16))) +
                  ") at byte " + std::to_string(at);
            return false;
        }
        at = semicolon + 1;
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

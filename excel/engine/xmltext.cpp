#include "excel/engine/xmltext.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kelvoran::xlsx {

namespace {

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool escapeMarkerAt(std::string_view t, size_t i) {
    return i + 7 <= t.size() && t[i] == '_' && t[i + 1] == 'x' && isHex(t[i + 2]) &&
           isHex(t[i + 3]) && isHex(t[i + 4]) && isHex(t[i + 5]) && t[i + 6] == '_';
}

} // namespace

void appendEscaped(std::string &out, std::string_view text, bool attribute) {
    size_t plain = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const char *rep = nullptr;
        char buf[16];
        switch (c) {
        case '&':
            rep = "&amp;";
            break;
        case '<':
            rep = "&lt;";
            break;
        case '>':
            rep = "&gt;";
            break;
        case '"':
            rep = "&quot;";
            break;
        case '\t':
            if (attribute)
                rep = "&#9;";
            break;
        case '\n':
            if (attribute)
                rep = "&#10;";
            break;
        case '\r':
            if (attribute)
                rep = "&#13;";
            break;
        case '_':
            if (escapeMarkerAt(text, i))
                rep = "_x005F_";
            break;
        default:
            if (c < 0x20) {
                std::snprintf(buf, sizeof buf, "_x%04X_", c);
                rep = buf;
            }
            break;
        }
        if (rep) {
            out.append(text.data() + plain, i - plain);
            out += rep;
            plain = i + 1;
        }
    }
    out.append(text.data() + plain, text.size() - plain);
}

std::string unescapeOoxml(std::string_view t) {
    if (t.find("_x") == std::string_view::npos)
        return std::string(t);
    std::string out;
    out.reserve(t.size());
    for (size_t i = 0; i < t.size();) {
        if (escapeMarkerAt(t, i)) {
            const unsigned code =
                unsigned(std::stoul(std::string(t.substr(i + 2, 4)), nullptr, 16));
            if (code < 0x80) {
                out += char(code);
            } else if (code < 0x800) {
                out += char(0xC0 | (code >> 6));
                out += char(0x80 | (code & 0x3F));
            } else {
                out += char(0xE0 | (code >> 12));
                out += char(0x80 | ((code >> 6) & 0x3F));
                out += char(0x80 | (code & 0x3F));
            }
            i += 7;
        } else {
            out += t[i++];
        }
    }
    return out;
}

void appendNumber(std::string &out, double value) {
    if (!std::isfinite(value)) {
        out += '0';
        return;
    }
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

} // namespace kelvoran::xlsx

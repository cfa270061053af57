#include "excel/engine/styles.h"

#include <cstdio>
#include <cstring>

namespace kelvoran::xlsx {

namespace {

void appendColor(std::string &k, const Color &c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d.%u.%g|", int(c.kind), c.value, c.tint);
    k += buf;
}

void appendSide(std::string &k, const BorderSide &s) {
    k += s.style;
    k += ',';
    appendColor(k, s.color);
}

struct Builtin {
    int id;
    const char *code;
};

// Locale-independent built-in formats (ECMA-376 18.8.30).
const Builtin kBuiltins[] = {
    {0, "General"},
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {4, "#,##0.00"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?\?/?\?"},
    {37, "#,##0 ;(#,##0)"},
    {38, "#,##0 ;[Red](#,##0)"},
    {39, "#,##0.00;(#,##0.00)"},
    {40, "#,##0.00;[Red](#,##0.00)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mmss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
};

// How a Japanese-locale reader shows the locale-dependent built-ins.
const Builtin kLocalBuiltins[] = {
    {5, "\"¥\"#,##0;\"¥\"\\-#,##0"},
    {6, "\"¥\"#,##0;[Red]\"¥\"\\-#,##0"},
    {7, "\"¥\"#,##0.00;\"¥\"\\-#,##0.00"},
    {8, "\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00"},
    {14, "yyyy/m/d"},
    {15, "d-mmm-yy"},
    {16, "d-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "yyyy/m/d h:mm"},
    {27, "[$-411]ge.m.d"},
    {28, "[$-411]ggge\"年\"m\"月\"d\"日\""},
    {29, "[$-411]ggge\"年\"m\"月\"d\"日\""},
    {30, "m/d/yy"},
    {31, "yyyy\"年\"m\"月\"d\"日\""},
    {32, "h\"時\"mm\"分\""},
    {33, "h\"時\"mm\"分\"ss\"秒\""},
    {34, "yyyy\"年\"m\"月\""},
    {35, "m\"月\"d\"日\""},
    {36, "[$-411]ge.m.d"},
    {50, "[$-411]ge.m.d"},
    {51, "[$-411]ggge\"年\"m\"月\"d\"日\""},
    {52, "yyyy\"年\"m\"月\""},
    {53, "m\"月\"d\"日\""},
    {54, "[$-411]ggge\"年\"m\"月\"d\"日\""},
    {55, "yyyy\"年\"m\"月\""},
    {56, "m\"月\"d\"日\""},
    {57, "[$-411]ge.m.d"},
    {58, "[$-411]ggge\"年\"m\"月\"d\"日\""},
};

} // namespace

std::string fontKey(const Font &f) {
    std::string k;
    k.reserve(64);
    k += f.name;
    char buf[64];
    std::snprintf(buf, sizeof buf, "|%g|%d%d%d|%d|%d|", f.size, f.bold, f.italic, f.strike,
                  f.family, f.charset);
    k += buf;
    k += f.underline + '|' + f.vertAlign + '|' + f.scheme + '|';
    appendColor(k, f.color);
    return k;
}

std::string fillKey(const Fill &f) {
    std::string k = f.pattern + '|';
    appendColor(k, f.fg);
    appendColor(k, f.bg);
    k += f.gradientXml;
    return k;
}

std::string borderKey(const Border &b) {
    std::string k;
    appendSide(k, b.left);
    appendSide(k, b.right);
    appendSide(k, b.top);
    appendSide(k, b.bottom);
    appendSide(k, b.diagonal);
    k += char('0' + b.diagonalUp);
    k += char('0' + b.diagonalDown);
    return k;
}

std::string styleKey(const CellStyle &s) {
    std::string k = s.numberFormat;
    char buf[96];
    const Alignment &a = s.alignment;
    std::snprintf(buf, sizeof buf, "\x1f%d|%d%d|%d|%d|%d|%d%d%d\x1f", s.builtinId, a.wrapText,
                  a.shrinkToFit, a.indent, a.textRotation, a.readingOrder, s.locked, s.hidden,
                  s.quotePrefix);
    k += buf;
    k += a.horizontal + '|' + a.vertical + '\x1f';
    k += fontKey(s.font) + '\x1f' + fillKey(s.fill) + '\x1f' + borderKey(s.border);
    return k;
}

int builtinFormatId(const std::string &code) {
    for (const Builtin &b : kBuiltins)
        if (code == b.code)
            return b.id;
    return -1;
}

std::string builtinFormatCode(int id) {
    for (const Builtin &b : kBuiltins)
        if (id == b.id)
            return b.code;
    for (const Builtin &b : kLocalBuiltins)
        if (id == b.id)
            return b.code;
    return std::string();
}

bool isTextFormat(const std::string &code) {
    return code == "@";
}

bool isDateFormat(const std::string &code) {
    // Date tokens outside quotes, escapes and brackets (colour and locale tags); elapsed-time
    // brackets such as [h] also count.
    bool quoted = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            continue;
        }
        switch (c) {
        case '"':
            quoted = true;
            break;
        case '\\':
        case '_':
        case '*':
            ++i;
            break;
        case '[': {
            const size_t end = code.find(']', i);
            if (end == std::string::npos)
                return false;
            const std::string inner = code.substr(i + 1, end - i - 1);
            if (!inner.empty() && (inner[0] == 'h' || inner[0] == 'H' || inner[0] == 'm' ||
                                   inner[0] == 'M' || inner[0] == 's' || inner[0] == 'S'))
                return true;
            i = end;
            break;
        }
        case 'y':
        case 'Y':
        case 'd':
        case 'D':
        case 'h':
        case 'H':
        case 's':
        case 'S':
        case 'm':
        case 'M':
        case 'g':
        case 'G':
        case 'e':
            return true;
        case 'E':
            // "0.00E+00" is scientific, not an era.
            if (i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-'))
                ++i;
            else
                return true;
            break;
        default:
            break;
        }
    }
    return false;
}

std::string localFormatToFile(const std::string &code) {
    static const struct {
        const char *local;
        const char *file;
    } kTokens[] = {{"[黒]", "[Black]"},   {"[白]", "[White]"}, {"[赤]", "[Red]"},
                   {"[緑]", "[Green]"},   {"[青]", "[Blue]"},  {"[黄]", "[Yellow]"},
                   {"[紫]", "[Magenta]"}, {"[水]", "[Cyan]"}};
    std::string out;
    out.reserve(code.size());
    bool quoted = false;
    for (size_t i = 0; i < code.size();) {
        const char c = code[i];
        if (c == '"') {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        if (!quoted && c == '\\') {
            // In a Japanese-locale format the backslash is the yen sign, in every section and
            // before any character ("\#,###;\-#,###"): written as a quoted yen so that every
            // font shows it. A plain character after it stays literal, escaped as the file
            // syntax spells it ("\-"); placeholders, quotes, brackets and a further yen keep
            // their own meaning.
            out += "\"¥\"";
            ++i;
            if (i < code.size() && code[i] != '\0' && !std::strchr("#0?\\\"[", code[i])) {
                out += '\\';
                out += code[i];
                ++i;
            }
            continue;
        }
        if (!quoted && c == '[') {
            bool done = false;
            for (const auto &t : kTokens) {
                const size_t n = std::strlen(t.local);
                if (code.compare(i, n, t.local) == 0) {
                    out += t.file;
                    i += n;
                    done = true;
                    break;
                }
            }
            if (done)
                continue;
            static const std::string kColor = "[色";
            if (code.compare(i, kColor.size(), kColor) == 0) {
                const size_t end = code.find(']', i);
                if (end != std::string::npos) {
                    out += "[Color" + code.substr(i + kColor.size(), end - i - kColor.size()) + "]";
                    i = end + 1;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}

StyleTable::StyleTable() {
    intern(CellStyle());
}

uint32_t StyleTable::intern(const CellStyle &s) {
    std::string key = styleKey(s);
    const auto it = m_index.find(key);
    if (it != m_index.end())
        return it->second;
    const uint32_t index = uint32_t(m_styles.size());
    m_styles.push_back(s);
    const std::string &code = s.builtinId >= 0 && s.numberFormat.empty()
                                  ? builtinFormatCode(s.builtinId)
                                  : s.numberFormat;
    m_flags.push_back(uint8_t((isTextFormat(code) ? 1 : 0) | (isDateFormat(code) ? 2 : 0)));
    m_index.emplace(std::move(key), index);
    return index;
}

const CellStyle &StyleTable::at(uint32_t index) const {
    return index < m_styles.size() ? m_styles[index] : m_styles[0];
}

bool StyleTable::isText(uint32_t index) const {
    return index < m_flags.size() && (m_flags[index] & 1);
}

bool StyleTable::isDate(uint32_t index) const {
    return index < m_flags.size() && (m_flags[index] & 2);
}

} // namespace kelvoran::xlsx

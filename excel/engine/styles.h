// Cell styles: number format, font, fill, border, alignment and protection, interned in a table
// so that each distinct combination is stored once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kelvoran::xlsx {

// A colour as the file stores it.
struct Color {
    enum Kind : uint8_t { None, Auto, Indexed, Rgb, Theme };
    Kind kind = None;
    uint32_t value = 0; // palette index, ARGB, or theme number
    double tint = 0;

    static Color indexed(int index) { return {Indexed, uint32_t(index), 0}; }
    static Color automatic() { return {Auto, 0, 0}; }
    bool operator==(const Color &o) const {
        return kind == o.kind && value == o.value && tint == o.tint;
    }
};

// A font entry.
struct Font {
    std::string name = "ＭＳ Ｐゴシック";
    double size = 11;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    std::string underline; // empty, "single", "double", ...
    std::string vertAlign;
    std::string scheme;
    int family = 3;
    int charset = 128;
    Color color;
};

// A fill entry; a gradient fill is kept as its XML text.
struct Fill {
    std::string pattern = "none";
    Color fg;
    Color bg;
    std::string gradientXml;
};

// One edge of a border.
struct BorderSide {
    std::string style; // empty: no line
    Color color;
};

// A border entry.
struct Border {
    BorderSide left, right, top, bottom, diagonal;
    bool diagonalUp = false;
    bool diagonalDown = false;
};

// Alignment of a cell.
struct Alignment {
    std::string horizontal; // empty: general
    std::string vertical;   // empty: bottom
    bool wrapText = false;
    bool shrinkToFit = false;
    int indent = 0;
    int textRotation = 0;
    int readingOrder = 0;
};

// Everything a cell's style holds.
struct CellStyle {
    // Format code; "General" for the default. builtinId >= 0 keeps a built-in format whose text
    // depends on the reader's locale (dates, yen currency) under its number.
    std::string numberFormat = "General";
    int builtinId = -1;
    Font font;
    Fill fill;
    Border border;
    Alignment alignment;
    bool locked = true;
    bool hidden = false;
    bool quotePrefix = false;
};

// Serialisations used as dedup keys and for writing; equal keys mean equal entries.
std::string fontKey(const Font &f);
std::string fillKey(const Fill &f);
std::string borderKey(const Border &b);
std::string styleKey(const CellStyle &s);

// The built-in number format id of a locale-independent format code, or -1.
int builtinFormatId(const std::string &code);
// The format code shown for a built-in id (ja-JP reading for the locale-dependent ones), or
// empty for an unknown id.
std::string builtinFormatCode(int id);
// True when the code is the text format "@".
bool isTextFormat(const std::string &code);
// True when the code displays dates or times.
bool isDateFormat(const std::string &code);
// Converts a format code typed in a Japanese-locale dialog to the file syntax: [赤] -> [Red],
// [色N] -> [ColorN], the backslash (the yen sign there) -> "¥", and so on.
std::string localFormatToFile(const std::string &code);

// The styles of one workbook; index 0 is the default style.
class StyleTable {
public:
    StyleTable();

    // The index of a style equal to s, adding it when new.
    uint32_t intern(const CellStyle &s);
    // The style at an index (index 0 when out of range).
    const CellStyle &at(uint32_t index) const;
    // Number of distinct styles.
    size_t size() const { return m_styles.size(); }
    // True when the style at index uses the text format "@".
    bool isText(uint32_t index) const;
    // True when the style at index displays dates.
    bool isDate(uint32_t index) const;

    // Conditional-format styles (dxf) kept as XML text.
    std::vector<std::string> dxfs;
    // A custom palette (<colors> element) kept as XML text, or empty.
    std::string colorsXml;

private:
    std::vector<CellStyle> m_styles;
    std::vector<uint8_t> m_flags; // bit 0: text format, bit 1: date format
    std::unordered_map<std::string, uint32_t> m_index;
};

} // namespace kelvoran::xlsx

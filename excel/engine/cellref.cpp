#include "excel/engine/cellref.h"

#include <cctype>

namespace kelvoran::xlsx {

std::string columnLetters(int column) {
    std::string out;
    while (column > 0) {
        const int rem = (column - 1) % 26;
        out.insert(out.begin(), char('A' + rem));
        column = (column - 1) / 26;
    }
    return out;
}

int columnNumber(std::string_view letters) {
    if (letters.empty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (char c : letters) {
        const char u = char(std::toupper(static_cast<unsigned char>(c)));
        if (u < 'A' || u > 'Z')
            return 0;
        n = n * 26 + (u - 'A' + 1);
    }
    return n <= kMaxColumns ? n : 0;
}

std::string cellAddress(int row, int column) {
    return columnLetters(column) + std::to_string(row);
}

std::string rectAddress(const CellRect &rect) {
    if (rect.top == rect.bottom && rect.left == rect.right)
        return cellAddress(rect.top, rect.left);
    return cellAddress(rect.top, rect.left) + ':' + cellAddress(rect.bottom, rect.right);
}

namespace {

// One end of a range: letters and/or digits, each optionally after "$".
struct Part {
    int row = 0;
    int column = 0;
};

bool parsePart(std::string_view s, Part &p) {
    size_t i = 0;
    if (i < s.size() && s[i] == '$')
        ++i;
    const size_t letterStart = i;
    while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])))
        ++i;
    const std::string_view letters = s.substr(letterStart, i - letterStart);
    if (i < s.size() && s[i] == '$') {
        if (letters.empty())
            return false;
        ++i;
    }
    const size_t digitStart = i;
    long row = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        row = row * 10 + (s[i] - '0');
        if (row > kMaxRows)
            return false;
        ++i;
    }
    if (i != s.size())
        return false;
    const bool hasDigits = i > digitStart;
    if (letters.empty() && !hasDigits)
        return false;
    if (hasDigits && row < 1)
        return false;
    if (!letters.empty()) {
        p.column = columnNumber(letters);
        if (p.column == 0)
            return false;
    }
    p.row = hasDigits ? int(row) : 0;
    return true;
}

} // namespace

bool parseRect(std::string_view text, CellRect &rect) {
    const size_t colon = text.find(':');
    Part a, b;
    if (colon == std::string_view::npos) {
        if (!parsePart(text, a) || a.row == 0 || a.column == 0)
            return false;
        rect = {a.row, a.column, a.row, a.column};
        return true;
    }
    if (!parsePart(text.substr(0, colon), a) || !parsePart(text.substr(colon + 1), b))
        return false;
    const bool aCell = a.row && a.column, bCell = b.row && b.column;
    if (aCell && bCell) {
        rect = {std::min(a.row, b.row), std::min(a.column, b.column), std::max(a.row, b.row),
                std::max(a.column, b.column)};
        return true;
    }
    if (!a.row && !b.row && a.column && b.column) { // A:C
        rect = {1, std::min(a.column, b.column), kMaxRows, std::max(a.column, b.column)};
        return true;
    }
    if (!a.column && !b.column && a.row && b.row) { // 2:4
        rect = {std::min(a.row, b.row), 1, std::max(a.row, b.row), kMaxColumns};
        return true;
    }
    return false;
}

bool parseCell(std::string_view text, int &row, int &column) {
    Part p;
    if (!parsePart(text, p) || !p.row || !p.column)
        return false;
    row = p.row;
    column = p.column;
    return true;
}

std::string quotedSheetName(const std::string &name) {
    std::string out = "'";
    for (char c : name) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

} // namespace kelvoran::xlsx

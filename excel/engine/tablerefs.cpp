#include "excel/engine/tablerefs.h"

#include "excel/engine/packagexml.h"
#include "excel/engine/workbook.h"
#include "excel/engine/xmltext.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <string_view>

namespace kelvoran::xlsx {

namespace {

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '\\' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool sameText(std::string_view a, std::string_view b) {
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

// The position of the quote that closes the one at `open` (the end when none does).
size_t closingQuote(std::string_view f, size_t open) {
    size_t j = open + 1;
    while (j < f.size()) {
        if (f[j] == f[open]) {
            if (j + 1 < f.size() && f[j + 1] == f[open]) {
                j += 2;
                continue;
            }
            return j;
        }
        ++j;
    }
    return f.size() - 1;
}

// The position just after the bracket group opening at `open`, nested groups and the "'"
// escape included.
size_t afterBrackets(std::string_view f, size_t open) {
    int depth = 0;
    for (size_t j = open; j < f.size(); ++j) {
        if (f[j] == '\'') {
            ++j;
        } else if (f[j] == '[') {
            ++depth;
        } else if (f[j] == ']' && --depth == 0) {
            return j + 1;
        }
    }
    return f.size();
}

enum Part : unsigned { kAll = 1, kData = 2, kHeaders = 4, kTotals = 8, kThisRow = 16 };

// What the brackets of one structured reference ask for.
struct Specifier {
    unsigned parts = 0;
    std::vector<std::string> columns;
    bool columnRange = false;
    bool valid = true;
};

void addItem(const std::string &text, Specifier &spec) {
    if (text.empty() || text[0] != '#') {
        spec.columns.push_back(text);
        return;
    }
    static const struct {
        const char *word;
        unsigned part;
    } kParts[] = {{"#All", kAll},
                  {"#Data", kData},
                  {"#Headers", kHeaders},
                  {"#Totals", kTotals},
                  {"#This Row", kThisRow}};
    for (const auto &p : kParts)
        if (sameText(text, p.word)) {
            spec.parts |= p.part;
            return;
        }
    spec.valid = false;
}

// Reads one item up to its closing bracket, undoing the "'" escape. A bracketed item starts at
// its "[" and ends after its "]"; a bare one ends before the "]" that closes the reference.
bool readItem(std::string_view f, size_t &i, std::string &text, bool bracketed) {
    if (bracketed)
        ++i;
    for (; i < f.size(); ++i) {
        const char c = f[i];
        if (c == '\'' && i + 1 < f.size()) {
            text += f[++i];
        } else if (c == '[') {
            return false;
        } else if (c == ']') {
            if (bracketed)
                ++i;
            return true;
        } else {
            text += c;
        }
    }
    return false;
}

// Parses the brackets opening at f[i]; on success i is just after them.
bool parseSpecifier(std::string_view f, size_t &i, Specifier &spec) {
    ++i;
    while (i < f.size()) {
        const char c = f[i];
        std::string item;
        if (c == ' ' || c == ',') {
            ++i;
        } else if (c == ':') {
            spec.columnRange = true;
            ++i;
        } else if (c == ']') {
            ++i;
            return true;
        } else if (c == '[') {
            if (!readItem(f, i, item, true))
                return false;
            addItem(item, spec);
        } else if (c == '@') {
            spec.parts |= kThisRow;
            ++i;
            if (i < f.size() && f[i] != '[' && f[i] != ']') {
                if (!readItem(f, i, item, false))
                    return false;
                addItem(item, spec);
            }
        } else {
            if (!readItem(f, i, item, false))
                return false;
            addItem(item, spec);
        }
    }
    return false;
}

int columnIndex(const TableArea &t, const std::string &name) {
    for (size_t k = 0; k < t.columns.size(); ++k)
        if (sameText(t.columns[k], name))
            return int(k);
    return -1;
}

std::string rangeText(const TableArea &t, const CellRect &r, const FormulaPlace &place,
                      const Workbook &book) {
    const bool sameSheet = place.row > 0 && place.sheet == t.sheet;
    std::string out;
    if (!sameSheet && t.sheet >= 0 && t.sheet < book.sheetCount())
        out = quotedSheetName(book.sheet(t.sheet).name()) + "!";
    auto cell = [&](int row, int column) {
        return sameSheet ? cellAddress(row, column)
                         : "$" + columnLetters(column) + "$" + std::to_string(row);
    };
    out += cell(r.top, r.left);
    if (r.bottom != r.top || r.right != r.left)
        out += ":" + cell(r.bottom, r.right);
    return out;
}

// The range a parsed reference denotes, or the error value it evaluates to.
std::string resolve(const TableArea &t, const Specifier &spec, const FormulaPlace &place,
                    const Workbook &book) {
    if (!spec.valid || spec.columns.size() > 2 || (spec.columns.size() == 2 && !spec.columnRange))
        return "#REF!";
    CellRect r = t.area;
    if (!spec.columns.empty()) {
        const int a = columnIndex(t, spec.columns.front());
        const int b = columnIndex(t, spec.columns.back());
        if (a < 0 || b < 0)
            return "#REF!";
        r.left = t.area.left + std::min(a, b);
        r.right = t.area.left + std::max(a, b);
    }
    const int dataTop = t.area.top + t.headerRows;
    const int dataBottom = t.area.bottom - t.totalsRows;
    const unsigned parts = spec.parts ? spec.parts : unsigned(kData);
    if (parts & kThisRow) {
        if (parts != kThisRow || place.row <= 0)
            return "#REF!";
        if (place.row < dataTop || place.row > dataBottom)
            return "#VALUE!";
        r.top = r.bottom = place.row;
    } else if (!(parts & kAll)) {
        int top = INT_MAX, bottom = 0;
        auto take = [&](int from, int to) {
            top = std::min(top, from);
            bottom = std::max(bottom, to);
        };
        if (parts & kHeaders) {
            if (t.headerRows == 0)
                return "#REF!";
            take(t.area.top, t.area.top);
        }
        if (parts & kData) {
            if (dataBottom < dataTop)
                return "#REF!";
            take(dataTop, dataBottom);
        }
        if (parts & kTotals) {
            if (t.totalsRows == 0)
                return "#REF!";
            take(t.area.bottom, t.area.bottom);
        }
        if ((parts & kHeaders) && (parts & kTotals) && !(parts & kData))
            return "#REF!"; // not one range
        r.top = top;
        r.bottom = bottom;
    }
    return rangeText(t, r, place, book);
}

const TableArea *tableNamed(const std::vector<TableArea> &tables, std::string_view name) {
    for (const TableArea &t : tables)
        if (sameText(t.name, name))
            return &t;
    return nullptr;
}

// The table a formula cell stands in: the one its unqualified references ("[Sales]") mean.
const TableArea *tableAt(const std::vector<TableArea> &tables, const FormulaPlace &place) {
    if (place.row <= 0)
        return nullptr;
    for (const TableArea &t : tables)
        if (t.sheet == place.sheet && t.area.contains(place.row, place.column))
            return &t;
    return nullptr;
}

} // namespace

bool readTableArea(pugi::xml_node table, int sheet, TableArea &out) {
    out = TableArea();
    out.sheet = sheet;
    out.name = table.attribute("displayName").value();
    if (out.name.empty())
        out.name = table.attribute("name").value();
    if (out.name.empty() || !parseRect(table.attribute("ref").value(), out.area))
        return false;
    out.headerRows = std::clamp(table.attribute("headerRowCount").as_int(1), 0, 1);
    out.totalsRows = std::clamp(table.attribute("totalsRowCount").as_int(0), 0, 1);
    for (pugi::xml_node c : childNamed(table, "tableColumns").children())
        if (std::strcmp(localName(c.name()), "tableColumn") == 0)
            out.columns.push_back(unescapeOoxml(c.attribute("name").value()));
    return int(out.columns.size()) == out.area.columns() &&
           out.area.rows() >= out.headerRows + out.totalsRows;
}

std::string replaceStructuredReferences(const std::string &formula,
                                        const std::vector<TableArea> &tables,
                                        const FormulaPlace &place, const Workbook &book) {
    if (tables.empty())
        return formula;
    const std::string_view f = formula;
    const TableArea *home = tableAt(tables, place);
    std::string out;
    out.reserve(f.size());
    size_t i = 0;
    while (i < f.size()) {
        const char c = f[i];
        if (c == '"' || c == '\'') { // a string literal or a quoted sheet name
            const size_t j = closingQuote(f, i) + 1;
            out.append(f.substr(i, j - i));
            i = j;
            continue;
        }
        if (c == '[') {
            // Unqualified: the table the formula stands in. "[1]Sheet!A1", a reference to
            // another workbook, goes on with a name and is left alone.
            size_t j = i;
            Specifier spec;
            if (home && parseSpecifier(f, j, spec) &&
                (j == f.size() || (!isNameChar(f[j]) && f[j] != '!' && f[j] != '\''))) {
                out += resolve(*home, spec, place, book);
                i = j;
                continue;
            }
            j = afterBrackets(f, i);
            out.append(f.substr(i, j - i));
            i = j;
            continue;
        }
        if (isNameChar(c)) {
            size_t j = i;
            while (j < f.size() && isNameChar(f[j]))
                ++j;
            const std::string_view token = f.substr(i, j - i);
            // A name after "!" belongs to a sheet or another workbook; a number is no name.
            const bool own = !std::isdigit(static_cast<unsigned char>(c)) &&
                             (i == 0 || (f[i - 1] != '!' && f[i - 1] != ']'));
            const TableArea *t = own ? tableNamed(tables, token) : nullptr;
            if (t && j < f.size() && f[j] == '[') {
                size_t k = j;
                Specifier spec;
                if (parseSpecifier(f, k, spec)) {
                    out += resolve(*t, spec, place, book);
                    i = k;
                    continue;
                }
            } else if (t && (j == f.size() || (f[j] != '(' && f[j] != '!'))) {
                out += resolve(*t, Specifier(), place, book); // the table alone: its data
                i = j;
                continue;
            }
            // Brackets after a name that is no table (or did not parse) are not this
            // formula's table either.
            if (j < f.size() && f[j] == '[')
                j = afterBrackets(f, j);
            out.append(f.substr(i, j - i));
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

void replaceTableReferences(Workbook &book, const std::vector<TableArea> &tables) {
    if (tables.empty())
        return;
    for (int s = 0; s < book.sheetCount(); ++s) {
        Worksheet &ws = book.sheet(s);
        ws.rewriteCellFormulas([&](const std::string &text, int row, int column) {
            return replaceStructuredReferences(text, tables, {s, row, column}, book);
        });
        for (LocalName &n : ws.localNames)
            n.value = replaceStructuredReferences(n.value, tables, {s, 0, 0}, book);
    }
    for (DefinedName &n : book.definedNames)
        n.value = replaceStructuredReferences(n.value, tables, {n.localSheet, 0, 0}, book);
}

} // namespace kelvoran::xlsx

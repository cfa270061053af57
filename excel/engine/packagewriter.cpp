#include "packagewriter.h"

#include "pivottable.h"
#include "xmltext.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace kelvoran::xlsx {

namespace {

const char *kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char *kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char *kXmlDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

void appendInt(std::string &out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void attr(std::string &out, const char *name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    appendEscaped(out, value);
    out += '"';
}

void attrInt(std::string &out, const char *name, long long v) {
    out += ' ';
    out += name;
    out += "=\"";
    appendInt(out, v);
    out += '"';
}

void attrNum(std::string &out, const char *name, double v) {
    out += ' ';
    out += name;
    out += "=\"";
    appendNumber(out, v);
    out += '"';
}

void colorElement(std::string &out, const char *tag, const Color &c) {
    if (c.kind == Color::None)
        return;
    out += '<';
    out += tag;
    switch (c.kind) {
    case Color::Auto:
        out += " auto=\"1\"";
        break;
    case Color::Indexed:
        attrInt(out, "indexed", c.value);
        break;
    case Color::Rgb: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08X", c.value);
        attr(out, "rgb", buf);
        break;
    }
    case Color::Theme:
        attrInt(out, "theme", c.value);
        break;
    default:
        break;
    }
    if (c.tint != 0)
        attrNum(out, "tint", c.tint);
    out += "/>";
}

void fontXml(std::string &out, const Font &f) {
    out += "<font>";
    if (f.bold)
        out += "<b/>";
    if (f.italic)
        out += "<i/>";
    if (f.strike)
        out += "<strike/>";
    if (!f.underline.empty()) {
        out += "<u";
        if (f.underline != "single")
            attr(out, "val", f.underline);
        out += "/>";
    }
    if (!f.vertAlign.empty()) {
        out += "<vertAlign";
        attr(out, "val", f.vertAlign);
        out += "/>";
    }
    out += "<sz";
    attrNum(out, "val", f.size);
    out += "/>";
    colorElement(out, "color", f.color);
    out += "<name";
    attr(out, "val", f.name);
    out += "/>";
    if (f.family > 0) {
        out += "<family";
        attrInt(out, "val", f.family);
        out += "/>";
    }
    if (f.charset >= 0) {
        out += "<charset";
        attrInt(out, "val", f.charset);
        out += "/>";
    }
    if (!f.scheme.empty()) {
        out += "<scheme";
        attr(out, "val", f.scheme);
        out += "/>";
    }
    out += "</font>";
}

void fillXml(std::string &out, const Fill &f) {
    if (!f.gradientXml.empty()) {
        out += "<fill>" + f.gradientXml + "</fill>";
        return;
    }
    out += "<fill><patternFill";
    attr(out, "patternType", f.pattern);
    if (f.fg.kind == Color::None && f.bg.kind == Color::None) {
        out += "/></fill>";
        return;
    }
    out += '>';
    colorElement(out, "fgColor", f.fg);
    colorElement(out, "bgColor", f.bg);
    out += "</patternFill></fill>";
}

void sideXml(std::string &out, const char *tag, const BorderSide &s) {
    out += '<';
    out += tag;
    if (s.style.empty()) {
        out += "/>";
        return;
    }
    attr(out, "style", s.style);
    out += '>';
    colorElement(out, "color", s.color);
    out += "</";
    out += tag;
    out += '>';
}

void borderXml(std::string &out, const Border &b) {
    out += "<border";
    if (b.diagonalUp)
        out += " diagonalUp=\"1\"";
    if (b.diagonalDown)
        out += " diagonalDown=\"1\"";
    out += '>';
    sideXml(out, "left", b.left);
    sideXml(out, "right", b.right);
    sideXml(out, "top", b.top);
    sideXml(out, "bottom", b.bottom);
    sideXml(out, "diagonal", b.diagonal);
    out += "</border>";
}

std::string stylesXml(const StyleTable &styles) {
    std::string numFmts, fonts, fills, borders, xfs;
    int numFmtCount = 0, fontCount = 0, fillCount = 2, borderCount = 0;
    std::unordered_map<std::string, int> fmtIds, fontIds, fillIds, borderIds;
    int nextFmt = 164;
    fills = "<fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
            "patternType=\"gray125\"/></fill>";
    fillIds[fillKey(Fill())] = 0;
    {
        Fill gray;
        gray.pattern = "gray125";
        fillIds[fillKey(gray)] = 1;
    }
    for (size_t i = 0; i < styles.size(); ++i) {
        const CellStyle &s = styles.at(uint32_t(i));
        int fmtId = s.builtinId;
        if (fmtId < 0)
            fmtId = builtinFormatId(s.numberFormat);
        if (fmtId < 0) {
            const auto it = fmtIds.find(s.numberFormat);
            if (it != fmtIds.end()) {
                fmtId = it->second;
            } else {
                fmtId = nextFmt++;
                fmtIds.emplace(s.numberFormat, fmtId);
                numFmts += "<numFmt";
                attrInt(numFmts, "numFmtId", fmtId);
                attr(numFmts, "formatCode", s.numberFormat);
                numFmts += "/>";
                ++numFmtCount;
            }
        }
        auto idOf = [](std::unordered_map<std::string, int> &ids, const std::string &key,
                       int &count, std::string &xml, const std::function<void()> &produce) {
            const auto it = ids.find(key);
            if (it != ids.end())
                return it->second;
            ids.emplace(key, count);
            produce();
            (void)xml;
            return count++;
        };
        const int fontId =
            idOf(fontIds, fontKey(s.font), fontCount, fonts, [&] { fontXml(fonts, s.font); });
        const int fillId =
            idOf(fillIds, fillKey(s.fill), fillCount, fills, [&] { fillXml(fills, s.fill); });
        const int borderId = idOf(borderIds, borderKey(s.border), borderCount, borders,
                                  [&] { borderXml(borders, s.border); });
        const Alignment &a = s.alignment;
        const bool hasAlign = !a.horizontal.empty() || !a.vertical.empty() || a.wrapText ||
                              a.shrinkToFit || a.indent || a.textRotation || a.readingOrder;
        const bool hasProtection = !s.locked || s.hidden;
        xfs += "<xf";
        attrInt(xfs, "numFmtId", fmtId);
        attrInt(xfs, "fontId", fontId);
        attrInt(xfs, "fillId", fillId);
        attrInt(xfs, "borderId", borderId);
        xfs += " xfId=\"0\"";
        if (i > 0) {
            if (fmtId)
                xfs += " applyNumberFormat=\"1\"";
            if (fontId)
                xfs += " applyFont=\"1\"";
            if (fillId)
                xfs += " applyFill=\"1\"";
            if (borderId)
                xfs += " applyBorder=\"1\"";
            if (hasAlign)
                xfs += " applyAlignment=\"1\"";
            if (hasProtection)
                xfs += " applyProtection=\"1\"";
        }
        if (s.quotePrefix)
            xfs += " quotePrefix=\"1\"";
        if (!hasAlign && !hasProtection) {
            xfs += "/>";
            continue;
        }
        xfs += '>';
        if (hasAlign) {
            xfs += "<alignment";
            if (!a.horizontal.empty())
                attr(xfs, "horizontal", a.horizontal);
            if (!a.vertical.empty())
                attr(xfs, "vertical", a.vertical);
            if (a.textRotation)
                attrInt(xfs, "textRotation", a.textRotation);
            if (a.wrapText)
                xfs += " wrapText=\"1\"";
            if (a.indent)
                attrInt(xfs, "indent", a.indent);
            if (a.shrinkToFit)
                xfs += " shrinkToFit=\"1\"";
            if (a.readingOrder)
                attrInt(xfs, "readingOrder", a.readingOrder);
            xfs += "/>";
        }
        if (hasProtection) {
            xfs += "<protection";
            if (!s.locked)
                xfs += " locked=\"0\"";
            if (s.hidden)
                xfs += " hidden=\"1\"";
            xfs += "/>";
        }
        xfs += "</xf>";
    }
    std::string out = kXmlDecl;
    out += "<styleSheet xmlns=\"";
    out += kMainNs;
    out += "\">";
    if (numFmtCount) {
        out += "<numFmts count=\"" + std::to_string(numFmtCount) + "\">" + numFmts + "</numFmts>";
    }
    out += "<fonts count=\"" + std::to_string(fontCount) + "\">" + fonts + "</fonts>";
    out += "<fills count=\"" + std::to_string(fillCount) + "\">" + fills + "</fills>";
    out += "<borders count=\"" + std::to_string(borderCount) + "\">" + borders + "</borders>";
    out += "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
           "borderId=\"0\"/></cellStyleXfs>";
    out += "<cellXfs count=\"" + std::to_string(styles.size()) + "\">" + xfs + "</cellXfs>";
    out += "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
           "builtinId=\"0\"/></cellStyles>";
    out += "<dxfs count=\"" + std::to_string(styles.dxfs.size()) + "\">";
    for (const std::string &d : styles.dxfs)
        out += d;
    out += "</dxfs>";
    out += styles.colorsXml;
    out += "</styleSheet>";
    return out;
}

// Adds a sheet name to an area text that has none ("$A$1:$E$9" -> "'Data'!$A$1:$E$9"), each
// comma-separated area on its own.
std::string qualifiedArea(const std::string &sheet, const std::string &area) {
    std::string out;
    size_t start = 0;
    while (start <= area.size()) {
        size_t comma = area.find(',', start);
        if (comma == std::string::npos)
            comma = area.size();
        const std::string part = area.substr(start, comma - start);
        if (!out.empty())
            out += ',';
        out += part.find('!') == std::string::npos ? quotedSheetName(sheet) + "!" + part : part;
        start = comma + 1;
    }
    return out;
}

std::string workbookXml(const Workbook &book) {
    std::string out = kXmlDecl;
    out += "<workbook xmlns=\"";
    out += kMainNs;
    out += "\" xmlns:r=\"";
    out += kRelNs;
    out += "\">";
    const FileSharing &fs = book.fileSharing;
    if (fs.isSet() || !fs.userName.empty()) {
        out += "<fileSharing";
        if (!fs.userName.empty())
            attr(out, "userName", fs.userName);
        if (!fs.reservationPassword.empty())
            attr(out, "reservationPassword", fs.reservationPassword);
        if (!fs.hashValue.empty()) {
            attr(out, "algorithmName", fs.algorithmName);
            attr(out, "hashValue", fs.hashValue);
            attr(out, "saltValue", fs.saltValue);
            attrInt(out, "spinCount", fs.spinCount);
        }
        out += "/>";
    }
    out += book.date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>";
    out += "<bookViews><workbookView";
    if (book.activeSheet > 0)
        attrInt(out, "activeTab", book.activeSheet);
    out += "/></bookViews><sheets>";
    for (int i = 0; i < book.sheetCount(); ++i) {
        out += "<sheet";
        attr(out, "name", book.sheet(i).name());
        attrInt(out, "sheetId", i + 1);
        attr(out, "r:id", "rId" + std::to_string(i + 1));
        out += "/>";
    }
    out += "</sheets>";
    std::string names;
    for (int i = 0; i < book.sheetCount(); ++i) {
        const Worksheet &ws = book.sheet(i);
        if (!ws.printArea.empty()) {
            names += "<definedName name=\"_xlnm.Print_Area\"";
            attrInt(names, "localSheetId", i);
            names += '>';
            appendEscaped(names, qualifiedArea(ws.name(), ws.printArea));
            names += "</definedName>";
        }
        for (const LocalName &n : ws.localNames) {
            names += "<definedName";
            attr(names, "name", n.name);
            attrInt(names, "localSheetId", i);
            if (n.hidden)
                names += " hidden=\"1\"";
            names += '>';
            appendEscaped(names, n.value);
            names += "</definedName>";
        }
    }
    for (const DefinedName &n : book.definedNames) {
        names += "<definedName";
        attr(names, "name", n.name);
        if (n.localSheet >= 0)
            attrInt(names, "localSheetId", n.localSheet);
        if (n.hidden)
            names += " hidden=\"1\"";
        names += '>';
        appendEscaped(names, n.value);
        names += "</definedName>";
    }
    if (!names.empty())
        out += "<definedNames>" + names + "</definedNames>";
    out += "<calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/>";
    // Pivot caches, numbered across the workbook in sheet order; their relationships follow the
    // sheets', styles', theme's and shared strings' in workbook.xml.rels.
    int cache = 0;
    std::string caches;
    for (int i = 0; i < book.sheetCount(); ++i)
        for (size_t p = 0; p < book.sheet(i).pivotTables.size(); ++p) {
            ++cache;
            caches += "<pivotCache";
            attrInt(caches, "cacheId", cache);
            attr(caches, "r:id", "rId" + std::to_string(book.sheetCount() + 3 + cache));
            caches += "/>";
        }
    if (!caches.empty())
        out += "<pivotCaches>" + caches + "</pivotCaches>";
    out += "</workbook>";
    return out;
}

std::string rawOf(const Worksheet &ws, const char *name) {
    const auto it = ws.rawXml.find(name);
    return it == ws.rawXml.end() ? std::string() : it->second;
}

} // namespace

// Streams one sheet's XML into the open zip entry.
class SheetStreamer {
public:
    SheetStreamer(const Worksheet &ws, ZipWriter &zip) : m_ws(ws), m_zip(zip) {}

    void run(const Workbook &book, bool selected) {
        std::string &o = m_out;
        o.reserve(1 << 20);
        o += kXmlDecl;
        o += "<worksheet xmlns=\"";
        o += kMainNs;
        o += "\" xmlns:r=\"";
        o += kRelNs;
        o += "\">";
        o += rawOf(m_ws, "sheetPr");
        dimension();
        sheetViews(selected);
        std::string fmt = rawOf(m_ws, "sheetFormatPr");
        o += fmt.empty() ? "<sheetFormatPr defaultRowHeight=\"13.5\"/>" : fmt;
        cols();
        sheetData(book);
        o += rawOf(m_ws, "sheetProtection");
        o += rawOf(m_ws, "autoFilter");
        if (!m_ws.merges.empty()) {
            o += "<mergeCells";
            attrInt(o, "count", (long long)m_ws.merges.size());
            o += '>';
            for (const CellRect &m : m_ws.merges) {
                o += "<mergeCell";
                attr(o, "ref", rectAddress(m));
                o += "/>";
            }
            o += "</mergeCells>";
        }
        o += rawOf(m_ws, "conditionalFormatting");
        o += rawOf(m_ws, "dataValidations");
        o += rawOf(m_ws, "printOptions");
        const std::string margins = rawOf(m_ws, "pageMargins");
        o += margins.empty() ? "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" "
                               "bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
                             : margins;
        o += rawOf(m_ws, "pageSetup");
        o += rawOf(m_ws, "headerFooter");
        breaks("rowBreaks", m_ws.rowBreaks, kMaxColumns - 1);
        breaks("colBreaks", m_ws.columnBreaks, kMaxRows - 1);
        o += rawOf(m_ws, "ignoredErrors");
        o += "</worksheet>";
        flush();
    }

private:
    void flush() {
        m_zip.write(m_out);
        m_out.clear();
    }

    void dimension() {
        int top = 0, left = kMaxColumns + 1, bottom = 0, right = 0;
        for (int r = 1; r <= m_ws.lastRow(); ++r) {
            const Row *row = m_ws.row(r);
            if (row->cells.empty())
                continue;
            if (!top)
                top = r;
            bottom = r;
            left = std::min(left, int(row->cells.front().column));
            right = std::max(right, int(row->cells.back().column));
        }
        m_out += "<dimension ref=\"";
        m_out += top ? rectAddress({top, left, bottom, right}) : std::string("A1");
        m_out += "\"/>";
    }

    void sheetViews(bool selected) {
        std::string &o = m_out;
        o += "<sheetViews><sheetView";
        if (selected)
            o += " tabSelected=\"1\"";
        if (!m_ws.showGridLines)
            o += " showGridLines=\"0\"";
        if (m_ws.zoomScale > 0)
            attrInt(o, "zoomScale", m_ws.zoomScale);
        o += " workbookViewId=\"0\">";
        const int fr = m_ws.frozenRows, fc = m_ws.frozenColumns;
        if (fr > 0 || fc > 0) {
            const char *pane = fr && fc ? "bottomRight" : fr ? "bottomLeft" : "topRight";
            o += "<pane";
            if (fc)
                attrInt(o, "xSplit", fc);
            if (fr)
                attrInt(o, "ySplit", fr);
            attr(o, "topLeftCell", cellAddress(fr + 1, fc + 1));
            attr(o, "activePane", pane);
            o += " state=\"frozen\"/><selection";
            attr(o, "pane", pane);
            o += "/>";
        }
        o += "</sheetView></sheetViews>";
    }

    void cols() {
        const auto &columns = m_ws.columns();
        if (columns.empty())
            return;
        std::string &o = m_out;
        o += "<cols>";
        auto it = columns.begin();
        while (it != columns.end()) {
            const int first = it->first;
            const ColumnInfo info = it->second;
            int last = first;
            auto next = std::next(it);
            while (next != columns.end() && next->first == last + 1 && next->second == info) {
                last = next->first;
                ++next;
            }
            o += "<col";
            attrInt(o, "min", first);
            attrInt(o, "max", last);
            attrNum(o, "width", info.width > 0 ? info.width : m_ws.columnWidth(0));
            if (info.style)
                attrInt(o, "style", info.style);
            if (info.hidden)
                o += " hidden=\"1\"";
            if (info.bestFit)
                o += " bestFit=\"1\"";
            if (info.width > 0)
                o += " customWidth=\"1\"";
            if (info.outlineLevel)
                attrInt(o, "outlineLevel", info.outlineLevel);
            o += "/>";
            it = next;
        }
        o += "</cols>";
    }

    void sheetData(const Workbook &book) {
        std::string &o = m_out;
        o += "<sheetData>";
        std::vector<std::string> letters;
        const int lastRow = m_ws.lastRow();
        for (int r = 1; r <= lastRow; ++r) {
            const Row &row = *m_ws.row(r);
            if (row.cells.empty() && row.height == 0 && !row.customFormat && !row.hidden &&
                !row.outlineLevel)
                continue;
            o += "<row r=\"";
            appendInt(o, r);
            o += '"';
            if (row.customFormat) {
                attrInt(o, "s", row.style);
                o += " customFormat=\"1\"";
            }
            if (row.height > 0) {
                attrNum(o, "ht", row.height);
                o += " customHeight=\"1\"";
            }
            if (row.hidden)
                o += " hidden=\"1\"";
            if (row.outlineLevel)
                attrInt(o, "outlineLevel", row.outlineLevel);
            if (row.cells.empty()) {
                o += "/>";
                continue;
            }
            o += '>';
            char rowText[16];
            const auto rr = std::to_chars(rowText, rowText + sizeof rowText, r);
            const std::string_view rowDigits(rowText, size_t(rr.ptr - rowText));
            for (const Cell &c : row.cells) {
                if (c.column >= letters.size())
                    for (size_t k = letters.size(); k <= c.column; ++k)
                        letters.push_back(columnLetters(int(k)));
                o += "<c r=\"";
                o += letters[c.column];
                o += rowDigits;
                o += '"';
                if (c.style) {
                    o += " s=\"";
                    appendInt(o, c.style);
                    o += '"';
                }
                switch (c.type) {
                case CellType::Blank:
                    o += "/>";
                    break;
                case CellType::Number:
                    o += "><v>";
                    appendNumber(o, c.number);
                    o += "</v></c>";
                    break;
                case CellType::String:
                    o += " t=\"s\"><v>";
                    appendInt(o, c.index);
                    o += "</v></c>";
                    break;
                case CellType::Bool:
                    o += c.number != 0 ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>";
                    break;
                case CellType::Error:
                    o += " t=\"e\"><v>";
                    appendEscaped(o, m_ws.errorText(c));
                    o += "</v></c>";
                    break;
                case CellType::Formula:
                    formulaCell(m_ws.formula(c));
                    break;
                }
            }
            o += "</row>";
            if (o.size() >= (1 << 19))
                flush();
        }
        o += "</sheetData>";
        (void)book;
    }

    void formulaCell(const Formula &f) {
        std::string &o = m_out;
        switch (f.cachedType) {
        case CellType::String:
            o += " t=\"str\"";
            break;
        case CellType::Bool:
            o += " t=\"b\"";
            break;
        case CellType::Error:
            o += " t=\"e\"";
            break;
        default:
            break;
        }
        o += "><f";
        if (!f.arrayRef.empty()) {
            o += " t=\"array\"";
            attr(o, "ref", f.arrayRef);
        }
        o += '>';
        appendEscaped(o, f.text);
        o += "</f>";
        switch (f.cachedType) {
        case CellType::Number:
            o += "<v>";
            appendNumber(o, f.number);
            o += "</v>";
            break;
        case CellType::Bool:
            o += f.number != 0 ? "<v>1</v>" : "<v>0</v>";
            break;
        case CellType::String:
        case CellType::Error:
            o += "<v>";
            appendEscaped(o, f.cachedText);
            o += "</v>";
            break;
        default:
            break;
        }
        o += "</c>";
    }

    void breaks(const char *tag, const std::vector<int> &list, int max) {
        if (list.empty())
            return;
        std::vector<int> sorted = list;
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        std::string &o = m_out;
        o += '<';
        o += tag;
        attrInt(o, "count", (long long)sorted.size());
        attrInt(o, "manualBreakCount", (long long)sorted.size());
        o += '>';
        for (int b : sorted) {
            o += "<brk";
            attrInt(o, "id", b);
            attrInt(o, "max", max);
            o += " man=\"1\"/>";
        }
        o += "</";
        o += tag;
        o += '>';
    }

    const Worksheet &m_ws;
    ZipWriter &m_zip;
    std::string m_out;
};

namespace {

// A pivot table and the 0-based sheet it is on, in workbook order (its 1-based position is the
// number of its parts and its cache id).
struct PivotPart {
    int sheet;
    const SheetPivot *pivot;
};

std::string relationships(const std::string &body) {
    return std::string(kXmlDecl) +
           "<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           body + "</Relationships>";
}

std::string relationship(int id, const char *type, const std::string &target) {
    return "<Relationship Id=\"rId" + std::to_string(id) +
           "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type +
           "\" Target=\"" + target + "\"/>";
}

// The sheets' links to their pivot tables, each table's link to its cache, each cache's link
// to its records, and the parts themselves.
void writePivotParts(const Workbook &book, const std::vector<PivotPart> &pivots, ZipWriter &zip) {
    std::map<int, std::string> sheetRels;
    std::map<int, int> sheetRelCount;
    for (size_t k = 1; k <= pivots.size(); ++k) {
        const PivotPart &part = pivots[k - 1];
        PivotTable &table = *part.pivot->table;
        // The source may have been renamed since the table was made.
        if (part.pivot->source && book.indexOf(part.pivot->source) >= 0)
            table.setSourceSheetName(QString::fromStdString(part.pivot->source->name()));
        const std::string num = std::to_string(k);
        std::string &rels = sheetRels[part.sheet];
        const int relId = ++sheetRelCount[part.sheet];
        rels += relationship(relId, "pivotTable", "../pivotTables/pivotTable" + num + ".xml");
        const QByteArray tableXml = table.tableDefinitionXml(int(k));
        zip.add("xl/pivotTables/pivotTable" + num + ".xml", tableXml.toStdString());
        zip.add("xl/pivotTables/_rels/pivotTable" + num + ".xml.rels",
                relationships(relationship(1, "pivotCacheDefinition",
                                           "../pivotCache/pivotCacheDefinition" + num + ".xml")));
        zip.add("xl/pivotCache/pivotCacheDefinition" + num + ".xml",
                table.cacheDefinitionXml(QStringLiteral("rId1")).toStdString());
        if (table.saveData()) {
            zip.add("xl/pivotCache/_rels/pivotCacheDefinition" + num + ".xml.rels",
                    relationships(
                        relationship(1, "pivotCacheRecords", "pivotCacheRecords" + num + ".xml")));
            zip.add("xl/pivotCache/pivotCacheRecords" + num + ".xml",
                    table.cacheRecordsXml().toStdString());
        }
    }
    for (const auto &[sheet, body] : sheetRels)
        zip.add("xl/worksheets/_rels/sheet" + std::to_string(sheet + 1) + ".xml.rels",
                relationships(body));
}

} // namespace

bool PackageWriter::write(const Workbook &book, ByteSink &sink, std::string &error, int level) {
    ZipWriter zip(sink, level);
    const int n = book.sheetCount();
    const bool hasStrings = book.strings().size() > 0;
    const bool hasTheme = !book.themeXml.empty();
    std::string ct = kXmlDecl;
    ct += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" "
          "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
          "<Override PartName=\"/xl/workbook.xml\" "
          "ContentType=\"application/"
          "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
    for (int i = 1; i <= n; ++i)
        ct += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) +
              ".xml\" ContentType=\"application/"
              "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    if (hasTheme)
        ct += "<Override PartName=\"/xl/theme/theme1.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.theme+xml\"/>";
    ct +=
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    if (hasStrings)
        ct += "<Override PartName=\"/xl/sharedStrings.xml\" "
              "ContentType=\"application/"
              "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>";
    // Pivot tables: one cache (definition and, with saved data, records) per table.
    std::vector<PivotPart> pivots;
    for (int i = 0; i < n; ++i)
        for (const SheetPivot &p : book.sheet(i).pivotTables)
            pivots.push_back({i, &p});
    const std::string ctBase = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    for (size_t k = 1; k <= pivots.size(); ++k) {
        const std::string num = std::to_string(k);
        ct += "<Override PartName=\"/xl/pivotTables/pivotTable" + num + ".xml\" ContentType=\"" +
              ctBase + "pivotTable+xml\"/>";
        ct += "<Override PartName=\"/xl/pivotCache/pivotCacheDefinition" + num +
              ".xml\" ContentType=\"" + ctBase + "pivotCacheDefinition+xml\"/>";
        if (pivots[k - 1].pivot->table->saveData())
            ct += "<Override PartName=\"/xl/pivotCache/pivotCacheRecords" + num +
                  ".xml\" ContentType=\"" + ctBase + "pivotCacheRecords+xml\"/>";
    }
    ct += "</Types>";
    zip.add("[Content_Types].xml", ct);
    zip.add("_rels/.rels",
            std::string(kXmlDecl) +
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                "relationships\"><Relationship Id=\"rId1\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    zip.add("xl/workbook.xml", workbookXml(book));
    std::string rels = kXmlDecl;
    rels +=
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    const std::string relBase =
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    for (int i = 1; i <= n; ++i)
        rels += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"" + relBase +
                "worksheet\" Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
    rels += "<Relationship Id=\"rId" + std::to_string(n + 1) + "\" Type=\"" + relBase +
            "styles\" Target=\"styles.xml\"/>";
    if (hasTheme)
        rels += "<Relationship Id=\"rId" + std::to_string(n + 2) + "\" Type=\"" + relBase +
                "theme\" Target=\"theme/theme1.xml\"/>";
    if (hasStrings)
        rels += "<Relationship Id=\"rId" + std::to_string(n + 3) + "\" Type=\"" + relBase +
                "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    for (size_t k = 1; k <= pivots.size(); ++k)
        rels += "<Relationship Id=\"rId" + std::to_string(n + 3 + int(k)) + "\" Type=\"" + relBase +
                "pivotCacheDefinition\" Target=\"pivotCache/pivotCacheDefinition" +
                std::to_string(k) + ".xml\"/>";
    rels += "</Relationships>";
    zip.add("xl/_rels/workbook.xml.rels", rels);
    writePivotParts(book, pivots, zip);
    if (hasTheme)
        zip.add("xl/theme/theme1.xml", book.themeXml);
    zip.add("xl/styles.xml", stylesXml(book.styles()));
    for (int i = 0; i < n; ++i) {
        zip.begin("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml");
        SheetStreamer(book.sheet(i), zip).run(book, i == book.activeSheet);
        zip.end();
    }
    if (hasStrings) {
        zip.begin("xl/sharedStrings.xml");
        const SharedStrings &ss = book.strings();
        std::string o = kXmlDecl;
        o += "<sst xmlns=\"";
        o += kMainNs;
        o += "\" count=\"" + std::to_string(ss.size()) + "\" uniqueCount=\"" +
             std::to_string(ss.size()) + "\">";
        for (size_t i = 0; i < ss.size(); ++i) {
            const std::string &rich = ss.runsXml(uint32_t(i));
            if (!rich.empty()) {
                o += "<si>" + rich + "</si>";
            } else {
                const std::string &t = ss.text(uint32_t(i));
                const bool keepSpace =
                    !t.empty() && (t.front() == ' ' || t.back() == ' ' || t.front() == '\t' ||
                                   t.back() == '\t' || t.find('\n') != std::string::npos);
                o += keepSpace ? "<si><t xml:space=\"preserve\">" : "<si><t>";
                appendEscaped(o, t);
                o += "</t></si>";
            }
            if (o.size() >= (1 << 19)) {
                zip.write(o);
                o.clear();
            }
        }
        o += "</sst>";
        zip.write(o);
        zip.end();
    }
    if (!zip.finish()) {
        error = zip.error();
        return false;
    }
    return true;
}

Status saveWorkbook(const Workbook &book, const std::string &path,
                    const PackageTransform &transform) {
    auto fail = [&](const QString &why) {
        return Error{QStringLiteral("ブックを保存できませんでした。：") +
                         QString::fromStdString(path) + QStringLiteral("（") + why +
                         QStringLiteral("）"),
                     {}};
    };
    std::string tmpl = path + ".XXXXXX";
    const int fd = mkstemp(tmpl.data());
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    std::FILE *file = fdopen(fd, "w+b");
    if (!file) {
        ::close(fd);
        std::remove(tmpl.c_str());
        return fail(QStringLiteral("fdopen"));
    }
    std::string error;
    bool ok;
    if (transform) {
        MemorySink memory;
        ok = PackageWriter::write(book, memory, error);
        if (ok) {
            Result<std::string> transformed = transform(memory.bytes());
            if (!transformed) {
                std::fclose(file);
                std::remove(tmpl.c_str());
                return transformed.error();
            }
            const std::string &bytes = transformed.value();
            ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
            if (!ok)
                error = std::strerror(errno);
        }
    } else {
        FileSink sink(file);
        ok = PackageWriter::write(book, sink, error);
        if (!ok && error == "write failed")
            error = std::strerror(errno);
    }
    if (ok && (std::fflush(file) != 0 || fsync(fileno(file)) != 0)) {
        ok = false;
        error = std::strerror(errno);
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    // mkstemp makes the file readable by the owner only; a workbook gets the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    if (ok && chmod(tmpl.c_str(), 0666 & ~mask) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    if (ok && std::rename(tmpl.c_str(), path.c_str()) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    if (!ok) {
        std::remove(tmpl.c_str());
        return fail(QString::fromStdString(error));
    }
    return Status::ok();
}

} // namespace kelvoran::xlsx

#include "excel/engine/worksheetpart.h"

#include "excel/engine/cellref.h"

#include <algorithm>
#include <charconv>

namespace kelvoran::xlsx {

namespace {

const std::string &rawOf(const Worksheet &ws, const char *name) {
    static const std::string none;
    const auto it = ws.rawXml.find(name);
    return it == ws.rawXml.end() ? none : it->second;
}

// The used range; "A1" for a sheet without cells.
void writeDimension(XmlWriter &xml, const Worksheet &ws) {
    int top = 0, left = kMaxColumns + 1, bottom = 0, right = 0;
    for (int r = 1; r <= ws.lastRow(); ++r) {
        const Row *row = ws.row(r);
        if (row->cells.empty())
            continue;
        if (!top)
            top = r;
        bottom = r;
        left = std::min(left, int(row->cells.front().column));
        right = std::max(right, int(row->cells.back().column));
    }
    xml.open("dimension");
    xml.attr("ref", top ? rectAddress({top, left, bottom, right}) : std::string("A1"));
    xml.close();
}

void writeMerges(XmlWriter &xml, const Worksheet &ws) {
    if (ws.merges.empty())
        return;
    xml.open("mergeCells");
    xml.attrInt("count", (long long)ws.merges.size());
    for (const CellRect &m : ws.merges) {
        xml.open("mergeCell");
        xml.attr("ref", rectAddress(m));
        xml.close();
    }
    xml.close();
}

// The rest of a formula cell after its reference and style: type, formula, cached value.
void writeFormulaCell(XmlWriter &xml, const Formula &f) {
    switch (f.cachedType) {
    case CellType::String:
        xml.raw(" t=\"str\"");
        break;
    case CellType::Bool:
        xml.raw(" t=\"b\"");
        break;
    case CellType::Error:
        xml.raw(" t=\"e\"");
        break;
    default:
        break;
    }
    xml.raw("><f");
    if (!f.arrayRef.empty()) {
        xml.raw(" t=\"array\"");
        xml.attr("ref", f.arrayRef);
    }
    xml.raw('>');
    xml.text(f.text);
    xml.raw("</f>");
    switch (f.cachedType) {
    case CellType::Number:
        xml.raw("<v>");
        xml.number(f.number);
        xml.raw("</v>");
        break;
    case CellType::Bool:
        xml.raw(f.number != 0 ? "<v>1</v>" : "<v>0</v>");
        break;
    case CellType::String:
    case CellType::Error:
        xml.raw("<v>");
        xml.text(f.cachedText);
        xml.raw("</v>");
        break;
    default:
        break;
    }
    xml.raw("</c>");
}

} // namespace

void writeSheetViews(XmlWriter &xml, const Worksheet &ws, bool selected) {
    xml.open("sheetViews");
    xml.open("sheetView");
    if (selected)
        xml.attrInt("tabSelected", 1);
    if (!ws.showGridLines)
        xml.attrInt("showGridLines", 0);
    if (ws.zoomScale > 0)
        xml.attrInt("zoomScale", ws.zoomScale);
    xml.attrInt("workbookViewId", 0);
    xml.startContent();
    const int fr = ws.frozenRows, fc = ws.frozenColumns;
    if (fr > 0 || fc > 0) {
        const char *pane = fr && fc ? "bottomRight" : fr ? "bottomLeft" : "topRight";
        xml.open("pane");
        if (fc)
            xml.attrInt("xSplit", fc);
        if (fr)
            xml.attrInt("ySplit", fr);
        xml.attr("topLeftCell", cellAddress(fr + 1, fc + 1));
        xml.attr("activePane", pane);
        xml.attr("state", "frozen");
        xml.close();
        xml.open("selection");
        xml.attr("pane", pane);
        xml.close();
    }
    xml.close();
    xml.close();
}

void writeColumns(XmlWriter &xml, const Worksheet &ws) {
    const auto &columns = ws.columns();
    if (columns.empty())
        return;
    xml.open("cols");
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
        xml.open("col");
        xml.attrInt("min", first);
        xml.attrInt("max", last);
        xml.attrNumber("width", info.width > 0 ? info.width : ws.columnWidth(0));
        if (info.style)
            xml.attrInt("style", info.style);
        if (info.hidden)
            xml.attrInt("hidden", 1);
        if (info.bestFit)
            xml.attrInt("bestFit", 1);
        if (info.width > 0)
            xml.attrInt("customWidth", 1);
        if (info.outlineLevel)
            xml.attrInt("outlineLevel", info.outlineLevel);
        xml.close();
        it = next;
    }
    xml.close();
}

void writeSheetData(XmlWriter &xml, const Worksheet &ws) {
    xml.open("sheetData");
    xml.startContent();
    // Column letters made once per column; the row number once per row.
    std::vector<std::string> letters;
    const int lastRow = ws.lastRow();
    for (int r = 1; r <= lastRow; ++r) {
        const Row &row = *ws.row(r);
        if (row.cells.empty() && row.height == 0 && !row.customFormat && !row.hidden &&
            !row.outlineLevel)
            continue;
        xml.raw("<row r=\"");
        xml.integer(r);
        xml.raw('"');
        if (row.customFormat) {
            xml.attrInt("s", row.style);
            xml.raw(" customFormat=\"1\"");
        }
        if (row.height > 0) {
            xml.attrNumber("ht", row.height);
            xml.raw(" customHeight=\"1\"");
        }
        if (row.hidden)
            xml.raw(" hidden=\"1\"");
        if (row.outlineLevel)
            xml.attrInt("outlineLevel", row.outlineLevel);
        if (row.cells.empty()) {
            xml.raw("/>");
            continue;
        }
        xml.raw('>');
        char rowText[16];
        const auto rr = std::to_chars(rowText, rowText + sizeof rowText, r);
        const std::string_view rowDigits(rowText, size_t(rr.ptr - rowText));
        for (const Cell &c : row.cells) {
            if (c.column >= letters.size())
                for (size_t k = letters.size(); k <= c.column; ++k)
                    letters.push_back(columnLetters(int(k)));
            xml.raw("<c r=\"");
            xml.raw(letters[c.column]);
            xml.raw(rowDigits);
            xml.raw('"');
            if (c.style)
                xml.attrInt("s", c.style);
            switch (c.type) {
            case CellType::Blank:
                xml.raw("/>");
                break;
            case CellType::Number:
                xml.raw("><v>");
                xml.number(c.number);
                xml.raw("</v></c>");
                break;
            case CellType::String:
                xml.raw(" t=\"s\"><v>");
                xml.integer(c.index);
                xml.raw("</v></c>");
                break;
            case CellType::Bool:
                xml.raw(c.number != 0 ? " t=\"b\"><v>1</v></c>" : " t=\"b\"><v>0</v></c>");
                break;
            case CellType::Error:
                xml.raw(" t=\"e\"><v>");
                xml.text(ws.errorText(c));
                xml.raw("</v></c>");
                break;
            case CellType::Formula:
                writeFormulaCell(xml, ws.formula(c));
                break;
            }
        }
        xml.raw("</row>");
        xml.flushIfFull();
    }
    xml.close();
}

void writeBreaks(XmlWriter &xml, const char *tag, const std::vector<int> &breaks, int max) {
    if (breaks.empty())
        return;
    std::vector<int> sorted = breaks;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    xml.open(tag);
    xml.attrInt("count", (long long)sorted.size());
    xml.attrInt("manualBreakCount", (long long)sorted.size());
    xml.startContent();
    for (int b : sorted) {
        xml.open("brk");
        xml.attrInt("id", b);
        xml.attrInt("max", max);
        xml.attrInt("man", 1);
        xml.close();
    }
    xml.close();
}

void writeWorksheetPart(XmlWriter &xml, const Worksheet &ws, bool selected) {
    xml.reserve(size_t(1) << 20);
    xml.declaration();
    xml.open("worksheet");
    xml.attr("xmlns", xmlns::kMain);
    xml.attr("xmlns:r", xmlns::kOfficeRelationships);
    xml.startContent();
    xml.raw(rawOf(ws, "sheetPr"));
    writeDimension(xml, ws);
    writeSheetViews(xml, ws, selected);
    const std::string &format = rawOf(ws, "sheetFormatPr");
    xml.raw(format.empty() ? std::string_view("<sheetFormatPr defaultRowHeight=\"13.5\"/>")
                           : std::string_view(format));
    writeColumns(xml, ws);
    writeSheetData(xml, ws);
    xml.raw(rawOf(ws, "sheetProtection"));
    xml.raw(rawOf(ws, "autoFilter"));
    writeMerges(xml, ws);
    writeConditionalFormats(xml, ws.rangeRules);
    writeValidations(xml, ws.rangeRules, ws.validationOptions);
    // The sheet's relationships list its pivot tables first.
    writeHyperlinks(xml, ws.hyperlinks, int(ws.pivotTables.size()) + 1);
    xml.raw(rawOf(ws, "printOptions"));
    const std::string &margins = rawOf(ws, "pageMargins");
    xml.raw(margins.empty() ? std::string_view("<pageMargins left=\"0.7\" right=\"0.7\" "
                                               "top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
                                               "footer=\"0.3\"/>")
                            : std::string_view(margins));
    xml.raw(rawOf(ws, "pageSetup"));
    xml.raw(rawOf(ws, "headerFooter"));
    writeBreaks(xml, "rowBreaks", ws.rowBreaks, kMaxColumns - 1);
    writeBreaks(xml, "colBreaks", ws.columnBreaks, kMaxRows - 1);
    xml.raw(rawOf(ws, "ignoredErrors"));
    xml.closeAll();
    xml.flush();
}

} // namespace kelvoran::xlsx

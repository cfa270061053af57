// The worksheet part: element order, cells of each type, views, columns and page breaks, and
// the chunks the part is streamed in.
#include "excel/engine/worksheetpart.h"

#include "excel/engine/workbook.h"

#include <gtest/gtest.h>

using namespace kelvoran::xlsx;

namespace {

std::string sheetViews(const Worksheet &ws, bool selected) {
    XmlWriter xml;
    writeSheetViews(xml, ws, selected);
    return xml.take();
}

struct ViewCase {
    const char *name;
    bool selected;
    bool gridLines;
    int zoom;
    int frozenRows;
    int frozenColumns;
    std::string expected;
};

class SheetViews : public testing::TestWithParam<ViewCase> {};

TEST_P(SheetViews, WritesTheExpectedXml) {
    const ViewCase &c = GetParam();
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    ws.showGridLines = c.gridLines;
    ws.zoomScale = c.zoom;
    ws.frozenRows = c.frozenRows;
    ws.frozenColumns = c.frozenColumns;
    EXPECT_EQ(sheetViews(ws, c.selected),
              "<sheetViews><sheetView" + c.expected + "</sheetView></sheetViews>");
}

const ViewCase kViews[] = {
    {"Plain", false, true, 0, 0, 0, " workbookViewId=\"0\">"},
    {"SelectedTab", true, true, 0, 0, 0, " tabSelected=\"1\" workbookViewId=\"0\">"},
    {"NoGridLinesZoomed", false, false, 85, 0, 0,
     " showGridLines=\"0\" zoomScale=\"85\" workbookViewId=\"0\">"},
    {"FirstRowFrozen", false, true, 0, 1, 0,
     " workbookViewId=\"0\"><pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
     "state=\"frozen\"/><selection pane=\"bottomLeft\"/>"},
    {"FirstColumnFrozen", false, true, 0, 0, 1,
     " workbookViewId=\"0\"><pane xSplit=\"1\" topLeftCell=\"B1\" activePane=\"topRight\" "
     "state=\"frozen\"/><selection pane=\"topRight\"/>"},
    {"RowsAndColumnsFrozen", true, true, 0, 2, 3,
     " tabSelected=\"1\" workbookViewId=\"0\"><pane xSplit=\"3\" ySplit=\"2\" "
     "topLeftCell=\"D3\" activePane=\"bottomRight\" state=\"frozen\"/>"
     "<selection pane=\"bottomRight\"/>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SheetViews, testing::ValuesIn(kViews),
                         [](const testing::TestParamInfo<ViewCase> &row) {
                             return std::string(row.param.name);
                         });

struct BreakCase {
    const char *name;
    const char *tag;
    std::vector<int> breaks;
    int max;
    std::string expected;
};

class PageBreaks : public testing::TestWithParam<BreakCase> {};

TEST_P(PageBreaks, CountsMatchTheSortedDistinctBreaks) {
    const BreakCase &c = GetParam();
    XmlWriter xml;
    writeBreaks(xml, c.tag, c.breaks, c.max);
    EXPECT_EQ(xml.str(), c.expected);
}

const BreakCase kBreaks[] = {
    {"None", "rowBreaks", {}, 16383, ""},
    {"RowsSortedAndDeduplicated",
     "rowBreaks",
     {20, 5, 20},
     16383,
     "<rowBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"5\" max=\"16383\" man=\"1\"/>"
     "<brk id=\"20\" max=\"16383\" man=\"1\"/></rowBreaks>"},
    {"Columns",
     "colBreaks",
     {3},
     1048575,
     "<colBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"3\" max=\"1048575\" man=\"1\"/>"
     "</colBreaks>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, PageBreaks, testing::ValuesIn(kBreaks),
                         [](const testing::TestParamInfo<BreakCase> &row) {
                             return std::string(row.param.name);
                         });

TEST(WorksheetColumns, AdjacentEqualColumnsShareOneEntry) {
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    XmlWriter none;
    writeColumns(none, ws);
    EXPECT_EQ(none.str(), "");
    ws.setColumnWidth(2, 20);
    ws.setColumnWidth(3, 20);
    ws.setColumnWidth(4, 12.5);
    ws.columns()[6].hidden = true;    // default width
    ws.columns()[7].style = 3;        // default width, a style
    ws.columns()[8].outlineLevel = 1; // after the style column: not merged with it
    ws.columns()[8].bestFit = true;
    ws.defaultColumnWidth = 10;
    XmlWriter xml;
    writeColumns(xml, ws);
    EXPECT_EQ(xml.str(), "<cols><col min=\"2\" max=\"3\" width=\"20\" customWidth=\"1\"/>"
                         "<col min=\"4\" max=\"4\" width=\"12.5\" customWidth=\"1\"/>"
                         "<col min=\"6\" max=\"6\" width=\"10\" hidden=\"1\"/>"
                         "<col min=\"7\" max=\"7\" width=\"10\" style=\"3\"/>"
                         "<col min=\"8\" max=\"8\" width=\"10\" bestFit=\"1\" "
                         "outlineLevel=\"1\"/></cols>");
}

// A small sheet with one thing of each kind the writer knows.
void fillSheet(Worksheet &ws) {
    ws.setNumber(1, 1, 1.5);
    ws.setString(1, 2, "x");
    ws.setBool(2, 3, true);
    ws.setError(2, 4, "#N/A");
    Formula f;
    f.text = "A1&\"<\"";
    f.cachedType = CellType::String;
    f.cachedText = "1.5<";
    ws.setFormula(3, 1, f);
    Formula array;
    array.text = "SUM(A1:A2*2)";
    array.arrayRef = "B3";
    array.number = 3;
    ws.setFormula(3, 2, array);
    ws.rowAt(5).height = 30;
    ws.rowAt(5).hidden = true;
    ws.merges.push_back({4, 1, 4, 2});
    ws.setColumnWidth(2, 20);
    ws.rawXml["pageSetup"] = "<pageSetup paperSize=\"9\" orientation=\"landscape\"/>";
    ws.rowBreaks = {3};
}

TEST(WorksheetPart, ElementsInTheOrderTheFormatRequires) {
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    fillSheet(ws);
    XmlWriter xml;
    writeWorksheetPart(xml, ws, true);
    EXPECT_EQ(xml.str(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
              "<dimension ref=\"A1:D3\"/>"
              "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"></sheetView>"
              "</sheetViews>"
              "<sheetFormatPr defaultRowHeight=\"13.5\"/>"
              "<cols><col min=\"2\" max=\"2\" width=\"20\" customWidth=\"1\"/></cols>"
              "<sheetData>"
              "<row r=\"1\"><c r=\"A1\"><v>1.5</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>"
              "<row r=\"2\"><c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"e\"><v>#N/A</v></c>"
              "</row>"
              "<row r=\"3\"><c r=\"A3\" t=\"str\"><f>A1&amp;&quot;&lt;&quot;</f><v>1.5&lt;</v>"
              "</c><c r=\"B3\"><f t=\"array\" ref=\"B3\">SUM(A1:A2*2)</f><v>3</v></c></row>"
              "<row r=\"5\" ht=\"30\" customHeight=\"1\" hidden=\"1\"/>"
              "</sheetData>"
              "<mergeCells count=\"1\"><mergeCell ref=\"A4:B4\"/></mergeCells>"
              "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
              "header=\"0.3\" footer=\"0.3\"/>"
              "<pageSetup paperSize=\"9\" orientation=\"landscape\"/>"
              "<rowBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"3\" max=\"16383\" "
              "man=\"1\"/></rowBreaks>"
              "</worksheet>");
}

TEST(WorksheetPart, EmptySheetHasDimensionA1AndEmptySheetData) {
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    XmlWriter xml;
    writeWorksheetPart(xml, ws, false);
    EXPECT_NE(xml.str().find("<dimension ref=\"A1\"/>"), std::string::npos);
    EXPECT_NE(xml.str().find("<sheetData></sheetData>"), std::string::npos);
}

TEST(WorksheetPart, StreamedChunksEndBetweenRowsAndJoinToTheWholePart) {
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    for (int r = 1; r <= 300; ++r) {
        ws.setNumber(r, 1, r * 0.5);
        ws.setString(r, 2, "row " + std::to_string(r));
    }
    XmlWriter whole;
    writeWorksheetPart(whole, ws, false);
    std::vector<std::string> chunks;
    XmlWriter streamed([&](const std::string &chunk) { chunks.push_back(chunk); }, 1024);
    writeWorksheetPart(streamed, ws, false);
    EXPECT_EQ(streamed.size(), 0u);
    ASSERT_GT(chunks.size(), 5u);
    std::string joined;
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (i + 1 < chunks.size()) {
            EXPECT_EQ(chunks[i].substr(chunks[i].size() - 6), "</row>") << i;
        }
        joined += chunks[i];
    }
    EXPECT_EQ(joined, whole.str());
}

} // namespace

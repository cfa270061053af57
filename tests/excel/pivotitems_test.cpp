// The item lines of a pivot table (rowItems, colItems) and its location: written as the cells are
// laid out, so that a spreadsheet program can show the table without rebuilding it. The exact
// lines of several layouts, and a saved workbook whose lines openpyxl reads back and checks
// against the cells of the sheet.
#include "excel/engine/cellref.h"
#include "excel/engine/pivotparts.h"
#include "excel/excelpivot.h"
#include "excel/excelsession.h"
#include "tests/excel/pivotsamples.h"
#include "tests/excel/xlsxtesthelpers.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvoran;
using namespace kelvoran::xlsx;
using kelvoran::test::readBack;

namespace {

PivotSource salesSource() {
    return kelvoran::test::salesPivotSource(1, 1);
}

struct AxisField {
    const char *name;
    PivotAxis axis;
};

struct DataField {
    const char *name;
    int function;
};

struct ItemsCase {
    const char *name;
    std::vector<AxisField> fields;
    std::vector<DataField> data;
    bool grandTotals;
    const char *location;
    const char *rowItems;
    const char *colItems;
};

class PivotItems : public testing::TestWithParam<ItemsCase> {};

// The element named tag with everything inside it, or empty when the text has none.
std::string element(const std::string &xml, const std::string &tag) {
    const size_t start = xml.find('<' + tag + ' ');
    if (start == std::string::npos)
        return {};
    const size_t selfClosed = xml.find("/>", start);
    const size_t opened = xml.find('>', start);
    if (selfClosed != std::string::npos && selfClosed + 1 == opened)
        return xml.substr(start, opened + 1 - start);
    const std::string end = "</" + tag + '>';
    const size_t stop = xml.find(end, start);
    return stop == std::string::npos ? std::string() : xml.substr(start, stop + end.size() - start);
}

TEST_P(PivotItems, LinesFollowTheLayout) {
    const ItemsCase &c = GetParam();
    PivotTable t(salesSource(), QStringLiteral("P"), 1, 1);
    for (const AxisField &f : c.fields)
        ASSERT_TRUE(t.setOrientation(QString::fromUtf8(f.name), f.axis));
    for (const DataField &d : c.data)
        ASSERT_TRUE(t.addDataField(QString::fromUtf8(d.name), d.function));
    t.setGrandTotals(c.grandTotals, c.grandTotals);
    XmlWriter xml;
    writePivotTableDefinition(xml, t, 1);
    const std::string text = xml.str();
    EXPECT_EQ(element(text, "location"), c.location);
    EXPECT_EQ(element(text, "rowItems"), c.rowItems);
    EXPECT_EQ(element(text, "colItems"), c.colItems);
    // The range is the bounding box of the cells the table fills.
    int lastRow = 0, lastCol = 0;
    for (const PivotCell &cell : t.layout()) {
        lastRow = std::max(lastRow, cell.row);
        lastCol = std::max(lastCol, cell.col);
    }
    EXPECT_EQ(t.tableRange().toStdString(), "A1:" + cellAddress(lastRow, lastCol));
}

const ItemsCase kItems[] = {
    {"OneRowField",
     {{"地域", PivotAxis::Row}},
     {{"金額", -4157}},
     true,
     "<location ref=\"A1:B4\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"1\"/>",
     "<rowItems count=\"3\"><i><x/></i><i><x v=\"1\"/></i><i t=\"grand\"><x/></i></rowItems>",
     "<colItems count=\"1\"><i/></colItems>"},
    // Outer items are named once per group; each group ends with its subtotal, inner first.
    {"ThreeRowFields",
     {{"地域", PivotAxis::Row}, {"商品", PivotAxis::Row}, {"備考", PivotAxis::Row}},
     {{"金額", -4157}},
     true,
     "<location ref=\"A1:D15\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"3\"/>",
     "<rowItems count=\"14\">"
     "<i><x/><x/><x v=\"2\"/></i>"
     "<i t=\"default\" r=\"1\"><x/></i>"
     "<i r=\"1\"><x v=\"1\"/><x v=\"3\"/></i>"
     "<i t=\"default\" r=\"1\"><x v=\"1\"/></i>"
     "<i r=\"1\"><x v=\"2\"/><x v=\"3\"/></i>"
     "<i t=\"default\" r=\"1\"><x v=\"2\"/></i>"
     "<i t=\"default\"><x/></i>"
     "<i><x v=\"1\"/><x/><x/></i>"
     "<i r=\"2\"><x v=\"3\"/></i>"
     "<i t=\"default\" r=\"1\"><x/></i>"
     "<i r=\"1\"><x v=\"1\"/><x v=\"1\"/></i>"
     "<i t=\"default\" r=\"1\"><x v=\"1\"/></i>"
     "<i t=\"default\"><x v=\"1\"/></i>"
     "<i t=\"grand\"><x/></i></rowItems>",
     "<colItems count=\"1\"><i/></colItems>"},
    // Several data fields are one more row field, innermost; each total has a line per field.
    {"DataFieldsDownTheRows",
     {{"地域", PivotAxis::Row}},
     {{"金額", -4157}, {"金額", -4106}},
     true,
     "<location ref=\"A1:C7\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"2\"/>",
     "<rowItems count=\"6\"><i><x/><x/></i><i r=\"1\" i=\"1\"><x v=\"1\"/></i>"
     "<i><x v=\"1\"/><x/></i><i r=\"1\" i=\"1\"><x v=\"1\"/></i>"
     "<i t=\"grand\"><x/></i><i t=\"grand\" i=\"1\"><x/></i></rowItems>",
     "<colItems count=\"1\"><i/></colItems>"},
    {"DataFieldsWithoutRowFields",
     {},
     {{"金額", -4157}, {"備考", -4112}},
     true,
     "<location ref=\"A1:B3\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"1\"/>",
     "<rowItems count=\"2\"><i><x/></i><i i=\"1\"><x v=\"1\"/></i></rowItems>",
     "<colItems count=\"1\"><i/></colItems>"},
    // Two column fields: a header row each, and a subtotal column after each product.
    {"TwoColumnFields",
     {{"地域", PivotAxis::Row}, {"商品", PivotAxis::Column}, {"備考", PivotAxis::Column}},
     {{"金額", -4157}},
     true,
     "<location ref=\"A1:K6\" firstHeaderRow=\"1\" firstDataRow=\"3\" firstDataCol=\"1\"/>",
     "<rowItems count=\"3\"><i><x/></i><i><x v=\"1\"/></i><i t=\"grand\"><x/></i></rowItems>",
     "<colItems count=\"10\">"
     "<i><x/><x/></i><i r=\"1\"><x v=\"2\"/></i><i r=\"1\"><x v=\"3\"/></i>"
     "<i t=\"default\"><x/></i>"
     "<i><x v=\"1\"/><x v=\"1\"/></i><i r=\"1\"><x v=\"3\"/></i>"
     "<i t=\"default\"><x v=\"1\"/></i>"
     "<i><x v=\"2\"/><x v=\"3\"/></i><i t=\"default\"><x v=\"2\"/></i>"
     "<i t=\"grand\"><x/></i></colItems>"},
    {"GrandTotalsOff",
     {{"地域", PivotAxis::Row}, {"商品", PivotAxis::Column}},
     {{"金額", -4157}},
     false,
     "<location ref=\"A1:D4\" firstHeaderRow=\"1\" firstDataRow=\"2\" firstDataCol=\"1\"/>",
     "<rowItems count=\"2\"><i><x/></i><i><x v=\"1\"/></i></rowItems>",
     "<colItems count=\"3\"><i><x/></i><i><x v=\"1\"/></i><i><x v=\"2\"/></i></colItems>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, PivotItems, testing::ValuesIn(kItems),
                         [](const testing::TestParamInfo<ItemsCase> &row) {
                             return std::string(row.param.name);
                         });

// Each line's members, rebuilt from the ones it repeats, must name the labels the sheet shows
// where the line is; a line without its own row or column of the table is an error too.
const char *kItemsAgainstCells = R"PY(
import sys, json, openpyxl
from openpyxl.utils.cell import range_boundaries
wb = openpyxl.load_workbook(sys.argv[1])
tables = []
for ws in wb.worksheets:
    for p in ws._pivots:
        c0, r0, c1, r1 = range_boundaries(p.location.ref)
        loc = p.location
        items = [[getattr(v, "v", None) for v in cf.sharedItems._fields]
                 for cf in p.cache.cacheFields]
        captions = [d.name for d in p.dataFields]
        def label(field, index):
            if field == -2:
                return captions[index]
            v = items[field][index]
            return "(空白)" if v is None else v
        bad = []
        def walk(lines, fields, at, data_on_axis):
            prev, out = [], []
            for n, it in enumerate(lines):
                members = prev[:it.r] + [getattr(x, "v", x) for x in it.x]
                out.append([it.t, it.r, it.i, [getattr(x, "v", x) for x in it.x]])
                if it.t == "data":
                    want = {lvl: label(fields[lvl], members[lvl])
                            for lvl in range(it.r, len(members))}
                elif it.t == "default":
                    lvl = len(members) - 1
                    want = {lvl: "%s 集計" % label(fields[lvl], members[lvl])}
                else:
                    want = {0: "総計"}
                if it.t != "data" and data_on_axis:
                    want = {k: v + " " + captions[it.i] for k, v in want.items()}
                for lvl, text in want.items():
                    got = at(n, lvl)
                    if got != text:
                        bad.append([n, lvl, text, got])
                prev = members
            return out
        row_fields = [f.x for f in p.rowFields]
        col_fields = [f.x for f in p.colFields]
        on_rows = -2 in row_fields
        rows = walk(p.rowItems, row_fields,
                    lambda n, lvl: ws.cell(r0 + loc.firstDataRow + n, c0 + lvl).value, on_rows)
        cols = walk(p.colItems, col_fields,
                    lambda n, lvl: ws.cell(r0 + loc.firstHeaderRow + lvl,
                                           c0 + loc.firstDataCol + n).value, False)
        tables.append({
            "name": p.name, "rows": rows, "cols": cols, "bad": bad,
            "bodyRows": r1 - (r0 + loc.firstDataRow) + 1,
            "valueCols": c1 - (c0 + loc.firstDataCol) + 1,
        })
print(json.dumps({"tables": tables}, ensure_ascii=False))
)PY";

ExcelRange at(const ExcelSheet &s, const char *a1) {
    return s.range(QString::fromUtf8(a1)).value();
}

TEST(PivotItemsReadBack, OpenpyxlFindsTheCellsEachLineNames) {
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KELVORAN_KEEP_TEST_FILES"));
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet data = xl.sheet(book, 1);
    ASSERT_TRUE(data.setName(QStringLiteral("明細")));
    const char *rows[][4] = {{"地域", "商品", "金額", "担当"}, {"東京", "001", "100", "佐藤"},
                             {"大阪", "002", "50", "鈴木"},    {"東京", "002", "25", "佐藤"},
                             {"東京", "001", "10", "高橋"},    {"大阪", "001", "5.5", "鈴木"},
                             {"名古屋", "003", "70", "田中"}};
    at(data, "B2:B7").setNumberFormat(QStringLiteral("@"));
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 4; ++c)
            data.cells(r + 1, c + 1).setValue(QString::fromUtf8(rows[r][c]));
    const ExcelRange source = at(data, "A1:D7");

    // Nested row fields with two data fields down the rows, beside the list.
    PivotWizardOptions nestedOptions;
    nestedOptions.name = QStringLiteral("入れ子");
    Result<ExcelPivotTable> nested = pivotTableWizard(source, data.cells(3, 7), nestedOptions);
    ASSERT_TRUE(nested) << nested.error().message.toStdString();
    ASSERT_TRUE(nested->setOrientation(QStringLiteral("地域"), 1));
    ASSERT_TRUE(nested->setOrientation(QStringLiteral("商品"), 1));
    ASSERT_TRUE(nested->addDataField(QStringLiteral("金額"), -4157));
    ASSERT_TRUE(nested->addDataField(QStringLiteral("金額"), -4106));

    // A row field and two column fields on a sheet of its own, in a report format.
    Result<ExcelSheet> second = xl.addSheetAfter(book, 1);
    ASSERT_TRUE(second);
    PivotWizardOptions crossOptions;
    crossOptions.name = QStringLiteral("クロス");
    Result<ExcelPivotTable> cross = pivotTableWizard(source, second->cells(4, 2), crossOptions);
    ASSERT_TRUE(cross) << cross.error().message.toStdString();
    ASSERT_TRUE(cross->setOrientation(QStringLiteral("担当"), 1));
    ASSERT_TRUE(cross->setOrientation(QStringLiteral("地域"), 2));
    ASSERT_TRUE(cross->setOrientation(QStringLiteral("商品"), 2));
    ASSERT_TRUE(cross->setOrientation(QStringLiteral("金額"), 4));
    ASSERT_TRUE(cross->format(12));

    Result<QString> saved = xl.saveAs(book, dir.filePath(QStringLiteral("items.xlsx")));
    ASSERT_TRUE(saved) << saved.error().message.toStdString();
    const QJsonObject o = readBack(QString::fromUtf8(kItemsAgainstCells), *saved);
    const QJsonArray tables = o[QStringLiteral("tables")].toArray();
    ASSERT_EQ(tables.size(), 2);
    for (const QJsonValue &v : tables) {
        const QJsonObject t = v.toObject();
        const std::string name = t[QStringLiteral("name")].toString().toStdString();
        EXPECT_EQ(t[QStringLiteral("bad")].toArray(), QJsonArray()) << name;
        EXPECT_EQ(t[QStringLiteral("rows")].toArray().size(), t[QStringLiteral("bodyRows")].toInt())
            << name;
        EXPECT_EQ(t[QStringLiteral("cols")].toArray().size(),
                  t[QStringLiteral("valueCols")].toInt())
            << name;
    }
    // Regions sort 名古屋 大阪 東京, products 001 002 003. 名古屋 003: the sum, then the average
    // repeating region and product; 名古屋's subtotal line per data field; 大阪 001 and 002.
    const QJsonArray nestedRows = tables[0].toObject()[QStringLiteral("rows")].toArray();
    ASSERT_GE(nestedRows.size(), 7);
    const std::vector<std::pair<int, QJsonArray>> expectedRows{
        {0, QJsonArray({QStringLiteral("data"), 0, 0, QJsonArray({0, 2, 0})})},
        {1, QJsonArray({QStringLiteral("data"), 2, 1, QJsonArray({1})})},
        {2, QJsonArray({QStringLiteral("default"), 0, 0, QJsonArray({0})})},
        {3, QJsonArray({QStringLiteral("default"), 0, 1, QJsonArray({0})})},
        {4, QJsonArray({QStringLiteral("data"), 0, 0, QJsonArray({1, 0, 0})})},
        {6, QJsonArray({QStringLiteral("data"), 1, 0, QJsonArray({1, 0})})},
    };
    for (const auto &[line, expected] : expectedRows)
        EXPECT_EQ(nestedRows[line].toArray(), expected) << line;
    // Regions 名古屋 大阪 東京, each a column group ending in its subtotal, then the total.
    const QJsonArray crossCols = tables[1].toObject()[QStringLiteral("cols")].toArray();
    ASSERT_FALSE(crossCols.isEmpty());
    EXPECT_EQ(crossCols.last().toArray(),
              QJsonArray({QStringLiteral("grand"), 0, 0, QJsonArray({0})}));
    int subtotals = 0;
    for (const QJsonValue &c : crossCols)
        subtotals += c.toArray()[0].toString() == QStringLiteral("default") ? 1 : 0;
    EXPECT_EQ(subtotals, 3);
}

} // namespace

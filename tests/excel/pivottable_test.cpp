#include "excel/engine/pivotformats.h"
#include "excel/engine/pivotparts.h"
#include "excel/engine/pivottable.h"
#include "tests/excel/pivotsamples.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace kelvoran::xlsx;

namespace {

PivotSource salesSource() {
    return kelvoran::test::salesPivotSource(4, 2);
}

using CellMap = std::map<std::pair<int, int>, QVariant>;

CellMap cellsOf(const PivotTable &t) {
    CellMap m;
    for (const PivotCell &c : t.layout())
        m[{c.row, c.col}] = c.value;
    return m;
}

QString textAt(const CellMap &m, int row, int col) {
    auto it = m.find({row, col});
    return it == m.end() ? QString() : it->second.toString();
}

double numberAt(const CellMap &m, int row, int col) {
    auto it = m.find({row, col});
    return it == m.end() ? NAN : it->second.toDouble();
}

// Element name -> attribute values of every occurrence; also proves the text is well-formed XML.
std::multimap<QString, QXmlStreamAttributes> elements(const QByteArray &xml) {
    std::multimap<QString, QXmlStreamAttributes> out;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() == QXmlStreamReader::StartElement)
            out.emplace(r.name().toString(), r.attributes());
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    return out;
}

// The text of one part written by write.
template <typename Write> QByteArray partXml(Write write) {
    XmlWriter xml;
    write(xml);
    return QByteArray::fromStdString(xml.take());
}

} // namespace

TEST(PivotTableLayout, RowAndColumnFieldsWithTotals) {
    PivotTable t(salesSource(), QStringLiteral("ピボットテーブル1"), 3, 1);
    ASSERT_TRUE(t.setOrientation(QStringLiteral("地域"), PivotAxis::Row));
    ASSERT_TRUE(t.setOrientation(QStringLiteral("商品"), PivotAxis::Column));
    ASSERT_TRUE(t.addDataField(QStringLiteral("金額"), -4157));
    const CellMap m = cellsOf(t);
    // Row 3: caption and column field name; row 4: row field name, items A B C and the total.
    EXPECT_EQ(textAt(m, 3, 1), QStringLiteral("合計 / 金額"));
    EXPECT_EQ(textAt(m, 3, 2), QStringLiteral("商品"));
    EXPECT_EQ(textAt(m, 4, 1), QStringLiteral("地域"));
    EXPECT_EQ(textAt(m, 4, 2), QStringLiteral("A"));
    EXPECT_EQ(textAt(m, 4, 4), QStringLiteral("C"));
    EXPECT_EQ(textAt(m, 4, 5), QStringLiteral("総計"));
    // Items sort as text: 大阪 (U+5927) before 東京 (U+6771).
    EXPECT_EQ(textAt(m, 5, 1), QStringLiteral("大阪"));
    EXPECT_TRUE(std::isnan(numberAt(m, 5, 2))); // 大阪 A has only a blank amount
    EXPECT_EQ(numberAt(m, 5, 3), 50.0);
    EXPECT_EQ(numberAt(m, 5, 5), 55.5);
    EXPECT_EQ(textAt(m, 6, 1), QStringLiteral("東京"));
    EXPECT_EQ(numberAt(m, 6, 2), 110.0);
    EXPECT_EQ(numberAt(m, 6, 5), 135.0);
    EXPECT_EQ(textAt(m, 7, 1), QStringLiteral("総計"));
    EXPECT_EQ(numberAt(m, 7, 2), 110.0);
    EXPECT_EQ(numberAt(m, 7, 5), 190.5);
    EXPECT_EQ(t.tableRange(), QStringLiteral("A3:E7"));
}

TEST(PivotTableLayout, NestedRowFieldsGetSubtotalsAndTotalsCanBeOff) {
    PivotTable t(salesSource(), QStringLiteral("P"), 1, 1);
    ASSERT_TRUE(t.setOrientation(QStringLiteral("地域"), PivotAxis::Row));
    ASSERT_TRUE(t.setOrientation(QStringLiteral("商品"), PivotAxis::Row));
    ASSERT_TRUE(t.addDataField(QStringLiteral("金額"), -4157));
    t.setGrandTotals(false, false);
    const CellMap m = cellsOf(t);
    // Header on row 1, then 大阪 A, B, C, subtotal, 東京 A, B, subtotal; no grand total row.
    EXPECT_EQ(textAt(m, 1, 3), QStringLiteral("合計 / 金額"));
    EXPECT_EQ(textAt(m, 2, 1), QStringLiteral("大阪"));
    EXPECT_EQ(textAt(m, 3, 1), QString()); // outer item written once per group
    EXPECT_EQ(textAt(m, 4, 2), QStringLiteral("C"));
    EXPECT_EQ(textAt(m, 5, 1), QStringLiteral("大阪 集計"));
    EXPECT_EQ(numberAt(m, 5, 3), 55.5);
    EXPECT_EQ(textAt(m, 8, 1), QStringLiteral("東京 集計"));
    EXPECT_EQ(numberAt(m, 8, 3), 135.0);
    EXPECT_EQ(textAt(m, 9, 1), QString());
    EXPECT_EQ(t.tableRange(), QStringLiteral("A1:C8"));
}

TEST(PivotTableLayout, TwoColumnFieldsGetAHeaderRowEachAndSubtotalColumns) {
    PivotTable t(salesSource(), QStringLiteral("P"), 1, 1);
    ASSERT_TRUE(t.setOrientation(QStringLiteral("地域"), PivotAxis::Row));
    ASSERT_TRUE(t.setOrientation(QStringLiteral("商品"), PivotAxis::Column));
    ASSERT_TRUE(t.setOrientation(QStringLiteral("備考"), PivotAxis::Column));
    ASSERT_TRUE(t.addDataField(QStringLiteral("金額"), -4157));
    const CellMap m = cellsOf(t);
    // Row 1: caption and the column field names; row 2: products and their subtotals; row 3:
    // notes, each named once under its product, and the row field name.
    EXPECT_EQ(textAt(m, 1, 1), QStringLiteral("合計 / 金額"));
    EXPECT_EQ(textAt(m, 1, 2), QStringLiteral("商品"));
    EXPECT_EQ(textAt(m, 1, 3), QStringLiteral("備考"));
    const std::vector<std::pair<int, const char *>> products{
        {2, "A"}, {3, ""}, {5, "A 集計"}, {6, "B"}, {8, "B 集計"}, {9, "C"}, {11, "総計"}};
    for (const auto &[col, text] : products)
        EXPECT_EQ(textAt(m, 2, col), QString::fromUtf8(text)) << col;
    const std::vector<std::pair<int, const char *>> notes{
        {1, "地域"}, {2, "x"}, {3, "z"}, {4, "(空白)"}, {5, ""}, {6, "y"}, {7, "(空白)"}};
    for (const auto &[col, text] : notes)
        EXPECT_EQ(textAt(m, 3, col), QString::fromUtf8(text)) << col;
    // 東京: A x 100 and A (blank) 10 make the A subtotal; 総計 sums every column.
    EXPECT_EQ(textAt(m, 5, 1), QStringLiteral("東京"));
    EXPECT_EQ(numberAt(m, 5, 2), 100.0);
    EXPECT_EQ(numberAt(m, 5, 4), 10.0);
    EXPECT_EQ(numberAt(m, 5, 5), 110.0);
    EXPECT_EQ(numberAt(m, 5, 8), 25.0);
    EXPECT_EQ(numberAt(m, 5, 11), 135.0);
    EXPECT_TRUE(std::isnan(numberAt(m, 4, 5))); // 大阪 A has only a blank amount
    EXPECT_EQ(numberAt(m, 4, 8), 50.0);
    EXPECT_EQ(textAt(m, 6, 1), QStringLiteral("総計"));
    EXPECT_EQ(numberAt(m, 6, 5), 110.0);
    EXPECT_EQ(numberAt(m, 6, 10), 5.5);
    EXPECT_EQ(numberAt(m, 6, 11), 190.5);
    EXPECT_EQ(t.tableRange(), QStringLiteral("A1:K6"));
}

TEST(PivotTableLayout, PageFieldsSitAboveTheTable) {
    for (int order : {1, 2}) {
        PivotTable t(salesSource(), QStringLiteral("P"), 5, 2);
        ASSERT_TRUE(t.setOrientation(QStringLiteral("地域"), PivotAxis::Page));
        ASSERT_TRUE(t.setOrientation(QStringLiteral("備考"), PivotAxis::Page));
        ASSERT_TRUE(t.setOrientation(QStringLiteral("商品"), PivotAxis::Row));
        ASSERT_TRUE(t.addDataField(QStringLiteral("金額"), -4157));
        t.setPageFieldOrder(order);
        const CellMap m = cellsOf(t);
        if (order == 1) { // down, then over
            EXPECT_EQ(textAt(m, 2, 2), QStringLiteral("地域"));
            EXPECT_EQ(textAt(m, 2, 3), QStringLiteral("(すべて)"));
            EXPECT_EQ(textAt(m, 3, 2), QStringLiteral("備考"));
        } else { // over, then down
            EXPECT_EQ(textAt(m, 3, 2), QStringLiteral("地域"));
            EXPECT_EQ(textAt(m, 3, 5), QStringLiteral("備考"));
        }
        EXPECT_EQ(textAt(m, 5, 2), QStringLiteral("商品"));
    }
}

TEST(PivotTableFunctions, EveryFunctionAggregatesTheSameGroup) {
    struct Case {
        int constant;
        const char *caption;
        double expected; // over 100, 25, 10 (東京) ; NAN = empty cell
    };
    const double mean = 135.0 / 3;
    const double ss =
        (100 - mean) * (100 - mean) + (25 - mean) * (25 - mean) + (10 - mean) * (10 - mean);
    const std::vector<Case> cases{
        {-4157, "合計", 135},
        {-4106, "平均", mean},
        {-4112, "データの個数", 3},
        {-4136, "最大値", 100},
        {-4139, "最小値", 10},
        {-4149, "積", 25000},
        {-4113, "数値の個数", 3},
        {-4155, "標本標準偏差", std::sqrt(ss / 2)},
        {-4156, "標準偏差", std::sqrt(ss / 3)},
        {-4164, "標本分散", ss / 2},
        {-4165, "分散", ss / 3},
    };
    for (const Case &c : cases) {
        PivotTable t(salesSource(), QStringLiteral("P"), 1, 1);
        ASSERT_TRUE(t.setOrientation(QStringLiteral("地域"), PivotAxis::Row));
        ASSERT_TRUE(t.addDataField(QStringLiteral("金額"), c.constant));
        const CellMap m = cellsOf(t);
        EXPECT_EQ(textAt(m, 1, 2), QString::fromUtf8(c.caption) + QStringLiteral(" / 金額"));
        ASSERT_EQ(textAt(m, 3, 1), QStringLiteral("東京"));
        EXPECT_NEAR(numberAt(m, 3, 2), c.expected, 1e-9) << c.caption;
    }
}

TEST(PivotTableFunctions, NoAggregationIsRefusedSoTheCallerFallsBackToOrientation) {
    PivotTable t(salesSource(), QStringLiteral("P"), 1, 1);
    EXPECT_FALSE(t.addDataField(QStringLiteral("金額"), 0));
    EXPECT_FALSE(t.addDataField(QStringLiteral("金額"), 12345));
    EXPECT_FALSE(t.addDataField(QStringLiteral("無い"), -4157));
    EXPECT_FALSE(t.setOrientation(QStringLiteral("無い"), PivotAxis::Row));
    // The fallback: a numeric field is summed, a text field counted.
    ASSERT_TRUE(t.setOrientation(QStringLiteral("金額"), PivotAxis::Data));
    ASSERT_TRUE(t.setOrientation(QStringLiteral("備考"), PivotAxis::Data));
    const CellMap m = cellsOf(t);
    EXPECT_EQ(textAt(m, 1, 1), QStringLiteral("データ"));
    EXPECT_EQ(textAt(m, 2, 1), QStringLiteral("合計 / 金額"));
    EXPECT_EQ(numberAt(m, 2, 2), 190.5);
    EXPECT_EQ(textAt(m, 3, 1), QStringLiteral("データの個数 / 備考"));
    EXPECT_EQ(numberAt(m, 3, 2), 3.0);
}

TEST(PivotTableParts, CacheAndTableDescribeTheSameFields) {
    PivotTable t(salesSource(), QStringLiteral("集計表"), 3, 8);
    ASSERT_TRUE(t.setOrientation(QStringLiteral("地域"), PivotAxis::Row));
    ASSERT_TRUE(t.setOrientation(QStringLiteral("商品"), PivotAxis::Column));
    ASSERT_TRUE(t.setOrientation(QStringLiteral("備考"), PivotAxis::Page));
    ASSERT_TRUE(t.addDataField(QStringLiteral("金額"), -4106));
    t.setGrandTotals(true, false);

    const auto def =
        elements(partXml([&](XmlWriter &x) { writePivotCacheDefinition(x, t, "rId1"); }));
    const QXmlStreamAttributes root = def.find(QStringLiteral("pivotCacheDefinition"))->second;
    EXPECT_EQ(root.value(QStringLiteral("recordCount")).toString(), QStringLiteral("6"));
    EXPECT_EQ(root.value(QStringLiteral("refreshOnLoad")).toString(), QStringLiteral("1"));
    EXPECT_EQ(
        def.find(QStringLiteral("worksheetSource"))->second.value(QStringLiteral("ref")).toString(),
        QStringLiteral("B4:E10"));
    EXPECT_EQ(def.count(QStringLiteral("cacheField")), 4u);
    // Axis fields enumerate their items (2 regions + 3 products + 4 notes incl. blank); the data
    // field does not.
    EXPECT_EQ(def.count(QStringLiteral("s")), 2u + 3u + 3u);
    EXPECT_EQ(def.count(QStringLiteral("m")), 1u);
    EXPECT_EQ(def.count(QStringLiteral("n")), 0u);

    const auto rec = elements(partXml([&](XmlWriter &x) { writePivotCacheRecords(x, t); }));
    EXPECT_EQ(rec.find(QStringLiteral("pivotCacheRecords"))
                  ->second.value(QStringLiteral("count"))
                  .toString(),
              QStringLiteral("6"));
    EXPECT_EQ(rec.count(QStringLiteral("r")), 6u);
    EXPECT_EQ(rec.count(QStringLiteral("x")), 18u); // three axis fields per record
    EXPECT_EQ(rec.count(QStringLiteral("n")), 5u);  // amounts, one blank
    EXPECT_EQ(rec.count(QStringLiteral("m")), 1u);

    const auto tab = elements(partXml([&](XmlWriter &x) { writePivotTableDefinition(x, t, 7); }));
    const QXmlStreamAttributes ptd = tab.find(QStringLiteral("pivotTableDefinition"))->second;
    EXPECT_EQ(ptd.value(QStringLiteral("cacheId")).toString(), QStringLiteral("7"));
    EXPECT_EQ(ptd.value(QStringLiteral("name")).toString(), QStringLiteral("集計表"));
    EXPECT_EQ(ptd.value(QStringLiteral("colGrandTotals")).toString(), QStringLiteral("0"));
    EXPECT_FALSE(ptd.hasAttribute(QStringLiteral("rowGrandTotals")));
    EXPECT_EQ(tab.find(QStringLiteral("location"))->second.value(QStringLiteral("ref")).toString(),
              t.tableRange());
    EXPECT_EQ(tab.count(QStringLiteral("pivotField")), 4u);
    EXPECT_EQ(
        tab.find(QStringLiteral("dataField"))->second.value(QStringLiteral("subtotal")).toString(),
        QStringLiteral("average"));
    EXPECT_EQ(tab.find(QStringLiteral("pageField"))->second.value(QStringLiteral("fld")).toString(),
              QStringLiteral("3"));
}

TEST(PivotTableParts, WithoutSavedDataTheCacheHasNoRecordsLink) {
    PivotTable t(salesSource(), QStringLiteral("P"), 1, 1);
    t.setSaveData(false);
    const auto def =
        elements(partXml([&](XmlWriter &x) { writePivotCacheDefinition(x, t, "rId1"); }));
    const QXmlStreamAttributes root = def.find(QStringLiteral("pivotCacheDefinition"))->second;
    EXPECT_FALSE(root.hasAttribute(QStringLiteral("r:id")));
    EXPECT_EQ(root.value(QStringLiteral("saveData")).toString(), QStringLiteral("0"));
}

TEST(PivotReportFormats, FamiliesDifferWhereTheyShould) {
    // None leaves every cell plain; unknown constants give nothing.
    EXPECT_FALSE(pivotReportFormatStyle(21, PivotCellRole::FieldName)->bold);
    EXPECT_FALSE(pivotReportFormatStyle(22, PivotCellRole::FieldName).has_value());
    EXPECT_FALSE(pivotReportFormatStyle(-1, PivotCellRole::Value).has_value());
    for (int report = 0; report < 10; ++report) {
        const PivotCellStyle heading = *pivotReportFormatStyle(report, PivotCellRole::FieldName);
        const PivotCellStyle value = *pivotReportFormatStyle(report, PivotCellRole::Value);
        EXPECT_TRUE(heading.bold && heading.borderBottom) << report;
        EXPECT_FALSE(value.borderAround) << report; // reports have no grid
        EXPECT_NE(pivotReportFormatStyle(report, PivotCellRole::GrandTotalValue)->fillColorIndex,
                  0);
    }
    for (int table = 10; table < 20; ++table) {
        EXPECT_TRUE(pivotReportFormatStyle(table, PivotCellRole::Value)->borderAround) << table;
        EXPECT_NE(pivotReportFormatStyle(table, PivotCellRole::ColumnItem)->fillColorIndex, 0)
            << table;
    }
    // Two table variants look different.
    EXPECT_NE(pivotReportFormatStyle(10, PivotCellRole::FieldName)->fillColorIndex,
              pivotReportFormatStyle(11, PivotCellRole::FieldName)->fillColorIndex);
    EXPECT_TRUE(pivotReportFormatStyle(20, PivotCellRole::RowItem)->borderAround);
}

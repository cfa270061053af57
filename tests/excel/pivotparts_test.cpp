// The pivot parts: what each cache field's sharedItems says about its values, and the exact
// cache and table definitions of a small table.
#include "excel/engine/pivotparts.h"

#include <gtest/gtest.h>

using namespace kelvoran::xlsx;

namespace {

struct CacheFieldCase {
    const char *name;
    QString fieldName;
    std::vector<QVariant> values;
    std::vector<QVariant> items;
    std::string expected;
};

class PivotCacheField : public testing::TestWithParam<CacheFieldCase> {};

TEST_P(PivotCacheField, SharedItemsDescribeTheValues) {
    const CacheFieldCase &c = GetParam();
    XmlWriter xml;
    writeCacheField(xml, c.fieldName, c.values, c.items);
    EXPECT_EQ(xml.str(), c.expected);
}

QVariant text(const char *utf8) {
    return QString::fromUtf8(utf8);
}

const CacheFieldCase kCacheFields[] = {
    {"TextsOnAnAxis",
     QStringLiteral("地域"),
     {text("東京"), text("大阪"), text("東京")},
     {text("大阪"), text("東京")},
     "<cacheField name=\"地域\" numFmtId=\"0\"><sharedItems count=\"2\"><s v=\"大阪\"/>"
     "<s v=\"東京\"/></sharedItems></cacheField>"},
    {"IntegersNotOnAnAxis",
     QStringLiteral("金額"),
     {100.0, 50.0, 25.0},
     {},
     "<cacheField name=\"金額\" numFmtId=\"0\"><sharedItems containsSemiMixedTypes=\"0\" "
     "containsString=\"0\" containsNumber=\"1\" containsInteger=\"1\" minValue=\"25\" "
     "maxValue=\"100\"/></cacheField>"},
    {"FractionsAndABlank",
     QStringLiteral("率"),
     {1.5, QVariant(), -2.25},
     {},
     "<cacheField name=\"率\" numFmtId=\"0\"><sharedItems containsSemiMixedTypes=\"0\" "
     "containsString=\"0\" containsNumber=\"1\" minValue=\"-2.25\" maxValue=\"1.5\" "
     "containsBlank=\"1\"/></cacheField>"},
    {"NumbersAndTextsMixed",
     QStringLiteral("コード"),
     {text("a"), 3.0},
     {3.0, text("a")},
     "<cacheField name=\"コード\" numFmtId=\"0\"><sharedItems containsMixedTypes=\"1\" "
     "containsNumber=\"1\" containsInteger=\"1\" minValue=\"3\" maxValue=\"3\" count=\"2\">"
     "<n v=\"3\"/><s v=\"a\"/></sharedItems></cacheField>"},
    {"EmptyTextIsBlank",
     QStringLiteral("備考"),
     {text("x"), text("")},
     {text("x"), QVariant()},
     "<cacheField name=\"備考\" numFmtId=\"0\"><sharedItems containsBlank=\"1\" count=\"2\">"
     "<s v=\"x\"/><m/></sharedItems></cacheField>"},
    {"OnlyBlanks",
     QStringLiteral("空"),
     {QVariant(), QVariant()},
     {},
     "<cacheField name=\"空\" numFmtId=\"0\"><sharedItems containsSemiMixedTypes=\"0\" "
     "containsString=\"0\" containsBlank=\"1\"/></cacheField>"},
    {"NamesAndItemsEscaped",
     QStringLiteral("a\"b<c\n_x0041_"),
     {text("R&D")},
     {text("R&D")},
     "<cacheField name=\"a&quot;b&lt;c&#10;_x005F_x0041_\" numFmtId=\"0\"><sharedItems "
     "count=\"1\"><s v=\"R&amp;D\"/></sharedItems></cacheField>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, PivotCacheField, testing::ValuesIn(kCacheFields),
                         [](const testing::TestParamInfo<CacheFieldCase> &row) {
                             return std::string(row.param.name);
                         });

// Two fields, two records; the table sums the amount by region.
PivotTable smallTable(bool saveData) {
    PivotSource source;
    source.sheetName = QStringLiteral("Data Sheet");
    source.firstRow = 2;
    source.firstCol = 1;
    source.fieldNames = {QStringLiteral("地域"), QStringLiteral("金額")};
    source.records = {{text("東京"), 10.0}, {text("大阪"), 2.5}};
    PivotTable t(source, QStringLiteral("P<1>"), 3, 2);
    EXPECT_TRUE(t.setOrientation(QStringLiteral("地域"), PivotAxis::Row));
    EXPECT_TRUE(t.addDataField(QStringLiteral("金額"), -4157));
    t.setSaveData(saveData);
    return t;
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string kNamespaces =
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

TEST(PivotParts, CacheDefinitionOfASmallTable) {
    const std::string fields =
        "<cacheSource type=\"worksheet\"><worksheetSource ref=\"A2:B4\" sheet=\"Data Sheet\"/>"
        "</cacheSource><cacheFields count=\"2\">"
        "<cacheField name=\"地域\" numFmtId=\"0\"><sharedItems count=\"2\"><s v=\"大阪\"/>"
        "<s v=\"東京\"/></sharedItems></cacheField>"
        "<cacheField name=\"金額\" numFmtId=\"0\"><sharedItems containsSemiMixedTypes=\"0\" "
        "containsString=\"0\" containsNumber=\"1\" minValue=\"2.5\" maxValue=\"10\"/>"
        "</cacheField></cacheFields></pivotCacheDefinition>";
    XmlWriter saved;
    writePivotCacheDefinition(saved, smallTable(true), "rId1");
    EXPECT_EQ(saved.str(), kDecl + "<pivotCacheDefinition " + kNamespaces +
                               " r:id=\"rId1\" refreshOnLoad=\"1\" createdVersion=\"3\" "
                               "refreshedVersion=\"3\" minRefreshableVersion=\"3\" "
                               "recordCount=\"2\">" +
                               fields);
    XmlWriter unsaved;
    writePivotCacheDefinition(unsaved, smallTable(false), "rId1");
    EXPECT_EQ(unsaved.str(), kDecl + "<pivotCacheDefinition " + kNamespaces +
                                 " saveData=\"0\" refreshOnLoad=\"1\" createdVersion=\"3\" "
                                 "refreshedVersion=\"3\" minRefreshableVersion=\"3\" "
                                 "recordCount=\"2\">" +
                                 fields);
}

TEST(PivotParts, RecordsReferToItemsOrHoldTheirValues) {
    XmlWriter xml;
    writePivotCacheRecords(xml, smallTable(true));
    EXPECT_EQ(xml.str(), kDecl + "<pivotCacheRecords " + kNamespaces +
                             " count=\"2\"><r><x v=\"1\"/><n v=\"10\"/></r>"
                             "<r><x v=\"0\"/><n v=\"2.5\"/></r></pivotCacheRecords>");
}

TEST(PivotParts, TableDefinitionOfASmallTable) {
    const PivotTable t = smallTable(true);
    ASSERT_EQ(t.tableRange(), QStringLiteral("B3:C6")); // heading, two regions, grand total
    XmlWriter xml;
    writePivotTableDefinition(xml, t, 4);
    EXPECT_EQ(
        xml.str(),
        kDecl +
            "<pivotTableDefinition "
            "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
            "name=\"P&lt;1&gt;\" cacheId=\"4\" applyNumberFormats=\"0\" applyBorderFormats=\"0\" "
            "applyFontFormats=\"0\" applyPatternFormats=\"0\" applyAlignmentFormats=\"0\" "
            "applyWidthHeightFormats=\"1\" dataCaption=\"データ\" updatedVersion=\"3\" "
            "minRefreshableVersion=\"3\" useAutoFormatting=\"1\" itemPrintTitles=\"1\" "
            "createdVersion=\"3\" indent=\"0\" outline=\"1\" outlineData=\"1\" compact=\"0\" "
            "compactData=\"0\">"
            "<location ref=\"B3:C6\" firstHeaderRow=\"1\" firstDataRow=\"1\" firstDataCol=\"1\"/>"
            "<pivotFields count=\"2\"><pivotField axis=\"axisRow\" compact=\"0\" outline=\"0\" "
            "showAll=\"0\"><items count=\"3\"><item x=\"0\"/><item x=\"1\"/><item "
            "t=\"default\"/></items></pivotField>"
            "<pivotField dataField=\"1\" compact=\"0\" outline=\"0\" showAll=\"0\"/></pivotFields>"
            "<rowFields count=\"1\"><field x=\"0\"/></rowFields>"
            "<rowItems count=\"3\"><i><x/></i><i><x v=\"1\"/></i><i t=\"grand\"><x/></i>"
            "</rowItems><colItems count=\"1\"><i/></colItems>"
            "<dataFields count=\"1\"><dataField name=\"合計 / 金額\" fld=\"1\" baseField=\"0\" "
            "baseItem=\"0\"/></dataFields></pivotTableDefinition>");
}

} // namespace

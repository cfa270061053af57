// The workbook part: sheets, views, defined names (print areas and titles with quoted sheet
// names and their localSheetId) and the links to pivot caches; the relationship and content
// type parts that go with it.
#include "excel/engine/contenttypes.h"
#include "excel/engine/pivottable.h"
#include "excel/engine/relationships.h"
#include "excel/engine/workbookpart.h"

#include <gtest/gtest.h>

using namespace kelvoran::xlsx;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

std::string definedNames(const Workbook &book) {
    XmlWriter xml;
    writeDefinedNames(xml, book);
    return xml.take();
}

TEST(WorkbookPart, PlainWorkbook) {
    Workbook book;
    book.insertSheet(0);
    ASSERT_TRUE(book.renameSheet(0, "A&B").isOk());
    book.insertSheet(1);
    book.activeSheet = 1;
    book.date1904 = true;
    XmlWriter xml;
    writeWorkbookPart(xml, book);
    EXPECT_EQ(xml.str(),
              kDecl +
                  "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                  "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                  "relationships\"><workbookPr date1904=\"1\"/><bookViews><workbookView "
                  "activeTab=\"1\"/></bookViews><sheets><sheet name=\"A&amp;B\" sheetId=\"1\" "
                  "r:id=\"rId1\"/><sheet name=\"Sheet2\" sheetId=\"2\" r:id=\"rId2\"/></sheets>"
                  "<calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/></workbook>");
}

TEST(WorkbookPart, FirstTabActiveAndNoNamesWriteNoAttributeOrElement) {
    Workbook book;
    book.insertSheet(0);
    XmlWriter xml;
    writeWorkbookPart(xml, book);
    EXPECT_NE(xml.str().find("<workbookPr/><bookViews><workbookView/></bookViews>"),
              std::string::npos);
    EXPECT_EQ(xml.str().find("definedNames"), std::string::npos);
    EXPECT_EQ(definedNames(book), "");
}

TEST(WorkbookPart, ReservationPasswordGoesBeforeTheWorkbookProperties) {
    Workbook book;
    book.insertSheet(0);
    book.fileSharing.userName = "担当";
    book.fileSharing.algorithmName = "SHA-512";
    book.fileSharing.hashValue = "aGFzaA==";
    book.fileSharing.saltValue = "c2FsdA==";
    book.fileSharing.spinCount = 100000;
    XmlWriter xml;
    writeWorkbookPart(xml, book);
    EXPECT_NE(xml.str().find("relationships\"><fileSharing userName=\"担当\" "
                             "algorithmName=\"SHA-512\" hashValue=\"aGFzaA==\" "
                             "saltValue=\"c2FsdA==\" spinCount=\"100000\"/><workbookPr/>"),
              std::string::npos)
        << xml.str();
}

TEST(WorkbookPart, DefinedNamesQualifyPrintAreasWithTheQuotedSheetName) {
    Workbook book;
    book.insertSheet(0);
    ASSERT_TRUE(book.renameSheet(0, "Data").isOk());
    Worksheet &sales = book.insertSheet(1);
    ASSERT_TRUE(book.renameSheet(1, "売上 2024").isOk());
    Worksheet &quoted = book.insertSheet(2);
    ASSERT_TRUE(book.renameSheet(2, "O'Brien").isOk());
    book.sheet(0).localNames.push_back({"_xlnm.Print_Titles", "'Data'!$1:$1", false});
    sales.printArea = "$A$1:$C$10,$E$1:$E$5";
    quoted.printArea = "$A$1:$B$2,'Data'!$A$1";
    quoted.localNames.push_back({"helper", "'O''Brien'!$Z$1", true});
    book.definedNames.push_back({"Total", "'Data'!$A$1&\"<\"", -1, false});
    book.definedNames.push_back({"Scoped", "1", 0, true});
    EXPECT_EQ(definedNames(book),
              "<definedNames>"
              "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">'Data'!$1:$1"
              "</definedName>"
              "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"1\">'売上 2024'!$A$1:$C$10,"
              "'売上 2024'!$E$1:$E$5</definedName>"
              "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"2\">'O''Brien'!$A$1:$B$2,"
              "'Data'!$A$1</definedName>"
              "<definedName name=\"helper\" localSheetId=\"2\" hidden=\"1\">'O''Brien'!$Z$1"
              "</definedName>"
              "<definedName name=\"Total\">'Data'!$A$1&amp;&quot;&lt;&quot;</definedName>"
              "<definedName name=\"Scoped\" localSheetId=\"0\" hidden=\"1\">1</definedName>"
              "</definedNames>");
}

TEST(WorkbookPart, PivotCachesLinkPastTheFixedRelationships) {
    Workbook book;
    book.insertSheet(0);
    book.insertSheet(1);
    PivotSource source;
    source.sheetName = QStringLiteral("Sheet1");
    source.fieldNames = {QStringLiteral("x")};
    for (int i = 0; i < 2; ++i)
        book.sheet(1).pivotTables.push_back(
            {std::make_shared<PivotTable>(source, QStringLiteral("P"), 1, 1), &book.sheet(0)});
    // Two sheets: rId1-2, styles rId3, theme rId4, shared strings rId5, caches from rId6.
    EXPECT_EQ(stylesRelationId(book), 3);
    EXPECT_EQ(themeRelationId(book), 4);
    EXPECT_EQ(sharedStringsRelationId(book), 5);
    XmlWriter xml;
    writeWorkbookPart(xml, book);
    EXPECT_NE(xml.str().find("<calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/><pivotCaches>"
                             "<pivotCache cacheId=\"1\" r:id=\"rId6\"/><pivotCache cacheId=\"2\" "
                             "r:id=\"rId7\"/></pivotCaches></workbook>"),
              std::string::npos)
        << xml.str();
}

TEST(RelationshipsPart, IdsTypesAndEscapedTargets) {
    XmlWriter xml;
    writeRelationshipsPart(xml, {{1, "worksheet", "worksheets/sheet1.xml"},
                                 {4, "hyperlink", "http://example.com/?a=1&b=2"}});
    EXPECT_EQ(xml.str(),
              kDecl + "<Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId1\" "
                      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                      "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                      "<Relationship Id=\"rId4\" "
                      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                      "hyperlink\" Target=\"http://example.com/?a=1&amp;b=2\"/></Relationships>");
}

TEST(ContentTypesPart, OneOverridePerPart) {
    PackageContents contents;
    contents.sheets = 2;
    contents.sharedStrings = true;
    contents.pivotRecords = {false};
    XmlWriter xml;
    writeContentTypes(xml, contents);
    const std::string sml = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    EXPECT_EQ(xml.str(),
              kDecl +
                  "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                  "<Default Extension=\"rels\" "
                  "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                  "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                  "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
                  sml +
                  "sheet.main+xml\"/>"
                  "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" +
                  sml +
                  "worksheet+xml\"/>"
                  "<Override PartName=\"/xl/worksheets/sheet2.xml\" ContentType=\"" +
                  sml +
                  "worksheet+xml\"/>"
                  "<Override PartName=\"/xl/styles.xml\" ContentType=\"" +
                  sml +
                  "styles+xml\"/>"
                  "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" +
                  sml +
                  "sharedStrings+xml\"/>"
                  "<Override PartName=\"/xl/pivotTables/pivotTable1.xml\" ContentType=\"" +
                  sml +
                  "pivotTable+xml\"/>"
                  "<Override PartName=\"/xl/pivotCache/pivotCacheDefinition1.xml\" ContentType=\"" +
                  sml + "pivotCacheDefinition+xml\"/></Types>");
}

TEST(ContentTypesPart, ThemeAndRecordsWhenPresent) {
    PackageContents contents;
    contents.sheets = 1;
    contents.theme = true;
    contents.pivotRecords = {true};
    XmlWriter xml;
    writeContentTypes(xml, contents);
    EXPECT_NE(xml.str().find("<Override PartName=\"/xl/theme/theme1.xml\" "
                             "ContentType=\"application/"
                             "vnd.openxmlformats-officedocument.theme+xml\"/>"),
              std::string::npos);
    EXPECT_NE(xml.str().find("<Override PartName=\"/xl/pivotCache/pivotCacheRecords1.xml\" "
                             "ContentType=\"application/vnd.openxmlformats-officedocument."
                             "spreadsheetml.pivotCacheRecords+xml\"/></Types>"),
              std::string::npos);
    EXPECT_EQ(xml.str().find("sharedStrings"), std::string::npos);
}

} // namespace

// The values of elements carried into a written package as text: what real workbooks hold
// passes, what a schema-checking reader refuses does not.
#include "excel/engine/keptvalues.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

TEST(KeptValuesTest, ValuesMustHaveTheirTypes) {
    const struct {
        const char *what;
        const char *xml;
        bool known;
    } cases[] = {
        {"margins as a spreadsheet writes them",
         "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
         "footer=\"0.3\"/>",
         true},
        {"page setup", "<pageSetup paperSize=\"9\" orientation=\"landscape\" scale=\"85\"/>", true},
        {"prefixed attribute and extension list are dropped anyway",
         "<sheetFormatPr defaultRowHeight=\"15\" x14ac:dyDescent=\"0.25\"><extLst><ext "
         "bad=\"1\"/></extLst></sheetFormatPr>",
         true},
        {"palette", "<colors><indexedColors><rgbColor rgb=\"00FF00CC\"/></indexedColors></colors>",
         true},
        {"font with negative tint in exponent form",
         "<font><b/><sz val=\"10.5\"/><color theme=\"1\" tint=\"-4.9989318521683403E-2\"/>"
         "<name val=\"Meiryo\"/><family val=\"3\"/><charset val=\"128\"/><scheme val=\"minor\"/>"
         "</font>",
         true},
        {"unknown element keeps unknown attributes", "<dataValidation sqref=\"A1\" x=\"y\"/>",
         true},
        {"margin that is a path", "<pageMargins left=\"../x.xml\"/>", false},
        {"margin that is not finite", "<pageMargins left=\"inf\"/>", false},
        {"empty margin", "<pageMargins left=\"\"/>", false},
        {"unknown attribute of a known element", "<pageMargins b=\"1\"/>", false},
        {"whole number with a quote", "<sheetFormatPr baseColWidth=\"8'\"/>", false},
        {"negative whole number", "<pageSetup scale=\"-1\"/>", false},
        {"whole number beyond 32 bits", "<pageSetup copies=\"4294967296\"/>", false},
        {"boolean that is no boolean", "<printOptions gridLines=\"yes\"/>", false},
        {"colour of six digits", "<color rgb=\"FF00CC\"/>", false},
        {"colour with a letter beyond F", "<color rgb=\"FF00CCFG\"/>", false},
        {"choice that is not one", "<pageSetup orientation=\"land\"/>", false},
        {"choice holding the separator", "<pageSetup orientation=\"portrait|landscape\"/>", false},
        {"font family beyond 14", "<font><family val=\"15\"/></font>", false},
        {"deep inside", "<dxf><fill><patternFill patternType=\"stripes\"/></fill></dxf>", false},
        {"differential format id below zero in a conditional format",
         "<conditionalFormatting sqref=\"A1\"><cfRule type=\"cellIs\" dxfId=\"-1\" "
         "priority=\"1\"/></conditionalFormatting>",
         false},
    };
    for (const auto &c : cases) {
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(c.xml)) << c.what;
        std::string why;
        EXPECT_EQ(xlsx::hasKnownValues(doc.document_element(), why), c.known) << c.what;
        EXPECT_EQ(why.empty(), c.known) << c.what << ": " << why;
    }
}

} // namespace

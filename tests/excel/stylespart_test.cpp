// The styles part: each entry kind on its own, and the whole part with its count attributes and
// number format ids.
#include "excel/engine/stylespart.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kelvoran::xlsx;

namespace {

struct FragmentCase {
    const char *name;
    std::function<void(XmlWriter &)> write;
    std::string expected;
};

class StyleEntry : public testing::TestWithParam<FragmentCase> {};

TEST_P(StyleEntry, WritesTheExpectedXml) {
    XmlWriter xml;
    GetParam().write(xml);
    EXPECT_EQ(xml.str(), GetParam().expected);
}

Font arial() {
    Font f;
    f.name = "Arial";
    f.family = 2;
    f.charset = -1;
    return f;
}

const std::string kDefaultFont = "<font><sz val=\"11\"/><name val=\"ＭＳ Ｐゴシック\"/>"
                                 "<family val=\"3\"/><charset val=\"128\"/></font>";

const FragmentCase kEntries[] = {
    {"FontDefault", [](XmlWriter &x) { writeFont(x, Font()); }, kDefaultFont},
    {"FontFlagsInSchemaOrder",
     [](XmlWriter &x) {
         Font f = arial();
         f.size = 10.5;
         f.bold = f.italic = f.strike = true;
         f.underline = "single";
         f.color = Color::indexed(10);
         f.scheme = "minor";
         writeFont(x, f);
     },
     "<font><b/><i/><strike/><u/><sz val=\"10.5\"/><color indexed=\"10\"/><name val=\"Arial\"/>"
     "<family val=\"2\"/><scheme val=\"minor\"/></font>"},
    {"FontUnderlineStyleVertAlignRgbTint",
     [](XmlWriter &x) {
         Font f = arial();
         f.family = 0;
         f.underline = "double";
         f.vertAlign = "superscript";
         f.color = Color{Color::Rgb, 0xFF112233, -0.25};
         writeFont(x, f);
     },
     "<font><u val=\"double\"/><vertAlign val=\"superscript\"/><sz val=\"11\"/>"
     "<color rgb=\"FF112233\" tint=\"-0.25\"/><name val=\"Arial\"/></font>"},
    {"FontThemeAndAutoColourNameEscaped",
     [](XmlWriter &x) {
         Font f = arial();
         f.name = "A&B \"Sans\"";
         f.color = Color{Color::Theme, 1, 0};
         writeFont(x, f);
         f.color = Color::automatic();
         writeFont(x, f);
     },
     "<font><sz val=\"11\"/><color theme=\"1\"/><name val=\"A&amp;B &quot;Sans&quot;\"/>"
     "<family val=\"2\"/></font><font><sz val=\"11\"/><color auto=\"1\"/>"
     "<name val=\"A&amp;B &quot;Sans&quot;\"/><family val=\"2\"/></font>"},
    {"FillNone", [](XmlWriter &x) { writeFill(x, Fill()); },
     "<fill><patternFill patternType=\"none\"/></fill>"},
    {"FillSolidForeground",
     [](XmlWriter &x) {
         Fill f;
         f.pattern = "solid";
         f.fg = Color::indexed(13);
         writeFill(x, f);
     },
     "<fill><patternFill patternType=\"solid\"><fgColor indexed=\"13\"/></patternFill></fill>"},
    {"FillPatternBothColours",
     [](XmlWriter &x) {
         Fill f;
         f.pattern = "darkGrid";
         f.fg = Color{Color::Rgb, 0xFFFF0000, 0};
         f.bg = Color::automatic();
         writeFill(x, f);
     },
     "<fill><patternFill patternType=\"darkGrid\"><fgColor rgb=\"FFFF0000\"/>"
     "<bgColor auto=\"1\"/></patternFill></fill>"},
    {"FillGradientKeptAsItIs",
     [](XmlWriter &x) {
         Fill f;
         f.gradientXml = "<gradientFill degree=\"90\"><stop position=\"0\"><color "
                         "theme=\"0\"/></stop></gradientFill>";
         writeFill(x, f);
     },
     "<fill><gradientFill degree=\"90\"><stop position=\"0\"><color theme=\"0\"/></stop>"
     "</gradientFill></fill>"},
    {"BorderNone", [](XmlWriter &x) { writeBorder(x, Border()); },
     "<border><left/><right/><top/><bottom/><diagonal/></border>"},
    {"BorderSidesWithAndWithoutColour",
     [](XmlWriter &x) {
         Border b;
         b.left.style = "thin";
         b.bottom.style = "medium";
         b.bottom.color = Color::indexed(64);
         writeBorder(x, b);
     },
     "<border><left style=\"thin\"></left><right/><top/><bottom style=\"medium\">"
     "<color indexed=\"64\"/></bottom><diagonal/></border>"},
    {"BorderDiagonals",
     [](XmlWriter &x) {
         Border b;
         b.diagonal.style = "dashed";
         b.diagonalUp = b.diagonalDown = true;
         writeBorder(x, b);
     },
     "<border diagonalUp=\"1\" diagonalDown=\"1\"><left/><right/><top/><bottom/>"
     "<diagonal style=\"dashed\"></diagonal></border>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, StyleEntry, testing::ValuesIn(kEntries),
                         [](const testing::TestParamInfo<FragmentCase> &row) {
                             return std::string(row.param.name);
                         });

std::string stylesXml(const StyleTable &styles) {
    XmlWriter xml;
    writeStylesPart(xml, styles);
    return xml.take();
}

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                          "<styleSheet "
                          "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
const std::string kFixedFills = "<fill><patternFill patternType=\"none\"/></fill>"
                                "<fill><patternFill patternType=\"gray125\"/></fill>";
const std::string kNoBorder = "<border><left/><right/><top/><bottom/><diagonal/></border>";
const std::string kCellStyleXfs = "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" "
                                  "fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
const std::string kCellStyles = "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
                                "builtinId=\"0\"/></cellStyles>";

TEST(StylesPart, DefaultWorkbookHasOneOfEachAndTheTwoFixedFills) {
    const StyleTable styles;
    EXPECT_EQ(stylesXml(styles),
              kHead + "<fonts count=\"1\">" + kDefaultFont + "</fonts><fills count=\"2\">" +
                  kFixedFills + "</fills><borders count=\"1\">" + kNoBorder + "</borders>" +
                  kCellStyleXfs +
                  "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
                  "borderId=\"0\" xfId=\"0\"/></cellXfs>" +
                  kCellStyles + "<dxfs count=\"0\"></dxfs></styleSheet>");
}

TEST(StylesPart, EntriesAreSharedCountedAndCustomFormatsNumberedFrom164) {
    StyleTable styles;
    CellStyle yen;
    yen.numberFormat = "\"¥\"#,##0";
    styles.intern(yen); // 1: custom format 164
    CellStyle boldYen = yen;
    boldYen.font.bold = true;
    boldYen.fill.pattern = "solid";
    boldYen.fill.fg = Color::indexed(13);
    styles.intern(boldYen); // 2: the same format again, a new font and fill
    CellStyle bordered;
    bordered.numberFormat = "0.000";
    bordered.border.left.style = "thin";
    bordered.alignment.horizontal = "center";
    bordered.alignment.wrapText = true;
    bordered.locked = false;
    styles.intern(bordered); // 3: the next custom format, alignment and protection
    CellStyle builtin;
    builtin.numberFormat = "0.00";
    builtin.quotePrefix = true;
    styles.intern(builtin); // 4: a built-in format needs no entry
    CellStyle gray = boldYen;
    gray.numberFormat = "General";
    gray.fill = Fill();
    gray.fill.pattern = "gray125";
    styles.intern(gray); // 5: the fixed gray fill and the bold font again
    ASSERT_EQ(styles.size(), 6u);

    EXPECT_EQ(
        stylesXml(styles),
        kHead +
            "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"&quot;¥&quot;#,##0\"/>"
            "<numFmt numFmtId=\"165\" formatCode=\"0.000\"/></numFmts>"
            "<fonts count=\"2\">" +
            kDefaultFont +
            "<font><b/><sz val=\"11\"/><name val=\"ＭＳ Ｐゴシック\"/><family val=\"3\"/>"
            "<charset val=\"128\"/></font></fonts>"
            "<fills count=\"3\">" +
            kFixedFills +
            "<fill><patternFill patternType=\"solid\"><fgColor indexed=\"13\"/></patternFill>"
            "</fill></fills>"
            "<borders count=\"2\">" +
            kNoBorder +
            "<border><left style=\"thin\"></left><right/><top/><bottom/><diagonal/></border>"
            "</borders>" +
            kCellStyleXfs +
            "<cellXfs count=\"6\">"
            "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
            "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
            "applyNumberFormat=\"1\"/>"
            "<xf numFmtId=\"164\" fontId=\"1\" fillId=\"2\" borderId=\"0\" xfId=\"0\" "
            "applyNumberFormat=\"1\" applyFont=\"1\" applyFill=\"1\"/>"
            "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"1\" xfId=\"0\" "
            "applyNumberFormat=\"1\" applyBorder=\"1\" applyAlignment=\"1\" "
            "applyProtection=\"1\"><alignment horizontal=\"center\" wrapText=\"1\"/>"
            "<protection locked=\"0\"/></xf>"
            "<xf numFmtId=\"2\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
            "applyNumberFormat=\"1\" quotePrefix=\"1\"/>"
            "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"1\" borderId=\"0\" xfId=\"0\" "
            "applyFont=\"1\" applyFill=\"1\"/>"
            "</cellXfs>" +
            kCellStyles + "<dxfs count=\"0\"></dxfs></styleSheet>");
}

TEST(StylesPart, ConditionalFormatsAndPaletteFollowTheCellStyles) {
    StyleTable styles;
    styles.dxfs = {"<dxf><font><b/></font></dxf>", "<dxf><fill/></dxf>"};
    styles.colorsXml = "<colors><indexedColors><rgbColor rgb=\"00000000\"/></indexedColors>"
                       "</colors>";
    const std::string xml = stylesXml(styles);
    const std::string tail = kCellStyles +
                             "<dxfs count=\"2\"><dxf><font><b/></font></dxf><dxf><fill/></dxf>"
                             "</dxfs><colors><indexedColors><rgbColor rgb=\"00000000\"/>"
                             "</indexedColors></colors></styleSheet>";
    ASSERT_GE(xml.size(), tail.size());
    EXPECT_EQ(xml.substr(xml.size() - tail.size()), tail);
}

TEST(StylesPart, BuiltinIdKeepsALocaleDependentFormatWithoutAnEntry) {
    StyleTable styles;
    CellStyle date;
    date.numberFormat = "yyyy/m/d";
    date.builtinId = 14;
    styles.intern(date);
    const std::string xml = stylesXml(styles);
    EXPECT_EQ(xml.find("<numFmts"), std::string::npos);
    EXPECT_NE(xml.find("<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
                       "applyNumberFormat=\"1\"/>"),
              std::string::npos);
}

} // namespace

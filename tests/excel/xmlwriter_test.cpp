// The XML writer: escaping of text and attribute values, element nesting, chunked output.
#include "excel/engine/xmlwriter.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kelvoran::xlsx;

namespace {

struct EscapeCase {
    const char *name;
    std::string input;
    std::string asText;
    std::string asAttribute;
};

class XmlEscape : public testing::TestWithParam<EscapeCase> {};

TEST_P(XmlEscape, TextAndAttributeValues) {
    const EscapeCase &c = GetParam();
    XmlWriter text;
    text.text(c.input);
    EXPECT_EQ(text.str(), c.asText);
    XmlWriter attr;
    attr.open("a");
    attr.attr("v", c.input);
    attr.close();
    EXPECT_EQ(attr.str(), "<a v=\"" + c.asAttribute + "\"/>");
}

const EscapeCase kEscapeCases[] = {
    {"Plain", "plain text", "plain text", "plain text"},
    {"Utf8", "日本語の見出し", "日本語の見出し", "日本語の見出し"},
    {"MarkupCharacters", "a<b>&c", "a&lt;b&gt;&amp;c", "a&lt;b&gt;&amp;c"},
    {"Quotes", "say \"hi\" it's", "say &quot;hi&quot; it's", "say &quot;hi&quot; it's"},
    {"EntityTextIsEscapedAgain", "&amp;", "&amp;amp;", "&amp;amp;"},
    // Line ends and tabs stay in text; in attributes they would be read back as spaces.
    {"Tab", "a\tb", "a\tb", "a&#9;b"},
    {"LineEnds", "two\r\nlines\n", "two\r\nlines\n", "two&#13;&#10;lines&#10;"},
    // Characters XML 1.0 cannot hold.
    {"ControlCharacters", std::string("nul\0x", 5) + "\x01\x1f", "nul_x0000_x_x0001__x001F_",
     "nul_x0000_x_x0001__x001F_"},
    {"Escape", "\x1b[0m", "_x001B_[0m", "_x001B_[0m"},
    // A literal escape sequence is protected so that a reader does not decode it.
    {"LiteralEscapeSequence", "_x0041_", "_x005F_x0041_", "_x005F_x0041_"},
    {"LowerCaseHex", "id_x00e9_", "id_x005F_x00e9_", "id_x005F_x00e9_"},
    {"SequenceAfterUnderscore", "a__x0041__b", "a__x005F_x0041__b", "a__x005F_x0041__b"},
    {"NotASequenceThreeDigits", "_x004_", "_x004_", "_x004_"},
    {"NotASequenceNoHex", "_xZZZZ_", "_xZZZZ_", "_xZZZZ_"},
    {"NotASequenceUnclosed", "_x0041", "_x0041", "_x0041"},
    {"NotASequenceUpperX", "_X0041_", "_X0041_", "_X0041_"},
};

INSTANTIATE_TEST_SUITE_P(Cases, XmlEscape, testing::ValuesIn(kEscapeCases),
                         [](const testing::TestParamInfo<EscapeCase> &row) {
                             return std::string(row.param.name);
                         });

TEST(XmlWriter, ElementsCloseAsEmptyOrWithEndTag) {
    XmlWriter xml;
    xml.open("a");
    xml.attrInt("n", -12);
    xml.open("b");
    xml.close();
    xml.empty("c");
    xml.open("d");
    xml.startContent();
    xml.close();
    xml.open("e");
    xml.text("x");
    xml.close();
    xml.open("f");
    xml.attrNumber("w", 13.5);
    xml.attrNumber("big", 1e21);
    xml.attrNumber("third", 1.0 / 3);
    xml.closeAll();
    EXPECT_EQ(xml.str(), "<a n=\"-12\"><b/><c/><d></d><e>x</e><f w=\"13.5\" big=\"1e+21\" "
                         "third=\"0.3333333333333333\"/></a>");
}

TEST(XmlWriter, RawMarkupEndsTheStartTagFirst) {
    XmlWriter xml;
    xml.declaration();
    xml.open("root");
    xml.attr("xmlns", xmlns::kMain);
    xml.raw("<kept x=\"1\"/>");
    xml.integer(42);
    xml.number(0.1);
    xml.closeAll();
    EXPECT_EQ(xml.str(), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<root xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                         "main\"><kept x=\"1\"/>420.1</root>");
}

TEST(XmlWriter, ChunksAreHandedOnOnceFullAndJoinToTheWholeText) {
    std::vector<std::string> chunks;
    XmlWriter xml([&](const std::string &chunk) { chunks.push_back(chunk); }, 10);
    xml.raw("<list>");
    xml.flushIfFull(); // 6 bytes: kept
    EXPECT_TRUE(chunks.empty());
    xml.raw("<item/>");
    xml.flushIfFull(); // 13 bytes: handed on
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], "<list><item/>");
    EXPECT_EQ(xml.size(), 0u);
    xml.raw("</list>");
    xml.flush();
    xml.flush(); // nothing left: no empty chunk
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[1], "</list>");
}

TEST(XmlWriter, WithoutSinkTheTextStaysInTheBuffer) {
    XmlWriter xml;
    xml.raw("<a/>");
    xml.flush();
    EXPECT_EQ(xml.take(), "<a/>");
    EXPECT_EQ(xml.size(), 0u);
}

} // namespace

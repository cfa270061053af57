#include "csv/csvoptions.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvoran;

TEST(CsvLine, Splitting) {
    struct Case {
        const char *line;
        const char *separator;
        QStringList fields;
    };
    const std::vector<Case> cases{
        {"A,,C", ",", {"A", "", "C"}},
        {"a\tb c\td", "#9", {"a", "b c", "d"}}, // "#9" is a tab
        {"a b", "#8", {"a", "b"}},              // "#8" is one blank
        {"x||y||", "||", {"x", "y", ""}},       // two characters are one separator
        {"x|||y", "||", {"x", "|y"}},
        {"", ",", {""}}, // an empty line is one empty field
        {"no separator", "@", {"no separator"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(splitCsvLine(QString::fromUtf8(c.line), QString::fromUtf8(c.separator)), c.fields)
            << c.line;
}

TEST(CsvLine, BlankRules) {
    const QStringList fields{"A", "", "  ", " c "};
    using V = std::vector<std::optional<QString>>;
    EXPECT_EQ(applyBlankRule(fields, BlankRule::NullInsert),
              (V{QStringLiteral("A"), std::nullopt, std::nullopt, QStringLiteral(" c ")}));
    EXPECT_EQ(applyBlankRule(fields, BlankRule::TrimInsert),
              (V{QStringLiteral("A"), QString(), QString(), QStringLiteral("c")}));
    EXPECT_EQ(applyBlankRule(fields, BlankRule::AsIs),
              (V{QStringLiteral("A"), QString(), QStringLiteral("  "), QStringLiteral(" c ")}));
    CsvOptions o;
    o.blankRule = -1; // nothing chosen acts as rule 0
    EXPECT_EQ(o.rule(), BlankRule::NullInsert);
    o.separator = QStringLiteral("#9");
    EXPECT_EQ(o.effectiveSeparator(), QStringLiteral("\t"));
}

// A field is quoted only when it holds the separator, a double quote or a line break; every
// other field is written as it is.
TEST(CsvLine, QuotingOnWrite) {
    struct Case {
        QStringList fields;
        const char *separator;
        const char *line;
    };
    const std::vector<Case> cases{
        {{"1", "a b", "", " c "}, ",", "1,a b,, c "},
        {{"c,d", "x"}, ",", "\"c,d\",x"},
        {{"say \"hi\"", "x"}, ",", "\"say \"\"hi\"\"\",x"},
        {{"two\nlines", "cr\r\nlf"}, ",", "\"two\nlines\",\"cr\r\nlf\""},
        {{"a,b", "c\td"}, "#9", "a,b\t\"c\td\""}, // only the separator in use counts
        {{"x||y", "x|y"}, "||", "\"x||y\"||x|y"},
        {{"a b", "c"}, "#8", "\"a b\" c"},
        {{"mid\"quote"}, "@", "\"mid\"\"quote\""},
        {{"全角,値", "日本語"}, ",", "\"全角,値\",日本語"},
    };
    for (const Case &c : cases) {
        const QString separator = separatorFromSetting(QString::fromUtf8(c.separator));
        EXPECT_EQ(joinCsvFields(c.fields, separator), QString::fromUtf8(c.line)) << c.line;
        // The byte writer for ASCII rows writes the same, and gives up on anything else.
        QByteArray bytes;
        bool ascii = true;
        for (qsizetype i = 0; i < c.fields.size() && ascii; ++i) {
            if (i > 0)
                bytes += separator.toLatin1();
            ascii = appendAsciiCsvField(bytes, c.fields[i].toUtf8(), separator.toLatin1());
        }
        const QString line = QString::fromUtf8(c.line);
        EXPECT_EQ(ascii, std::all_of(line.begin(), line.end(),
                                     [](QChar ch) { return ch.unicode() < 0x80; }))
            << c.line;
        if (ascii) {
            EXPECT_EQ(bytes, line.toLatin1()) << c.line;
        }
        // What is written reads back as the same fields.
        const CsvRecordFields back =
            splitCsvRecord(QString::fromUtf8(c.line), QString::fromUtf8(c.separator));
        EXPECT_EQ(back.state, CsvRecordState::Complete) << c.line;
        EXPECT_EQ(back.fields, c.fields) << c.line;
    }
}

TEST(CsvLine, QuotedFieldsOnRead) {
    using S = CsvRecordState;
    struct Case {
        const char *record;
        const char *separator;
        S state;
        QStringList fields; // when complete
    };
    const std::vector<Case> cases{
        {"\"a,b\",c", ",", S::Complete, {"a,b", "c"}},
        {"\"\",x", ",", S::Complete, {"", "x"}},
        {"x,\"\"\"\"", ",", S::Complete, {"x", "\""}},
        {"\"a\nb\"", ",", S::Complete, {"a\nb"}},
        // A double quote that does not start a field is an ordinary character.
        {"ab\"c,d\"", ",", S::Complete, {"ab\"c", "d\""}},
        {"5 \"in\",x", ",", S::Complete, {"5 \"in\"", "x"}},
        {"\"x||y\"||z", "||", S::Complete, {"x||y", "z"}},
        // The value goes on on the next line.
        {"1,\"open", ",", S::OpenQuote, {}},
        {"1,\"a\"\"", ",", S::OpenQuote, {}},
        // Something other than the separator after the closing double quote.
        {"\"a\"b,c", ",", S::Malformed, {}},
        {"\"x\"|y", "||", S::Malformed, {}},
    };
    for (const Case &c : cases) {
        const CsvRecordFields r =
            splitCsvRecord(QString::fromUtf8(c.record), QString::fromUtf8(c.separator));
        EXPECT_EQ(r.state, c.state) << c.record;
        if (c.state == S::Complete) {
            EXPECT_EQ(r.fields, c.fields) << c.record;
        }
    }
}

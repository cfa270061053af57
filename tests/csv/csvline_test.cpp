#include "csv/csvoptions.h"

#include <gtest/gtest.h>

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

#include "db/querytext.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

QueryParts sampleParts() {
    QueryParts parts;
    parts.selectHead = QStringLiteral("SELECT ");
    parts.items = {{QStringLiteral("a"), QString()}, {QStringLiteral("b"), QStringLiteral("x")}};
    parts.fromLines = {QStringLiteral("FROM t  "), QStringLiteral("  JOIN u ON u.id = t.id")};
    parts.whereLines = {QStringLiteral("WHERE z = 1")};
    return parts;
}

TEST(QueryText, RebuiltSelectWithAliasesOnOracle) {
    EXPECT_EQ(rebuiltQueryLines(sampleParts(), true),
              (QStringList{"SELECT  ", " a  ", " ,b x ", " FROM t ", " JOIN u ON u.id = t.id ",
                           " WHERE z = 1 "}));
}

TEST(QueryText, RebuiltSelectWithoutAliasesElsewhere) {
    EXPECT_EQ(rebuiltQueryLines(sampleParts(), false),
              (QStringList{"SELECT  ", " a ", " ,b ", " FROM t ", " JOIN u ON u.id = t.id ",
                           " WHERE z = 1 "}));
}

TEST(QueryText, CountWrappers) {
    EXPECT_EQ(
        countStatementLines({QStringLiteral("SELECT a FROM t")}),
        (QStringList{" SELECT COUNT(*)          ", "        FROM  (", " SELECT a FROM t ", " )"}));
    EXPECT_EQ(countStatementLines({QStringLiteral("SELECT a FROM t")}, QStringLiteral("N")).last(),
              QStringLiteral(" ) N"));
    EXPECT_EQ(countTableLines(QStringLiteral("EMP")),
              (QStringList{" SELECT COUNT(*)          ", "        FROM EMP "}));
}

TEST(QueryText, EnKeySeparatorFollowsEveryLine) {
    EXPECT_EQ(
        joinWithSeparator({QStringLiteral("a"), QStringLiteral("b")}, lineSeparatorForEnKey(1)),
        QStringLiteral("a\rb\r"));
    EXPECT_EQ(lineSeparatorForEnKey(0), QStringLiteral("\n"));
    EXPECT_EQ(lineSeparatorForEnKey(7), QStringLiteral("\n"));
}

} // namespace

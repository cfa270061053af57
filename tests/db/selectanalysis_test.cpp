#include "db/selectanalysis.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <iostream>
#include <random>

using namespace kelvoran;

namespace {

std::string s(const QString &q) {
    return q.toStdString();
}

struct ScanCase {
    const char *name;
    QStringList lines;
    bool oracle;
    StatementKind kind;
    QString head;
    std::vector<SelectItem> items;
    QStringList fromLines;
    QStringList whereLines;
};

void PrintTo(const ScanCase &c, std::ostream *os) {
    *os << c.name;
}

std::vector<SelectItem> rows(std::initializer_list<std::pair<const char *, const char *>> list) {
    std::vector<SelectItem> out;
    for (const auto &p : list)
        out.push_back({QString::fromUtf8(p.first), QString::fromUtf8(p.second)});
    return out;
}

QStringList L(std::initializer_list<const char *> list) {
    QStringList out;
    for (const char *l : list)
        out << QString::fromUtf8(l);
    return out;
}

std::string describe(const std::vector<SelectItem> &items) {
    std::string out;
    for (const SelectItem &i : items)
        out += "(" + s(i.physicalName) + " | " + s(i.alias) + ") ";
    return out;
}

class ScanTest : public ::testing::TestWithParam<ScanCase> {};

} // namespace

TEST_P(ScanTest, Scans) {
    const ScanCase &c = GetParam();
    const SelectAnalysis r = AnalyzeSelect(c.lines, c.oracle);
    EXPECT_EQ(r.statementKind, c.kind);
    EXPECT_EQ(r.selectHead, c.head) << "[" << s(r.selectHead) << "]";
    EXPECT_EQ(r.items, c.items) << describe(r.items);
    EXPECT_EQ(r.fromLines, c.fromLines) << s(r.fromLines.join(QStringLiteral("\\n")));
    EXPECT_EQ(r.whereLines, c.whereLines) << s(r.whereLines.join(QStringLiteral("\\n")));
}

const StatementKind Q = StatementKind::Query;
const StatementKind O = StatementKind::Other;

INSTANTIATE_TEST_SUITE_P(
    Statements, ScanTest,
    ::testing::Values(
        ScanCase{"ItemsAliasesAndKeptLines", L({"SELECT a, b AS x, c y FROM t WHERE z = 1"}), false,
                 Q, "SELECT ", rows({{"a", ""}, {"b", "x"}, {"c", "y"}}), L({"FROM t"}),
                 L({"WHERE z = 1"})},
        ScanCase{"DistinctJoinsTheHead",
                 L({"SELECT DISTINCT a FROM t"}),
                 false,
                 Q,
                 "SELECT  DISTINCT ",
                 rows({{"a", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"KeywordsInAnyCase", L({"select all a as b from t where c = 1"}), false, Q,
                 "select  all ", rows({{"a", "b"}}), L({"from t"}), L({"where c = 1"})},
        ScanCase{"OracleHintGoesToTheHead",
                 L({"SELECT /*+ FULL(t) */ a FROM t"}),
                 true,
                 Q,
                 "SELECT  /*+ FULL(t) */  ",
                 rows({{"a", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"HintThenDistinct",
                 L({"SELECT /*+ INDEX(t i) */ DISTINCT a FROM t"}),
                 true,
                 Q,
                 "SELECT  /*+ INDEX(t i) */   DISTINCT ",
                 rows({{"a", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"HintOverTwoLines",
                 L({"SELECT /*+ FULL(t)", "PARALLEL(t 4) */ a FROM t"}),
                 true,
                 Q,
                 "SELECT  /*+ FULL(t) PARALLEL(t 4) */  ",
                 rows({{"a", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"HintIsACommentForOtherDatabases",
                 L({"SELECT /*+ FULL(t) */ a FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"WordStraightAfterAHintIsKept",
                 L({"SELECT /*+ X */a FROM t"}),
                 true,
                 Q,
                 "SELECT  /*+ X */ ",
                 rows({{"a", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"FunctionJoinsItsParenthesis",
                 L({"SELECT COUNT (*) cnt FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"COUNT(*)", "cnt"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"CommaInsideAStringDoesNotSplit",
                 L({"SELECT 'a, b' x FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"'a, b'", "x"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"LineComment",
                 L({"SELECT a -- note", ", b FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", ""}, {"b", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"BlockComment",
                 L({"SELECT a /* , b */ , c FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", ""}, {"c", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"CaseExpressionComesOutWhole",
                 L({"SELECT CASE WHEN a = 1 THEN 'x' ELSE 'y' END kind FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"CASE WHEN a = 1 THEN 'x' ELSE 'y' END ", "kind"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"CaseOverLinesWithFunctionsAndOperators",
                 L({"SELECT CASE", "WHEN NVL(a,0)+1 > 2 THEN 'x, y' END AS k, b FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"CASE WHEN NVL(a,0)+1 > 2 THEN 'x, y' END ", "k"}, {"b", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"OperatorBeforeCase",
                 L({"SELECT a || CASE WHEN b IS NULL THEN '-' ELSE b END x FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a||CASE WHEN b IS NULL THEN '-' ELSE b END ", "x"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"NestedCaseClosesAtItsOwnEnd",
                 L({"SELECT CASE WHEN a = 1 THEN CASE WHEN b = 2 THEN 'x' END ELSE 'y' END k, c "
                    "FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"CASE WHEN a = 1 THEN CASE WHEN b = 2 THEN 'x' END ELSE 'y' END ", "k"},
                       {"c", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"CaseEndedByACommaKeepsItsText",
                 L({"SELECT CASE a WHEN 1 THEN 2 END, b FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"CASE a WHEN 1 THEN 2 END ", ""}, {"b", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"UnionStopsTheScan",
                 L({"SELECT a FROM t1 UNION SELECT b FROM t2"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", ""}}),
                 L({"FROM t1 UNION SELECT b FROM t2"}),
                 {}},
        ScanCase{
            "NoFromIsNoQuery", L({"SELECT 1"}), false, O, "SELECT ", rows({{"1", ""}}), {}, {}},
        ScanCase{"ProcedureCall",
                 L({"EXEC my_proc(1, 'a')"}),
                 false,
                 StatementKind::ProcedureCall,
                 "EXEC ",
                 {},
                 {},
                 {}},
        ScanCase{"ProcedureCallLong",
                 L({"execute pkg.run"}),
                 false,
                 StatementKind::ProcedureCall,
                 "execute ",
                 {},
                 {},
                 {}},
        ScanCase{"Show", L({"SHOW TABLES"}), false, StatementKind::Show, "SHOW ", {}, {}, {}},
        ScanCase{
            "OtherStatement", L({"DELETE FROM t WHERE a = 1"}), false, O, QString(), {}, {}, {}},
        ScanCase{"WordAfterTheAliasJoinsThePhysicalName",
                 L({"SELECT a b c FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"ac", "b"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"NamesBeginningWithKeywordsAreNotKeywords",
                 L({"SELECT DISTINCTNESS, FROM_DATE, SELECTED x, WHERE_CLAUSE, CASE_NO c, "
                    "END_DATE, ASSET AS A2, UNIONS, MINUSES FROM t WHERE_ x"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"DISTINCTNESS", ""},
                       {"FROM_DATE", ""},
                       {"SELECTED", "x"},
                       {"WHERE_CLAUSE", ""},
                       {"CASE_NO", "c"},
                       {"END_DATE", ""},
                       {"ASSET", "A2"},
                       {"UNIONS", ""},
                       {"MINUSES", ""}}),
                 L({"FROM t WHERE_ x"}),
                 {}},
        ScanCase{"NamesEndingWithOrHoldingKeywordsAreNotKeywords",
                 L({"select myfrom, X_WHERE w, NOTDISTINCT, ALIAS_AS AS z, IsCase, From1, "
                    "CASE$ c, WHERE# AS h, RESELECT, union2 FROM t where x = 1"}),
                 false, Q, "select ",
                 rows({{"myfrom", ""},
                       {"X_WHERE", "w"},
                       {"NOTDISTINCT", ""},
                       {"ALIAS_AS", "z"},
                       {"IsCase", ""},
                       {"From1", ""},
                       {"CASE$", "c"},
                       {"WHERE#", "h"},
                       {"RESELECT", ""},
                       {"union2", ""}}),
                 L({"FROM t"}), L({"where x = 1"})},
        ScanCase{"OperatorsJoinTheirOperands",
                 L({"SELECT a + b, c || d AS e, x * 2 y, -1 n, 100 % 7 m, a / b q, p - 1 FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a+b", ""},
                       {"c||d", "e"},
                       {"x*2", "y"},
                       {"-1", "n"},
                       {"100%7", "m"},
                       {"a/b", "q"},
                       {"p-1", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"StarAndQualifiedStar",
                 L({"SELECT *, t.* FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"*", ""}, {"t.*", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"KeptLinesOverSeveralLines",
                 L({"SELECT a,", "  b", "FROM t1,", "  t2 WHERE t1.x = t2.x", "  AND y = 1"}),
                 false, Q, "SELECT ", rows({{"a", ""}, {"b", ""}}), L({"FROM t1,", "t2"}),
                 L({"WHERE t1.x = t2.x", "  AND y = 1"})},
        ScanCase{"WhereOnItsOwnLine", L({"SELECT a FROM t", "WHERE b = 1", "ORDER BY a"}), false, Q,
                 "SELECT ", rows({{"a", ""}}), L({"FROM t", ""}), L({"WHERE b = 1", "ORDER BY a"})},
        ScanCase{"NoWhereKeepsEveryLaterLine",
                 L({"SELECT a", "  FROM t ", "ORDER BY a"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", ""}}),
                 L({"FROM t", "ORDER BY a"}),
                 {}},
        ScanCase{"WhereOfASubqueryInFromIsNotTheStatements",
                 L({"SELECT a FROM (SELECT a FROM t WHERE b = 1) s WHERE a > 0"}), false, Q,
                 "SELECT ", rows({{"a", ""}}), L({"FROM (SELECT a FROM t WHERE b = 1) s"}),
                 L({"WHERE a > 0"})},
        ScanCase{"WhereOfASubqueryInWhereIsNotTheStatements",
                 L({"SELECT a FROM t WHERE a IN (SELECT b FROM u WHERE c = 1 UNION SELECT 2 FROM "
                    "v)"}),
                 false, Q, "SELECT ", rows({{"a", ""}}), L({"FROM t"}),
                 L({"WHERE a IN (SELECT b FROM u WHERE c = 1 UNION SELECT 2 FROM v)"})},
        ScanCase{"FromStraightAgainstItsParenthesis",
                 L({"SELECT a FROM(SELECT 1 a FROM dual) WHERE(a = 1)"}), false, Q, "SELECT ",
                 rows({{"a", ""}}), L({"FROM(SELECT 1 a FROM dual)"}), L({"WHERE(a = 1)"})},
        ScanCase{"ScalarSubqueryIsOneItem",
                 L({"SELECT (SELECT MAX(x) FROM u) m, a FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"(SELECT MAX(x) FROM u)", "m"}, {"a", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"LineEndInsideParenthesesKeepsWordsApart",
                 L({"SELECT (SELECT x", "FROM u) m FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"(SELECT x FROM u)", "m"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"MinusAfterFromLeavesTheItemsAlone", L({"SELECT a, b FROM t WHERE x = -1"}), false,
                 Q, "SELECT ", rows({{"a", ""}, {"b", ""}}), L({"FROM t"}), L({"WHERE x = -1"})},
        ScanCase{"QuotedNamesKeepBlanks",
                 L({"SELECT \"a b\" \"My Alias\" FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"\"a b\"", "\"My Alias\""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"JapaneseNamesAndFullWidthBlank",
                 L({"SELECT 売上 AS 金額, 地域　名 FROM 表"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"売上", "金額"}, {"地域", "名"}}),
                 L({"FROM 表"}),
                 {}},
        ScanCase{"EmptyItemKeepsItsRow",
                 L({"SELECT a,,b FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", ""}, {"", ""}, {"b", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"TabsAndBlankLines",
                 L({"", "\tSELECT\ta\tx", "", "FROM\tt"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", "x"}}),
                 L({"FROM\tt"}),
                 {}},
        ScanCase{"EmptyText", {}, false, O, QString(), {}, {}, {}}));

// A literal written with its type (DATE '...', INTERVAL '1' DAY) is one expression: the string is
// not its alias, and the word after it is.
INSTANTIATE_TEST_SUITE_P(
    TypedLiterals, ScanTest,
    ::testing::Values(
        ScanCase{
            "DateWithAndWithoutAlias",
            L({"SELECT DATE '2024-01-01' AS d, DATE '2024-12-31', date '2024-02-29' e FROM t"}),
            false,
            Q,
            "SELECT ",
            rows({{"DATE '2024-01-01'", "d"},
                  {"DATE '2024-12-31'", ""},
                  {"date '2024-02-29'", "e"}}),
            L({"FROM t"}),
            {}},
        ScanCase{"TimestampAndTime",
                 L({"SELECT TIMESTAMP '2024-01-01 10:00:00' ts, TIMESTAMP '2024-01-01 10:00:00',",
                    "TIME '10:30:00' AS tm, TIME '10:30:00' FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"TIMESTAMP '2024-01-01 10:00:00'", "ts"},
                       {"TIMESTAMP '2024-01-01 10:00:00'", ""},
                       {"TIME '10:30:00'", "tm"},
                       {"TIME '10:30:00'", ""}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"IntervalKeepsItsUnits",
                 L({"SELECT INTERVAL '1' DAY AS i, INTERVAL '1' DAY, INTERVAL '4 5:12' DAY TO "
                    "MINUTE span, INTERVAL '1' DAY(3) d3, INTERVAL '2 hours' h FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"INTERVAL '1' DAY", "i"},
                       {"INTERVAL '1' DAY", ""},
                       {"INTERVAL '4 5:12' DAY TO MINUTE", "span"},
                       {"INTERVAL '1' DAY(3)", "d3"},
                       {"INTERVAL '2 hours'", "h"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"AliasNamedLikeAUnitAfterAs",
                 L({"SELECT INTERVAL '1' DAY AS day FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"INTERVAL '1' DAY", "day"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"PostgresTimestamptzAndCasts",
                 L({"SELECT timestamptz '2024-01-01 00:00+09' AS tz, timestamptz '2024-01-01', "
                    "x::numeric(10,2), x::numeric(10,2) AS n, x :: numeric (10, 2) m FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"timestamptz '2024-01-01 00:00+09'", "tz"},
                       {"timestamptz '2024-01-01'", ""},
                       {"x::numeric(10,2)", ""},
                       {"x::numeric(10,2)", "n"},
                       {"x::numeric(10, 2)", "m"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"LiteralInsideAnExpression",
                 L({"SELECT d - DATE '2024-01-01' AS days, now() + INTERVAL 1 DAY tomorrow, "
                    "DATE '2024-01-01' + 1 nxt FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"d-DATE '2024-01-01'", "days"},
                       {"now()+INTERVAL 1 DAY", "tomorrow"},
                       {"DATE '2024-01-01'+1", "nxt"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{
            "LiteralOnTheNextLine",
            L({"SELECT DATE", "  '2024-01-01' d,", "TIMESTAMP", "'2024-01-01 00:00:00'", "FROM t"}),
            false,
            Q,
            "SELECT ",
            rows({{"DATE '2024-01-01'", "d"}, {"TIMESTAMP '2024-01-01 00:00:00'", ""}}),
            L({"FROM t"}),
            {}},
        // Elsewhere a string after a word is still its alias, and type names are ordinary words.
        ScanCase{"StringAliasAndColumnsNamedLikeTypes",
                 L({"SELECT a 'x', date, time t, interval i, b c d FROM t"}),
                 false,
                 Q,
                 "SELECT ",
                 rows({{"a", "'x'"}, {"date", ""}, {"time", "t"}, {"interval", "i"}, {"bd", "c"}}),
                 L({"FROM t"}),
                 {}},
        ScanCase{"TypeNamesAsAliases",
                 L({"SELECT a date, b AS time, c interval FROM t WHERE d > DATE '2024-01-01'"}),
                 false, Q, "SELECT ", rows({{"a", "date"}, {"b", "time"}, {"c", "interval"}}),
                 L({"FROM t"}), L({"WHERE d > DATE '2024-01-01'"})}));

TEST(SelectAnalysis, PositionsAndSelectPart) {
    const QStringList lines = L({"  SELECT a,", "  b", "  FROM t1,", "  t2 WHERE x = 1"});
    const SelectAnalysis r = AnalyzeSelect(lines, false);
    EXPECT_EQ(r.selectPosition.line, 0);
    EXPECT_EQ(r.selectPosition.column, 2);
    EXPECT_EQ(r.fromPosition.line, 2);
    EXPECT_EQ(r.fromPosition.column, 2);
    EXPECT_EQ(r.wherePosition.line, 3);
    EXPECT_EQ(r.wherePosition.column, 5);
    EXPECT_EQ(r.selectLines, L({"SELECT a,", "  b", "  "}));

    const SelectAnalysis one = AnalyzeSelect(L({"SELECT a FROM t WHERE b"}), false);
    EXPECT_EQ(one.selectLines, L({"SELECT a"}));

    const SelectAnalysis none = AnalyzeSelect(L({"SELECT 1"}), false);
    EXPECT_FALSE(none.fromPosition.found());
    EXPECT_FALSE(none.wherePosition.found());
    EXPECT_TRUE(none.selectLines.isEmpty());
}

// Long statements scan in time proportional to their length: a select list of many items and a
// very long literal. (A scan that re-reads its word buffer per character takes minutes here.)
TEST(SelectAnalysis, LongStatementsScanInLinearTime) {
    QStringList lines{QStringLiteral("SELECT")};
    for (int i = 0; i < 20000; ++i)
        lines << QStringLiteral("  NVL(c%1, 0) + 1 AS a%1,").arg(i);
    lines << QStringLiteral("  x FROM t WHERE s = '") + QString(400000, u'x') + QStringLiteral("'");
    lines << QStringLiteral("  AND y IN (") + QStringLiteral("1, ").repeated(100000) +
                 QStringLiteral("1)");
    QElapsedTimer timer;
    timer.start();
    const SelectAnalysis r = AnalyzeSelect(lines, true);
    EXPECT_LT(timer.elapsed(), 5000);
    ASSERT_EQ(r.items.size(), 20001u);
    EXPECT_EQ(r.items[19999],
              (SelectItem{QStringLiteral("NVL(c19999, 0)+1"), QStringLiteral("a19999")}));
    EXPECT_EQ(r.whereLines.size(), 2);
}

TEST(StripAliasQuotes, RemovesOneEnclosingPair) {
    std::vector<SelectItem> items = rows({{"a", "\"My Alias\""},
                                          {"b", "\"open"},
                                          {"c", "close\""},
                                          {"d", "\"\"twice\"\""},
                                          {"e", "\""},
                                          {"f", "plain"},
                                          {"\"g\"", ""}});
    StripAliasQuotes(items);
    EXPECT_EQ(items, rows({{"a", "My Alias"},
                           {"b", "open"},
                           {"c", "close"},
                           {"d", "\"twice\""},
                           {"e", ""},
                           {"f", "plain"},
                           {"\"g\"", ""}}));
    // As after a run: the alias of the scan shows without its quotes.
    SelectAnalysis r = AnalyzeSelect(L({"SELECT a \"売上 合計\" FROM t"}), false);
    StripAliasQuotes(r.items);
    EXPECT_EQ(r.items, rows({{"a", "売上 合計"}}));
}

// Random SQL-like texts: the scan always ends, and what it reports is consistent with the text
// (a query's FROM and WHERE positions point at those words, kept lines only for queries).
TEST(SelectAnalysis, FuzzedTextsGiveConsistentResults) {
    const QStringList fragments =
        L({"SELECT", "select", "FROM", "from",      "WHERE",    "UNION",    "MINUS", "CASE",
           "END",    "WHEN",   "THEN", "ELSE",      "AS",       "DISTINCT", "ALL",   "EXEC",
           "SHOW",   "a",      "b1",   "FROM_DATE", "\"q a\"",  "'s, t'",   "'",     "\"",
           "(",      ")",      "((",   ",",         ",,",       "+",        "-",     "--",
           "*",      "/",      "/*",   "*/",        "/*+",      "%",        "|",     "||",
           " ",      "  ",     "\t",   "　",        "NVL(a,0)", "COUNT(*)", "売上",  "x.y",
           "1",      "-1",     "''",   "=",         ";",        "\\"});
    std::mt19937 rng(20261209);
    int queries = 0, withWhere = 0, withItems = 0;
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 20000; ++round) {
        // A token list: mostly a query skeleton with random fragments in its parts, sometimes
        // fragments alone; joined by random separators, line ends included; then a few
        // characters replaced by anything.
        QStringList tokens;
        auto randomFragments = [&](int most) {
            const int n = pick(most + 1);
            for (int i = 0; i < n; ++i)
                tokens << fragments.at(pick(static_cast<int>(fragments.size())));
        };
        if (pick(5) > 0) {
            tokens << (pick(2) ? QStringLiteral("SELECT") : QStringLiteral("select"));
            randomFragments(8);
            tokens << QStringLiteral("FROM");
            randomFragments(4);
            if (pick(2)) {
                tokens << QStringLiteral("WHERE");
                randomFragments(5);
            }
        } else {
            randomFragments(14);
        }
        QStringList lines{QString()};
        for (const QString &token : tokens) {
            lines.last() += token;
            switch (pick(6)) {
            case 0:
                lines << QString();
                break;
            case 1:
                break;
            case 2:
                lines.last() += QLatin1Char('\t');
                break;
            default:
                lines.last() += QLatin1Char(' ');
                break;
            }
        }
        for (int m = pick(4); m > 0; --m) {
            QString &line = lines[pick(static_cast<int>(lines.size()))];
            if (line.isEmpty())
                continue;
            // Any character of the basic plane but surrogates, or printable ASCII.
            line[pick(static_cast<int>(line.size()))] =
                pick(2) ? QChar(static_cast<char16_t>(1 + pick(0xd7ff)))
                        : QChar(static_cast<char16_t>(0x20 + pick(95)));
        }
        const bool oracle = pick(2) == 1;
        const SelectAnalysis r = AnalyzeSelect(lines, oracle);
        const std::string where =
            "round " + std::to_string(round) + ": " + s(lines.join(QStringLiteral("\\n")));
        switch (r.statementKind) {
        case StatementKind::Query: {
            ++queries;
            withWhere += r.wherePosition.found() ? 1 : 0;
            ASSERT_TRUE(r.selectPosition.found()) << where;
            ASSERT_TRUE(r.fromPosition.found()) << where;
            ASSERT_LT(r.fromPosition.line, lines.size()) << where;
            EXPECT_EQ(lines.at(r.fromPosition.line).mid(r.fromPosition.column, 4).toUpper(),
                      QStringLiteral("FROM"))
                << where;
            EXPECT_EQ(lines.at(r.selectPosition.line).mid(r.selectPosition.column, 6).toUpper(),
                      QStringLiteral("SELECT"))
                << where;
            ASSERT_FALSE(r.fromLines.isEmpty()) << where;
            EXPECT_TRUE(r.fromLines.first().startsWith(QLatin1String("FROM"), Qt::CaseInsensitive))
                << where;
            if (r.wherePosition.found()) {
                EXPECT_TRUE(std::make_pair(r.wherePosition.line, r.wherePosition.column) >
                            std::make_pair(r.fromPosition.line, r.fromPosition.column))
                    << where;
                ASSERT_FALSE(r.whereLines.isEmpty()) << where;
                EXPECT_TRUE(
                    r.whereLines.first().startsWith(QLatin1String("WHERE"), Qt::CaseInsensitive))
                    << where;
            } else {
                EXPECT_TRUE(r.whereLines.isEmpty()) << where;
            }
            break;
        }
        case StatementKind::ProcedureCall:
        case StatementKind::Show:
            EXPECT_TRUE(r.selectHead.endsWith(QLatin1Char(' '))) << where;
            [[fallthrough]];
        case StatementKind::Other:
            EXPECT_TRUE(r.fromLines.isEmpty() && r.whereLines.isEmpty() && r.selectLines.isEmpty())
                << where;
            break;
        default:
            ADD_FAILURE() << "unknown kind, " << where;
        }
        for (const SelectItem &item : r.items) {
            EXPECT_FALSE(item.physicalName.contains(QChar()) || item.alias.contains(QChar()))
                << where;
        }
        withItems += r.items.empty() ? 0 : 1;
        if (HasFailure())
            break;
    }
    // The inputs reach the interesting paths, not only the trivial ones.
    EXPECT_GT(queries, 2000);
    EXPECT_GT(withWhere, 500);
    EXPECT_GT(withItems, 2000);
    std::cout << "queries " << queries << ", with WHERE " << withWhere << ", with items "
              << withItems << "\n";
}

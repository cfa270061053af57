#include "db/scriptsplitter.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

struct SplitCase {
    const char *name;
    DbKind kind;
    QStringList lines;
    QString separator;
    // Executable texts, then the display text of the first statement (empty: not checked).
    QStringList expected;
    QString firstDisplay;
};

void PrintTo(const SplitCase &c, std::ostream *os) {
    *os << c.name;
}

class ScriptSplitterTest : public testing::TestWithParam<SplitCase> {};

TEST_P(ScriptSplitterTest, SplitsAsTheScriptRunnerSendsIt) {
    const SplitCase &c = GetParam();
    const auto statements = splitScript(c.lines, c.separator, c.kind);
    QStringList texts;
    for (const auto &s : statements) {
        texts << s.executableText;
        EXPECT_EQ(s.splitError, QString()) << s.executableText.toStdString();
    }
    EXPECT_EQ(texts, c.expected);
    if (!c.firstDisplay.isEmpty()) {
        ASSERT_FALSE(statements.empty());
        EXPECT_EQ(statements.front().displayText, c.firstDisplay);
    }
}

const QString LF = QStringLiteral("\n");
const QString CR = QStringLiteral("\r");

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptSplitterTest,
    testing::Values(
        SplitCase{"TwoOnOneLine", DbKind::Other, {"a; b;"}, LF, {"a", " b"}, {}},
        SplitCase{"ThreeLinesWithCrSeparator",
                  DbKind::Other,
                  {"SELECT a", "FROM t", "WHERE x = 1;"},
                  CR,
                  {"SELECT a\rFROM t\rWHERE x = 1"},
                  "SELECT a\r\nFROM t\r\nWHERE x = 1"},
        SplitCase{"BlankLineAddsOneSeparator",
                  DbKind::Other,
                  {"SELECT a", "", "FROM t;"},
                  LF,
                  {"SELECT a\n\nFROM t"},
                  "SELECT a\r\n\r\nFROM t"},
        SplitCase{"LineCommentOnlyLineAddsNone",
                  DbKind::Other,
                  {"SELECT a", "  -- note", "FROM t;"},
                  LF,
                  {"SELECT a\nFROM t"},
                  {}},
        SplitCase{"SemicolonInLineCommentBelongsToIt",
                  DbKind::Other,
                  {"SELECT 1 FROM DUAL -- comment;", ";"},
                  LF,
                  {"SELECT 1 FROM DUAL \n"},
                  {}},
        SplitCase{"SemicolonInBlockCommentDoesNotSplit",
                  DbKind::Other,
                  {"SELECT 1 /* x; y */ FROM t;"},
                  LF,
                  {"SELECT 1  FROM t"},
                  {}},
        SplitCase{"NestedCommentsPassedOverWhole",
                  DbKind::Other,
                  {"a /* x /* y */ z */ b;"},
                  LF,
                  {"a  b"},
                  {}},
        SplitCase{"LineCommentMarkInsideBlockClosesAtStarSlash",
                  DbKind::Other,
                  {"/* start", "-- old code */ SELECT 1;"},
                  LF,
                  {" SELECT 1"},
                  {}},
        SplitCase{"CommentAcrossLinesJoinsWithoutSeparator",
                  DbKind::Other,
                  {"SELECT a /* c", "d */ FROM t;"},
                  LF,
                  {"SELECT a  FROM t"},
                  {}},
        SplitCase{
            "TrailingStatementWithoutSemicolonIgnored", DbKind::Other, {"a;", "b"}, LF, {"a"}, {}},
        SplitCase{"NoSemicolonNoStatements", DbKind::Other, {"SELECT 1", "FROM t"}, LF, {}, {}},
        SplitCase{"BlankStatementsDropped", DbKind::Other, {";;a;", "  ;"}, LF, {"a"}, {}},
        SplitCase{"UnmatchedCloseIsStatementText", DbKind::Other, {"a */ b;"}, LF, {"a */ b"}, {}},
        SplitCase{"QuotedMarksAreText",
                  DbKind::Other,
                  {"INSERT INTO t VALUES ('a;b', 'x -- y', '/* z */', '*/');", "SELECT 2;"},
                  LF,
                  {"INSERT INTO t VALUES ('a;b', 'x -- y', '/* z */', '*/')", "SELECT 2"},
                  {}},
        SplitCase{"DoubledQuotesStayInside",
                  DbKind::Other,
                  {"SELECT 'it''s; ok', '''';", R"(SELECT "a;""b" FROM "t;";)"},
                  LF,
                  {"SELECT 'it''s; ok', ''''", R"(SELECT "a;""b" FROM "t;")"},
                  {}},
        SplitCase{"QuoteAcrossLinesKeepsBlankLinesAndSpaces",
                  DbKind::Other,
                  {"INSERT INTO t VALUES ('a", "", "  -- b;", "c');"},
                  CR,
                  {"INSERT INTO t VALUES ('a\r\r  -- b;\rc')"},
                  "INSERT INTO t VALUES ('a\r\n\r\n  -- b;\r\nc')"},
        SplitCase{"BlankBetweenLiteralsKept",
                  DbKind::Other,
                  {"SELECT 'a' 'b', \"c\" ;"},
                  LF,
                  {"SELECT 'a' 'b', \"c\""},
                  {}},
        SplitCase{"CommentAfterQuoteKeepsTheLineEnd",
                  DbKind::Other,
                  {"SELECT 'x' -- note", "FROM t;"},
                  LF,
                  {"SELECT 'x'\nFROM t"},
                  {}},
        SplitCase{"ApostropheInCommentOpensNothing",
                  DbKind::Other,
                  {"SELECT 1 /* don't */ FROM t;", "-- it's", "SELECT 2;"},
                  LF,
                  {"SELECT 1  FROM t", "SELECT 2"},
                  {}},
        SplitCase{"BackquotesAndBackslashesOnlyOnMySql",
                  DbKind::Postgre,
                  {R"(SELECT 'a\'; SELECT `b;c`;)"},
                  LF,
                  {R"(SELECT 'a\')", " SELECT `b", "c`"},
                  {}}),
    [](const testing::TestParamInfo<SplitCase> &p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    MySql, ScriptSplitterTest,
    testing::Values(
        SplitCase{"BackquotedNames",
                  DbKind::MySql,
                  {"SELECT `a;b`, `c``;d` FROM `t--x`;"},
                  LF,
                  {"SELECT `a;b`, `c``;d` FROM `t--x`"},
                  {}},
        SplitCase{"BackslashEscapes",
                  DbKind::MySql,
                  {R"(INSERT INTO t VALUES ('it\'s; \\', "q\"; r");)", "SELECT 2;"},
                  LF,
                  {R"(INSERT INTO t VALUES ('it\'s; \\', "q\"; r"))", "SELECT 2"},
                  {}},
        SplitCase{"DelimiterLinesAreNotSent",
                  DbKind::MySql,
                  {"DELIMITER //", "CREATE PROCEDURE p()", "BEGIN", "  SELECT 1; -- one;", "END//",
                   "delimiter ;", "CALL p();"},
                  LF,
                  {"CREATE PROCEDURE p()\nBEGIN\n  SELECT 1; \nEND", "CALL p()"},
                  {}},
        SplitCase{"DelimiterOnItsOwnLine",
                  DbKind::MySql,
                  {"  Delimiter $$  ", "CREATE TRIGGER tr BEFORE INSERT ON t", "FOR EACH ROW",
                   "BEGIN SET NEW.a = ';'; END", "$$", "DELIMITER ;", "SELECT 1;"},
                  LF,
                  {"CREATE TRIGGER tr BEFORE INSERT ON t\nFOR EACH ROW\nBEGIN SET NEW.a = ';'; "
                   "END\n",
                   "SELECT 1"},
                  {}},
        SplitCase{"DelimiterInsideAStatementIsText",
                  DbKind::MySql,
                  {"SELECT 1", "DELIMITER //", ";"},
                  LF,
                  {"SELECT 1\nDELIMITER //\n"},
                  {}},
        SplitCase{"DelimiterLineOnlyOnMySql",
                  DbKind::Other,
                  {"DELIMITER //", "SELECT 1;"},
                  LF,
                  {"DELIMITER //\nSELECT 1"},
                  {}}),
    [](const testing::TestParamInfo<SplitCase> &p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Postgre, ScriptSplitterTest,
    testing::Values(
        SplitCase{"DollarQuotedBodyKeptWhole",
                  DbKind::Postgre,
                  {"CREATE FUNCTION f() RETURNS int AS $$", "BEGIN", "  -- keep; this",
                   "  RETURN 1; /* and this */", "END;", "$$ LANGUAGE plpgsql;", "SELECT f();"},
                  LF,
                  {"CREATE FUNCTION f() RETURNS int AS $$\nBEGIN\n  -- keep; this\n  RETURN 1; "
                   "/* and this */\nEND;\n$$ LANGUAGE plpgsql",
                   "SELECT f()"},
                  {}},
        SplitCase{"TaggedDollarQuoteHoldsPlainOnes",
                  DbKind::Postgre,
                  {"DO $body$ BEGIN PERFORM $$x;$$; END $body$;", "SELECT $Tag_1$;$Tag_1$;"},
                  LF,
                  {"DO $body$ BEGIN PERFORM $$x;$$; END $body$", "SELECT $Tag_1$;$Tag_1$"},
                  {}},
        SplitCase{"ParametersAndNamesWithDollarsAreNotQuotes",
                  DbKind::Postgre,
                  {"PREPARE p AS SELECT $1, col$a$ FROM t;", "EXECUTE p(1);"},
                  LF,
                  {"PREPARE p AS SELECT $1, col$a$ FROM t", "EXECUTE p(1)"},
                  {}},
        SplitCase{"EscapeStringsTakeBackslashes",
                  DbKind::Postgre,
                  {R"(SELECT E'it\'s;', e'\\', 'plain\';)", "SELECT 2;"},
                  LF,
                  {R"(SELECT E'it\'s;', e'\\', 'plain\')", "SELECT 2"},
                  {}},
        SplitCase{"DollarQuotesOnlyOnPostgre",
                  DbKind::MySql,
                  {"SELECT '$$'; SELECT $$a;"},
                  LF,
                  {"SELECT '$$'", " SELECT $$a"},
                  {}}),
    [](const testing::TestParamInfo<SplitCase> &p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Oracle, ScriptSplitterTest,
    testing::Values(
        SplitCase{"PackageSpecAndBodyEndAtSlashLines",
                  DbKind::Oracle,
                  {"CREATE OR REPLACE PACKAGE pk AS", "  PROCEDURE run(p IN NUMBER);", "END pk;",
                   "/", "CREATE OR REPLACE PACKAGE BODY pk AS", "  PROCEDURE run(p IN NUMBER) IS",
                   "  BEGIN", "    NULL; -- nothing yet;", "  END run;", "END pk;", " / ",
                   "SELECT 1 FROM dual;"},
                  LF,
                  {"CREATE OR REPLACE PACKAGE pk AS\n  PROCEDURE run(p IN NUMBER);\nEND pk;",
                   "CREATE OR REPLACE PACKAGE BODY pk AS\n  PROCEDURE run(p IN NUMBER) IS\n  "
                   "BEGIN\n    NULL;\n  END run;\nEND pk;",
                   "SELECT 1 FROM dual"},
                  "CREATE OR REPLACE PACKAGE pk AS\r\n  PROCEDURE run(p IN NUMBER);\r\nEND pk;"},
        SplitCase{
            "AnonymousBlocks",
            DbKind::Oracle,
            {"/* set up */ DECLARE", "  n NUMBER := 1;", "BEGIN", "  n := n / 2;", "END;", "/",
             "begin", "  NULL;", "end;", "/"},
            LF,
            {" DECLARE\n  n NUMBER := 1;\nBEGIN\n  n := n / 2;\nEND;", "begin\n  NULL;\nend;"},
            {}},
        SplitCase{"TriggerKeepsNewAndOld",
                  DbKind::Oracle,
                  {"CREATE OR REPLACE TRIGGER trg BEFORE UPDATE ON t FOR EACH ROW", "BEGIN",
                   "  :NEW.id := :OLD.id + 1;", "END;", "/"},
                  LF,
                  {"CREATE OR REPLACE TRIGGER trg BEFORE UPDATE ON t FOR EACH ROW\nBEGIN\n  "
                   ":NEW.id := :OLD.id + 1;\nEND;"},
                  {}},
        SplitCase{"EditionableUnitsAndTypeBodies",
                  DbKind::Oracle,
                  {"create or replace editionable function f return number is",
                   "begin return 1; end;", "/", "CREATE TYPE BODY tp AS",
                   "  MEMBER FUNCTION g RETURN NUMBER IS BEGIN RETURN 2; END;", "END;", "/"},
                  LF,
                  {"create or replace editionable function f return number is\nbegin return 1; "
                   "end;",
                   "CREATE TYPE BODY tp AS\n  MEMBER FUNCTION g RETURN NUMBER IS BEGIN RETURN 2; "
                   "END;\nEND;"},
                  {}},
        SplitCase{"SlashEndsAPlainStatementAndRunsNothingTwice",
                  DbKind::Oracle,
                  {"CREATE OR REPLACE VIEW v AS SELECT 1 a FROM dual;", "/", "SELECT a", "FROM v",
                   "/", "/", "CREATE TABLE begin_log (a NUMBER);"},
                  LF,
                  {"CREATE OR REPLACE VIEW v AS SELECT 1 a FROM dual", "SELECT a\nFROM v",
                   "CREATE TABLE begin_log (a NUMBER)"},
                  {}},
        SplitCase{"SlashInsideQuoteOrCommentIsText",
                  DbKind::Oracle,
                  {"BEGIN", "  x := 'a", "/", "b;';", "  /*", "/", "  */", "END;", "/"},
                  LF,
                  {"BEGIN\n  x := 'a\n/\nb;';\n\nEND;"},
                  {}},
        SplitCase{"BlockAtEndOfFileWithoutSlashRuns",
                  DbKind::Oracle,
                  {"BEGIN", "  NULL;", "END;", ""},
                  LF,
                  {"BEGIN\n  NULL;\nEND;"},
                  {}},
        SplitCase{"AlternativeQuoting",
                  DbKind::Oracle,
                  {"SELECT q'[it's; fine]', NQ'{x;}', q'#a'b#' FROM dual;", "SELECT 2 FROM dual;"},
                  LF,
                  {"SELECT q'[it's; fine]', NQ'{x;}', q'#a'b#' FROM dual", "SELECT 2 FROM dual"},
                  {}},
        SplitCase{"SlashLineOnlyOnOracle",
                  DbKind::Other,
                  {"SELECT 1", "/", "FROM t;"},
                  LF,
                  {"SELECT 1\n/\nFROM t"},
                  {}}),
    [](const testing::TestParamInfo<SplitCase> &p) { return std::string(p.param.name); });

// A quote left open at the end of the file, or a DELIMITER line without a delimiter, becomes a
// statement that is not sent and says why; the statements around it are kept.
struct SplitErrorCase {
    const char *name;
    DbKind kind;
    QStringList lines;
    QStringList expected; // executable texts
    QStringList errors;   // split errors, one per statement
};

void PrintTo(const SplitErrorCase &c, std::ostream *os) {
    *os << c.name;
}

class ScriptSplitErrorTest : public testing::TestWithParam<SplitErrorCase> {};

TEST_P(ScriptSplitErrorTest, ReportsWhatCannotBeSent) {
    const SplitErrorCase &c = GetParam();
    QStringList texts;
    QStringList errors;
    for (const auto &s : splitScript(c.lines, LF, c.kind)) {
        texts << s.executableText;
        errors << s.splitError;
    }
    EXPECT_EQ(texts, c.expected);
    EXPECT_EQ(errors, c.errors);
}

const QString kOpenQuoteTail = QStringLiteral(
    " で始まる引用が閉じられないままファイルが終わりました。この文は実行していません。");

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptSplitErrorTest,
    testing::Values(SplitErrorCase{"UnclosedStringKeepsTheRestVisible",
                                   DbKind::Other,
                                   {"SELECT 1;", "INSERT INTO t VALUES ('oops);", "SELECT 2;", ""},
                                   {"SELECT 1", "INSERT INTO t VALUES ('oops);\nSELECT 2;"},
                                   {QString(), "'" + kOpenQuoteTail}},
                    SplitErrorCase{"UnclosedDollarQuote",
                                   DbKind::Postgre,
                                   {"DO $fn$ BEGIN NULL; END $$;"},
                                   {"DO $fn$ BEGIN NULL; END $$;"},
                                   {"$fn$" + kOpenQuoteTail}},
                    SplitErrorCase{"UnclosedBlockStringOnOracle",
                                   DbKind::Oracle,
                                   {"BEGIN", "  x := q'[abc;", "END;", "/"},
                                   {"BEGIN\n  x := q'[abc;\nEND;\n/"},
                                   {"q'[" + kOpenQuoteTail}},
                    SplitErrorCase{
                        "DelimiterWithoutDelimiterKeepsTheOld",
                        DbKind::MySql,
                        {"DELIMITER  ", "SELECT 1;"},
                        {"DELIMITER", "SELECT 1"},
                        {QStringLiteral("DELIMITER の後に区切り文字がありません。区切り文字は変わっ"
                                        "ていません。"),
                         QString()}}),
    [](const testing::TestParamInfo<SplitErrorCase> &p) { return std::string(p.param.name); });

} // namespace

// The index list window's memo lines and sheet cells: from made-up facts, from the Oracle
// dictionary fixture and (when started) from the loopback MariaDB server.
#include "ui/indexsheet.h"

#include "db/dbsession.h"
#include "tests/support/testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

using Cells = std::vector<std::tuple<int, int, QString>>;

QStringList L(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QString pad(const char *name) {
    return QString::fromUtf8(name).leftJustified(39);
}

Cells cellsOf(const IndexDetail &detail) {
    Cells out;
    for (const IndexSheetCell &c : detail.cells)
        out.emplace_back(c.row, c.column, c.text);
    return out;
}

const QString kBanner = QStringLiteral("     ************ Index Column ************");

TEST(IndexSheet, FactsAndColumnsBecomeMemoLinesAndCells) {
    struct Case {
        const char *name;
        db::IndexFacts facts;
        QStringList memo;
        Cells cells;
    };
    const std::vector<Case> cases = {
        {"FactsAndColumns",
         {"T", "IX", true, 1, {{"Valid", "VALID"}}, {{"A", "NUMBER"}, {"B", "DATE"}}},
         QStringList{"Object Name        : IX", "Valid              : VALID", "", kBanner, "",
                     pad("A") + "NUMBER", pad("B") + "DATE"},
         {{1, 1, "Table Name:「T」"},
          {2, 2, "Index Name:「IX」"},
          {3, 3, "Valid"},
          {3, 4, "VALID"},
          {4, 2, "Index Column"},
          {5, 3, "A"},
          {5, 4, "NUMBER"},
          {6, 3, "B"},
          {6, 4, "DATE"}}},
        {"CellShowsTheWholeLine",
         {"T", "IX", true, 1, {{"Uniqueness", "UNIQUE", true}}, {}},
         QStringList{"Object Name        : IX", "Uniqueness         : UNIQUE", "", kBanner, ""},
         {{1, 1, "Table Name:「T」"},
          {2, 2, "Index Name:「IX」"},
          {3, 3, "Uniqueness"},
          {3, 4, "Uniqueness         : UNIQUE"},
          {4, 2, "Index Column"}}},
        {"MissingIndexKeepsItsFactRowsFree",
         {"T", "NONE", false, 2, {}, {}},
         QStringList{},
         {{1, 1, "Table Name:「T」"}, {2, 2, "Index Name:「NONE」"}, {5, 2, "Index Column"}}},
        {"NoFactsNoColumns",
         {"T", "IX", true, 0, {}, {}},
         QStringList{"Object Name        : IX", "", kBanner, ""},
         {{1, 1, "Table Name:「T」"}, {2, 2, "Index Name:「IX」"}, {3, 2, "Index Column"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const IndexDetail detail = indexDetail(c.facts);
        EXPECT_EQ(detail.table, c.facts.table);
        EXPECT_EQ(detail.index, c.facts.index);
        EXPECT_EQ(detail.memoLines, c.memo);
        EXPECT_EQ(cellsOf(detail), c.cells);
    }
}

TEST(IndexSheet, ColumnLinePadsTheNameTo39) {
    EXPECT_EQ(indexColumnLine(QStringLiteral("DEPTNO"), QStringLiteral("NUMBER(2)")),
              pad("DEPTNO") + QStringLiteral("NUMBER(2)"));
}

class OracleFixtureIndexSheet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(test::oracleFixturePath()));
        AliasInfo alias;
        alias.name = QStringLiteral("ORAFIX");
        alias.driver = QStringLiteral("QSQLITE");
        alias.driverName = QStringLiteral("ORACLE (fixture)");
        alias.database = test::oracleFixturePath();
        m_session = std::make_unique<DbSession>(QStringLiteral("SessionDB"), AliasList({alias}));
        DbResult<QSqlDatabase> db = m_session->connection(QStringLiteral("ORAFIX"));
        ASSERT_TRUE(db.isOk()) << db.error().message().toStdString();
        m_query = std::make_unique<db::CatalogQuery>(*db);
    }
    std::unique_ptr<DbSession> m_session;
    std::unique_ptr<db::CatalogQuery> m_query;
};

TEST_F(OracleFixtureIndexSheet, IndexListData) {
    DbResult<db::IndexFacts> facts = db::oracleIndexFacts(*m_query, QStringLiteral("EMPLOYEES"),
                                                          QStringLiteral("IX_EMPLOYEES_DEPT"));
    ASSERT_TRUE(facts.isOk());
    const IndexDetail detail = indexDetail(*facts);
    EXPECT_EQ(
        detail.memoLines,
        L({"Object Name        : IX_EMPLOYEES_DEPT", "Valid              : VALID",
           "Create             : 2024-04-03 10:16:30", "Modified           : 2024-04-03 10:16:30",
           "Index Type         : NORMAL", "Table Owner        : KELVORAN",
           "Table Name         : EMPLOYEES", "Table Type         : TABLE",
           "Uniqueness         : NONUNIQUE", "TableSpace Name    : USERS", "",
           "     ************ Index Column ************", ""}) +
            QStringList{pad("DEPTNO") + QStringLiteral("NUMBER(2)")});
    const Cells expectedCells{{1, 1, QStringLiteral("Table Name:「EMPLOYEES」")},
                              {2, 2, QStringLiteral("Index Name:「IX_EMPLOYEES_DEPT」")},
                              {3, 3, "Valid"},
                              {3, 4, "VALID"},
                              {4, 3, "Create"},
                              {4, 4, "2024-04-03 10:16:30"},
                              {5, 3, "Modified"},
                              {5, 4, "2024-04-03 10:16:30"},
                              {6, 3, "Index Type"},
                              {6, 4, "NORMAL"},
                              {7, 3, "Table Owner"},
                              {7, 4, "KELVORAN"},
                              {8, 3, "Table Name"},
                              {8, 4, "EMPLOYEES"},
                              {9, 3, "Table Type"},
                              {9, 4, "TABLE"},
                              {10, 3, "Uniqueness"},
                              {10, 4, "NONUNIQUE"},
                              {11, 3, "TableSpace Name"},
                              {11, 4, "USERS"},
                              {12, 2, "Index Column"},
                              {13, 3, "DEPTNO"},
                              {13, 4, "NUMBER(2)"}};
    EXPECT_EQ(cellsOf(detail), expectedCells);

    // A two-column key: both columns with the table rule's type texts, in catalog order.
    DbResult<db::IndexFacts> project =
        db::oracleIndexFacts(*m_query, QStringLiteral("PROJECT"), QStringLiteral("PK_PROJECT"));
    ASSERT_TRUE(project.isOk());
    QStringList columnLines = indexDetail(*project).memoLines.mid(13);
    columnLines.sort();
    EXPECT_EQ(columnLines, QStringList({pad("PROJECT_CODE") + QStringLiteral("VARCHAR2(8)"),
                                        pad("PROJECT_YEAR") + QStringLiteral("NUMBER(4)")}));
}

// MariaDB's index list data on the loopback server.
TEST(ServerIndexSheet, MariaDbIndexData) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    struct TestLogin : LoginPrompt {
        std::optional<Credentials> askLogin(const QString &, const QString &user) override {
            return Credentials{user, qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
        }
    } login;
    Result<AliasList> aliases = AliasList::load(test::testAliasFile());
    ASSERT_TRUE(aliases.isOk()) << aliases.error().message.toStdString();
    DbSession session(QStringLiteral("SessionDB"), *aliases, &login);
    db::CatalogQuery query(*session.connection(QStringLiteral("MYTEST")));

    DbResult<db::IndexFacts> facts =
        db::mysqlIndexFacts(query, QStringLiteral("staff"), QStringLiteral("ux_staff_dept_code"));
    ASSERT_TRUE(facts.isOk());
    const IndexDetail detail = indexDetail(*facts);
    const QStringList expectedMemo =
        L({"Object Name        : ux_staff_dept_code", "Table Name         : staff",
           "Uniqueness         : UNIQUE", "", "     ************ Index Column ************", ""}) +
        QStringList{pad("dept_id") + QStringLiteral("int(11)"),
                    pad("staff_code") + QStringLiteral("char(6)")};
    EXPECT_EQ(detail.memoLines, expectedMemo);
    const Cells expectedCells{{1, 1, QStringLiteral("Table Name:「staff」")},
                              {2, 2, QStringLiteral("Index Name:「ux_staff_dept_code」")},
                              {3, 3, "Table Name"},
                              {3, 4, "staff"},
                              {4, 3, "Uniqueness"},
                              {4, 4, "Uniqueness         : UNIQUE"},
                              {5, 2, "Index Column"},
                              {6, 3, "dept_id"},
                              {6, 4, "int(11)"},
                              {7, 3, "staff_code"},
                              {7, 4, "char(6)"}};
    EXPECT_EQ(cellsOf(detail), expectedCells);

    DbResult<db::IndexFacts> plain =
        db::mysqlIndexFacts(query, QStringLiteral("staff"), QStringLiteral("ix_staff_hire_date"));
    ASSERT_TRUE(plain.isOk());
    EXPECT_EQ(indexDetail(*plain).memoLines[2], QStringLiteral("Uniqueness         : NONUNIQUE"));
}

} // namespace

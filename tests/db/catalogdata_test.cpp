// Object lists, index list data and the statement order of descriptions, on the Oracle
// dictionary fixture and (when started) the loopback PostgreSQL and MariaDB servers.
#include "db/catalogsql.h"
#include "db/definitionbuilder.h"
#include "db/indexlist.h"
#include "db/mysqlsource.h"
#include "db/objectdescription.h"
#include "db/objectlist.h"
#include "tests/support/testsupport.h"

#include "tests/db/catalogtestutil.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvoran;
using namespace kelvoran::db;

namespace {

QStringList L(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// The facts as "label=value" texts, and the columns as "name type" texts.
QStringList factsOf(const IndexFacts &facts) {
    QStringList out;
    for (const IndexFact &f : facts.facts)
        out << f.label + u'=' + f.value;
    return out;
}
QStringList columnsOf(const IndexFacts &facts) {
    QStringList out;
    for (const IndexColumn &c : facts.columns)
        out << c.name + u' ' + c.type;
    return out;
}

class OracleFixtureCatalog : public ::testing::Test {
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
        m_query = std::make_unique<CatalogQuery>(*db);
    }
    std::unique_ptr<DbSession> m_session;
    std::unique_ptr<CatalogQuery> m_query;
};

TEST_F(OracleFixtureCatalog, FolderObjectsSortedAsTheTree) {
    const std::vector<std::pair<const char *, QStringList>> cases{
        {"Table", L({"DEPT", "EMP", "EMPLOYEES", "PROJECT", "PROJECT_MEMBER", "TEMP_LOG"})},
        {"View", L({"V_DEPT_NAMES", "V_EMP_DEPT"})},
        {"Package Body", L({"EMP_MGMT", "PAYROLL"})},
        {"Synonym", L({"DEPARTMENTS", "REMOTE_ORDERS"})},
        {"DB Link", L({"SALES_LINK"})},
        {"Type", L({"ADDRESS_T"})},
    };
    for (const auto &[folder, expected] : cases) {
        SCOPED_TRACE(folder);
        const std::optional<ObjectKind> kind =
            objectKindFor(DbKind::Oracle, QString::fromUtf8(folder));
        ASSERT_TRUE(kind);
        DbResult<QStringList> names =
            folderObjects(*m_session, QStringLiteral("ORAFIX"), DbKind::Oracle, *kind);
        ASSERT_TRUE(names.isOk());
        EXPECT_EQ(*names, expected);
    }
    // Only ORACLE aliases have the eleven folders; kinds without a catalog of their own have
    // "Table" alone, and no kind but ORACLE has packages.
    EXPECT_EQ(objectKindsFor(DbKind::Oracle).size(), 11u);
    EXPECT_FALSE(objectKindFor(DbKind::MySql, QStringLiteral("Package")));
    EXPECT_FALSE(objectKindFor(DbKind::Sqlite, QStringLiteral("Procedure")));
    EXPECT_FALSE(objectKindFor(DbKind::Access, QStringLiteral("View")));
    EXPECT_EQ(objectKindFor(DbKind::Postgre, QStringLiteral("Table"))->image, 1);
}

TEST_F(OracleFixtureCatalog, DescriptionsRunTheirStatementsInOrder) {
    namespace sql = catalogsql;
    const QString n = QStringLiteral("NAME");
    const std::vector<std::pair<ObjectKindId, std::vector<QStringList>>> cases{
        {ObjectKindId::Table,
         {sql::tableColumns(n), sql::primaryKey(n), sql::foreignKeys(n), sql::checkConstraints(n),
          sql::uniqueConstraints(n), sql::objectSummary(n, QStringLiteral("TABLE"))}},
        {ObjectKindId::View, {sql::viewColumns(n), sql::viewText(n), sql::objectSummary(n, {})}},
        {ObjectKindId::PackageBody,
         {sql::storedSource(n, QStringLiteral("PACKAGE BODY")),
          sql::objectSummary(n, QStringLiteral("PACKAGE BODY"))}},
        {ObjectKindId::Synonym,
         {sql::synonymStatement(n), sql::objectSummary(n, QStringLiteral("SYNONYM")),
          sql::synonymFacts(n)}},
        {ObjectKindId::Trigger,
         {sql::triggerBody(n), sql::objectSummary(n, QStringLiteral("TRIGGER")),
          sql::triggerFacts(n)}},
        {ObjectKindId::Index,
         {sql::indexColumns(n), sql::objectSummary(n, QStringLiteral("INDEX")),
          sql::indexFacts(n, false)}},
        {ObjectKindId::DbLink,
         {sql::objectSummary(n, QStringLiteral("DATABASE LINK")), sql::dbLinkFacts(n)}},
    };
    for (const auto &[kind, expected] : cases) {
        SCOPED_TRACE(int(kind));
        CatalogQuery query(m_query->database());
        const DescribeResult result = describeOracleObject(query, kind, n);
        EXPECT_FALSE(result.error);
        EXPECT_EQ(query.statements(), expected);
    }
}

TEST_F(OracleFixtureCatalog, IndexListData) {
    DbResult<QStringList> names = oracleIndexNames(*m_query, QStringLiteral("EMPLOYEES"));
    ASSERT_TRUE(names.isOk());
    QStringList sorted = *names;
    sorted.sort();
    EXPECT_EQ(sorted, L({"IX_EMPLOYEES_DEPT", "PK_EMPLOYEES", "UK_EMPLOYEES_NAME"}));
    EXPECT_TRUE(oracleIndexNames(*m_query, QStringLiteral("TEMP_LOG"))->isEmpty());

    DbResult<IndexFacts> detail = oracleIndexFacts(*m_query, QStringLiteral("EMPLOYEES"),
                                                   QStringLiteral("IX_EMPLOYEES_DEPT"));
    ASSERT_TRUE(detail.isOk());
    EXPECT_TRUE(detail->found);
    EXPECT_EQ(factsOf(*detail),
              L({"Valid=VALID", "Create=2024-04-03 10:16:30", "Modified=2024-04-03 10:16:30",
                 "Index Type=NORMAL", "Table Owner=KELVORAN", "Table Name=EMPLOYEES",
                 "Table Type=TABLE", "Uniqueness=NONUNIQUE", "TableSpace Name=USERS"}));
    EXPECT_EQ(detail->factRows, 9);
    EXPECT_EQ(columnsOf(*detail), L({"DEPTNO NUMBER(2)"}));

    // A two-column key: both columns with the table rule's type texts, in catalog order.
    DbResult<IndexFacts> project =
        oracleIndexFacts(*m_query, QStringLiteral("PROJECT"), QStringLiteral("PK_PROJECT"));
    ASSERT_TRUE(project.isOk());
    QStringList columns = columnsOf(*project);
    columns.sort();
    EXPECT_EQ(columns, L({"PROJECT_CODE VARCHAR2(8)", "PROJECT_YEAR NUMBER(4)"}));
}

// The loopback servers: PostgreSQL's table list from pg_catalog, MariaDB's from the access
// layer, and MariaDB's index list data.
class ServerCatalog : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::serversStarted())
            GTEST_SKIP() << "test servers not started";
        Result<AliasList> aliases = AliasList::load(test::testAliasFile());
        ASSERT_TRUE(aliases.isOk()) << aliases.error().message.toStdString();
        m_session = std::make_unique<DbSession>(QStringLiteral("SessionDB"), *aliases, &m_login);
    }
    struct TestLogin : LoginPrompt {
        std::optional<Credentials> askLogin(const QString &, const QString &user) override {
            return Credentials{user, qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
        }
    } m_login;
    std::unique_ptr<DbSession> m_session;

    // The names contain the sample tables, and the whole list is in tree order.
    static void expectSortedWith(const QStringList &names, const QStringList &tables) {
        QStringList sorted = names;
        sortAsTree(sorted);
        EXPECT_EQ(names, sorted);
        QStringList found;
        for (const QString &t : names)
            if (tables.contains(t))
                found << t;
        EXPECT_EQ(found, tables);
    }
};

TEST_F(ServerCatalog, PostgresTableList) {
    DbResult<QStringList> names =
        folderObjects(*m_session, QStringLiteral("PGTEST"), DbKind::Postgre,
                      *objectKindFor(DbKind::Postgre, QStringLiteral("Table")));
    ASSERT_TRUE(names.isOk()) << names.error().message().toStdString();
    expectSortedWith(*names,
                     L({"public.audit_log", "public.departments", "public.sales", "public.staff"}));
}

TEST_F(ServerCatalog, MariaDbTableListAndIndexData) {
    DbResult<QStringList> names =
        folderObjects(*m_session, QStringLiteral("MYTEST"), DbKind::MySql,
                      *objectKindFor(DbKind::MySql, QStringLiteral("Table")));
    ASSERT_TRUE(names.isOk()) << names.error().message().toStdString();
    expectSortedWith(*names, L({"audit_log", "departments", "sales", "staff"}));

    CatalogQuery query(*m_session->connection(QStringLiteral("MYTEST")));
    EXPECT_EQ(*mysqlIndexNames(query, QStringLiteral("staff")),
              L({"PRIMARY", "ux_staff_dept_code", "ix_staff_hire_date"}));
    EXPECT_TRUE(mysqlIndexNames(query, QStringLiteral("audit_log"))->isEmpty());

    DbResult<IndexFacts> detail =
        mysqlIndexFacts(query, QStringLiteral("staff"), QStringLiteral("ux_staff_dept_code"));
    ASSERT_TRUE(detail.isOk());
    EXPECT_TRUE(detail->found);
    EXPECT_EQ(factsOf(*detail), L({"Table Name=staff", "Uniqueness=UNIQUE"}));
    EXPECT_EQ(columnsOf(*detail), L({"dept_id int(11)", "staff_code char(6)"}));

    DbResult<IndexFacts> plain =
        mysqlIndexFacts(query, QStringLiteral("staff"), QStringLiteral("ix_staff_hire_date"));
    ASSERT_TRUE(plain.isOk());
    EXPECT_EQ(plain->facts.at(1).value, QStringLiteral("NONUNIQUE"));

    DbResult<IndexFacts> missing =
        mysqlIndexFacts(query, QStringLiteral("staff"), QStringLiteral("no_such_index"));
    ASSERT_TRUE(missing.isOk());
    EXPECT_FALSE(missing->found);
    EXPECT_TRUE(missing->facts.empty());
    EXPECT_TRUE(missing->columns.empty());
}

// The CREATE TABLE text of a MariaDB table creates that table again: same columns, types,
// null flags, defaults, extras and keys. Temporary tables keep the shared server untouched.
TEST_F(ServerCatalog, MariaDbSourceCreatesTheTableAgain) {
    DbResult<QSqlDatabase> db = m_session->connection(QStringLiteral("MYTEST"));
    ASSERT_TRUE(db.isOk());
    QSqlQuery ddl(*db);
    ASSERT_TRUE(ddl.exec(QStringLiteral(
        "CREATE TEMPORARY TABLE kv_catalog_src (id INT NOT NULL AUTO_INCREMENT,"
        " changed TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP,"
        " a INT, b VARCHAR(5) NOT NULL DEFAULT 'x', c DECIMAL(8,2) DEFAULT 1.50, d DATE,"
        " e TEXT, f INT NOT NULL, PRIMARY KEY (id), UNIQUE KEY uk_ab (a, b), KEY ix_d (d))")))
        << ddl.lastError().text().toStdString();

    CatalogQuery query(*db);
    const DescribeResult source = describeMySqlTable(query, QStringLiteral("kv_catalog_src"));
    ASSERT_FALSE(source.error);
    const QStringList lines = source.source.lines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.first(), QStringLiteral("CREATE TABLE kv_catalog_src("));
    EXPECT_TRUE(lines.contains(QStringLiteral("UNIQUE INDEX uk_ab(a,b),")));
    EXPECT_EQ(lines.last(), QStringLiteral(")"));

    QString again = lines.join(QLatin1Char('\n'));
    again.replace(QStringLiteral("CREATE TABLE kv_catalog_src("),
                  QStringLiteral("CREATE TEMPORARY TABLE kv_catalog_again("));
    ASSERT_TRUE(ddl.exec(again)) << again.toStdString() << "\n"
                                 << ddl.lastError().text().toStdString();

    const auto describeFields = [&](const QString &table) {
        DbResult<CatalogRows> rows = query.run(catalogsql::mysqlFields(table, false));
        EXPECT_TRUE(rows.isOk());
        QStringList out;
        for (int r = 0; rows && r < rows->count(); ++r) {
            QStringList cells;
            for (int c = 0; c < 6; ++c)
                cells << (rows->isNull(r, c) ? QStringLiteral("<null>") : rows->text(r, c));
            out << cells.join(u'|');
        }
        return out;
    };
    EXPECT_EQ(describeFields(QStringLiteral("kv_catalog_again")),
              describeFields(QStringLiteral("kv_catalog_src")));
    const auto indexes = [&](const QString &table) {
        DbResult<CatalogRows> rows = query.run(catalogsql::mysqlIndexes(table));
        EXPECT_TRUE(rows.isOk());
        QStringList out;
        for (const MySqlIndex &index : mysqlIndexes(*rows))
            out << mysqlIndexLine(index);
        return out;
    };
    EXPECT_EQ(indexes(QStringLiteral("kv_catalog_again")),
              indexes(QStringLiteral("kv_catalog_src")));
    ddl.exec(QStringLiteral("DROP TEMPORARY TABLE kv_catalog_src"));
    ddl.exec(QStringLiteral("DROP TEMPORARY TABLE kv_catalog_again"));
}

} // namespace

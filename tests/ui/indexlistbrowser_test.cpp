// The index list window's data without widgets: listing and detailing indexes on the Oracle
// dictionary fixture, a SQLite file and (when started) the loopback MariaDB and PostgreSQL
// servers, the output file rule, and
// the workbook read back with openpyxl.
#include "ui/indexlistbrowser.h"
#include "ui/indexworkbook.h"

#include "db/dbsession.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvoran;

namespace {

// What openpyxl reads from a workbook: sheet names, the active sheet, every cell with its type,
// and the widths of the columns C and D.
const char *kReadBack = R"PY(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": wb.sheetnames, "active": wb.index(wb.active), "cells": {}, "widths": {}}
for ws in wb.worksheets:
    out["cells"][ws.title] = [[c.row, c.column, c.value, c.data_type]
                              for row in ws.iter_rows() for c in row if c.value is not None]
    out["widths"][ws.title] = {k: ws.column_dimensions[k].width
                               for k in ("C", "D") if ws.column_dimensions[k].customWidth}
print(json.dumps(out, ensure_ascii=False))
)PY";

QJsonObject readBack(const QString &path) {
    const test::ProcessResult r = test::runPython(QString::fromUtf8(kReadBack), {path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

QStringList strings(const QJsonArray &array) {
    QStringList out;
    for (const QJsonValue &v : array)
        out << v.toString();
    return out;
}

// The cells of a sheet as (row, column, text); a value openpyxl did not read as a string
// shows as "<type>" so a converted value cannot pass for the text.
std::vector<std::tuple<int, int, QString>> sheetCells(const QJsonObject &book,
                                                      const QString &name) {
    std::vector<std::tuple<int, int, QString>> out;
    for (const QJsonValue &v : book[QStringLiteral("cells")].toObject()[name].toArray()) {
        const QJsonArray c = v.toArray();
        const QString text =
            c[3].toString() == u"s" ? c[2].toString() : u'<' + c[3].toString() + u'>';
        out.emplace_back(c[0].toInt(), c[1].toInt(), text);
    }
    return out;
}

std::vector<std::tuple<int, int, QString>> detailCells(const IndexDetail &detail) {
    std::vector<std::tuple<int, int, QString>> out;
    for (const IndexSheetCell &c : detail.cells)
        out.emplace_back(c.row, c.column, c.text);
    std::sort(out.begin(), out.end());
    return out;
}

IndexDetail madeUp(const char *table, const char *index, const char *column) {
    db::IndexFacts facts{QString::fromUtf8(table),
                         QString::fromUtf8(index),
                         true,
                         4,
                         {{QStringLiteral("Create"), QStringLiteral("2024-04-03 10:16:30")},
                          {QStringLiteral("Table Owner"), QStringLiteral("00123")},
                          {QStringLiteral("Table Type"), QStringLiteral("=1+1")},
                          {QStringLiteral("Uniqueness"), QStringLiteral("UNIQUE"), true}},
                         {{QString::fromUtf8(column), QStringLiteral("NUMBER(4,2)")}}};
    return indexDetail(facts);
}

} // namespace

TEST(IndexWorkbook, ProposalAndPathRules) {
    struct Case {
        const char *dataDir;
        const char *name;
        const char *proposal;
    };
    for (const Case &c : std::vector<Case>{{"/data/out/", "IX.xls", "/data/out/IX.xls"},
                                           {"/data/out/last.xls", "IX.xls", "IX.xls"},
                                           {"", "IX.xls", "IX.xls"}}) {
        SCOPED_TRACE(c.dataDir);
        EXPECT_EQ(indexWorkbookProposal(QString::fromUtf8(c.dataDir), QString::fromUtf8(c.name)),
                  QString::fromUtf8(c.proposal));
    }
    struct PathCase {
        const char *chosen;
        const char *path;
    };
    for (const PathCase &c : std::vector<PathCase>{{"/o/a", "/o/a.xls"},
                                                   {"/o/a.XLS", "/o/a.XLS"},
                                                   {"/o/a.xlsx", "/o/a.xlsx"},
                                                   {"/o/a.txt", "/o/a.txt.xls"},
                                                   {"/o/a.xl", "/o/a.xl.xls"},
                                                   {"/o.v1/a", "/o.v1/a.xls"}}) {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(indexWorkbookPath(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.path));
    }
}

TEST(IndexWorkbook, OneSheetPerIndexWithTextValues) {
    QTemporaryDir dir;
    const std::vector<IndexDetail> details{madeUp("T", "IX_A", "A"),
                                           madeUp("T", "IX_B", "A_MUCH_LONGER_COLUMN_NAME_HERE"),
                                           madeUp("T", "索引C", "C")};
    const QString requested = dir.filePath(QStringLiteral("T.xls"));
    Result<QString> saved = writeIndexWorkbook(details, requested);
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    EXPECT_EQ(*saved, requested + u'x');
    const QJsonObject book = readBack(*saved);
    EXPECT_EQ(strings(book[QStringLiteral("sheets")].toArray()),
              QStringList({"IX_A", "IX_B", "索引C"}));
    EXPECT_EQ(book[QStringLiteral("active")].toInt(), 0);
    for (const IndexDetail &d : details) {
        SCOPED_TRACE(d.index.toStdString());
        auto cells = sheetCells(book, d.index);
        std::sort(cells.begin(), cells.end());
        EXPECT_EQ(cells, detailCells(d));
    }
    // The columns are fitted to their texts: the longer column name widens C.
    const QJsonObject widths = book[QStringLiteral("widths")].toObject();
    const double shortC = widths[QStringLiteral("IX_A")].toObject()[QStringLiteral("C")].toDouble();
    const double longC = widths[QStringLiteral("IX_B")].toObject()[QStringLiteral("C")].toDouble();
    EXPECT_GT(shortC, 0);
    EXPECT_GT(longC, shortC);
    EXPECT_GT(widths[QStringLiteral("IX_A")].toObject()[QStringLiteral("D")].toDouble(), 0);

    // Writing again replaces the file.
    ASSERT_TRUE(writeIndexWorkbook({madeUp("T", "IX_ONLY", "A")}, requested).isOk());
    EXPECT_EQ(strings(readBack(*saved)[QStringLiteral("sheets")].toArray()),
              QStringList({"IX_ONLY"}));
}

TEST(IndexWorkbook, NameExcelRefusesWritesNothing) {
    QTemporaryDir dir;
    const QString requested = dir.filePath(QStringLiteral("T.xls"));
    ASSERT_TRUE(writeIndexWorkbook({madeUp("T", "IX_OLD", "A")}, requested).isOk());
    QFile before(requested + u'x');
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();
    for (const char *bad : {"IX/SLASH", "IX_A"}) {
        SCOPED_TRACE(bad);
        // The second case names two sheets alike.
        std::vector<IndexDetail> details{madeUp("T", "IX_A", "A"), madeUp("T", bad, "A")};
        Result<QString> saved = writeIndexWorkbook(details, requested);
        ASSERT_FALSE(saved.isOk());
        EXPECT_FALSE(saved.error().message.isEmpty());
        QFile after(requested + u'x');
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), old);
    }
}

// A copy of the Oracle dictionary fixture behind an ORACLE alias, so a test may break it.
class OracleFixtureBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        AliasInfo alias;
        alias.name = QStringLiteral("ORAFIX");
        alias.driver = QStringLiteral("QSQLITE");
        alias.driverName = QStringLiteral("ORACLE (fixture)");
        alias.database = m_dir.filePath(QStringLiteral("oracle.sqlite"));
        ASSERT_TRUE(QFile::copy(test::oracleFixturePath(), alias.database));
        m_session = std::make_unique<DbSession>(QStringLiteral("SessionDB"), AliasList({alias}));
        DbResult<QSqlDatabase> db = m_session->connection(QStringLiteral("ORAFIX"));
        ASSERT_TRUE(db.isOk()) << db.error().message().toStdString();
        m_database = *db;
    }
    QSqlDatabase database() const { return m_database; }

    QTemporaryDir m_dir;
    std::unique_ptr<DbSession> m_session;
    QSqlDatabase m_database;
};

TEST_F(OracleFixtureBrowser, ListsAndDetailsTheTablesIndexes) {
    db::CatalogQuery query(database());
    IndexListBrowser browser(DbKind::Oracle);
    struct Case {
        const char *table;
        QStringList indexes;
    };
    const std::vector<Case> cases{
        {"EMPLOYEES", {"IX_EMPLOYEES_DEPT", "PK_EMPLOYEES", "UK_EMPLOYEES_NAME"}},
        {"EMP", {"PK_EMP"}},
        {"TEMP_LOG", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.table);
        DbResult<QStringList> names = browser.listIndexes(query, QString::fromUtf8(c.table));
        ASSERT_TRUE(names.isOk());
        QStringList sorted = *names;
        sorted.sort();
        EXPECT_EQ(sorted, c.indexes);
        EXPECT_EQ(browser.indexes(), *names);
        EXPECT_EQ(browser.table(), QString::fromUtf8(c.table));
        for (const QString &index : *names) {
            DbResult<IndexDetail> d = browser.detail(query, index);
            ASSERT_TRUE(d.isOk()) << d.error().texts().join(u'\n').toStdString();
            EXPECT_EQ(d->table, QString::fromUtf8(c.table));
            EXPECT_EQ(d->memoLines.value(0), QStringLiteral("Object Name        : ") + index);
            EXPECT_GT(d->memoLines.size(), 13); // facts, banner and at least one column
        }
    }
    // The details belong to the listed table: an index of another table has no columns here.
    ASSERT_TRUE(browser.listIndexes(query, QStringLiteral("EMP")).isOk());
    DbResult<IndexDetail> pk = browser.detail(query, QStringLiteral("PK_EMP"));
    ASSERT_TRUE(pk.isOk());
    EXPECT_EQ(pk->memoLines.last(),
              QStringLiteral("EMPNO").leftJustified(39) + QStringLiteral("NUMBER(4)"));
    DbResult<IndexDetail> other = browser.detail(query, QStringLiteral("IX_EMPLOYEES_DEPT"));
    ASSERT_TRUE(other.isOk());
    EXPECT_EQ(other->memoLines.size(), 13);
}

TEST_F(OracleFixtureBrowser, FailingStatementKeepsTheList) {
    db::CatalogQuery query(database());
    IndexListBrowser browser(DbKind::Oracle);
    ASSERT_TRUE(browser.listIndexes(query, QStringLiteral("EMPLOYEES")).isOk());
    const QStringList listed = browser.indexes();
    QSqlQuery drop(database());
    ASSERT_TRUE(drop.exec(QStringLiteral("DROP TABLE USER_IND_COLUMNS")));
    DbResult<QStringList> again = browser.listIndexes(query, QStringLiteral("EMP"));
    ASSERT_FALSE(again.isOk());
    EXPECT_FALSE(again.error().isEmpty());
    EXPECT_EQ(browser.table(), QStringLiteral("EMPLOYEES"));
    EXPECT_EQ(browser.indexes(), listed);
    EXPECT_FALSE(browser.detail(query, listed.first()).isOk());
}

// A SQLite table with a quote in its name, keys the engine indexes itself, a unique index over
// two columns (one descending) and an index on an expression.
TEST(SqliteIndexListBrowser, ListsEveryIndexWithColumnsAndTypes) {
    QTemporaryDir dir;
    AliasInfo alias;
    alias.name = QStringLiteral("LITE");
    alias.driver = QStringLiteral("QSQLITE");
    alias.driverName = QStringLiteral("SQLITE");
    alias.database = dir.filePath(QStringLiteral("lite.sqlite"));
    {
        QFile file(alias.database);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    DbSession session(QStringLiteral("SessionDB"), AliasList({alias}));
    DbResult<QSqlDatabase> db = session.connection(alias.name);
    ASSERT_TRUE(db.isOk()) << db.error().message().toStdString();
    for (const char *sql :
         {"CREATE TABLE \"it's\" (code TEXT PRIMARY KEY, a INTEGER, b VARCHAR(9), c TEXT UNIQUE)",
          "CREATE UNIQUE INDEX \"ux it's\" ON \"it's\" (a, b DESC)",
          "CREATE INDEX ix_lower ON \"it's\" (lower(c))"}) {
        QSqlQuery q(*db);
        ASSERT_TRUE(q.exec(QString::fromUtf8(sql))) << sql;
    }
    db::CatalogQuery query(*db);
    IndexListBrowser browser(DbKind::Sqlite);
    DbResult<QStringList> names = browser.listIndexes(query, QStringLiteral("it's"));
    ASSERT_TRUE(names.isOk()) << names.error().message().toStdString();
    EXPECT_EQ(*names, QStringList({"ix_lower", "sqlite_autoindex_it's_1", "sqlite_autoindex_it's_2",
                                   "ux it's"}));
    struct Case {
        const char *index;
        const char *uniqueness;
        QStringList columns;
    };
    const std::vector<Case> cases{
        {"ux it's",
         "UNIQUE",
         {indexColumnLine("a", "INTEGER"), indexColumnLine("b", "VARCHAR(9)")}},
        {"ix_lower", "NONUNIQUE", {indexColumnLine("<expression>", "")}},
        {"sqlite_autoindex_it's_1", "UNIQUE", {indexColumnLine("code", "TEXT")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        DbResult<IndexDetail> d = browser.detail(query, QString::fromUtf8(c.index));
        ASSERT_TRUE(d.isOk()) << d.error().message().toStdString();
        EXPECT_EQ(d->memoLines.value(1), QStringLiteral("Table Name         : it's"));
        EXPECT_EQ(d->memoLines.value(2),
                  QStringLiteral("Uniqueness         : ") + QString::fromUtf8(c.uniqueness));
        EXPECT_EQ(d->memoLines.mid(6), c.columns);
    }
    DbResult<IndexDetail> missing = browser.detail(query, QStringLiteral("no such index"));
    ASSERT_TRUE(missing.isOk());
    EXPECT_TRUE(missing->memoLines.isEmpty());
}

TEST(ServerIndexListBrowser, PostgresIndexesOfSchemaQualifiedTable) {
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
    db::CatalogQuery query(*session.connection(QStringLiteral("PGTEST")));
    IndexListBrowser browser(DbKind::Postgre);
    DbResult<QStringList> names = browser.listIndexes(query, QStringLiteral("public.staff"));
    ASSERT_TRUE(names.isOk()) << names.error().message().toStdString();
    EXPECT_EQ(*names, QStringList({"ix_staff_hire_date", "staff_pkey", "ux_staff_dept_code"}));
    DbResult<IndexDetail> d = browser.detail(query, QStringLiteral("ux_staff_dept_code"));
    ASSERT_TRUE(d.isOk()) << d.error().message().toStdString();
    EXPECT_EQ(d->memoLines.mid(1, 5),
              QStringList({"Table Name         : public.staff", "Index Type         : btree",
                           "Uniqueness         : UNIQUE", "Primary Key        : NO",
                           "Valid              : VALID"}));
    EXPECT_EQ(d->memoLines.mid(d->memoLines.size() - 2),
              QStringList({indexColumnLine("dept_id", "integer"),
                           indexColumnLine("staff_code", "character(6)")}));
    // A name with a quote in it is a name, not the end of the statement.
    ASSERT_TRUE(browser.listIndexes(query, QStringLiteral("public.it's")).isOk());
    EXPECT_TRUE(browser.indexes().isEmpty());
}

TEST(ServerIndexListBrowser, MariaDbKeysInShowIndexOrder) {
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
    IndexListBrowser browser(DbKind::MySql);
    DbResult<QStringList> names = browser.listIndexes(query, QStringLiteral("staff"));
    ASSERT_TRUE(names.isOk());
    // Each key once although the unique key has two rows.
    EXPECT_EQ(*names, QStringList({"PRIMARY", "ux_staff_dept_code", "ix_staff_hire_date"}));
    struct Case {
        const char *index;
        const char *uniqueness;
        int columns;
    };
    for (const Case &c : {Case{"PRIMARY", "UNIQUE", 1}, Case{"ux_staff_dept_code", "UNIQUE", 2},
                          Case{"ix_staff_hire_date", "NONUNIQUE", 1}}) {
        SCOPED_TRACE(c.index);
        DbResult<IndexDetail> d = browser.detail(query, QString::fromUtf8(c.index));
        ASSERT_TRUE(d.isOk());
        EXPECT_EQ(d->memoLines.value(2),
                  QStringLiteral("Uniqueness         : ") + QString::fromUtf8(c.uniqueness));
        EXPECT_EQ(d->memoLines.size(), 6 + c.columns);
    }
    ASSERT_TRUE(browser.listIndexes(query, QStringLiteral("audit_log")).isOk());
    EXPECT_TRUE(browser.indexes().isEmpty());
}

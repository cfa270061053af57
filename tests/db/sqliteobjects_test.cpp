// The SQLite folders of the object tree: what each lists, the Definition summaries, and the
// Source of every listed object run into an empty database giving the same schema (the sqlite3
// shell's .schema of both agree once the order of the statements is set aside).
#include "db/dbsession.h"
#include "db/objectdescription.h"
#include "db/objectlist.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iterator>
#include <map>

using namespace kelvoran;
using namespace kelvoran::db;

namespace {

// Keys the engine indexes itself, AUTOINCREMENT (the internal sqlite_sequence), checks,
// generated columns, WITHOUT ROWID, names that need quoting, a view on a view, unique, partial
// and expression indexes, and triggers with bodies of several statements.
const char *const schemaStatements[] = {
    "CREATE TABLE customer (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL,\n"
    "  email TEXT UNIQUE CHECK (email LIKE '%@%'))",
    "CREATE TABLE \"order\" (id INTEGER PRIMARY KEY,\n"
    "  customer_id INTEGER NOT NULL REFERENCES customer (id) ON DELETE CASCADE,\n"
    "  total NUMERIC NOT NULL DEFAULT 0 CHECK (total >= 0), created TEXT DEFAULT "
    "(datetime('now')))",
    "CREATE TABLE \"Mixed Case\" (\"Id\" INTEGER NOT NULL, \"Some Value\" TEXT DEFAULT 'it''s',\n"
    "  PRIMARY KEY (\"Id\")) WITHOUT ROWID",
    "CREATE TABLE \"it's\" (k INTEGER PRIMARY KEY, [back`tick] INTEGER)",
    "CREATE TABLE product (id INTEGER PRIMARY KEY, price REAL NOT NULL, qty INTEGER DEFAULT 0,\n"
    "  worth REAL GENERATED ALWAYS AS (price * qty) STORED,\n"
    "  label TEXT AS ('P-' || id) VIRTUAL)",
    "CREATE TABLE order_line (order_id INTEGER NOT NULL REFERENCES \"order\" (id),\n"
    "  line_no INTEGER NOT NULL, product_id INTEGER, qty INTEGER NOT NULL CHECK (qty > 0),\n"
    "  PRIMARY KEY (order_id, line_no),\n"
    "  FOREIGN KEY (product_id) REFERENCES product ON UPDATE CASCADE ON DELETE SET NULL)",
    "CREATE TABLE audit (id INTEGER PRIMARY KEY, happened TEXT, what TEXT)",
    "CREATE TABLE category (id INTEGER PRIMARY KEY, parent_id INTEGER REFERENCES category (id),\n"
    "  name TEXT NOT NULL, UNIQUE (parent_id, name))",
    "CREATE TABLE stock (product_id INTEGER PRIMARY KEY REFERENCES product (id),\n"
    "  amount INTEGER NOT NULL CONSTRAINT chk_amount CHECK (amount >= 0))",
    "CREATE TABLE \"select\" (id INTEGER PRIMARY KEY, note TEXT)",
    "CREATE VIEW v_customer_orders AS\n"
    "SELECT c.name, COUNT(o.id) AS orders\n"
    "  FROM customer c LEFT JOIN \"order\" o ON o.customer_id = c.id\n"
    "\n"
    " GROUP BY c.name",
    "CREATE VIEW v_big_customers AS SELECT name FROM v_customer_orders WHERE orders > 1",
    "CREATE VIEW \"v it's\" AS SELECT k, [back`tick] FROM \"it's\"",
    "CREATE INDEX ix_order_customer ON \"order\" (customer_id, created DESC)",
    "CREATE UNIQUE INDEX \"ux it's\" ON \"it's\" ([back`tick])",
    "CREATE INDEX ix_open_lines ON order_line (product_id) WHERE qty > 10",
    "CREATE INDEX ix_lower_name ON customer (lower(name))",
    "CREATE TRIGGER trg_order_ins AFTER INSERT ON \"order\"\n"
    "BEGIN\n"
    "  INSERT INTO audit (happened, what) VALUES (datetime('now'), 'order ' || NEW.id);\n"
    "  UPDATE customer SET name = name WHERE id = NEW.customer_id;\n"
    "END",
    "CREATE TRIGGER \"trg it's\" INSTEAD OF DELETE ON \"v it's\"\n"
    "BEGIN DELETE FROM \"it's\" WHERE k = OLD.k; END",
};

const std::map<QString, QStringList> expectedFolders{
    {QStringLiteral("Table"),
     {"audit", "category", "customer", "it's", "Mixed Case", "order", "order_line", "product",
      "select", "stock"}},
    {QStringLiteral("View"), {"v it's", "v_big_customers", "v_customer_orders"}},
    {QStringLiteral("Index"), {"ix_lower_name", "ix_open_lines", "ix_order_customer", "ux it's"}},
    {QStringLiteral("Trigger"), {"trg it's", "trg_order_ins"}},
};

class SqliteObjects : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_source = addAlias(QStringLiteral("SOURCE"));
        m_target = addAlias(QStringLiteral("TARGET"));
        m_session = std::make_unique<DbSession>(QStringLiteral("SessionDB"), AliasList(m_aliases));
        for (const char *statement : schemaStatements)
            ASSERT_TRUE(exec(QStringLiteral("SOURCE"), QString::fromUtf8(statement)));
    }

    QString addAlias(const QString &name) {
        AliasInfo alias;
        alias.name = name;
        alias.driver = QStringLiteral("QSQLITE");
        alias.driverName = QStringLiteral("SQLITE");
        alias.database = m_dir.filePath(name + QStringLiteral(".sqlite"));
        QFile file(alias.database);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        m_aliases.push_back(alias);
        return alias.database;
    }

    bool exec(const QString &alias, const QString &sql, QString *error = nullptr) {
        QSqlQuery q(*m_session->connection(alias));
        const bool ok = q.exec(sql);
        if (!ok && error)
            *error = sql + u'\n' + q.lastError().text();
        return ok;
    }

    DescribeResult describe(const QString &folder, const QString &name) {
        return describeObject(*m_session, QStringLiteral("SOURCE"), DbKind::Sqlite,
                              *objectKindFor(DbKind::Sqlite, folder), name);
    }

    // The .schema of the sqlite3 shell as its statements, sorted.
    static QStringList schema(const QString &file) {
        const test::ProcessResult r =
            test::runProcess(QStringLiteral("sqlite3"), {file, QStringLiteral(".schema")});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        QStringList statements = r.out.split(QStringLiteral(";\n"), Qt::SkipEmptyParts);
        statements.sort();
        return statements;
    }

    QTemporaryDir m_dir;
    std::vector<AliasInfo> m_aliases;
    QString m_source;
    QString m_target;
    std::unique_ptr<DbSession> m_session;
};

TEST_F(SqliteObjects, SourceOfEveryListedObjectCreatesTheSameSchema) {
    std::vector<QString> sources; // in folder order: tables, views, indexes, triggers
    for (const ObjectKind &folder : objectKindsFor(DbKind::Sqlite)) {
        SCOPED_TRACE(folder.folder.toStdString());
        DbResult<QStringList> names =
            folderObjects(*m_session, QStringLiteral("SOURCE"), DbKind::Sqlite, folder);
        ASSERT_TRUE(names.isOk()) << names.error().message().toStdString();
        QStringList expected = expectedFolders.at(folder.folder);
        sortAsTree(expected);
        EXPECT_EQ(*names, expected);
        for (const QString &name : *names) {
            const DescribeResult described = describe(folder.folder, name);
            ASSERT_FALSE(described.error) << described.error->message().toStdString();
            EXPECT_EQ(described.definition.lines().first(),
                      QStringLiteral("Object Name        : ") + name);
            sources.push_back(described.source.lines().join(u'\n'));
        }
    }
    // A view may need another view: what fails is tried again while anything succeeds.
    QString lastError;
    while (!sources.empty()) {
        std::vector<QString> failed;
        for (const QString &source : sources)
            if (!exec(QStringLiteral("TARGET"), source, &lastError))
                failed.push_back(source);
        ASSERT_LT(failed.size(), sources.size()) << lastError.toStdString();
        sources = failed;
    }
    m_session->closeAll();
    const QStringList original = schema(m_source);
    const QString text = original.join(u'\n');
    for (const auto &[folder, names] : expectedFolders)
        for (const QString &name : names)
            EXPECT_TRUE(text.contains(name)) << name.toStdString();
    EXPECT_EQ(schema(m_target), original);
}

TEST_F(SqliteObjects, DefinitionsFromThePragmas) {
    struct Case {
        const char *folder;
        const char *name;
        QStringList lines; // lines the Definition holds
    };
    const auto column = [](const char *name, const char *rest) {
        return QStringLiteral("Column             : ") + alignedName(QString::fromUtf8(name)) +
               QString::fromUtf8(rest);
    };
    const std::vector<Case> cases{
        {"Table",
         "order_line",
         {"Type               : table", column("order_id", "INTEGER NOT NULL PRIMARY KEY(1)"),
          column("qty", "INTEGER NOT NULL"),
          "Index              : ix_open_lines (NONUNIQUE, CREATE INDEX, PARTIAL)",
          "Index              : sqlite_autoindex_order_line_1 (UNIQUE, PRIMARY KEY)",
          "Foreign Key        : (order_id) REFERENCES order(id) ON UPDATE NO ACTION ON DELETE NO "
          "ACTION",
          "Foreign Key        : (product_id) REFERENCES product ON UPDATE CASCADE ON DELETE SET "
          "NULL"}},
        {"Table",
         "product",
         {column("qty", "INTEGER DEFAULT 0"), column("worth", "REAL GENERATED STORED"),
          column("label", "TEXT GENERATED VIRTUAL")}},
        {"Table", "Mixed Case", {column("Some Value", "TEXT DEFAULT 'it''s'")}},
        {"View", "v it's", {"Type               : view", column("back`tick", "INTEGER")}},
        {"Index",
         "ix_order_customer",
         {"Table Name         : order", "Uniqueness         : NONUNIQUE",
          "Index Column       : customer_id", "Index Column       : created DESC"}},
        {"Index", "ix_lower_name", {"Index Column       : <expression>"}},
        {"Trigger", "trg it's", {"Type               : trigger", "Table Name         : v it's"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const DescribeResult described =
            describe(QString::fromLatin1(c.folder), QString::fromUtf8(c.name));
        ASSERT_FALSE(described.error) << described.error->message().toStdString();
        for (const QString &line : c.lines)
            EXPECT_TRUE(described.definition.lines().contains(line))
                << line.toStdString() << "\n"
                << described.definition.text().toStdString();
        EXPECT_EQ(described.definition.lines().last(), QString());
    }
    // The Source keeps the stored text, blank line included, and ends it with ";".
    const DescribeResult view =
        describe(QStringLiteral("View"), QStringLiteral("v_customer_orders"));
    EXPECT_EQ(view.source.lines(),
              QString::fromUtf8(schemaStatements[10]).append(u';').split(u'\n'));
    // An object of another folder is not found under this one: both views stay as cleared.
    const DescribeResult wrong = describe(QStringLiteral("View"), QStringLiteral("customer"));
    EXPECT_FALSE(wrong.error);
    EXPECT_EQ(wrong.source.lines(), QStringList{QString()});
    EXPECT_EQ(wrong.definition.lines(), QStringList({QString(), QString()}));
}

} // namespace

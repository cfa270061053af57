// Every object the tree lists on a MariaDB schema, created again from its Source in an empty
// database, gives the same schema: mariadb-dump of both databases (tables, views, routines,
// triggers, events) must agree once the order of the objects and the dump's own comment lines
// are set aside.
#include "db/catalogsql.h"
#include "db/dbsession.h"
#include "db/objectdescription.h"
#include "db/objectlist.h"
#include "tests/db/mariadbscratch.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <iterator>
#include <map>

using namespace kelvoran;
using namespace kelvoran::db;

namespace {

// Keys, checks, generated columns, a full-text index, SET columns, column character sets, range,
// list and hash partitions, names that need quoting, a view on a view and one on a function,
// routines with and without bodies, triggers and an event.
const char *const schemaStatements[] = {
    "CREATE TABLE customer (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
    " name VARCHAR(50) NOT NULL, email VARCHAR(100) UNIQUE,"
    " CONSTRAINT chk_email CHECK (email LIKE '%@%'))",

    "CREATE TABLE `order` (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, customer_id INT NOT NULL,"
    " total DECIMAL(10,2) NOT NULL DEFAULT 0 CHECK (total >= 0),"
    " status ENUM('new','paid') NOT NULL DEFAULT 'new',"
    " created DATETIME NOT NULL DEFAULT current_timestamp(),"
    " CONSTRAINT fk_order_customer FOREIGN KEY (customer_id) REFERENCES customer (id)"
    " ON DELETE CASCADE)",

    "CREATE TABLE `Mixed Case` (`Id` INT NOT NULL PRIMARY KEY,"
    " `Some Value` VARCHAR(20) DEFAULT 'it''s')",

    "CREATE TABLE `it's` (k INT NOT NULL PRIMARY KEY, `back``tick` INT)",

    "CREATE TABLE product (id INT NOT NULL PRIMARY KEY, price DECIMAL(8,2) NOT NULL,"
    " qty INT NOT NULL DEFAULT 0, worth DECIMAL(12,2) AS (price * qty) STORED,"
    " label VARCHAR(30) AS (concat('P-', id)) VIRTUAL, KEY ix_worth (worth))",

    "CREATE TABLE order_line (order_id INT NOT NULL, line_no INT NOT NULL, product_id INT,"
    " qty INT NOT NULL CHECK (qty > 0), PRIMARY KEY (order_id, line_no),"
    " CONSTRAINT fk_line_order FOREIGN KEY (order_id) REFERENCES `order` (id) ON DELETE CASCADE,"
    " CONSTRAINT fk_line_product FOREIGN KEY (product_id) REFERENCES product (id)"
    " ON DELETE SET NULL)",

    "CREATE TABLE audit (id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,"
    " happened DATETIME(3) DEFAULT current_timestamp(3), what VARCHAR(200))",

    "CREATE TABLE category (id INT NOT NULL PRIMARY KEY, parent_id INT,"
    " name VARCHAR(40) NOT NULL, UNIQUE KEY uk_parent_name (parent_id, name),"
    " CONSTRAINT fk_parent FOREIGN KEY (parent_id) REFERENCES category (id) ON DELETE SET NULL)",

    "CREATE TABLE stock (product_id INT NOT NULL PRIMARY KEY, amount INT NOT NULL,"
    " CONSTRAINT chk_amount CHECK (amount >= 0),"
    " CONSTRAINT fk_stock_product FOREIGN KEY (product_id) REFERENCES product (id))",

    "CREATE TABLE `select` (id INT NOT NULL PRIMARY KEY, note TEXT)",

    "CREATE TABLE note_search (id INT NOT NULL PRIMARY KEY, body TEXT,"
    " FULLTEXT KEY ft_body (body)) COMMENT='searchable notes'",

    "CREATE TABLE flags (id INT UNSIGNED NOT NULL PRIMARY KEY,"
    " opts SET('a','b','c') NOT NULL DEFAULT 'a,b', ratio DOUBLE NOT NULL DEFAULT 0.5,"
    " code CHAR(3) CHARACTER SET ascii COLLATE ascii_bin)",

    "CREATE TABLE sales_by_year (id INT NOT NULL, sold DATE NOT NULL, PRIMARY KEY (id, sold))"
    " PARTITION BY RANGE (YEAR(sold)) (PARTITION p2025 VALUES LESS THAN (2026),"
    " PARTITION pmax VALUES LESS THAN MAXVALUE)",

    "CREATE TABLE visit (id INT NOT NULL, region CHAR(2) NOT NULL, PRIMARY KEY (id, region))"
    " PARTITION BY LIST COLUMNS(region) (PARTITION p_east VALUES IN ('E1','E2'),"
    " PARTITION `p it's` VALUES IN ('W1'))",

    "CREATE TABLE hashed (id INT NOT NULL PRIMARY KEY) PARTITION BY HASH (id) PARTITIONS 3",

    "CREATE FUNCTION price_with_tax(p DECIMAL(8,2)) RETURNS DECIMAL(10,2) DETERMINISTIC"
    " RETURN p * 1.1",

    "CREATE FUNCTION `Mixed Func`(a INT) RETURNS INT DETERMINISTIC\n"
    "BEGIN\n  DECLARE b INT;\n  SET b = a * 2;\n\n  RETURN b;\nEND",

    "CREATE PROCEDURE add_audit(IN p_what VARCHAR(200))\n"
    "BEGIN\n  INSERT INTO audit (what) VALUES (p_what);\nEND",

    "CREATE PROCEDURE `order stats`() READS SQL DATA SELECT COUNT(*) FROM `order`",

    "CREATE VIEW v_customer_orders AS SELECT c.name, COUNT(o.id) AS orders"
    " FROM customer c LEFT JOIN `order` o ON o.customer_id = c.id GROUP BY c.name",

    "CREATE VIEW v_big_customers AS SELECT name FROM v_customer_orders WHERE orders > 1",

    "CREATE VIEW `v it's` AS SELECT k, `back``tick` FROM `it's`",

    "CREATE VIEW v_priced AS SELECT id, price_with_tax(price) AS gross FROM product",

    "CREATE TRIGGER trg_order_ins AFTER INSERT ON `order` FOR EACH ROW\n"
    "BEGIN\n  CALL add_audit(CONCAT('order ', NEW.id));\nEND",

    "CREATE TRIGGER `trg it's` BEFORE UPDATE ON stock FOR EACH ROW"
    " SET NEW.amount = GREATEST(NEW.amount, 0)",

    "CREATE EVENT ev_purge ON SCHEDULE EVERY 1 DAY STARTS '2030-01-01 00:00:00'"
    " ON COMPLETION PRESERVE DISABLE COMMENT 'clears the audit'"
    " DO DELETE FROM audit WHERE happened < NOW() - INTERVAL 30 DAY",
};

// What each folder must list: views are not tables.
const std::map<QString, QStringList> expectedFolders{
    {QStringLiteral("Table"),
     {"audit", "category", "customer", "flags", "hashed", "it's", "Mixed Case", "note_search",
      "order", "order_line", "product", "sales_by_year", "select", "stock", "visit"}},
    {QStringLiteral("View"), {"v it's", "v_big_customers", "v_customer_orders", "v_priced"}},
    {QStringLiteral("Function"), {"Mixed Func", "price_with_tax"}},
    {QStringLiteral("Procedure"), {"add_audit", "order stats"}},
    {QStringLiteral("Trigger"), {"trg it's", "trg_order_ins"}},
    {QStringLiteral("Event"), {"ev_purge"}},
};

// Folders in the order their objects can be created: tables (foreign key checks off), routines,
// views (a view may need another view: retried until nothing more succeeds), triggers, events.
const char *const creationOrder[] = {"Table", "Function", "Procedure", "View", "Trigger", "Event"};

class MariaDbObjectRebuild : public test::MariaDbScratchPair {
protected:
    MariaDbObjectRebuild() : MariaDbScratchPair("kelvoran_objects", "utf8mb4") {}

    // The dump of a database as its blocks (statements and comments between blank lines),
    // sorted, without the lines that name the host, the server, the database or the time.
    QStringList dump(const QString &database) {
        qputenv("MYSQL_PWD", qgetenv("KELVORAN_TEST_PASSWORD"));
        const test::ProcessResult r = test::runProcess(
            QStringLiteral("mariadb-dump"),
            {QStringLiteral("--no-data"), QStringLiteral("--routines"),
             QStringLiteral("--triggers"), QStringLiteral("--events"),
             QStringLiteral("--skip-dump-date"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
             QStringLiteral("-P"), qEnvironmentVariable("KELVORAN_TEST_MY_PORT"),
             QStringLiteral("-u"), QStringLiteral("kelvoran"), database});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        QStringList kept;
        for (const QString &line : r.out.split(u'\n')) {
            const bool volatileComment =
                line.startsWith(u"-- MariaDB dump") || line.startsWith(u"-- Host:") ||
                line.startsWith(u"-- Server version") || line.startsWith(u"-- Dump completed") ||
                (line.startsWith(u"-- Dumping") && line.contains(database));
            if (!volatileComment)
                kept << line;
        }
        QStringList blocks = kept.join(u'\n').split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
        blocks.sort();
        return blocks;
    }
};

TEST_F(MariaDbObjectRebuild, SourceOfEveryListedObjectCreatesTheSameSchema) {
    const QString alias = QStringLiteral("MYTEST");
    exec(QStringLiteral("USE ") + m_source);
    for (const char *statement : schemaStatements)
        exec(QString::fromUtf8(statement));
    ASSERT_FALSE(HasFailure()) << "the schema could not be created";

    std::map<QString, std::vector<QString>> sources; // folder -> Source texts
    for (const ObjectKind &folder : objectKindsFor(DbKind::MySql)) {
        SCOPED_TRACE(folder.folder.toStdString());
        DbResult<QStringList> names = folderObjects(*m_session, alias, DbKind::MySql, folder);
        ASSERT_TRUE(names.isOk()) << names.error().message().toStdString();
        QStringList expected = expectedFolders.at(folder.folder);
        sortAsTree(expected);
        EXPECT_EQ(*names, expected);
        for (const QString &name : *names) {
            const DescribeResult described =
                describeObject(*m_session, alias, DbKind::MySql, folder, name);
            ASSERT_FALSE(described.error)
                << name.toStdString() << ": " << described.error->message().toStdString();
            const QStringList definition = described.definition.lines();
            EXPECT_EQ(definition.first(), QStringLiteral("Object Name        : ") + name);
            EXPECT_EQ(definition.last(), QString());
            const QString source = described.source.lines().join(u'\n');
            // The server's texts end with ";" (a table keeps its CREATE TABLE text as it was).
            if (folder.id != ObjectKindId::Table) {
                EXPECT_TRUE(source.endsWith(u';')) << source.toStdString();
            }
            sources[folder.folder].push_back(source);
        }
    }

    exec(QStringLiteral("USE ") + m_target);
    exec(QStringLiteral("SET FOREIGN_KEY_CHECKS = 0"));
    for (const char *folder : creationOrder) {
        std::vector<QString> pending = sources[QString::fromLatin1(folder)];
        QString lastError;
        while (!pending.empty()) {
            std::vector<QString> failed;
            for (const QString &source : pending) {
                QSqlQuery q(m_db);
                if (!q.exec(source)) {
                    failed.push_back(source);
                    lastError = source + u'\n' + q.lastError().text();
                }
            }
            ASSERT_LT(failed.size(), pending.size()) << lastError.toStdString();
            pending = failed;
        }
    }
    exec(QStringLiteral("SET FOREIGN_KEY_CHECKS = 1"));

    const QStringList original = dump(m_source);
    // The dump holds every object, so equal dumps mean equal objects.
    const QString text = original.join(u'\n');
    for (const auto &[folder, names] : expectedFolders)
        for (const QString &name : names)
            EXPECT_TRUE(text.contains(name)) << name.toStdString();
    EXPECT_EQ(dump(m_target), original);
}

// Definitions name the facts of each kind; a view is not described as a table.
TEST_F(MariaDbObjectRebuild, DefinitionsSummariseEachKind) {
    const QString alias = QStringLiteral("MYTEST");
    exec(QStringLiteral("USE ") + m_source);
    for (const char *statement : schemaStatements)
        exec(QString::fromUtf8(statement));
    ASSERT_FALSE(HasFailure());
    struct Case {
        const char *folder;
        const char *name;
        QStringList lines; // lines the Definition holds
    };
    const std::vector<Case> cases{
        {"View", "v it's", {"Security           : DEFINER", "Updatable          : YES"}},
        {"Function",
         "price_with_tax",
         {"Type               : FUNCTION", "Returns            : decimal(10,2)",
          "Deterministic      : YES"}},
        {"Procedure",
         "order stats",
         {"Type               : PROCEDURE", "Data Access        : READS SQL DATA"}},
        {"Trigger",
         "trg it's",
         {"Table Name         : stock", "Timing             : BEFORE",
          "Triggering_Event   : UPDATE"}},
        {"Event",
         "ev_purge",
         {"Type               : RECURRING", "Interval Value     : 1", "Interval Field     : DAY",
          "Status             : DISABLED", "Comment            : clears the audit"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ObjectKind> folder =
            objectKindFor(DbKind::MySql, QString::fromLatin1(c.folder));
        ASSERT_TRUE(folder);
        const DescribeResult described =
            describeObject(*m_session, alias, DbKind::MySql, *folder, QString::fromUtf8(c.name));
        ASSERT_FALSE(described.error) << described.error->message().toStdString();
        for (const QString &line : c.lines)
            EXPECT_TRUE(described.definition.lines().contains(line))
                << line.toStdString() << "\n"
                << described.definition.text().toStdString();
    }
    // A name that is no object leaves the Source empty and the Definition at its empty line.
    const DescribeResult none = describeObject(
        *m_session, alias, DbKind::MySql, *objectKindFor(DbKind::MySql, QStringLiteral("View")),
        QStringLiteral("no such view"));
    EXPECT_TRUE(none.error.has_value()); // SHOW CREATE VIEW refuses an unknown view
}

} // namespace

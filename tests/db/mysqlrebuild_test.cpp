// The CREATE TABLE text of every table of a MariaDB schema, run in an empty database, gives the
// same tables: the catalog of each table (columns, indexes, keys, checks, table options) and the
// server's own CREATE TABLE text are compared between the two databases.
#include "db/catalogsql.h"
#include "db/dbsession.h"
#include "db/mysqlsource.h"
#include "tests/support/testsupport.h"

#include "tests/db/catalogtestutil.h"
#include "tests/db/mariadbscratch.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <iterator>

using namespace kelvoran;
using namespace kelvoran::db;

namespace {

// Reserved and unusual names, every default kind, generated columns, index kinds and parts,
// foreign keys with their rules, checks, comments and a column collation of its own.
const char *const schemaStatements[] = {
    "CREATE TABLE customer (id INT NOT NULL AUTO_INCREMENT, name VARCHAR(100) NOT NULL,"
    " email VARCHAR(255), password VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin"
    " NOT NULL COMMENT 'case matters', country CHAR(2) CHARACTER SET ascii DEFAULT 'JP',"
    " PRIMARY KEY (id), UNIQUE KEY uk_email (email), KEY ix_name (name(10)),"
    " CONSTRAINT chk_email CHECK (email LIKE '%@%')) COMMENT='people who buy'",

    "CREATE TABLE `order` (id INT NOT NULL AUTO_INCREMENT, customer_id INT NOT NULL,"
    " `desc` VARCHAR(100) DEFAULT 'O''Brien', status ENUM('new','paid','sent') NOT NULL"
    " DEFAULT 'new', flags SET('gift','rush') DEFAULT 'gift,rush',"
    " created TIMESTAMP NOT NULL DEFAULT current_timestamp() ON UPDATE current_timestamp(),"
    " total DECIMAL(10,2) NOT NULL DEFAULT 0.00 CHECK (total >= 0), PRIMARY KEY (id),"
    " KEY ix_customer_created (customer_id, created DESC) COMMENT 'newest first',"
    " CONSTRAINT fk_order_customer FOREIGN KEY (customer_id) REFERENCES customer (id)"
    " ON DELETE CASCADE ON UPDATE RESTRICT)",

    "CREATE TABLE `key` (`key` VARCHAR(40) NOT NULL, `value` TEXT,"
    " token CHAR(36) NOT NULL DEFAULT (uuid()), PRIMARY KEY (`key`))",

    "CREATE TABLE `desc` (id INT NOT NULL, rating ENUM('G','PG','R') DEFAULT 'G',"
    " note VARCHAR(30) DEFAULT 'it''s a \\\\ and a \"', code VARCHAR(5) NOT NULL DEFAULT '007',"
    " PRIMARY KEY (id DESC))",

    "CREATE TABLE `my table` (`my id` INT NOT NULL, `my col` VARCHAR(10)"
    " COMMENT 'a ''quoted'' comment', `odd``name` INT DEFAULT 3, PRIMARY KEY (`my id`),"
    " KEY `my index` (`my col`, `odd``name`))",

    "CREATE TABLE film (id SMALLINT UNSIGNED NOT NULL AUTO_INCREMENT,"
    " title VARCHAR(255) NOT NULL, description TEXT, release_year YEAR DEFAULT 2006,"
    " rating ENUM('G','PG','PG-13','R','NC-17') DEFAULT 'G',"
    " special_features SET('Trailers','Commentaries','Deleted Scenes')"
    " DEFAULT 'Trailers,Commentaries', rental_rate DECIMAL(4,2) NOT NULL DEFAULT 4.99,"
    " last_update TIMESTAMP NOT NULL DEFAULT current_timestamp() ON UPDATE current_timestamp(),"
    " PRIMARY KEY (id), FULLTEXT KEY ft_title_description (title, description))",

    "CREATE TABLE order_line (order_id INT NOT NULL, line_no INT NOT NULL,"
    " film_id SMALLINT UNSIGNED, qty INT NOT NULL DEFAULT 1, price DECIMAL(8,2) NOT NULL,"
    " amount DECIMAL(12,2) AS (qty * price) STORED, label VARCHAR(20) AS"
    " (concat('#', line_no)) VIRTUAL, PRIMARY KEY (order_id, line_no), KEY ix_amount (amount),"
    " CONSTRAINT fk_line_order FOREIGN KEY (order_id) REFERENCES `order` (id)"
    " ON DELETE CASCADE ON UPDATE CASCADE,"
    " CONSTRAINT fk_line_film FOREIGN KEY (film_id) REFERENCES film (id)"
    " ON DELETE SET NULL ON UPDATE NO ACTION, CONSTRAINT chk_qty CHECK (qty > 0 AND qty < 1000))",

    "CREATE TABLE line_note (order_id INT NOT NULL, line_no INT NOT NULL, seq INT NOT NULL,"
    " note TEXT NOT NULL, PRIMARY KEY (order_id, line_no, seq),"
    " CONSTRAINT fk_note_line FOREIGN KEY (order_id, line_no)"
    " REFERENCES order_line (order_id, line_no) ON DELETE CASCADE)",

    "CREATE TABLE place (id INT NOT NULL, pos POINT NOT NULL, PRIMARY KEY (id),"
    " SPATIAL KEY sp_pos (pos))",

    "CREATE TABLE audit (id BIGINT NOT NULL, happened DATETIME(3) DEFAULT current_timestamp(3),"
    " payload JSON, ip VARBINARY(16), flag BIT(1) DEFAULT b'1', day DATE DEFAULT '2024-01-01',"
    " ratio DOUBLE DEFAULT 1.5, PRIMARY KEY (id)) ENGINE=MyISAM COMMENT='kept apart'",

    "CREATE TABLE category (id INT NOT NULL, parent_id INT, name VARCHAR(50) NOT NULL,"
    " PRIMARY KEY (id), UNIQUE KEY uk_parent_name (parent_id, name), KEY ix_name (name) IGNORED,"
    " CONSTRAINT fk_parent FOREIGN KEY (parent_id) REFERENCES category (id)"
    " ON DELETE SET NULL ON UPDATE CASCADE)",

    "CREATE TABLE `select` (id INT NOT NULL, latin VARCHAR(20) CHARACTER SET latin1"
    " COLLATE latin1_general_cs DEFAULT 'x', PRIMARY KEY (id))"
    " DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci",
};

// What the catalog says about one table, as sorted "a|b|c" rows per catalog view; the schema
// name itself is left out, only whether a reference stays inside it.
const char *const catalogViews[][2] = {
    {"columns", "SELECT COLUMN_NAME,ORDINAL_POSITION,COLUMN_DEFAULT,IS_NULLABLE,COLUMN_TYPE,"
                "CHARACTER_SET_NAME,COLLATION_NAME,COLUMN_KEY,EXTRA,COLUMN_COMMENT,IS_GENERATED,"
                "GENERATION_EXPRESSION FROM information_schema.COLUMNS"},
    {"statistics",
     "SELECT INDEX_NAME,NON_UNIQUE,SEQ_IN_INDEX,COLUMN_NAME,COLLATION,SUB_PART,NULLABLE,"
     "INDEX_TYPE,INDEX_COMMENT,IGNORED FROM information_schema.STATISTICS"},
    {"key columns",
     "SELECT CONSTRAINT_NAME,COLUMN_NAME,ORDINAL_POSITION,POSITION_IN_UNIQUE_CONSTRAINT,"
     "REFERENCED_TABLE_SCHEMA = TABLE_SCHEMA,REFERENCED_TABLE_NAME,REFERENCED_COLUMN_NAME"
     " FROM information_schema.KEY_COLUMN_USAGE"},
    {"referential constraints",
     "SELECT CONSTRAINT_NAME,UNIQUE_CONSTRAINT_NAME,MATCH_OPTION,UPDATE_RULE,DELETE_RULE,"
     "REFERENCED_TABLE_NAME FROM information_schema.REFERENTIAL_CONSTRAINTS"
     " WHERE CONSTRAINT_SCHEMA = :schema AND TABLE_NAME = :table"},
    {"table constraints",
     "SELECT CONSTRAINT_NAME,CONSTRAINT_TYPE FROM information_schema.TABLE_CONSTRAINTS"},
    {"checks", "SELECT CONSTRAINT_NAME,LEVEL,CHECK_CLAUSE FROM information_schema.CHECK_CONSTRAINTS"
               " WHERE CONSTRAINT_SCHEMA = :schema AND TABLE_NAME = :table"},
    {"table", "SELECT ENGINE,TABLE_COLLATION,TABLE_COMMENT,ROW_FORMAT,CREATE_OPTIONS"
              " FROM information_schema.TABLES"},
};

// The copy's database has another default character set: only what the text says makes its
// tables match.
class MariaDbRebuild : public test::MariaDbScratchPair {
protected:
    MariaDbRebuild() : MariaDbScratchPair("kelvoran_rebuild", "latin1") {}

    QStringList rowsOf(const QString &sql, const QString &schema, const QString &table) {
        QString text = sql;
        if (!text.contains(u':'))
            text += QStringLiteral(" WHERE TABLE_SCHEMA = :schema AND TABLE_NAME = :table");
        QSqlQuery q(m_db);
        q.prepare(text);
        q.bindValue(QStringLiteral(":schema"), schema);
        q.bindValue(QStringLiteral(":table"), table);
        EXPECT_TRUE(q.exec()) << text.toStdString() << "\n" << q.lastError().text().toStdString();
        QStringList out;
        while (q.next()) {
            QStringList cells;
            for (int c = 0; c < q.record().count(); ++c)
                cells << (q.isNull(c) ? QStringLiteral("<null>") : q.value(c).toString());
            out << cells.join(u'|');
        }
        out.sort();
        return out;
    }

    QString createText(const QString &table) {
        QSqlQuery q(m_db);
        EXPECT_TRUE(
            q.exec(QStringLiteral("SHOW CREATE TABLE ") + catalogsql::mysqlIdentifier(table)));
        return q.next() ? q.value(1).toString() : QString();
    }
};

TEST_F(MariaDbRebuild, SourceOfEveryTableCreatesItAgain) {
    exec(QStringLiteral("USE ") + m_source);
    for (const char *statement : schemaStatements)
        exec(QString::fromUtf8(statement));
    ASSERT_FALSE(HasFailure()) << "the schema could not be created";

    QStringList tables;
    {
        QSqlQuery q(m_db);
        ASSERT_TRUE(q.exec(QStringLiteral("SHOW TABLES")));
        while (q.next())
            tables << q.value(0).toString();
    }
    ASSERT_EQ(tables.size(), qsizetype(std::size(schemaStatements)));

    CatalogQuery query(m_db);
    std::vector<std::pair<QString, QString>> sources;
    for (const QString &table : tables) {
        const DescribeResult described = describeMySqlTable(query, table);
        ASSERT_FALSE(described.error)
            << table.toStdString() << ": " << described.error->message().toStdString();
        sources.emplace_back(table, described.source.lines().join(u'\n'));
    }

    exec(QStringLiteral("USE ") + m_target);
    // The tables refer to each other; the order of creation does not matter without the checks.
    exec(QStringLiteral("SET FOREIGN_KEY_CHECKS = 0"));
    for (const auto &[table, source] : sources) {
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(source)) << source.toStdString() << "\n"
                                    << q.lastError().text().toStdString();
    }
    exec(QStringLiteral("SET FOREIGN_KEY_CHECKS = 1"));

    for (const auto &[table, source] : sources) {
        SCOPED_TRACE(source.toStdString());
        for (const auto &[view, sql] : catalogViews) {
            SCOPED_TRACE(view);
            const QStringList original = rowsOf(QString::fromUtf8(sql), m_source, table);
            EXPECT_EQ(rowsOf(QString::fromUtf8(sql), m_target, table), original);
            if (QByteArray(view) == "columns" || QByteArray(view) == "table") {
                EXPECT_FALSE(original.isEmpty());
            }
        }
        exec(QStringLiteral("USE ") + m_source);
        const QString original = createText(table);
        exec(QStringLiteral("USE ") + m_target);
        EXPECT_EQ(createText(table), original);
    }
}

} // namespace

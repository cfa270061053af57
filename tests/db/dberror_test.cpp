#include "db/dberror.h"
#include "tests/db/qstringprinter.h"

#include <QSqlError>

#include <gtest/gtest.h>

using namespace kelvoran;

TEST(DbErrorTextTest, FiveLinesJoinedByCrLf) {
    const DbErrorEntry entry = DbErrorEntry::make(DbErrorCategory::Statement, DbSubCode::Server,
                                                  1146, QStringLiteral("Table 'x' doesn't exist"));
    EXPECT_EQ(entry.errorCode, 0x2201);
    EXPECT_EQ(DbErrorText(entry), QStringLiteral("Category    :34\r\n"
                                                 "ErrorCode   :8705\r\n"
                                                 "SubCode     :1\r\n"
                                                 "NativeError :1146\r\n"
                                                 "Message     :Table 'x' doesn't exist"));
    // A multi-line message keeps its own line ends; a negative native error keeps its sign.
    DbErrorEntry odd = entry;
    odd.nativeError = -1;
    odd.message = QStringLiteral("a\r\nb");
    EXPECT_TRUE(
        DbErrorText(odd).endsWith(QStringLiteral("NativeError :-1\r\nMessage     :a\r\nb")));
}

TEST(DbErrorTextTest, StackGivesOneTextPerEntryInOrder) {
    DbError error(DbErrorEntry::make(DbErrorCategory::Connection, DbSubCode::Server, 1045,
                                     QStringLiteral("first")));
    error.append(DbErrorEntry::make(DbErrorCategory::Unknown, DbSubCode::Server, 0,
                                    QStringLiteral("second")));
    const QStringList texts = error.texts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Category    :33\r\nErrorCode   :8449\r\n")));
    EXPECT_TRUE(texts[1].endsWith(QStringLiteral("Message     :second")));
    EXPECT_EQ(error.message(), QStringLiteral("first"));
    EXPECT_EQ(error.toError(QStringLiteral("PSQ_1")).text(), texts[0] + QStringLiteral("  PSQ_1"));
    try {
        DbResult<int>(error).valueOrThrow();
        FAIL() << "no exception";
    } catch (const DbException &e) {
        EXPECT_EQ(e.error().texts(), texts);
        EXPECT_STREQ(e.what(), "first");
    }
}

TEST(DbErrorMappingTest, NativeCodes) {
    struct Case {
        const char *code;
        NativeCodeForm form;
        qint64 expected;
    };
    const Case cases[] = {
        {"1146", NativeCodeForm::Number, 1146},
        {" 1 ", NativeCodeForm::Number, 1},
        {"-3", NativeCodeForm::Number, -3},
        {"1146;1064", NativeCodeForm::Number, 1146},
        {"", NativeCodeForm::Number, 0},
        {"HY000", NativeCodeForm::Number, 0},
        // PostgreSQL's own packing: six bits per character, first character lowest.
        {"42P01", NativeCodeForm::SqlState, 4 | (2 << 6) | (32 << 12) | (0 << 18) | (1 << 24)},
        {"42601", NativeCodeForm::SqlState, 4 | (2 << 6) | (6 << 12) | (0 << 18) | (1 << 24)},
        {"28P01", NativeCodeForm::SqlState, 2 | (8 << 6) | (32 << 12) | (0 << 18) | (1 << 24)},
        {"4260", NativeCodeForm::SqlState, 0},
        {"42p01", NativeCodeForm::SqlState, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(nativeErrorNumber(QString::fromLatin1(c.code), c.form), c.expected) << c.code;
}

TEST(DbErrorMappingTest, QtErrorTypesAndTexts) {
    struct Case {
        QSqlError::ErrorType type;
        int category;
    };
    const Case cases[] = {
        {QSqlError::ConnectionError, 0x21},
        {QSqlError::StatementError, 0x22},
        {QSqlError::TransactionError, 0x23},
        {QSqlError::UnknownError, 0x2F},
    };
    for (const Case &c : cases) {
        const DbError e = DbError::fromSqlError(QSqlError(
            QStringLiteral("QMYSQL: Unable to execute query"),
            QStringLiteral("Table 'kelvoran.nope' doesn't exist"), c.type, QStringLiteral("1146")));
        ASSERT_EQ(e.entries().size(), 1u);
        const DbErrorEntry &entry = e.entries()[0];
        EXPECT_EQ(entry.category, c.category);
        EXPECT_EQ(entry.subCode, 1);
        EXPECT_EQ(entry.errorCode, c.category * 256 + 1);
        EXPECT_EQ(entry.nativeError, 1146);
        EXPECT_EQ(entry.message, QStringLiteral("Table 'kelvoran.nope' doesn't exist "
                                                "QMYSQL: Unable to execute query"));
    }
    const DbError pg = DbError::fromSqlError(
        QSqlError(QStringLiteral("QPSQL: Unable to create query"),
                  QStringLiteral("ERROR:  relation \"nope\" does not exist\n"),
                  QSqlError::StatementError, QStringLiteral("42P01")),
        NativeCodeForm::SqlState);
    EXPECT_EQ(pg.entries()[0].nativeError,
              nativeErrorNumber(QStringLiteral("42P01"), NativeCodeForm::SqlState));
    EXPECT_EQ(pg.entries()[0].message,
              QStringLiteral("ERROR:  relation \"nope\" does not exist QPSQL: Unable to create "
                             "query [SQLSTATE 42P01]"));
}

TEST(DbErrorMappingTest, OdbcDiagnostics) {
    struct Case {
        const char *sqlState;
        qint64 native;
        int category;
        qint64 expectedNative;
    };
    const Case cases[] = {
        {"08001", 12541, 0x21, 12541}, // TNS: no listener
        {"28000", 1017, 0x21, 1017},   // invalid user name/password
        {"42S02", 942, 0x22, 942},     // table or view does not exist
        {"40001", 0, 0x23, 0},         // serialization failure, no native number
        {"IM002", 0, 0x24, 0},         // data source not found
    };
    for (const Case &c : cases) {
        const DbErrorEntry e = DbError::fromOdbcDiagnostic(QString::fromLatin1(c.sqlState),
                                                           c.native, QStringLiteral(" text "));
        EXPECT_EQ(e.category, c.category) << c.sqlState;
        if (c.expectedNative != 0)
            EXPECT_EQ(e.nativeError, c.expectedNative) << c.sqlState;
        else
            EXPECT_EQ(e.nativeError, packSqlState(QString::fromLatin1(c.sqlState))) << c.sqlState;
        EXPECT_NE(e.nativeError, 0) << c.sqlState;
        EXPECT_EQ(e.message, QStringLiteral("text [SQLSTATE ") + QLatin1String(c.sqlState) + u']');
    }
}

// Database errors: an error stack of (category, code, sub-code, native error, message) entries,
// its five-line text, and the two ways a failure travels (a value or an exception).
#pragma once

#include "core/result.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <optional>
#include <utility>
#include <vector>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
class QSqlQuery;

namespace kelvoran {

// Error categories, the high byte of the 16-bit error code.
//
// How errors of the access layer map onto the fields:
// - Qt SQL errors (QSqlError): the category follows QSqlError::ErrorType (ConnectionError ->
//   Connection, StatementError -> Statement, TransactionError -> Transaction, anything else ->
//   Unknown); the sub-code is DbSubCode::Server.
// - ODBC diagnostics: the category follows the SQLSTATE class ("08" and "28" -> Connection,
//   "25" and "40" -> Transaction, "IM" -> Driver, else Statement); the sub-code is
//   DbSubCode::Server.
// - Failures found by this program before the server is asked (cancelled login, unknown alias,
//   missing driver or database file) carry their own sub-codes below.
// The error code is category * 256 + sub-code.
//
// The native error is the server's own error number:
// - a numeric native code (MySQL/MariaDB "1146", SQLite "1", ODBC native errors) as it is;
// - a five-character SQLSTATE (PostgreSQL "42P01", ODBC drivers without a native number) packed
//   the way PostgreSQL packs it internally: six bits per character, ((c - '0') & 0x3F), the
//   first character in the lowest bits. The result is never 0 for a real SQLSTATE, and the
//   SQLSTATE text itself is kept at the end of the message ("[SQLSTATE 42P01]");
// - 0 when there is no server code.
// The message is the server's text followed by the driver's text (each trimmed, joined by one
// blank, the driver's left out when it repeats the server's).
enum class DbErrorCategory : int {
    Connection = 0x21,
    Statement = 0x22,
    Transaction = 0x23,
    Driver = 0x24,
    Unknown = 0x2F,
};

// Sub-codes, the low byte of the error code.
enum class DbSubCode : int {
    Server = 0x01,          // reported by the server or its driver
    LoginCancelled = 0x02,  // the login prompt was cancelled (or no prompt could be shown)
    UnknownAlias = 0x03,    // the alias is not configured
    DriverMissing = 0x04,   // the alias's Qt driver is not installed
    DatabaseMissing = 0x05, // a file database (SQLite) that does not exist
};

// One entry of an error stack.
struct DbErrorEntry {
    int category = 0;       // high byte of errorCode
    int errorCode = 0;      // 16-bit code: category * 256 + subCode
    int subCode = 0;        // low byte of errorCode
    qint64 nativeError = 0; // the server's error number (see the mapping above)
    QString message;

    // An entry from a category, a sub-code, a native number and a message.
    static DbErrorEntry make(DbErrorCategory category, DbSubCode subCode, qint64 nativeError,
                             const QString &message);
};

// The five lines of one entry, joined by CR LF:
// "Category    :33", "ErrorCode   :8449", "SubCode     :1", "NativeError :1146",
// "Message     :...".
QString DbErrorText(const DbErrorEntry &entry);

// How a driver reports its native code: a number (MySQL/MariaDB, SQLite, ODBC, Oracle) or a
// SQLSTATE (PostgreSQL). "42601" is a number to one and a SQLSTATE to the other.
enum class NativeCodeForm { Number, SqlState };

// The native code form of a Qt driver: by name ("QPSQL" gives SqlState) or by the driver of an
// open connection (a PostgreSQL one gives SqlState).
NativeCodeForm nativeCodeFormOf(const QString &qtDriver);
NativeCodeForm nativeCodeFormOf(const QSqlDriver *driver);

// The native error number of a driver's native code text (see the mapping above). A text that
// fits neither form gives 0.
qint64 nativeErrorNumber(const QString &nativeCode, NativeCodeForm form);

// The text of a Qt SQL failure by the message rule above (the server's text, then the driver's
// unless it repeats it), without the SQLSTATE: for statuses that quote the database's words.
QString sqlErrorText(const QSqlError &error);

// A SQLSTATE packed into a number the way PostgreSQL does it (0 when it is not five characters
// of digits and capital letters).
qint64 packSqlState(const QString &sqlState);

// A database error: the stack of entries, outermost first, as the boxes show them in order.
class DbError {
public:
    DbError() = default;
    explicit DbError(std::vector<DbErrorEntry> entries) : m_entries(std::move(entries)) {}
    explicit DbError(DbErrorEntry entry) : m_entries{std::move(entry)} {}

    // The error of a Qt SQL failure; form says how the driver gives its native code.
    static DbError fromSqlError(const QSqlError &error,
                                NativeCodeForm form = NativeCodeForm::Number);
    // The last error of a query or of a connection, with its driver's native code form.
    static DbError fromQuery(const QSqlQuery &query);
    static DbError fromDatabase(const QSqlDatabase &db);
    // One entry of an ODBC diagnostic record (SQLGetDiagRec's SQLSTATE, native error, text).
    static DbErrorEntry fromOdbcDiagnostic(const QString &sqlState, qint64 nativeError,
                                           const QString &message);

    const std::vector<DbErrorEntry> &entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.empty(); }
    // Adds an entry at the end of the stack.
    void append(DbErrorEntry entry) { m_entries.push_back(std::move(entry)); }

    // DbErrorText of every entry, one text per message box, in stack order.
    QStringList texts() const;
    // The first entry's message (or empty): for statuses and one-line reports.
    QString message() const;
    // The first entry's DbErrorText as a plain Error with the given step code.
    Error toError(const QString &stepCode = QString()) const;

private:
    std::vector<DbErrorEntry> m_entries;
};

// A database error that ends a whole user command or scheduled entry; caught where the command
// or entry is handled (and by the application-wide handler, which shows DbErrorText boxes).
class DbException : public std::exception {
public:
    explicit DbException(DbError error);
    const DbError &error() const { return m_error; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    DbError m_error;
    QByteArray m_what;
};

// A value or a database error: the expected failures of the access layer (a refused login, a
// failed statement) as values.
template <class T> class DbResult {
public:
    DbResult(T value) : m_value(std::move(value)) {}
    DbResult(DbError error) : m_error(std::move(error)) {}

    bool isOk() const { return m_value.has_value(); }
    explicit operator bool() const { return isOk(); }
    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    const T &operator*() const & { return *m_value; }
    const T *operator->() const { return &*m_value; }
    const DbError &error() const { return *m_error; }
    // The value, or a DbException when the failure must abort the whole command.
    T valueOrThrow() const & {
        if (!m_value)
            throw DbException(*m_error);
        return *m_value;
    }

private:
    std::optional<T> m_value;
    std::optional<DbError> m_error;
};

} // namespace kelvoran

#include "db/sqlitefunctions.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <cstring>

namespace kelvoran {

namespace {

// NULL, or a text of length zero (Oracle stores '' as NULL).
bool isOracleNull(sqlite3_value *v) {
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL)
        return true;
    if (type == SQLITE_TEXT || type == SQLITE_BLOB)
        return sqlite3_value_bytes(v) == 0;
    return false;
}

bool isNumber(sqlite3_value *v) {
    const int type = sqlite3_value_type(v);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// The value as a number when it is one or is a text that reads as one.
bool numberOf(sqlite3_value *v, double *out) {
    if (isNumber(v)) {
        *out = sqlite3_value_double(v);
        return true;
    }
    const unsigned char *text = sqlite3_value_text(v);
    if (!text)
        return false;
    const QByteArray bytes = QByteArray(reinterpret_cast<const char *>(text)).trimmed();
    bool ok = false;
    *out = bytes.toDouble(&ok);
    return ok;
}

// Oracle's DECODE comparison of the expression with one search value.
bool decodeMatches(sqlite3_value *expr, sqlite3_value *search) {
    const bool exprNull = isOracleNull(expr);
    const bool searchNull = isOracleNull(search);
    if (exprNull || searchNull)
        return exprNull && searchNull;
    if (isNumber(expr) || isNumber(search)) {
        double a = 0;
        double b = 0;
        if (numberOf(expr, &a) && numberOf(search, &b))
            return a == b;
    }
    const unsigned char *a = sqlite3_value_text(expr);
    const int aLength = sqlite3_value_bytes(expr);
    const unsigned char *b = sqlite3_value_text(search);
    const int bLength = sqlite3_value_bytes(search);
    return aLength == bLength && std::memcmp(a, b, static_cast<size_t>(aLength)) == 0;
}

// Sets the function's result, turning NULL into the empty text.
void resultOf(sqlite3_context *context, sqlite3_value *v) {
    if (!v || sqlite3_value_type(v) == SQLITE_NULL)
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
    else
        sqlite3_result_value(context, v);
}

void decodeFunction(sqlite3_context *context, int argc, sqlite3_value **argv) {
    if (argc < 3) {
        sqlite3_result_error(context, "DECODE needs at least three arguments", -1);
        return;
    }
    sqlite3_value *expr = argv[0];
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        if (decodeMatches(expr, argv[i])) {
            resultOf(context, argv[i + 1]);
            return;
        }
    }
    // An odd argument left over is the default.
    resultOf(context, i < argc ? argv[i] : nullptr);
}

void nvlFunction(sqlite3_context *context, int argc, sqlite3_value **argv) {
    resultOf(context, isOracleNull(argv[0]) ? argv[1] : argv[0]);
}

} // namespace

Status registerOracleFunctions(const QSqlDatabase &db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        return Error{QStringLiteral("SQLite の接続ではありません"), QString()};
    sqlite3 *sqlite = *static_cast<sqlite3 *const *>(handle.constData());
    if (!sqlite)
        return Error{QStringLiteral("SQLite の接続が開いていません"), QString()};
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function(sqlite, "DECODE", -1, flags, nullptr, decodeFunction, nullptr,
                                nullptr) != SQLITE_OK ||
        sqlite3_create_function(sqlite, "NVL", 2, flags, nullptr, nvlFunction, nullptr, nullptr) !=
            SQLITE_OK)
        return Error{QString::fromUtf8(sqlite3_errmsg(sqlite)), QString()};
    return Status();
}

} // namespace kelvoran

// The bodies of Oracle's DECODE and NVL over SQLite's C API, shared by the two places that
// register them: the program's own SQLite connections (db/sqlitefunctions.cpp, calling the
// linked SQLite library) and the loadable extension that ODBC data sources over SQLite load
// (db/sqliteext, calling SQLite through the routine table an extension is handed).
//
// The including file includes <sqlite3.h> or, in the extension, <sqlite3ext.h> after
// SQLITE_EXTENSION_INIT1, before this header; the bodies then call whichever SQLite they see.
// Only the C library and the C++ standard library are used, so the extension needs no Qt.
#pragma once

#include <cctype>
#include <charconv>
#include <cstring>

namespace kelvoran::oraclesql {

// NULL, or a text of length zero (Oracle stores '' as NULL).
inline bool isOracleNull(sqlite3_value *v) {
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL)
        return true;
    if (type == SQLITE_TEXT || type == SQLITE_BLOB)
        return sqlite3_value_bytes(v) == 0;
    return false;
}

inline bool isNumber(sqlite3_value *v) {
    const int type = sqlite3_value_type(v);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// A whole text as a decimal number, surrounding white space allowed ("  42 ", "-1.5e3",
// "+7"). Independent of the process locale, which a desktop may set to one with a decimal comma.
inline bool textAsNumber(const char *text, double *out) {
    const char *begin = text;
    const char *end = text + std::strlen(text);
    while (begin < end && std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(end[-1])))
        --end;
    if (begin < end && *begin == '+' && end - begin > 1 && begin[1] != '-' && begin[1] != '+')
        ++begin;
    if (begin == end)
        return false;
    const std::from_chars_result r = std::from_chars(begin, end, *out);
    return r.ec == std::errc() && r.ptr == end;
}

// The value as a number when it is one or is a text that reads as one.
inline bool numberOf(sqlite3_value *v, double *out) {
    if (isNumber(v)) {
        *out = sqlite3_value_double(v);
        return true;
    }
    const unsigned char *text = sqlite3_value_text(v);
    return text && textAsNumber(reinterpret_cast<const char *>(text), out);
}

// Oracle's DECODE comparison of the expression with one search value.
inline bool decodeMatches(sqlite3_value *expr, sqlite3_value *search) {
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
inline void resultOf(sqlite3_context *context, sqlite3_value *v) {
    if (!v || sqlite3_value_type(v) == SQLITE_NULL)
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
    else
        sqlite3_result_value(context, v);
}

// DECODE(expr, search1, result1 [, search2, result2 ...] [, default])
inline void decodeFunction(sqlite3_context *context, int argc, sqlite3_value **argv) {
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

// NVL(a, b): a unless it is NULL or empty, else b.
inline void nvlFunction(sqlite3_context *context, int, sqlite3_value **argv) {
    resultOf(context, isOracleNull(argv[0]) ? argv[1] : argv[0]);
}

// Registers both functions on a connection; SQLITE_OK or SQLite's error code.
inline int registerFunctions(sqlite3 *db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    int rc =
        sqlite3_create_function(db, "DECODE", -1, flags, nullptr, decodeFunction, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function(db, "NVL", 2, flags, nullptr, nvlFunction, nullptr, nullptr);
    return rc;
}

} // namespace kelvoran::oraclesql

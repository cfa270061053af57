#include "bench/report/benchdata.h"

#include "db/selectanalysis.h"
#include "report/credentials.h"
#include "report/reportdefinition.h"
#include "report/settingsfile.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace kelvoran::bench {

// grp, code (text with leading zeros), n1..n10 (numbers), t1..t8 (texts).
bool makeDatabase(const std::string &path) {
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        return false;
    const char *sql =
        "CREATE TABLE bench (seq INTEGER PRIMARY KEY, grp TEXT, code TEXT,"
        " n1 INTEGER, n2 REAL, n3 INTEGER, n4 REAL, n5 INTEGER, n6 REAL, n7 INTEGER, n8 REAL,"
        " n9 INTEGER, n10 REAL, t1 TEXT, t2 TEXT, t3 TEXT, t4 TEXT, t5 TEXT, t6 TEXT, t7 TEXT,"
        " t8 TEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65534)"
        " INSERT INTO bench SELECT i, printf('G%03d', (i - 1) / 500), printf('%06d', i * 7919 % "
        "1000000),"
        " i * 3 % 1000, (i % 977) + 0.25, i % 5000, (i * 13 % 10000) / 100.0, i % 321,"
        " (i % 19) * 1.5, i * 7 % 100000, (i % 101) + 0.5, i % 64, (i * 31 % 1000) / 8.0,"
        " '商品' || (i % 997), '倉庫' || (i % 13), 'A-' || (i % 331), '担当' || (i % 41),"
        " 'メモ' || (i % 7), 'X' || i, '区分' || (i % 5), '備考なし'"
        " FROM n;";
    char *err = nullptr;
    const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, &err) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "sqlite: %s\n", err);
    sqlite3_free(err);
    sqlite3_close(db);
    return ok;
}

const char *const kColumns[20] = {"grp", "code", "n1", "n2", "n3", "n4", "n5", "n6", "n7", "n8",
                                  "n9",  "n10",  "t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8"};

bool writeSettings(const QString &path) {
    ReportDefinition def;
    const std::map<QString, QString> values{{"PROCFLG", "1"},         {"DBNAME", "BENCH"},
                                            {"DATAFASTCOL", "1"},     {"DATAFASTROW", "1"},
                                            {"TITLEFLG", "FALSE"},    {"SHEETFLG", "FALSE"},
                                            {"MAKEDATEFLG", "FALSE"}, {"KOUMOKUNAME", "TRUE"},
                                            {"AFORMATDATA", "0"},     {"RF", "0"},
                                            {"PTOUT", "FALSE"},       {"KOTEIFLG", "FALSE"},
                                            {"KCFLG", "FALSE"},       {"KCBKEY", "0"},
                                            {"TITLEHOLD", "TRUE"},    {"TITLEBACKCOLOR", "15"},
                                            {"TITLEFONTCOLOR", "1"},  {"TITLEITALIC", "FALSE"},
                                            {"TITLEBOLD", "TRUE"},    {"CSVTREAT", "0"},
                                            {"PTPAGELAYOUT", "0"},    {"PTREPLAYOUT", "0"},
                                            {"PTAFORMATPIVOT", "0"}};
    for (const auto &[k, v] : values)
        def.setValue(k, v);
    def.columns.clear();
    for (int c = 0; c < 20; ++c) {
        ColumnSetting s;
        s.PhysicalName = QString::fromLatin1(kColumns[c]);
        if (c == 1)
            s.FormatCodes = QStringLiteral("006/   /   /   /,");
        else if (c == 2) {
            s.FormatCodes = QStringLiteral("103/ 40/   /   /,101/   /   /   /,");
            s.GroupKeys = QStringLiteral("grp******,");
        } else if (c >= 3 && c <= 7)
            s.FormatCodes = QStringLiteral("101/   /   /   /,");
        else if (c >= 8 && c <= 11)
            s.FormatCodes = QStringLiteral("105/   /   /   /,");
        def.columns.push_back(s);
    }
    const Result<PackedPasswords> packed =
        PackPasswordsAt(Passwords{}, QStringLiteral("2026/01/05 09:00:00"));
    if (!packed)
        return false;
    def.setValue(QStringLiteral("PASSWORD"), packed->copies.password);
    def.setValue(QStringLiteral("KWORD"), packed->copies.kword);
    def.setValue(QStringLiteral("QWORD"), packed->copies.qword);
    def.setValue(QStringLiteral("TWORD"), packed->copies.tword);
    def.setValue(QStringLiteral("MAKEDATE"), packed->makeDate);
    def.setValue(QStringLiteral("VERSION"), packed->version);
    SqlSource sql;
    sql.kind = SqlSource::Analysis;
    sql.selectHead = QStringLiteral("SELECT ");
    sql.fromLines = {QStringLiteral("FROM bench")};
    sql.whereLines = {QStringLiteral("ORDER BY seq")};
    const Status st = writeSettingsFile(path, def, SettingsFileMode::Excel, sql);
    if (!st)
        std::fprintf(stderr, "settings: %s\n", st.error().message.toUtf8().constData());
    return bool(st);
}

bool prepareBenchFiles(const QString &folder, BenchFiles &files) {
    files.database = (folder + QStringLiteral("/bench.sqlite")).toStdString();
    files.settings = folder + QStringLiteral("/bench.kvr");
    const QByteArray aliases = (folder + QStringLiteral("/aliases.ini")).toUtf8();
    if (!makeDatabase(files.database))
        return false;
    FILE *f = std::fopen(aliases.constData(), "w");
    if (!f)
        return false;
    std::fprintf(f, "[BENCH]\ndriver=QSQLITE\ndatabase=%s\n", files.database.c_str());
    if (std::fclose(f) != 0 || !writeSettings(files.settings))
        return false;
    setenv("KELVORAN_ALIASES", aliases.constData(), 1);
    return true;
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long fileSize(const std::string &p) {
    FILE *f = std::fopen(p.c_str(), "rb");
    if (!f)
        return 0;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

} // namespace kelvoran::bench

// The list report the report benchmarks measure: a 65,534-record x 20-column SQLite table with
// a new group every 500 records, and its settings file (heading row, a group subtotal, footer
// sums as values and as "=sum(" formulas, a text column, frozen heading). Also the timing
// helpers the benchmarks share.
#pragma once

#include <QString>

#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kelvoran::bench {

inline constexpr int kRecords = 65534;
inline constexpr int kGroupSize = 500;
// The table's columns in report order.
extern const char *const kColumns[20];

// Creates the table "bench" in a new SQLite file.
bool makeDatabase(const std::string &path);
// Writes the report's settings file on the alias BENCH.
bool writeSettings(const QString &path);

// The files of a benchmark run in folder: the database "bench.sqlite", an alias file naming it
// BENCH (made the program's alias file through KELVORAN_ALIASES) and the settings file
// "bench.kvr". False when one cannot be written.
struct BenchFiles {
    std::string database;
    QString settings;
};
bool prepareBenchFiles(const QString &folder, BenchFiles &files);

// Seconds of a steady clock.
double now();

struct Timing {
    double seconds;
    long peakKb;
    int status;
};

// Runs body in a child process and times it.
template <class F> Timing timedChild(F body) {
    const double start = now();
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    return Timing{now() - start, usage.ru_maxrss, status};
}

double median(std::vector<double> v);
long fileSize(const std::string &path);

} // namespace kelvoran::bench

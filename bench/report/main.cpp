// A 65,534-record x 20-column list report from SQLite: heading row, a group subtotal on one
// column (a new group every 500 records), footer sums (values and "=sum(" formulas), a text
// column, borders, frozen heading. Timed end to end through `kelvoran-batch report`, against
// libxlsxwriter writing the same finished cells from the same database in the same run (normal
// and constant_memory mode). Prints the median of three runs of each, the ratios and peak memory.
#include "bench/report/benchdata.h"

#include <sqlite3.h>
#include <xlsxwriter.h>

#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace kelvoran;
using namespace kelvoran::bench;

namespace {

// The same finished sheet with libxlsxwriter, reading the same rows from the same database.
void writePeer(const std::string &dbPath, const std::string &out, bool constantMemory) {
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *wb = workbook_new_opt(out.c_str(), &options);
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    auto boxed = [&](lxw_format *f) {
        format_set_bottom(f, LXW_BORDER_THIN);
        format_set_left(f, LXW_BORDER_THIN);
        format_set_right(f, LXW_BORDER_THIN);
        return f;
    };
    lxw_format *head = boxed(workbook_add_format(wb));
    format_set_bold(head);
    format_set_align(head, LXW_ALIGN_CENTER);
    format_set_align(head, LXW_ALIGN_VERTICAL_CENTER);
    format_set_bg_color(head, 0xC0C0C0);
    format_set_top(head, LXW_BORDER_THIN);
    lxw_format *cell = boxed(workbook_add_format(wb));
    lxw_format *text = boxed(workbook_add_format(wb));
    format_set_num_format(text, "@");
    lxw_format *band = boxed(workbook_add_format(wb));
    format_set_bg_color(band, 0xF4C69F);
    format_set_align(band, LXW_ALIGN_RIGHT);
    format_set_align(band, LXW_ALIGN_VERTICAL_CENTER);
    lxw_format *foot = boxed(workbook_add_format(wb));
    format_set_bg_color(foot, 0xFFFFCC);
    format_set_align(foot, LXW_ALIGN_RIGHT);
    format_set_align(foot, LXW_ALIGN_VERTICAL_CENTER);

    for (int c = 0; c < 20; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), kColumns[c], head);
    worksheet_freeze_panes(ws, 1, 0);

    sqlite3 *db = nullptr;
    sqlite3_open(dbPath.c_str(), &db);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT grp, code, n1, n2, n3, n4, n5, n6, n7, n8, n9, n10, t1, t2, t3, t4,"
                       " t5, t6, t7, t8 FROM bench ORDER BY seq",
                       -1, &st, nullptr);
    lxw_row_t row = 1;
    std::string key;
    double groupSum = 0, running = 0;
    double totals[20] = {};
    lxw_row_t first = 1;
    auto subtotal = [&]() {
        for (int c = 0; c < 20; ++c)
            worksheet_write_blank(ws, row, lxw_col_t(c), band);
        worksheet_write_number(ws, row, 2, groupSum, band);
        running += double(std::llround(groupSum)); // whole sums here
        ++row;
        groupSum = 0;
    };
    while (sqlite3_step(st) == SQLITE_ROW) {
        const std::string k = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        if (row > first && k != key)
            subtotal();
        key = k;
        for (int c = 0; c < 20; ++c) {
            if (c >= 2 && c <= 11) {
                const double v = sqlite3_column_double(st, c);
                worksheet_write_number(ws, row, lxw_col_t(c), v, cell);
                totals[c] += v;
                if (c == 2)
                    groupSum += v;
            } else {
                worksheet_write_string(ws, row, lxw_col_t(c),
                                       reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                       c == 1 ? text : cell);
            }
        }
        ++row;
    }
    subtotal();
    sqlite3_finalize(st);
    sqlite3_close(db);
    for (int c = 0; c < 20; ++c)
        worksheet_write_blank(ws, row, lxw_col_t(c), foot);
    worksheet_write_number(ws, row, 2, running, foot);
    for (int c = 3; c <= 7; ++c)
        worksheet_write_number(ws, row, lxw_col_t(c), totals[c], foot);
    for (int c = 8; c <= 11; ++c) {
        char formula[64];
        const char letter = char('A' + c);
        std::snprintf(formula, sizeof formula, "=sum(%c2:%c%u)", letter, letter, unsigned(row));
        worksheet_write_formula_num(ws, row, lxw_col_t(c), formula, foot, totals[c]);
    }
    workbook_close(wb);
}

} // namespace

int main() {
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KELVORAN_BENCH_KEEP"));
    const std::string ours = dir.filePath(QStringLiteral("ours.xlsx")).toStdString();
    const std::string peer = dir.filePath(QStringLiteral("peer.xlsx")).toStdString();
    const std::string peerCm = dir.filePath(QStringLiteral("peer_cm.xlsx")).toStdString();
    BenchFiles files;
    if (!prepareBenchFiles(dir.path(), files))
        return 1;
    const std::string &dbPath = files.database;
    const QString &kvr = files.settings;

    const std::string kvrPath = kvr.toStdString();
    std::vector<double> tOurs, tPeer, tPeerCm;
    long kbOurs = 0, kbPeer = 0, kbPeerCm = 0;
    for (int run = 0; run < 3; ++run) {
        const Timing a = timedChild([&] {
            if (!freopen("/dev/null", "w", stdout))
                _exit(3);
            execl(KELVORAN_BATCH, "kelvoran-batch", "report", kvrPath.c_str(), "--output",
                  ours.c_str(), static_cast<char *>(nullptr));
            _exit(2);
        });
        if (!WIFEXITED(a.status) || WEXITSTATUS(a.status) != 0) {
            std::fprintf(stderr, "kelvoran-batch report failed (status %d)\n", a.status);
            return 1;
        }
        const Timing b = timedChild([&] { writePeer(dbPath, peer, false); });
        const Timing c = timedChild([&] { writePeer(dbPath, peerCm, true); });
        tOurs.push_back(a.seconds);
        tPeer.push_back(b.seconds);
        tPeerCm.push_back(c.seconds);
        kbOurs = std::max(kbOurs, a.peakKb);
        kbPeer = std::max(kbPeer, b.peakKb);
        kbPeerCm = std::max(kbPeerCm, c.peakKb);
    }
    const double o = median(tOurs), p = median(tPeer), pc = median(tPeerCm);
    std::printf("list report: %d records x 20 columns, group subtotal every %d records, footer "
                "totals, from SQLite (median of 3)\n",
                kRecords, kGroupSize);
    std::printf("kelvoran-batch report:           %.2f s  peak %ld MB  file %ld KB\n", o,
                kbOurs / 1024, fileSize(ours) / 1024);
    std::printf("libxlsxwriter (normal):          %.2f s  peak %ld MB  file %ld KB\n", p,
                kbPeer / 1024, fileSize(peer) / 1024);
    std::printf("libxlsxwriter (constant_memory): %.2f s  peak %ld MB  file %ld KB\n", pc,
                kbPeerCm / 1024, fileSize(peerCm) / 1024);
    std::printf("ratio (ours / libxlsxwriter normal): %.2f   (goal: at most 2.00)\n", o / p);
    std::printf("ratio (ours / libxlsxwriter constant_memory): %.2f\n", o / pc);
    if (!dir.autoRemove())
        std::printf("files kept in %s\n", dir.path().toUtf8().constData());
    return 0;
}

// Writes a 65,535 x 20 report sheet through ExcelSession and the same cells with libxlsxwriter
// in the same run: header row, 10 numeric columns as "#,##0", 10 short texts, a bottom border on
// every row, column widths. Prints both times, their ratio and the peak memory of each phase.
#include "excel/excelsession.h"

#include <xlsxwriter.h>

#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kelvoran;

namespace {

constexpr int kRows = 65535;
constexpr int kCols = 20;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString textValue(int r, int c) {
    return QStringLiteral("商品%1-%2").arg(r % 997).arg(c);
}
double numberValue(int r, int c) {
    return double(r) * 37.0 + c * 1001 + (r % 7) * 0.25;
}

void writeOurs(const QString &path) {
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet s = xl.sheet(book, 1);
    for (int c = 1; c <= kCols; ++c)
        s.cells(1, c).setValue(QStringLiteral("項目%1").arg(c));
    s.range(s.cells(1, 1), s.cells(1, kCols))
        .setBorder(xl::EdgeBottom, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic);
    for (int r = 2; r <= kRows; ++r) {
        for (int c = 1; c <= 10; ++c)
            s.cells(r, c).setValue(QString::number(numberValue(r, c), 'f', 2));
        for (int c = 11; c <= kCols; ++c)
            s.cells(r, c).setValue(textValue(r, c));
        s.range(s.cells(r, 1), s.cells(r, kCols))
            .setBorder(xl::EdgeBottom, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic);
    }
    s.range(s.cells(2, 1), s.cells(kRows, 10)).setNumberFormat(QStringLiteral("#,##0"));
    for (int c = 1; c <= kCols; ++c)
        s.cells(1, c).entireColumn().setColumnWidth(c <= 10 ? 12 : 16);
    const Result<QString> saved = xl.saveAs(book, path);
    if (!saved.isOk())
        std::fprintf(stderr, "save failed: %s\n", saved.error().message.toUtf8().constData());
}

void writePeer(const QString &path) {
    lxw_workbook *wb = workbook_new(path.toUtf8().constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    lxw_format *head = workbook_add_format(wb);
    format_set_bottom(head, LXW_BORDER_THIN);
    lxw_format *num = workbook_add_format(wb);
    format_set_num_format(num, "#,##0");
    format_set_bottom(num, LXW_BORDER_THIN);
    lxw_format *text = workbook_add_format(wb);
    format_set_bottom(text, LXW_BORDER_THIN);
    for (int c = 0; c < kCols; ++c) {
        worksheet_write_string(ws, 0, lxw_col_t(c),
                               QStringLiteral("項目%1").arg(c + 1).toUtf8().constData(), head);
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), c < 10 ? 12 : 16, nullptr);
    }
    for (int r = 2; r <= kRows; ++r) {
        for (int c = 1; c <= 10; ++c)
            worksheet_write_number(ws, lxw_row_t(r - 1), lxw_col_t(c - 1), numberValue(r, c), num);
        for (int c = 11; c <= kCols; ++c)
            worksheet_write_string(ws, lxw_row_t(r - 1), lxw_col_t(c - 1),
                                   textValue(r, c).toUtf8().constData(), text);
    }
    workbook_close(wb);
}

// Runs one writer in a child process so that each phase reports its own peak memory.
double timed(void (*writer)(const QString &), const QString &path, long &peakKb) {
    const double start = now();
    const pid_t pid = fork();
    if (pid == 0) {
        writer(path);
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    peakKb = usage.ru_maxrss;
    return now() - start;
}

} // namespace

int main() {
    QTemporaryDir dir;
    // KELVORAN_BENCH_KEEP=1 keeps both files for a look with other readers.
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KELVORAN_BENCH_KEEP"));
    const QString ours = dir.filePath(QStringLiteral("ours.xlsx"));
    const QString peer = dir.filePath(QStringLiteral("peer.xlsx"));
    long oursKb = 0, peerKb = 0;
    const double tOurs = timed(writeOurs, ours, oursKb);
    const double tPeer = timed(writePeer, peer, peerKb);
    auto size = [](const QString &p) {
        FILE *f = std::fopen(p.toUtf8().constData(), "rb");
        if (!f)
            return 0L;
        std::fseek(f, 0, SEEK_END);
        const long n = std::ftell(f);
        std::fclose(f);
        return n;
    };
    std::printf("cells: %d rows x %d columns\n", kRows, kCols);
    std::printf("ExcelSession:  %.2f s  peak %ld MB  file %ld KB\n", tOurs, oursKb / 1024,
                size(ours) / 1024);
    std::printf("libxlsxwriter: %.2f s  peak %ld MB  file %ld KB\n", tPeer, peerKb / 1024,
                size(peer) / 1024);
    std::printf("ratio (ours / libxlsxwriter): %.2f\n", tOurs / tPeer);
    if (!dir.autoRemove())
        std::printf("files kept in %s\n", dir.path().toUtf8().constData());
    return 0;
}

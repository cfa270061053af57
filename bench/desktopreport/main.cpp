// "Excel出力" from the desktop program against `kelvoran-batch report`: the list report of
// bench/report (65,534 records x 20 columns, group subtotals, footer totals) from the same
// SQLite file and settings file, both measured in this run. The desktop path runs offscreen
// through ExcelReportCommand as the report designer calls it (settings file read, connection
// opened, questions answered yes, the driver on its worker thread, status bar progress) and is
// timed from reading the settings file to the returned result; the batch path is timed as a
// process. Prints the median of three runs of each, their ratio (goal: at most 1.20) and the
// longest time the designer window went without a paint while the desktop report ran (goal:
// at most 200 ms).
#include "bench/report/benchdata.h"

#include "app/datamodule.h"
#include "app/excelreportcommand.h"
#include "report/settingsfile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace kelvoran;
using namespace kelvoran::bench;

namespace {

// Records the longest time between two paints.
class PaintProbe : public QWidget {
public:
    void restart() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
    }
    qint64 longest() const { return m_longest; }

protected:
    void paintEvent(QPaintEvent *) override {
        const qint64 t = m_clock.elapsed();
        m_longest = std::max(m_longest, t - m_last);
        m_last = t;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

struct DesktopRun {
    double seconds = 0;
    qint64 longestPaintGap = 0;
    bool ok = false;
};

DesktopRun runDesktop(const QString &kvr, const QString &output) {
    const Result<AliasList> aliases = AliasList::load();
    if (!aliases)
        return {};
    TDataModule_Kelvoran dm(*aliases);
    RecordingInteraction ui;
    ui.defaultConfirm = true;
    ui.files = {output};
    dm.ui = &ui;
    QMainWindow designer;
    auto *probe = new PaintProbe;
    designer.setCentralWidget(probe);
    designer.resize(700, 500);
    designer.show();
    QTimer repaint;
    repaint.setInterval(20);
    QObject::connect(&repaint, &QTimer::timeout, probe, qOverload<>(&QWidget::update));
    QCoreApplication::processEvents();

    ExcelReportCommand command(dm);
    command.setWorkbookOpener([](const QString &) {});
    probe->restart();
    repaint.start();
    const double start = now();
    SettingsReadOptions options;
    options.aliases = aliases->names();
    SettingsFileReader reader(options);
    ReportDefinition def;
    if (!reader.readFile(kvr, def))
        return {};
    ExcelReportSource source;
    source.alias = reader.currentAlias();
    source.report.analysis = reader.analysis();
    source.report.editorLines = def.sqlLines;
    source.settingsFilePath = kvr;
    const ReportRunResult result = command.run(def, source, &designer, designer.statusBar());
    DesktopRun run;
    run.seconds = now() - start;
    repaint.stop();
    run.longestPaintGap = probe->longest();
    run.ok = result.ok();
    if (!run.ok)
        for (const auto &m : ui.messages)
            std::fprintf(stderr, "%s\n", m.text.toUtf8().constData());
    return run;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KELVORAN_BENCH_KEEP"));
    const std::string batchOut = dir.filePath(QStringLiteral("batch.xlsx")).toStdString();
    const QString desktopOut = dir.filePath(QStringLiteral("desktop.xlsx"));
    BenchFiles files;
    if (!prepareBenchFiles(dir.path(), files))
        return 1;
    const QString &kvr = files.settings;

    const std::string kvrPath = kvr.toStdString();
    std::vector<double> tBatch, tDesktop;
    qint64 longestGap = 0;
    for (int run = 0; run < 3; ++run) {
        const Timing batch = timedChild([&] {
            if (!freopen("/dev/null", "w", stdout))
                _exit(3);
            execl(KELVORAN_BATCH, "kelvoran-batch", "report", kvrPath.c_str(), "--output",
                  batchOut.c_str(), static_cast<char *>(nullptr));
            _exit(2);
        });
        if (!WIFEXITED(batch.status) || WEXITSTATUS(batch.status) != 0) {
            std::fprintf(stderr, "kelvoran-batch report failed (status %d)\n", batch.status);
            return 1;
        }
        const DesktopRun desktop = runDesktop(kvr, desktopOut);
        if (!desktop.ok) {
            std::fprintf(stderr, "the desktop report failed\n");
            return 1;
        }
        tBatch.push_back(batch.seconds);
        tDesktop.push_back(desktop.seconds);
        longestGap = std::max(longestGap, desktop.longestPaintGap);
    }
    const double b = median(tBatch), d = median(tDesktop);
    std::printf("list report: %d records x 20 columns, group subtotal every %d records, footer "
                "totals, from SQLite (median of 3)\n",
                kRecords, kGroupSize);
    std::printf("kelvoran-batch report:        %.2f s  file %ld KB\n", b,
                fileSize(batchOut) / 1024);
    std::printf("desktop Excel出力 (offscreen): %.2f s  file %ld KB\n", d,
                fileSize(desktopOut.toStdString()) / 1024);
    std::printf("ratio (desktop / batch): %.2f   (goal: at most 1.20)\n", d / b);
    std::printf("longest time without a paint: %lld ms   (goal: at most 200)\n", longestGap);
    if (!dir.autoRemove())
        std::printf("files kept in %s\n", dir.path().toUtf8().constData());
    return 0;
}

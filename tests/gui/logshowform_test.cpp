// The log viewer driven as a user drives it: "Logファイル表示" on a log written by the run-log
// writer and on one written by `kelvoran-batch schedule` on the demo database (counts, red rows,
// one-line statuses, no header row), a broken log, schedule mode on a .kvs, double-clicking a
// row into the report designer, the layout modes, and the screenshot.
#include "tests/gui/mainwindowfixture.h"

#include "app/logshowform.h"
#include "schedule/runlog.h"

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

const QColor kRed(255, 0, 0);

RunLogEntry entry(const QString &file, const QString &folder, const QString &status) {
    return {file,
            folder,
            QStringLiteral("/data/out/sales.xlsx"),
            QStringLiteral("2026/12/10 09:00:00"),
            QStringLiteral("2026/12/10 09:00:05"),
            QStringLiteral("     42"),
            status};
}

} // namespace

class LogShowFormTest : public QObject, public MainWindowFixture {
    Q_OBJECT
private:
    TLogShowForm *form() { return m_w->logShowForm(); }
    QLineEdit *countBox(const char *name) { return form()->findChild<QLineEdit *>(name); }
    QStringList counts() {
        QStringList texts;
        for (const char *name : {"Edit_ScheduleCount", "Edit_CompletedCount", "Edit_FailedCount",
                                 "Edit_UnprocessedCount"})
            texts << countBox(name)->text();
        return texts;
    }
    QString cell(QTableWidget *grid, int row, int column) {
        const QTableWidgetItem *item = grid->item(row, column);
        return item ? item->text() : QString();
    }
    // The colour at the top-left corner inside a cell, where no text is drawn.
    QColor cellColour(QTableWidget *grid, int row, int column) {
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        QImage image = grid->viewport()->grab().toImage();
        return image.pixelColor((r.topLeft() + QPoint(1, 1)) * grid->devicePixelRatioF());
    }
    // "ログファイルを開く" / "スケジュールファイルを開く" answered with the files in turn.
    void openWith(const QStringList &files) {
        for (const QString &f : files)
            m_ui.files.push_back(f);
        form()->openAction()->trigger();
    }
    QString logsDir() {
        const QString dir = m_dir.filePath(QStringLiteral("logs"));
        QDir().mkpath(dir);
        return dir;
    }
    // A log as a run stopped by its second entry writes it; the failure spans two lines.
    QString writtenLog(const QString &folder = QStringLiteral("/data/reports/")) {
        const QStringList lines = runLogLines(
            QStringLiteral("2026/12/10 09:00:00"), QStringLiteral("2026/12/10 09:00:20"),
            {entry(QStringLiteral("sales_list.kvr"), folder, QStringLiteral("正常終了")),
             entry(QStringLiteral("missing.kvr"), folder,
                   QStringLiteral("Message     :no such table: v_salez\r\n  CES_270012")),
             entry(QStringLiteral("sales_pivot.kvr"), folder, QStringLiteral("未処理"))});
        Result<RunLogWritten> written = writeRunLog(
            logsDir(), QString(), QDateTime(QDate(2026, 12, 10), QTime(9, 0, 20)), lines);
        return written ? written->path : QString();
    }
    // A schedule of the demo report, a settings file that does not exist and the report again,
    // run by kelvoran-batch with the error stop on; the log it wrote.
    QString batchLog() {
        const QString reports = m_dir.filePath(QStringLiteral("reports"));
        QDir().mkpath(reports);
        QFile::remove(reports + QStringLiteral("/sales_list.kvr"));
        if (!QFile::copy(QStringLiteral(KELVORAN_EXAMPLES_DIR "/sales_list.kvr"),
                         reports + QStringLiteral("/sales_list.kvr")))
            return QString();
        const QString out = m_dir.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        const QStringList schedule{
            QStringLiteral("sales_list.kvr,%1/,%2/sales.xlsx").arg(reports, out),
            QStringLiteral("missing.kvr,%1/,%2/missing.xlsx").arg(reports, out),
            QStringLiteral("sales_list.kvr,%1/,%2/again.xlsx").arg(reports, out),
            QString::fromUtf8(kScheduleStartMarker),
            QStringLiteral(" /* ERRCHECK= 1"),
            QString::fromUtf8(kScheduleEndMarker)};
        const QString kvs = m_dir.filePath(QStringLiteral("night.kvs"));
        if (!writeTextLines(kvs, schedule))
            return QString();
        const QString creds = m_dir.filePath(QStringLiteral("creds.ini"));
        QFile c(creds);
        if (!c.open(QIODevice::WriteOnly))
            return QString();
        c.write("[DEMO]\nuser=kelvoran\npassword=demo\n");
        c.close();
        QFile::setPermissions(creds, QFile::ReadOwner | QFile::WriteOwner);
        const QString logs = m_dir.filePath(QStringLiteral("batchlogs"));
        QDir(logs).removeRecursively();
        QDir().mkpath(logs);
        QProcess batch;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KELVORAN_ALIASES"), m_aliasFile);
        env.insert(QStringLiteral("KELVORAN_SETTINGS"), m_dir.filePath(QStringLiteral("b.ini")));
        batch.setProcessEnvironment(env);
        batch.start(QStringLiteral(KELVORAN_BATCH),
                    {QStringLiteral("schedule"), kvs, QStringLiteral("--credentials"), creds,
                     QStringLiteral("--log-dir"), logs, QStringLiteral("--at"),
                     QStringLiteral("2000/01/01 00:00")});
        if (!batch.waitForFinished(120000))
            return QString();
        const QStringList found = QDir(logs).entryList({QStringLiteral("*.log")}, QDir::Files);
        if (found.size() != 1) {
            qWarning() << batch.readAllStandardError();
            return QString();
        }
        return logs + u'/' + found.first();
    }
    void showLogViewer() {
        m_w->action(QStringLiteral("LogView"))->trigger();
        QVERIFY(form()->isVisible());
    }

    // The XGA preset of the preferences dialog, which puts every window back at its preset place.
    void chooseXgaPreset() {
        onNextModal([](QWidget *modal) {
            QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("Button_XGA")),
                              Qt::LeftButton);
            static_cast<QDialog *>(modal)->accept();
        });
        m_w->action(QStringLiteral("Preferences"))->trigger();
    }

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void writtenLogShowsRowsCountsAndRedRows() {
        const QString log = writtenLog();
        QVERIFY(!log.isEmpty());
        startWindow();
        showLogViewer();
        QCOMPARE(form()->windowTitle(), QStringLiteral("LogShowForm"));
        QCOMPARE(form()->openAction()->text(), QStringLiteral("ログファイルを開く"));
        QVERIFY(form()->logGrid()->isVisible());
        QVERIFY(!form()->scheduleGrid()->isVisible());
        // A file that is not a log is refused and the dialog opens again.
        openWith({m_dir.filePath(QStringLiteral("notes.txt")), log});
        QCOMPARE(m_ui.fileFilters, QStringList(2, QStringLiteral("Log files (*.log)|*.log")));

        QTableWidget *grid = form()->logGrid();
        QCOMPARE(grid->rowCount(), 4); // the heading row and three entries
        QVERIFY(cell(grid, 0, 7).endsWith(QStringLiteral("ステータス")));
        // The run header is never a row.
        for (int r = 1; r < grid->rowCount(); ++r)
            QCOMPARE(cell(grid, r, 0), QString::number(r));
        QCOMPARE(cell(grid, 2, 1), QStringLiteral("missing.kvr"));
        QCOMPARE(cell(grid, 2, 6), QStringLiteral("42"));
        QCOMPARE(cell(grid, 2, 7),
                 QStringLiteral("Message     :no such table: v_salez  CES_270012"));
        QCOMPARE(counts(), (QStringList{"3", "1", "1", "1"}));
        for (const char *name : {"Edit_ScheduleCount", "Edit_UnprocessedCount"}) {
            QVERIFY(countBox(name)->isReadOnly());
            QVERIFY(countBox(name)->alignment() & Qt::AlignRight);
        }

        grid->clearSelection();
        QTest::qWait(20);
        QVERIFY(cellColour(grid, 1, 3) != kRed);
        QCOMPARE(cellColour(grid, 2, 3), kRed);
        QCOMPARE(cellColour(grid, 3, 0), kRed);
    }

    void batchLogShowsItsCounts() {
        const QString log = batchLog();
        QVERIFY2(!log.isEmpty(), "kelvoran-batch schedule wrote no log");
        startWindow();
        showLogViewer();
        openWith({log});
        QTableWidget *grid = form()->logGrid();
        QCOMPARE(grid->rowCount(), 4);
        QCOMPARE(cell(grid, 1, 7), QStringLiteral("正常終了"));
        QVERIFY(cell(grid, 1, 3).endsWith(QStringLiteral("sales.xlsx")));
        QVERIFY(cell(grid, 1, 6).toInt() > 0);
        QVERIFY(!cell(grid, 2, 7).isEmpty());
        QCOMPARE(cell(grid, 3, 7), QStringLiteral("未処理"));
        QCOMPARE(counts(), (QStringList{"3", "1", "1", "1"}));
        grid->clearSelection();
        QTest::qWait(20);
        QVERIFY(cellColour(grid, 1, 0) != kRed);
        QCOMPARE(cellColour(grid, 2, 0), kRed);
        QCOMPARE(cellColour(grid, 3, 0), kRed);

        const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                ? QStringLiteral(KELVORAN_DOCS_DIR)
                                : m_dir.path();
        QDir().mkpath(dir);
        QTest::qWait(50);
        QVERIFY(form()->grab().toImage().save(dir + QStringLiteral("/logshowform.png")));
    }

    void brokenLogGivesTheErrorBoxAndZeroCounts() {
        const QString good = writtenLog();
        const QString broken = m_dir.filePath(QStringLiteral("broken.log"));
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("header\r\n\x81\x20\xff\xfe@/;\r\n");
        f.close();
        startWindow();
        showLogViewer();
        openWith({good});
        QCOMPARE(counts()[0], QStringLiteral("3"));
        openWith({broken});
        QCOMPARE(messageTexts(m_ui).last(),
                 QStringLiteral("ログファイルの読み込みに失敗しました。"));
        QCOMPARE(m_ui.messages.back().icon, MessageIcon::Error);
        QCOMPARE(form()->logGrid()->rowCount(), 1);
        QCOMPARE(counts(), QStringList(4, QStringLiteral("0")));
    }

    void scheduleModeListsASchedule() {
        const QString kvs = m_dir.filePath(QStringLiteral("two.kvs"));
        QVERIFY(writeTextLines(kvs, {QStringLiteral("sales_list.kvr,/r/,/o/a.xlsx"),
                                     QStringLiteral("export.kvr,/e/,/o/b.csv"),
                                     QString::fromUtf8(kScheduleStartMarker),
                                     QStringLiteral(" /* ERRCHECK= 0"),
                                     QString::fromUtf8(kScheduleEndMarker)}));
        const QString empty = m_dir.filePath(QStringLiteral("empty.kvs"));
        QVERIFY(writeTextLines(empty, {QString::fromUtf8(kScheduleStartMarker),
                                       QStringLiteral(" /* ERRCHECK= 0"),
                                       QString::fromUtf8(kScheduleEndMarker)}));
        startWindow();
        m_w->action(QStringLiteral("ScheduleView"))->trigger();
        QCOMPARE(form()->windowTitle(), QStringLiteral("ScheduleShowForm"));
        QCOMPARE(form()->openAction()->text(), QStringLiteral("スケジュールファイルを開く"));
        QTableWidget *grid = form()->scheduleGrid();
        QVERIFY(grid->isVisible());
        QVERIFY(!form()->logGrid()->isVisible());
        QVERIFY(countBox("Edit_ScheduleCount")->isVisible());
        for (const char *hidden :
             {"Edit_CompletedCount", "Edit_FailedCount", "Edit_UnprocessedCount"})
            QVERIFY(!countBox(hidden)->isVisible());
        QVERIFY(cell(grid, 0, 1).endsWith(QStringLiteral("ファイル名")));

        openWith({m_dir.filePath(QStringLiteral("x.log")), kvs});
        QCOMPARE(m_ui.fileFilters.last(), QStringLiteral("Schedule files (*.kvs)|*.kvs"));
        QCOMPARE(grid->rowCount(), 3);
        QVERIFY(cell(grid, 0, 1).endsWith(QStringLiteral("スケジュールデータ")));
        QVERIFY(cell(grid, 0, 2).endsWith(QStringLiteral("データパス")));
        QCOMPARE((QStringList{cell(grid, 2, 0), cell(grid, 2, 1), cell(grid, 2, 2)}),
                 (QStringList{"2", "export.kvr", "/e/"}));
        QCOMPARE(countBox("Edit_ScheduleCount")->text(), QStringLiteral("2"));
        QCOMPARE(m_w->dataModule().settings.scheduleDataDir, kvs);
        QVERIFY(m_ui.messages.empty());

        openWith({empty});
        QCOMPARE(messageTexts(m_ui),
                 QStringList{QStringLiteral("設定が記述されていません。確認してください。")});
        QCOMPARE(countBox("Edit_ScheduleCount")->text(), QStringLiteral("0"));
    }

    void doubleClickOpensTheSettingsFileInTheDesigner() {
        const QString reports = m_dir.filePath(QStringLiteral("reports"));
        QDir().mkpath(reports);
        QFile::remove(reports + QStringLiteral("/sales_list.kvr"));
        QVERIFY(QFile::copy(QStringLiteral(KELVORAN_EXAMPLES_DIR "/sales_list.kvr"),
                            reports + QStringLiteral("/sales_list.kvr")));
        const QString log = writtenLog(reports + u'/');
        startWindow();
        showLogViewer();
        openWith({log});
        QTableWidget *grid = form()->logGrid();
        auto doubleClick = [grid](int row) {
            const QRect r = grid->visualRect(grid->model()->index(row, 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
        };
        // A settings file that does not exist: the reader's message.
        doubleClick(2);
        QVERIFY(!m_ui.messages.empty());
        QVERIFY(m_ui.messages.back().text.startsWith(
            QStringLiteral("Message     :設定ファイル読み出し中にエラーが発生しました。"
                           "設定ファイルにエラーがある可能性があります。 ")));
        QVERIFY(!m_w->excelSettingForm()->isVisible());

        doubleClick(1);
        TExcelSettingForm *designer = m_w->excelSettingForm();
        QTRY_VERIFY(designer->isVisible());
        const ReportDefinition def = designer->definition();
        QCOMPARE(def.value(QStringLiteral("DBNAME")), QStringLiteral("DEMO"));
        QVERIFY(def.sqlLines.join(u'\n').contains(QStringLiteral("FROM v_sales")));
        QCOMPARE(m_w->dataModule().settings.excelSettingDataDir,
                 reports + QStringLiteral("/sales_list.kvr"));
        // Its own load command is back once the file is shown.
        QVERIFY(designer->action(QStringLiteral("MenuLoad"))->isVisible());
        designer->reject();
    }

    void layoutFollowsTheModeAndOkCloses() {
        startWindow();
        showLogViewer();
        QCOMPARE(form()->size(), QSize(1000, 640));
        QCOMPARE(form()->pos(), QPoint(54, 15));
        QCOMPARE(form()->scheduleGrid()->columnWidth(0), 157);
        QCOMPARE(form()->scheduleGrid()->columnWidth(1), 164);
        QCOMPARE(form()->logGrid()->columnWidth(7), 130);
        form()->applyLayoutMode(1);
        QCOMPARE(form()->size(), QSize(760, 556));
        QCOMPARE(form()->scheduleGrid()->columnWidth(2), 122);
        auto *ok = form()->findChild<QPushButton *>(QStringLiteral("Button_OK"));
        // Centred: the margins left and right of the button differ by the odd pixel at most.
        const int left = ok->mapTo(form(), QPoint(0, 0)).x();
        QVERIFY(qAbs(left - (form()->width() - left - ok->width())) <= 1);
        form()->resize(50, 400);
        QCOMPARE(form()->width(), ok->width() + 100);
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!form()->isVisible());
        // Laid out again while closed: shown again in the new place and size.
        form()->applyLayoutMode(0);
        showLogViewer();
        QCOMPARE(form()->size(), QSize(1000, 640));
        QCOMPARE(form()->pos(), QPoint(54, 15));
    }

    void placeTheUserLeavesIsKeptPerModeAcrossRuns() {
        startWindow();
        chooseXgaPreset(); // forget the places the tests before left
        showLogViewer();
        QCOMPARE(form()->pos(), QPoint(54, 15));
        form()->move(120, 80);
        form()->resize(900, 600);
        // Another mode has its own place; coming back finds the user's.
        form()->applyLayoutMode(1);
        QCOMPARE(form()->size(), QSize(760, 556));
        form()->applyLayoutMode(0);
        QCOMPARE(form()->pos(), QPoint(120, 80));
        QCOMPARE(form()->size(), QSize(900, 600));
        // Closing the program saves it; the next run lays the window out there.
        tearDown();
        startWindow();
        showLogViewer();
        QCOMPARE(form()->pos(), QPoint(120, 80));
        QCOMPARE(form()->size(), QSize(900, 600));
        chooseXgaPreset();
        QCOMPARE(form()->pos(), QPoint(54, 15));
        QCOMPARE(form()->size(), QSize(1000, 640));
        // A place on a screen that is no longer there gives the preset place.
        form()->hide();
        m_w->dataModule().settings.rememberWindowPlacement(QStringLiteral("TLogShowForm"), 0,
                                                           QRect(5000, 4000, 900, 600), QRect());
        form()->applyLayoutMode(0);
        QCOMPARE(form()->pos(), QPoint(54, 15));
    }
};

QTEST_MAIN(LogShowFormTest)
#include "logshowform_test.moc"

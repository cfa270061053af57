// The schedule window driven as a person does: entries added from the example settings files,
// connections entered in the connection dialog, the schedule saved and loaded, armed on the
// clock seam, watched while it runs on its worker thread and stopped with 中止; its run log read
// back and compared with the log of the same schedule run by kelvoran-batch.
#include "app/scheduleform.h"
#include "tests/gui/mainwindowfixture.h"

#include "core/clock.h"
#include "report/settingsfile.h"
#include "schedule/driverreportjob.h"
#include "schedule/runlog.h"

#include <QStatusBar>
#include <QThread>

#include <atomic>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

const QString kCompleted = QStringLiteral("正常終了");
const QString kUnprocessed = QStringLiteral("未処理");

// The program's report driver, held back until the test lets it go: a run stays on its first
// report entry as long as the test needs.
class HeldReportJob : public ExcelReportJob {
public:
    explicit HeldReportJob(const Clock *clock) : m_inner(clock) {}
    ExcelReportOutcome run(const ExcelReportInput &input, SchedulerConnection &connection,
                           WorkbookPlacement &placement, StepCode &step) override {
        m_waiting = true;
        while (!m_released)
            QThread::msleep(10);
        m_waiting = false;
        return m_inner.run(input, connection, placement, step);
    }
    void discard(WorkbookPlacement &placement) override { m_inner.discard(placement); }
    std::atomic<bool> m_waiting{false};
    std::atomic<bool> m_released{false};

private:
    DriverExcelReportJob m_inner;
};

// A log's records with the times left out (cells 4 and 5: start and end).
std::vector<QStringList> recordsWithoutTimes(const QString &logPath) {
    const Result<RunLogContents> log = readRunLog(logPath);
    std::vector<QStringList> records;
    if (!log)
        return records;
    for (QStringList cells : log->records) {
        if (cells.size() > 5)
            cells[4] = cells[5] = QString();
        records.push_back(cells);
    }
    return records;
}

} // namespace

class ScheduleFormTest : public QObject, public MainWindowFixture {
    Q_OBJECT

    TScheduleForm *form() { return m_w->scheduleForm(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList statuses() {
        QStringList texts;
        for (const ScheduleEntry &e : form()->schedule().entries)
            if (!e.isEmpty())
                texts << e.status;
        return texts;
    }
    void trigger(const char *action) {
        QAction *a = form()->findChild<QAction *>(QLatin1String(action));
        QVERIFY(a && a->isEnabled());
        a->trigger();
    }
    // Answers the next connection dialog with the alias DEMO and 決定 (or with キャンセル).
    void answerConnection(bool decide = true) {
        onNextModal([decide](QWidget *modal) {
            auto *dialog = qobject_cast<TSaveDBParamSetForm *>(modal);
            QVERIFY(dialog);
            QComboBox *alias = dialog->aliasCombo();
            const int demo = alias->findText(QStringLiteral("DEMO"));
            alias->setCurrentIndex(demo);
            emit alias->activated(demo);
            QTest::keyClicks(dialog->userEdit(), QStringLiteral("kelvoran"));
            QTest::mouseClick(decide ? dialog->decideButton() : dialog->cancelButton(),
                              Qt::LeftButton);
        });
    }
    // Double-clicks the grid to add the settings file, answering the dialogs that follow.
    void addEntry(const QString &settings, const QString &target = QString()) {
        const size_t before = form()->schedule().entries.size();
        m_ui.files.clear();
        m_ui.files.push_back(settings);
        if (!target.isEmpty())
            m_ui.files.push_back(target);
        answerConnection();
        QTableWidget *grid = form()->grid();
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                           grid->visualItemRect(grid->item(0, 1)).center());
        QTRY_VERIFY(form()->schedule().entries.size() > before ||
                    form()->schedule().entries[before - 1].fileName == settings.section(u'/', -1));
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    }
    void clickRow(int row) {
        // A closed dialog hands the activation back to the main window; a person clicks here.
        QApplication::setActiveWindow(form());
        QVERIFY(QTest::qWaitForWindowActive(form()));
        QTableWidget *grid = form()->grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(row - 1, 1)).center());
    }
    // Arms the schedule for the clock's current minute and lets the first tick come.
    void armAndStart() {
        form()->setStartFields(m_clock->now());
        QTest::mouseClick(form()->findChild<QPushButton *>(QStringLiteral("Button_Exec")),
                          Qt::LeftButton);
        QCOMPARE(form()->scheduleState(), ScheduleState::Armed);
        QCOMPARE(form()->findChild<QPushButton *>(QStringLiteral("Button_Exec"))->text(),
                 QStringLiteral("中止"));
        m_clock->advance(500);
    }
    void waitForIdle() {
        QTRY_VERIFY_WITH_TIMEOUT(form()->scheduleState() == ScheduleState::Idle, 60000);
    }
    QString statusBarText() {
        return form()->findChild<QStatusBar *>(QStringLiteral("StatusBar1"))->currentMessage();
    }

    std::unique_ptr<ManualClock> m_clock;
    QString m_kvs;

private slots:
    void initTestCase() {
        setUpFixture();
        const QString examples = QStringLiteral(KELVORAN_EXAMPLES_DIR "/");
        for (const char *name : {"branch_totals_view.kvr", "branch_totals_csv.kvr",
                                 "sales_list.kvr", "sales_pivot.kvr"})
            QVERIFY(QFile::copy(examples + QLatin1String(name), path(QLatin1String(name))));
        QDir().mkpath(path(QStringLiteral("logs")));
        QDir().mkpath(path(QStringLiteral("out")));
    }
    void init() {
        startWindow();
        m_clock = std::make_unique<ManualClock>(QDateTime(QDate(2026, 4, 1), QTime(6, 30, 0)));
        form()->setClock(m_clock.get());
        m_w->dataModule().settings.logFileDir = path(QStringLiteral("logs/"));
        form()->show();
        // The keys (F9) go to the window that is active, as for a person.
        QApplication::setActiveWindow(form());
        QVERIFY(QTest::qWaitForWindowActive(form()));
    }
    void cleanup() {
        form()->stopRunAndWait();
        tearDown();
    }

    void buildSaveReloadArmAndRun() {
        addEntry(path(QStringLiteral("branch_totals_view.kvr")));
        addEntry(path(QStringLiteral("branch_totals_csv.kvr")), path(QStringLiteral("out/totals")));
        addEntry(path(QStringLiteral("sales_list.kvr")), path(QStringLiteral("out/book.xls")));
        addEntry(path(QStringLiteral("sales_pivot.kvr")), path(QStringLiteral("out/book.xls")));
        const std::vector<ScheduleEntry> &added = form()->schedule().entries;
        QCOMPARE(added.size(), size_t(5)); // and the empty row after the last entry
        QCOMPARE(added[1].targetPath, path(QStringLiteral("out/totals.csv")));
        for (int row = 1; row <= 4; ++row) {
            QCOMPARE(added[size_t(row - 1)].mark, EntryMark::Ready);
            QVERIFY(!form()->rowColour(row).isValid());
        }

        m_kvs = path(QStringLiteral("night"));
        m_ui.files = {m_kvs};
        trigger("ScheduleSave");
        m_kvs += QStringLiteral(".kvs");
        QCOMPARE(form()->scheduleFile(), m_kvs);

        // Loaded back, every entry is there again without its connection: aqua.
        m_ui.files = {m_kvs};
        trigger("ScheduleLoad");
        QCOMPARE(form()->schedule().entries.size(), size_t(5));
        for (int row = 1; row <= 4; ++row) {
            QCOMPARE(form()->schedule().entries[size_t(row - 1)].mark, EntryMark::Unchecked);
            QCOMPARE(form()->rowColour(row), QColor(0, 255, 255));
        }
        // F9 on each row enters its connection again.
        for (int row = 1; row <= 4; ++row) {
            clickRow(row);
            answerConnection();
            QTest::keyClick(form()->grid(), Qt::Key_F9);
            QTRY_COMPARE(form()->schedule().entries[size_t(row - 1)].mark, EntryMark::Ready);
        }

        armAndStart();
        waitForIdle();
        QCOMPARE(statuses(), QStringList(4, kCompleted));
        QCOMPARE(statusBarText(), QStringLiteral("スケジュール終了〔エラー件数 0〕"));
        QCOMPARE(form()->findChild<QLineEdit *>(QStringLiteral("Memo1"))->text(),
                 QStringLiteral("4"));
        for (int row = 1; row <= 4; ++row)
            QVERIFY(!form()->rowColour(row).isValid());
        const Result<RunLogContents> log = readRunLog(form()->lastRun().logPath);
        QVERIFY(log);
        QCOMPARE(log->total, 4);
        QCOMPARE(log->completed, 4);
        // The CSV export's count is its lines (heading included), as the file has them.
        const Result<QStringList> csv = readTextLines(path(QStringLiteral("out/totals.csv")));
        QVERIFY(csv);
        QCOMPARE(form()->schedule().entries[1].dataCount.trimmed(), QString::number(csv->size()));
        QVERIFY(QFileInfo::exists(path(QStringLiteral("out/book.xlsx"))));

        // The same schedule run by kelvoran-batch writes the same log lines, times aside.
        const QString creds = path(QStringLiteral("creds.ini"));
        QFile c(creds);
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write("[DEMO]\nuser=kelvoran\npassword=\n");
        c.close();
        QFile::setPermissions(creds, QFile::ReadOwner | QFile::WriteOwner);
        QDir().mkpath(path(QStringLiteral("batchlogs")));
        QProcess batch;
        batch.start(QStringLiteral(KELVORAN_BATCH),
                    {QStringLiteral("schedule"), m_kvs, QStringLiteral("--credentials"), creds,
                     QStringLiteral("--log-dir"), path(QStringLiteral("batchlogs"))});
        QVERIFY(batch.waitForFinished(60000));
        QCOMPARE(batch.exitCode(), 0);
        const QStringList batchLogs =
            QDir(path(QStringLiteral("batchlogs"))).entryList({QStringLiteral("*.log")});
        QCOMPARE(batchLogs.size(), 1);
        const std::vector<QStringList> windowRecords =
            recordsWithoutTimes(form()->lastRun().logPath);
        QCOMPARE(windowRecords.size(), size_t(4));
        QCOMPARE(recordsWithoutTimes(path(QStringLiteral("batchlogs/")) + batchLogs.first()),
                 windowRecords);
    }

    void failingEntryWithErrorStopOffAndOn() {
        QVERIFY(!m_kvs.isEmpty());
        struct Case {
            const char *name;
            bool errorStop;
            QStringList statuses;
            int errors, unprocessed;
        };
        const QString missing =
            QStringLiteral("ファイルが存在しません。確認してください。 CES_270006");
        const Case cases[] = {
            {"error stop off", false, {kCompleted, missing, kCompleted, kCompleted}, 1, 0},
            {"error stop on", true, {kCompleted, missing, kUnprocessed, kUnprocessed}, 1, 2},
        };
        const QString csvSettings = path(QStringLiteral("branch_totals_csv.kvr"));
        const QString moved = path(QStringLiteral("moved.kvr"));
        QVERIFY(QFile::rename(csvSettings, moved));
        for (const Case &c : cases) {
            m_ui.files = {m_kvs};
            trigger("ScheduleLoad");
            for (int row = 1; row <= 4; ++row) {
                clickRow(row);
                answerConnection();
                QTest::keyClick(form()->grid(), Qt::Key_F9);
                QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
            }
            auto *stop = form()->findChild<QCheckBox *>(QStringLiteral("CheckBoxErrStopFlg"));
            if (stop->isChecked() != c.errorStop)
                QTest::mouseClick(stop, Qt::LeftButton);
            m_clock->advance(60000);
            armAndStart();
            waitForIdle();
            QCOMPARE(statuses(), c.statuses);
            QCOMPARE(form()->rowColour(2), QColor(255, 0, 0));
            QCOMPARE(statusBarText(),
                     QStringLiteral("スケジュール終了〔エラー件数 %1〕").arg(c.errors));
            const Result<RunLogContents> log = readRunLog(form()->lastRun().logPath);
            QVERIFY(log);
            QCOMPARE(log->failed, c.errors);
            QCOMPARE(log->unprocessed, c.unprocessed);
        }
        QVERIFY(QFile::rename(moved, csvSettings));
    }

    void stopDuringASharedWorkbookFinishesItFirst() {
        QVERIFY(!m_kvs.isEmpty());
        HeldReportJob held(m_clock.get());
        form()->setExcelReportJob(&held);
        // A failed check must not leave the run held, nor the job destroyed under it.
        const auto release = [this](HeldReportJob *job) {
            job->m_released = true;
            form()->stopRunAndWait();
        };
        const std::unique_ptr<HeldReportJob, decltype(release)> released(&held, release);
        m_ui.files = {m_kvs};
        trigger("ScheduleLoad");
        for (int row = 1; row <= 4; ++row) {
            clickRow(row);
            answerConnection();
            QTest::keyClick(form()->grid(), Qt::Key_F9);
            QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        }
        m_clock->advance(60000);
        armAndStart();
        // The run waits on its first report (row 3): the window still repaints and marks it.
        QTRY_VERIFY_WITH_TIMEOUT(held.m_waiting, 30000);
        QTRY_COMPARE(form()->highlightedRow(), 3);
        QCOMPARE(form()->rowColour(3), QColor(0, 255, 0));
        QCOMPARE(statuses().mid(0, 2), QStringList(2, kCompleted));
        QVERIFY(!form()->findChild<QAction *>(QStringLiteral("RowAdd"))->isEnabled());
        QVERIFY(!form()->findChild<QAction *>(QStringLiteral("ScheduleLoad"))->isEnabled());
        QDir shots(QStringLiteral(KELVORAN_DOCS_DIR));
        const QString shotFolder =
            qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS") ? shots.path() : m_dir.path();
        QVERIFY(form()->grab().save(shotFolder + QStringLiteral("/scheduleform-run.png")));

        // 中止 stops after the entry in progress; the window only hides while a run goes on.
        QTest::mouseClick(form()->findChild<QPushButton *>(QStringLiteral("Button_Exec")),
                          Qt::LeftButton);
        // The password dialog owned by the window has a cancel button of the same name.
        QTest::mouseClick(form()
                              ->findChild<QWidget *>(QStringLiteral("PanelFooter"))
                              ->findChild<QPushButton *>(QStringLiteral("Button_Cancel")),
                          Qt::LeftButton);
        QVERIFY(!form()->isVisible());
        QVERIFY(form()->isRunning());
        held.m_released = true;
        waitForIdle();
        form()->setExcelReportJob(nullptr);
        // Row 3 left its workbook open for row 4, so both are finished before the stop.
        QCOMPARE(statuses(), QStringList(4, kCompleted));
        QVERIFY(!form()->lastRun().stoppedByRequest);
    }

    void stopAfterAnEntryMarksTheRestUnprocessed() {
        QVERIFY(!m_kvs.isEmpty());
        HeldReportJob held(m_clock.get());
        form()->setExcelReportJob(&held);
        // A failed check must not leave the run held, nor the job destroyed under it.
        const auto release = [this](HeldReportJob *job) {
            job->m_released = true;
            form()->stopRunAndWait();
        };
        const std::unique_ptr<HeldReportJob, decltype(release)> released(&held, release);
        // Only the view, the report and the CSV export: the report holds no workbook open.
        Schedule schedule;
        for (const char *name :
             {"branch_totals_view.kvr", "sales_list.kvr", "branch_totals_csv.kvr"}) {
            ScheduleEntry e;
            e.fileName = QLatin1String(name);
            e.folder = m_dir.path() + u'/';
            schedule.entries.push_back(e);
        }
        schedule.entries[1].targetPath = path(QStringLiteral("out/list.xls"));
        schedule.entries[2].targetPath = path(QStringLiteral("out/totals.csv"));
        const QString kvs = path(QStringLiteral("three.kvs"));
        QVERIFY(writeScheduleFile(kvs, schedule));
        m_ui.files = {kvs};
        trigger("ScheduleLoad");
        for (int row = 1; row <= 3; ++row) {
            clickRow(row);
            answerConnection();
            QTest::keyClick(form()->grid(), Qt::Key_F9);
            QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        }
        m_clock->advance(60000);
        armAndStart();
        QTRY_VERIFY_WITH_TIMEOUT(held.m_waiting, 30000);
        QTest::mouseClick(form()->findChild<QPushButton *>(QStringLiteral("Button_Exec")),
                          Qt::LeftButton);
        held.m_released = true;
        waitForIdle();
        form()->setExcelReportJob(nullptr);
        QCOMPARE(statuses(), (QStringList{kCompleted, kCompleted, kUnprocessed}));
        QVERIFY(form()->lastRun().stoppedByRequest);
        QCOMPARE(statusBarText(), QStringLiteral("スケジュール終了〔エラー件数 0〕"));
        const Result<RunLogContents> log = readRunLog(form()->lastRun().logPath);
        QVERIFY(log);
        QCOMPARE(log->unprocessed, 1);
    }

    void dragMovesARowAndSelectsARangeForTheGroupTarget() {
        addEntry(path(QStringLiteral("sales_list.kvr")), path(QStringLiteral("out/list.xlsx")));
        addEntry(path(QStringLiteral("sales_pivot.kvr")), path(QStringLiteral("out/pivot.xlsx")));
        addEntry(path(QStringLiteral("branch_totals_view.kvr")));
        QApplication::setActiveWindow(form());
        QVERIFY(QTest::qWaitForWindowActive(form()));
        QTableWidget *grid = form()->grid();
        QWidget *view = grid->viewport();
        const auto at = [grid](int row, int column) {
            return grid->visualItemRect(grid->item(row - 1, column)).center();
        };
        // A move with the left button held, as a person drags.
        const auto dragOver = [view](QPoint to) {
            QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view, &move);
        };
        const auto fileNames = [this] {
            QStringList names;
            for (const ScheduleEntry &e : form()->schedule().entries)
                if (!e.isEmpty())
                    names << e.fileName;
            return names;
        };

        // Row 3 taken by its number and dropped on row 1 moves there.
        QTest::mousePress(view, Qt::LeftButton, {}, at(3, 0));
        dragOver(at(2, 0));
        QTest::mouseRelease(view, Qt::LeftButton, {}, at(1, 0));
        QCOMPARE(fileNames(), (QStringList{QStringLiteral("branch_totals_view.kvr"),
                                           QStringLiteral("sales_list.kvr"),
                                           QStringLiteral("sales_pivot.kvr")}));

        // Dragging over the other columns selects rows 2 and 3; a right click inside the range
        // keeps it, and the popup's group edit sets one workbook for both.
        QTest::mousePress(view, Qt::LeftButton, {}, at(2, 1));
        dragOver(at(3, 1));
        QTest::mouseRelease(view, Qt::LeftButton, {}, at(3, 1));
        QTest::mouseClick(view, Qt::RightButton, {}, at(3, 2));
        m_ui.files = {path(QStringLiteral("out/both.xlsx"))};
        m_ui.messages.clear();
        form()->findChild<QAction *>(QStringLiteral("SavePathEditGroupPopup"))->trigger();
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        const std::vector<ScheduleEntry> &entries = form()->schedule().entries;
        QVERIFY(entries[0].targetPath.isEmpty());
        QCOMPARE(entries[1].targetPath, path(QStringLiteral("out/both.xlsx")));
        QCOMPARE(entries[2].targetPath, path(QStringLiteral("out/both.xlsx")));

        // A right click outside the range leaves row 1 alone selected: the SQL entry is not a
        // report, so the group edit refuses it and changes nothing.
        if (QMenu *popup = form()->findChild<QMenu *>(QStringLiteral("PopupMenu1")))
            popup->hide();
        QTest::mouseClick(view, Qt::RightButton, {}, at(1, 2));
        m_ui.files = {path(QStringLiteral("out/other.xlsx"))};
        form()->findChild<QAction *>(QStringLiteral("SavePathEditGroupPopup"))->trigger();
        QCOMPARE(m_ui.messages.size(), size_t(1));
        QVERIFY(m_ui.messages.front().text.startsWith(
            QStringLiteral("下記のエラーがあるため設定できません。")));
        QCOMPARE(entries[1].targetPath, path(QStringLiteral("out/both.xlsx")));
    }

    void excelPasswordsChangeTheEntrysSettingsFile() {
        const QString settings = path(QStringLiteral("passwords.kvr"));
        QFile::remove(settings);
        QVERIFY(QFile::copy(path(QStringLiteral("sales_list.kvr")), settings));
        QFile::setPermissions(settings, QFile::ReadOwner | QFile::WriteOwner);
        addEntry(settings, path(QStringLiteral("out/passwords.xlsx")));
        clickRow(1);
        const auto type = [](QWidget *dialog, const char *box, const QString &text) {
            auto *edit = dialog->findChild<QLineEdit *>(QLatin1String(box));
            QVERIFY(edit);
            edit->selectAll();
            QTest::keyClicks(edit, text);
        };
        // The first 決定 has a confirmation that differs: the warning, then the dialog again
        // with what was typed, where the confirmation is put right.
        QString shot;
        onNextModal([&](QWidget *dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("TPassWordSetForm"));
            type(dialog, "Edit_QWORD_New", QStringLiteral("yomi"));
            type(dialog, "Edit_QWORD_Confirm", QStringLiteral("yomu"));
            type(dialog, "Edit_TWORD_New", QStringLiteral("kaki"));
            type(dialog, "Edit_TWORD_Confirm", QStringLiteral("kaki"));
            onNextModal([&](QWidget *again) {
                QCOMPARE(again->findChild<QLineEdit *>(QStringLiteral("Edit_QWORD_New"))->text(),
                         QStringLiteral("yomi"));
                type(again, "Edit_QWORD_Confirm", QStringLiteral("yomi"));
                const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                        ? QStringLiteral(KELVORAN_DOCS_DIR)
                                        : m_dir.path();
                shot = dir + QStringLiteral("/passwordsetform.png");
                QVERIFY(again->grab().save(shot));
                QTest::mouseClick(again->findChild<QPushButton *>(QStringLiteral("Button_OK")),
                                  Qt::LeftButton);
            });
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button_OK")),
                              Qt::LeftButton);
        });
        m_ui.messages.clear();
        m_ui.confirmAnswers = {true};
        QTest::keyClick(form()->grid(), Qt::Key_F11);
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr && !m_ui.messages.empty() &&
                    m_ui.messages.back().text.contains(QStringLiteral("保存しました")));
        QVERIFY(QFileInfo::exists(shot));
        const QStringList shown = messageTexts(m_ui);
        QCOMPARE(shown.size(), 3); // the warning, the question, the saved notice
        QCOMPARE(m_ui.messages[1].question, true);

        SettingsReadOptions options;
        options.aliases = {QStringLiteral("DEMO")};
        ReportDefinition def;
        QVERIFY(SettingsFileReader(options).readFile(settings, def));
        QCOMPARE(def.outputReadPassword, QStringLiteral("yomi"));
        QCOMPARE(def.outputWritePassword, QStringLiteral("kaki"));
        QVERIFY(def.templatePassword.isEmpty());
    }

    void schedulesWithoutMarkerOrEntriesAreReported() {
        const QString noEntries = QStringLiteral("設定が記述されていません。確認してください。");
        struct Case {
            const char *name;
            QStringList lines;
        };
        const Case cases[] = {
            {"no start marker",
             {QStringLiteral("a.kvr,/tmp/,"), QStringLiteral(" /* ERRCHECK= 1")}},
            {"no entries",
             {QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  "),
              QStringLiteral(" /* ERRCHECK= 1"),
              QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ")}},
        };
        for (const Case &c : cases) {
            const QString file = path(QStringLiteral("bad.kvs"));
            QVERIFY(writeTextLines(file, c.lines));
            m_ui.messages.clear();
            m_ui.files = {file};
            trigger("ScheduleLoad");
            const QStringList shown = messageTexts(m_ui);
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown.first().startsWith(noEntries), c.name);
        }
    }
};

QTEST_MAIN(ScheduleFormTest)
#include "scheduleform_test.moc"

// Open, save and print, and the hand-off of files from a second start and the command line.
#include "tests/gui/mainwindowfixture.h"

using namespace kelvoran;
using namespace kelvoran::test;

class FileCommandsTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void saveAndOpenTheSqlTabAsASettingsFile() {
        startWindow();
        click(root(QStringLiteral("ORAFIX")));
        typeSql(QStringLiteral("SELECT ENAME FROM EMP"));
        const QString path = m_dir.filePath(QStringLiteral("saved.kvr"));
        m_ui.confirmAnswers = {true}; // a settings file for the scheduler
        m_ui.files = {path};
        m_ui.connections = {ConnectionChoice{QStringLiteral("ORAFIX"),
                                             QStringLiteral("ORACLE (fixture)"),
                                             QStringLiteral("scott"), QStringLiteral("tiger")}};
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(QFile::exists(path), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(m_ui.connectionPresets, QStringList({"ORAFIX"}));
        Result<QStringList> lines = readTextLines(path);
        QVERIFY(lines);
        QVERIFY(lines->join(u'\n').contains(QStringLiteral("PROCFLG= 0")));
        QVERIFY(lines->join(u'\n').contains(QStringLiteral("DBNAME= ORAFIX")));
        // Opening it again fills the SQL editor.
        editor("Memo_SQL")->clear();
        m_w->fileCommands()->openPath(path);
        QVERIFY(editor("Memo_SQL")->toPlainText().contains(QStringLiteral("ENAME")));
        QCOMPARE(m_w->dataModule().paths.lastFilePath, path);
    }
    void openAndSaveThroughTheDialogs() {
        startWindow();
        const QString sqlFile = m_dir.filePath(QStringLiteral("q.sql"));
        QVERIFY(writeTextLines(sqlFile,
                               {QStringLiteral("SELECT DNAME"), QStringLiteral("  FROM DEPT")}));
        // A file of another kind is refused and the dialog opens again.
        m_ui.files = {m_dir.filePath(QStringLiteral("x.xls")), sqlFile};
        m_w->action(QStringLiteral("Open"))->trigger();
        QCOMPARE(m_ui.files.size(), size_t(0));
        QCOMPARE(editor("Memo_SQL")->lines(), QStringList({"SELECT DNAME", "  FROM DEPT"}));
        QCOMPARE(m_w->dataModule().paths.lastFilePath, sqlFile);
        // The Definition tab is saved with trailing blanks removed.
        openOracleTable(QStringLiteral("DEPT"));
        pages()->setCurrentIndex(SqlPane::DefinitionTab);
        const QString txt = m_dir.filePath(QStringLiteral("def.txt"));
        m_ui.files = {txt};
        QTest::mouseClick(m_w->findChild<QToolButton *>(QStringLiteral("SpeedButton2")),
                          Qt::LeftButton);
        Result<QStringList> saved = readTextLines(txt);
        QVERIFY2(saved, qPrintable(messageTexts(m_ui).join(u'\n') + m_ui.fileFilters.join(u',')));
        QVERIFY(saved->size() > 2);
        for (const QString &line : *saved)
            QVERIFY(!line.endsWith(u' '));
        QCOMPARE(m_ui.fileFilters.last(), QStringLiteral("Text files (*.txt)|*.txt"));
    }
    void printWritesTheActiveEditorsLines() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        pages()->setCurrentIndex(SqlPane::SourceTab);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(QStringLiteral("source.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(m_w->fileCommands()->printActiveEditor(&printer));
        QVERIFY(QFileInfo(pdf).size() > 1000);
        // Nothing is printed from an empty editor.
        typeSql(QString());
        QVERIFY(!m_w->fileCommands()->printActiveEditor(&printer));
    }
    void staleSocketIsRemovedNotTakenForAnInstance() {
        const QString name =
            QStringLiteral("kelvoran-stale-%1").arg(QCoreApplication::applicationPid());
        qputenv("KELVORAN_INSTANCE_NAME", name.toUtf8());
        const QString socketPath = QDir::tempPath() + u'/' + name;
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral(
                      "import socket,sys; s=socket.socket(socket.AF_UNIX); s.bind(sys.argv[1])"),
                  socketPath});
        QVERIFY(py.waitForFinished());
        QVERIFY(QFileInfo::exists(socketPath)); // left behind by a process that is gone
        SingleInstance instance;
        const HandOffStore store(m_dir.filePath(QStringLiteral("handoff.ini")));
        QCOMPARE(instance.start(QStringLiteral("/x/a.kvs"), store), SingleInstance::Outcome::First);
        QVERIFY(instance.isListening());
        qputenv("KELVORAN_INSTANCE_NAME",
                QByteArray("kelvoran-test-") +
                    QByteArray::number(QCoreApplication::applicationPid()));
    }
    void secondStartHandsAScheduleFileToTheFirst() {
        startWindow();
        SingleInstance instance;
        QCOMPARE(instance.start(QString(), HandOffStore(m_settings)),
                 SingleInstance::Outcome::First);
        connect(&instance, &SingleInstance::activationRequested, m_w.get(),
                [this] { m_w->runCommand([this] { m_w->fileCommands()->activation(); }); });
        // A schedule file with two entries.
        Schedule schedule;
        ScheduleEntry a;
        a.fileName = QStringLiteral("daily.kvr");
        a.folder = m_dir.path() + u'/';
        a.targetPath = m_dir.filePath(QStringLiteral("daily.xlsx"));
        ScheduleEntry b = a;
        b.fileName = QStringLiteral("load.kvr");
        schedule.entries = {a, b};
        const QString kvs = m_dir.filePath(QStringLiteral("night.kvs"));
        QVERIFY(writeScheduleFile(kvs, schedule));

        QProcess second;
        second.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        second.start(QStringLiteral(KELVORAN_BINARY), {kvs, QStringLiteral("/ignored/other.kvr")});
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 10000);
        QCOMPARE(second.exitCode(), 0);
        TScheduleForm *form = m_w->scheduleForm();
        QTRY_COMPARE(form->scheduleFile(), kvs);
        // The two entries and the empty row the window keeps after the last one.
        QCOMPARE(form->schedule().entries.size(), size_t(3));
        QCOMPARE(form->schedule().entries[1].fileName, QStringLiteral("load.kvr"));
        QVERIFY(form->schedule().entries[2].isEmpty());
        QVERIFY(form->isVisible());
        // The hand-off value is cleared once taken.
        QCOMPARE(HandOffStore(m_settings).take(), QString());
    }
    void handOffAfterAMissingFileStillReachesTheInstance() {
        startWindow();
        m_w->setInteraction(nullptr); // the program's own message boxes
        SingleInstance instance;
        QCOMPARE(instance.start(QString(), HandOffStore(m_settings)),
                 SingleInstance::Outcome::First);
        connect(&instance, &SingleInstance::activationRequested, m_w.get(),
                [this] { m_w->runCommand([this] { m_w->fileCommands()->activation(); }); });
        auto startSecond = [](QProcess &process, const QString &path) {
            process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            process.start(QStringLiteral(KELVORAN_BINARY), {path});
            return process.waitForStarted();
        };
        // A path that does not exist: the error box stays open until the second start is gone.
        const QString missing = m_dir.filePath(QStringLiteral("missing.kvs"));
        QProcess first;
        QVERIFY(startSecond(first, missing));
        QString shown;
        QTimer answer;
        answer.setInterval(20);
        connect(&answer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && first.state() == QProcess::NotRunning) {
                shown = box->text();
                box->accept();
            }
        });
        answer.start();
        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 15000);
        answer.stop();
        QCOMPARE(first.exitCode(), 0);
        QVERIFY2(shown.contains(QStringLiteral("missing.kvs")), qPrintable(shown));
        QVERIFY(m_w->isVisible());
        QVERIFY(instance.isListening());
        // The next hand-off of a good file still reaches this instance, and the second start
        // exits instead of opening its own window.
        Schedule schedule;
        ScheduleEntry e;
        e.fileName = QStringLiteral("one.kvr");
        e.folder = m_dir.path() + u'/';
        schedule.entries = {e};
        const QString kvs = m_dir.filePath(QStringLiteral("after-missing.kvs"));
        QVERIFY(writeScheduleFile(kvs, schedule));
        QProcess second;
        QVERIFY(startSecond(second, kvs));
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 10000);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(m_w->scheduleForm()->scheduleFile(), kvs);
        QVERIFY(m_w->scheduleForm()->isVisible());
    }
    void desktopEntryHandsAReportFileToTheRunningInstance() {
        startWindow();
        SingleInstance instance;
        QCOMPARE(instance.start(QString(), HandOffStore(m_settings)),
                 SingleInstance::Outcome::First);
        connect(&instance, &SingleInstance::activationRequested, m_w.get(),
                [this] { m_w->runCommand([this] { m_w->fileCommands()->activation(); }); });
        // The command the desktop runs for a file opened through the association.
        QFile entry(QStringLiteral(KELVORAN_DESKTOP_ENTRY));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QStringList exec;
        for (const QString &line : QString::fromUtf8(entry.readAll()).split(u'\n'))
            if (line.startsWith(QStringLiteral("Exec=")))
                exec = line.mid(5).trimmed().split(u' ');
        QVERIFY(!exec.isEmpty());
        QCOMPARE(exec.first(), QStringLiteral("kelvoran"));
        QVERIFY(exec.contains(QStringLiteral("%f")));
        const QString folder = m_dir.filePath(QStringLiteral("月次 報告"));
        QVERIFY(QDir().mkpath(folder));
        struct Case {
            const char *name;
            QString file;     // the report file, in folder
            bool throughExec; // %f of the desktop entry, else typed relative in a terminal
        };
        const Case cases[] = {
            {"a file manager opens it", QStringLiteral("売上 一覧.kvr"), true},
            {"kelvoran FILE in its folder", QStringLiteral("sales.kvr"), false},
        };
        for (const Case &c : cases) {
            const QString kvr = folder + u'/' + c.file;
            QVERIFY(QFile::copy(QStringLiteral(KELVORAN_EXAMPLES_DIR "/sales_list.kvr"), kvr));
            QStringList args;
            for (const QString &word : exec.mid(1))
                args << (word == u"%f" ? kvr : word);
            if (!c.throughExec)
                args = QStringList{c.file};
            QProcess second;
            second.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            second.setWorkingDirectory(c.throughExec ? m_dir.path() : folder);
            second.start(QStringLiteral(KELVORAN_BINARY), args);
            QVERIFY2(second.waitForStarted(), c.name);
            QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 10000);
            QCOMPARE(second.exitCode(), 0);
            QTRY_COMPARE(m_w->dataModule().paths.lastFilePath, kvr);
            QVERIFY2(m_w->excelSettingForm()->isVisible(), c.name);
            QVERIFY2(editor("Memo_SQL")->toPlainText().contains(QStringLiteral("v_sales")), c.name);
            QCOMPARE(HandOffStore(m_settings).take(), QString());
        }
    }
    void commandLineFileOpensOnFirstActivation() {
        // A .kvs parameter opens the schedule window; a .sql parameter opens nothing.
        Schedule schedule;
        ScheduleEntry e;
        e.fileName = QStringLiteral("one.kvr");
        e.folder = m_dir.path() + u'/';
        schedule.entries = {e};
        const QString kvs = m_dir.filePath(QStringLiteral("start.kvs"));
        QVERIFY(writeScheduleFile(kvs, schedule));
        const QString sql = m_dir.filePath(QStringLiteral("start.sql"));
        QVERIFY(writeTextLines(sql, {QStringLiteral("SELECT 1 FROM DUAL")}));
        for (const QString &path : {kvs, sql}) {
            m_ui = RecordingInteraction();
            m_w = std::make_unique<TKelvoran>(*AliasList::load(m_aliasFile), m_settings, path);
            m_w->setInteraction(&m_ui);
            m_w->show();
            QApplication::setActiveWindow(m_w.get());
            QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
            QTest::qWait(20);
            if (path == kvs) {
                QTRY_COMPARE(m_w->scheduleForm()->scheduleFile(), kvs);
                QVERIFY(m_w->scheduleForm()->isVisible());
            } else {
                QCOMPARE(m_w->scheduleForm()->scheduleFile(), QString());
                QCOMPARE(editor("Memo_SQL")->toPlainText(), QString());
            }
            QCOMPARE(m_w->dataModule().paths.pendingOpenPath, QString());
            m_w->close();
            m_w.reset();
        }
    }
};

QTEST_MAIN(FileCommandsTest)
#include "filecommands_test.moc"

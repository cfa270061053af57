// The CSV commands of the File menu and their options dialog, driven as a user does: the dialog
// answered by clicking, files chosen through the recorded answerer, then the file or the table
// the command changed is read back. The settings files they save are run by kelvoran-batch.
#include "app/csvcommands.h"
#include "tests/gui/mainwindowfixture.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStatusBar>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// How the options dialog is answered.
struct CsvAnswer {
    int listRow = 0;    // row of the separator list (-1: none chosen)
    QString typed;      // a typed separator instead of the list when not empty
    int blankRule = -1; // "空白データの扱い" row to click (-1: none)
    bool heading = true;
    bool cancel = false;
};

template <class T> T *control(QWidget *form, const char *name) {
    return form->findChild<T *>(QString::fromLatin1(name));
}

void answerCsvDialog(const CsvAnswer &a) {
    onNextModal([a](QWidget *modal) {
        QCOMPARE(modal->objectName(), QStringLiteral("TCSVSettingForm"));
        if (!a.typed.isEmpty()) {
            QTest::mouseClick(control<QRadioButton>(modal, "RadioButton_SepInput"), Qt::LeftButton);
            auto *edit = control<QLineEdit>(modal, "Edit_SepChar");
            edit->clear();
            QTest::keyClicks(edit, a.typed);
        } else {
            QTest::mouseClick(control<QRadioButton>(modal, "RadioButton_SepList"), Qt::LeftButton);
            auto *list = control<QListWidget>(modal, "ListBox_SepChar");
            list->clearSelection();
            if (a.listRow >= 0)
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(a.listRow)).center());
        }
        if (a.blankRule >= 0)
            QTest::mouseClick(
                control<QRadioButton>(
                    modal, qPrintable(QStringLiteral("RadioButton_Blank%1").arg(a.blankRule))),
                Qt::LeftButton);
        auto *heading = control<QCheckBox>(modal, "CheckBox_ColName");
        if (heading->isChecked() != a.heading)
            QTest::mouseClick(heading, Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(modal, a.cancel ? "Button_Cancel" : "Button_Decide"),
                          Qt::LeftButton);
    });
}

// The rows of a statement, each as its values joined by "|" (NULL as "<NULL>", dates in ISO
// form, trailing blanks of fixed-width texts dropped).
QStringList rowsOf(const QSqlDatabase &db, const QString &sql) {
    QStringList out;
    QSqlQuery q(db);
    if (!q.exec(sql))
        return {q.lastError().text()};
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i) {
            const QVariant v = q.value(i);
            if (q.isNull(i))
                cells << QStringLiteral("<NULL>");
            else if (v.metaType().id() == QMetaType::QDate)
                cells << v.toDate().toString(Qt::ISODate);
            else
                cells << v.toString();
        }
        out << cells.join(u'|');
    }
    return out;
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs kelvoran-batch with the arguments; its exit code, output and errors.
struct BatchRun {
    int exitCode = -1;
    QString out;
};
BatchRun runBatch(const QStringList &arguments,
                  const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KELVORAN_BATCH), arguments);
    BatchRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return r;
}

const QString kBranchQuery = QStringLiteral(
    "SELECT branch_code, region_code, branch_name, opened_on, staff_count FROM branches");

} // namespace

class CsvCommandsTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

    QString status() { return m_w->statusBar()->currentMessage(); }
    // Opens the item's menu (whose opening handler enables the items) and picks the item.
    void trigger(const char *action) {
        QAction *item = m_w->action(QString::fromLatin1(action));
        if (auto *menu = qobject_cast<QMenu *>(item->associatedObjects().first()))
            QMetaObject::invokeMethod(menu, "aboutToShow");
        QVERIFY2(item->isEnabled(), action);
        item->trigger();
    }
    void runOnDemo(const QStringList &statements) {
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
            db.setDatabaseName(m_demo);
            QVERIFY(db.open());
            for (const QString &sql : statements) {
                QSqlQuery q(db);
                QVERIFY2(q.exec(sql), qPrintable(sql));
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    }
    QStringList demoRows(const QString &sql) {
        QStringList rows;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("read"));
            db.setDatabaseName(m_demo);
            if (!db.open())
                return {QStringLiteral("cannot open")};
            rows = rowsOf(db, sql);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("read"));
        return rows;
    }
    QTreeWidgetItem *openTable(const QString &alias, const QString &table) {
        QTreeWidgetItem *root = this->root(alias);
        click(root);
        QTreeWidgetItem *folder = child(root, QStringLiteral("Table"));
        if (!folder)
            return nullptr;
        click(folder);
        for (int i = 0; i < folder->childCount(); ++i)
            if (folder->child(i)->text(0).endsWith(table)) {
                click(folder->child(i));
                return folder->child(i);
            }
        return nullptr;
    }
    void runQueryOnDemo(const QString &sql) {
        click(root(QStringLiteral("DEMO")));
        typeSql(sql);
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QVERIFY(grid()->model() && grid()->model()->rowCount() > 0);
    }
    static void writeShiftJis(const QString &path, const QStringList &lines) {
        QVERIFY(writeTextLines(path, lines));
    }
    bool fileMenuItemEnabled(const char *name) {
        auto *menu = qobject_cast<QMenu *>(
            m_w->action(QString::fromLatin1(name))->associatedObjects().first());
        QMetaObject::invokeMethod(menu, "aboutToShow");
        return m_w->action(QString::fromLatin1(name))->isEnabled();
    }

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void dialogFollowsItsModeAndItsRules() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        bool checked = false;
        onNextModal([&checked](QWidget *modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("CSVSettingForm"));
            QCOMPARE(modal->height(), 200);
            QVERIFY(!control<QGroupBox>(modal, "RadioGroup_Blank")->isVisible());
            QVERIFY(control<QRadioButton>(modal, "RadioButton_SepList")->isChecked());
            auto *heading = control<QCheckBox>(modal, "CheckBox_ColName");
            QCOMPARE(heading->text(), QStringLiteral("項目名出力"));
            QVERIFY(heading->isChecked());
            QStringList rows;
            auto *list = control<QListWidget>(modal, "ListBox_SepChar");
            for (int i = 0; i < list->count(); ++i)
                rows << list->item(i)->text();
            QCOMPARE(rows, QStringList({"カンマ区切り", "タブ区切り", "半角スペース区切り",
                                        "＠マーク区切り"}));
            // A typed separator must not be empty.
            auto *decide = control<QPushButton>(modal, "Button_Decide");
            QVERIFY(decide->isEnabled());
            QTest::mouseClick(control<QRadioButton>(modal, "RadioButton_SepInput"), Qt::LeftButton);
            QVERIFY(!decide->isEnabled());
            QTest::keyClicks(control<QLineEdit>(modal, "Edit_SepChar"), QStringLiteral("||"));
            QVERIFY(decide->isEnabled());
            QTest::mouseClick(control<QPushButton>(modal, "Button_Cancel"), Qt::LeftButton);
            checked = true;
        });
        trigger("CsvExport");
        QVERIFY(checked);
        // Cancelled: nothing asked after the dialog, the status says no rows.
        QVERIFY(m_ui.fileFilters.isEmpty());
        QCOMPARE(status(), QStringLiteral("CSVExportﾃﾞｰﾀ作成 [0]"));

        // An import shows the blank rules and the import caption while it is open.
        checked = false;
        onNextModal([&checked](QWidget *modal) {
            QCOMPARE(modal->height(), 250);
            QVERIFY(control<QGroupBox>(modal, "RadioGroup_Blank")->isVisible());
            QCOMPARE(control<QCheckBox>(modal, "CheckBox_ColName")->text(),
                     QStringLiteral("項目名有無（チェックで１行目を省く）"));
            QStringList rules;
            for (int i = 0; i < 3; ++i)
                rules << control<QRadioButton>(
                             modal, qPrintable(QStringLiteral("RadioButton_Blank%1").arg(i)))
                             ->text();
            QCOMPARE(rules,
                     QStringList({"Nullインサート", "Trimインサート", "そのままインサート"}));
            modal->close(); // the title bar counts as cancelling
            checked = true;
        });
        m_ui.files = {m_dir.filePath(QStringLiteral("none.csv"))};
        trigger("CsvImport");
        QVERIFY(checked);
        QCOMPARE(m_ui.fileFilters, QStringList({"CSV files (*.csv)|*.csv"}));
        QCOMPARE(status(), QStringLiteral("CSVデータImport [0]"));
        QCOMPARE(m_w->findChild<QCheckBox *>(QStringLiteral("CheckBox_ColName"))->text(),
                 QStringLiteral("項目名出力"));
        QVERIFY(grid()->isVisible());
    }

    void handOffClosesTheDialogAsCancelled() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        QWidget *shown = nullptr;
        onNextModal([this, &shown](QWidget *modal) {
            shown = modal;
            // A file handed off by a second start closes the secondary windows first.
            emit m_w->fileCommands()->secondaryWindowsClosing();
        });
        trigger("CsvExport");
        QVERIFY(shown);
        QVERIFY(!shown->isVisible());
        QVERIFY(m_ui.fileFilters.isEmpty());
        QCOMPARE(status(), QStringLiteral("CSVExportﾃﾞｰﾀ作成 [0]"));
    }

    void importIsOfferedOnTablesOfTheKindsThatTakeIt() {
        startWindow();
        struct Case {
            const char *name;
            std::function<void()> show;
            bool exportOn;
            bool importOn;
        };
        const std::vector<Case> cases = {
            {"OracleTable", [this] { openOracleTable(QStringLiteral("EMP")); }, true, true},
            {"SqliteTable",
             [this] { openTable(QStringLiteral("DEMO"), QStringLiteral("regions")); }, true, true},
            {"QueryResult", [this] { runQueryOnDemo(kBranchQuery); }, true, false},
        };
        for (const Case &c : cases) {
            c.show();
            QCOMPARE(fileMenuItemEnabled("CsvExport"), c.exportOn);
            QCOMPARE(fileMenuItemEnabled("CsvExportSave"), c.exportOn);
            QVERIFY2(fileMenuItemEnabled("CsvImport") == c.importOn, c.name);
            QVERIFY2(fileMenuItemEnabled("CsvImportSave") == c.importOn, c.name);
        }
    }

    void rowsOfAStatementThatMayChangeDataAreNotRunAgain() {
        runOnDemo({QStringLiteral("DROP TABLE IF EXISTS csv_counter"),
                   QStringLiteral("CREATE TABLE csv_counter (n INTEGER)")});
        startWindow();
        // The rows come from an INSERT that returns them: an export would insert them again.
        runQueryOnDemo(QStringLiteral("INSERT INTO csv_counter VALUES (1), (2) RETURNING n"));
        m_ui.messages.clear();
        trigger("CsvExport");
        QCOMPARE(m_ui.messages.size(), size_t(1));
        QVERIFY(m_ui.messages.front().text.startsWith(QStringLiteral("Message     :")));
        QVERIFY(m_ui.fileFilters.isEmpty());
        QCOMPARE(demoRows(QStringLiteral("SELECT n FROM csv_counter ORDER BY n")),
                 QStringList({"1", "2"}));
    }

    void failedImportNamesTheLineAndKeepsTheLinesBefore() {
        runOnDemo({QStringLiteral("DROP TABLE IF EXISTS csv_target"),
                   QStringLiteral("CREATE TABLE csv_target (code TEXT NOT NULL PRIMARY KEY, "
                                  "qty INTEGER, note TEXT)")});
        const QString file = m_dir.filePath(QStringLiteral("target.csv"));
        // Line 4 repeats the key of line 2: lines 2 and 3 stay, line 5 is never stored.
        writeShiftJis(file,
                      {QStringLiteral("code|qty|note"), QStringLiteral(" A |1| 東京 "),
                       QStringLiteral("B||  "), QStringLiteral("A|3|x"), QStringLiteral("C|4|y")});
        startWindow();
        QVERIFY(openTable(QStringLiteral("DEMO"), QStringLiteral("csv_target")));
        m_ui.files = {file};
        answerCsvDialog({-1, QStringLiteral("|"), 1, true, false}); // Trimインサート
        trigger("CsvImport");
        QCOMPARE(m_ui.messages.size(), size_t(1));
        const QString message = m_ui.messages.front().text;
        QVERIFY2(message.startsWith(QStringLiteral("Message     :4行目")), qPrintable(message));
        QCOMPARE(status(), QString());
        QVERIFY(grid()->isVisible());
        QCOMPARE(demoRows(QStringLiteral("SELECT * FROM csv_target ORDER BY code")),
                 QStringList({"A|1|東京", "B|<NULL>|"}));
        // The grid shows the rows stored.
        QCOMPARE(grid()->model()->rowCount(), 2);
        // A failed import is not remembered as the last file.
        QVERIFY(m_w->dataModule().paths.lastFilePath != file);
    }

    void exportOfADemoQueryImportsIntoEmptyServerTables() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        Result<AliasList> servers = AliasList::load(m_serverAliasFile);
        Result<AliasList> fixtures = AliasList::load(m_aliasFile);
        QVERIFY(servers && fixtures);
        startWindow(AliasList({*fixtures->find(QStringLiteral("DEMO")),
                               *servers->find(QStringLiteral("PGTEST")),
                               *servers->find(QStringLiteral("MYTEST"))}));
        runQueryOnDemo(kBranchQuery);
        const QString file = m_dir.filePath(QStringLiteral("branches"));
        m_ui.files = {file};
        QStringList progress;
        connect(m_w->statusBar(), &QStatusBar::messageChanged, this,
                [&progress](const QString &text) { progress << text; });
        answerCsvDialog({0, QString(), -1, true, false});
        trigger("CsvExport");
        QCOMPARE(messageTexts(m_ui), QStringList());
        QCOMPARE(progress.value(0), QStringLiteral("CSVExportﾃﾞｰﾀ作成中… [1]"));
        QCOMPARE(status(), QStringLiteral("CSVExportﾃﾞｰﾀ作成 [10]"));
        // ".csv" was added to the chosen name, and the file is remembered.
        const QString written = file + QStringLiteral(".csv");
        QCOMPARE(m_w->dataModule().paths.lastFilePath, written);
        Result<QStringList> lines = readTextLines(written);
        QVERIFY(lines);
        QCOMPARE(lines->size(), 11);
        QCOMPARE(lines->first(),
                 QStringLiteral("branch_code,region_code,branch_name,opened_on,staff_count"));
        QVERIFY(fileBytes(written).contains("\r\n"));

        const QStringList expected = demoRows(kBranchQuery + QStringLiteral(" ORDER BY 1"));
        QCOMPARE(expected.size(), 10);
        for (const QString &alias : {QStringLiteral("PGTEST"), QStringLiteral("MYTEST")}) {
            QTreeWidgetItem *folder = openServerTableFolder(alias);
            QVERIFY2(folder, qPrintable(alias));
            QApplication::setActiveWindow(m_w.get());
            QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
            DbResult<QSqlDatabase> db = m_w->dataModule().session.connection(alias);
            QVERIFY(db);
            for (const char *sql :
                 {"DROP TABLE IF EXISTS csv_branches",
                  "CREATE TABLE csv_branches (branch_code VARCHAR(5) NOT NULL PRIMARY KEY, "
                  "region_code VARCHAR(2), branch_name VARCHAR(40), opened_on DATE, "
                  "staff_count INTEGER)"}) {
                QSqlQuery q(*db);
                QVERIFY2(q.exec(QString::fromLatin1(sql)), sql);
            }
            tree()->setCurrentItem(folder);
            trigger("Refresh");
            QVERIFY2(openTable(alias, QStringLiteral("csv_branches")), qPrintable(alias));
            QVERIFY(fileMenuItemEnabled("CsvImport"));
            m_ui.files = {written};
            answerCsvDialog({0, QString(), 0, true, false});
            trigger("CsvImport");
            QCOMPARE(messageTexts(m_ui), QStringList());
            QCOMPARE(status(), QStringLiteral("CSVデータImport [10]"));
            QCOMPARE(grid()->model()->rowCount(), 10);
            const QString stored =
                QString(kBranchQuery)
                    .replace(QStringLiteral("branches"), QStringLiteral("csv_branches")) +
                QStringLiteral(" ORDER BY 1");
            QCOMPARE(rowsOf(*db, stored), expected);

            // The saved settings run by kelvoran-batch on the server: its export gives the
            // window's file, and its import of the file refills the emptied table.
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("KELVORAN_ALIASES"), m_serverAliasFile);
            env.insert(QStringLiteral("KELVORAN_PASSWORD"),
                       qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
            const ConnectionChoice connection{alias, QString(), QStringLiteral("kelvoran"),
                                              qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
            const QString byWindow = m_dir.filePath(alias + QStringLiteral("-window.csv"));
            const QString byBatch = m_dir.filePath(alias + QStringLiteral("-batch.csv"));
            const QString exportSettings = m_dir.filePath(alias + QStringLiteral("-export.kvr"));
            const QString importSettings = m_dir.filePath(alias + QStringLiteral("-import.kvr"));
            m_ui.files = {byWindow, exportSettings};
            m_ui.connections = {connection};
            answerCsvDialog({1, QString(), -1, true, false});
            trigger("CsvExport");
            answerCsvDialog({1, QString(), -1, true, false});
            trigger("CsvExportSave");
            m_ui.files = {written, importSettings};
            m_ui.connections = {connection};
            answerCsvDialog({0, QString(), 0, true, false});
            trigger("CsvImportSave");
            QCOMPARE(messageTexts(m_ui), QStringList());
            BatchRun run = runBatch(
                {QStringLiteral("csv-export"), exportSettings, QStringLiteral("--output"), byBatch},
                env);
            QVERIFY2(run.exitCode == 0, qPrintable(run.out));
            QVERIFY(fileBytes(byWindow).count('\n') == 11);
            QCOMPARE(fileBytes(byBatch), fileBytes(byWindow));
            QSqlQuery empty(*db);
            QVERIFY(empty.exec(QStringLiteral("DELETE FROM csv_branches")));
            run = runBatch({QStringLiteral("csv-import"), importSettings}, env);
            QVERIFY2(run.exitCode == 0, qPrintable(run.out));
            QCOMPARE(rowsOf(*db, stored), expected);
        }
    }

    void savedSettingsRunByTheBatchGiveWhatTheWindowGives() {
        runOnDemo({QStringLiteral("DROP TABLE IF EXISTS csv_window"),
                   QStringLiteral("DROP TABLE IF EXISTS csv_batch"),
                   QStringLiteral("CREATE TABLE csv_window (code TEXT PRIMARY KEY, qty INTEGER, "
                                  "note TEXT)"),
                   QStringLiteral("CREATE TABLE csv_batch (code TEXT PRIMARY KEY, qty INTEGER, "
                                  "note TEXT)")});
        startWindow();
        const ConnectionChoice demo{QStringLiteral("DEMO"), QStringLiteral("SQLITE"), QString(),
                                    QString()};
        // Export: the window's file and the batch's file of the same saved settings.
        struct ExportCase {
            const char *name;
            std::function<void()> show;
            CsvAnswer answer;
        };
        const std::vector<ExportCase> exports = {
            {"QueryTabHeading",
             [this] { runQueryOnDemo(kBranchQuery); },
             {1, QString(), -1, true, false}},
            {"TableTypedSeparator",
             [this] { QVERIFY(openTable(QStringLiteral("DEMO"), QStringLiteral("products"))); },
             {-1, QStringLiteral("::"), -1, false, false}},
        };
        for (const ExportCase &c : exports) {
            c.show();
            const QString byWindow = m_dir.filePath(QString::fromLatin1(c.name) + ".csv");
            const QString settings = m_dir.filePath(QString::fromLatin1(c.name) + ".kvr");
            const QString byBatch = m_dir.filePath(QString::fromLatin1(c.name) + "-batch.csv");
            m_ui.messages.clear();
            m_ui.files = {byWindow};
            answerCsvDialog(c.answer);
            trigger("CsvExport");
            m_ui.files = {settings};
            m_ui.connections = {demo};
            answerCsvDialog(c.answer);
            trigger("CsvExportSave");
            QVERIFY2(messageTexts(m_ui).isEmpty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QCOMPARE(m_w->dataModule().paths.lastFilePath, settings);
            const BatchRun run = runBatch(
                {QStringLiteral("csv-export"), settings, QStringLiteral("--output"), byBatch});
            QVERIFY2(run.exitCode == 0, qPrintable(run.out));
            QVERIFY2(fileBytes(byWindow).size() > 100, c.name);
            QCOMPARE(fileBytes(byBatch), fileBytes(byWindow));
        }

        // Import: the same file into two empty tables, one by the window, one by the batch
        // running the settings the window saved.
        const QString file = m_dir.filePath(QStringLiteral("rows.csv"));
        writeShiftJis(file, {QStringLiteral("code\tqty\tnote"), QStringLiteral("A\t1\t 東京 "),
                             QStringLiteral("B\t\t "), QStringLiteral("C\t3\t")});
        const CsvAnswer tabAsIs{1, QString(), 2, true, false};
        QVERIFY(openTable(QStringLiteral("DEMO"), QStringLiteral("csv_window")));
        m_ui.files = {file};
        answerCsvDialog(tabAsIs);
        trigger("CsvImport");
        QCOMPARE(status(), QStringLiteral("CSVデータImport [3]"));
        const QString settings = m_dir.filePath(QStringLiteral("import.kvr"));
        QVERIFY(openTable(QStringLiteral("DEMO"), QStringLiteral("csv_batch")));
        m_ui.files = {file, settings};
        m_ui.connections = {demo};
        answerCsvDialog(tabAsIs);
        trigger("CsvImportSave");
        QCOMPARE(m_ui.fileFilters.last(), QStringLiteral("Kelvoran files (*.kvr)|*.kvr"));
        QVERIFY2(messageTexts(m_ui).isEmpty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        const BatchRun run = runBatch({QStringLiteral("csv-import"), settings});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out));
        const QStringList byWindow =
            demoRows(QStringLiteral("SELECT * FROM csv_window ORDER BY 1"));
        QCOMPARE(byWindow, QStringList({"A|1| 東京 ", "B|<NULL>| ", "C|3|"}));
        QCOMPARE(demoRows(QStringLiteral("SELECT * FROM csv_batch ORDER BY 1")), byWindow);
    }

    void screenshot() {
        // The options dialog of an import, for the README (written to docs/ when
        // KELVORAN_WRITE_SCREENSHOTS is set, else into the temporary folder).
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                ? QStringLiteral(KELVORAN_DOCS_DIR)
                                : m_dir.path();
        bool saved = false;
        onNextModal([&saved, dir](QWidget *modal) {
            QTest::mouseClick(control<QRadioButton>(modal, "RadioButton_Blank0"), Qt::LeftButton);
            auto *list = control<QListWidget>(modal, "ListBox_SepChar");
            list->setCurrentRow(0);
            QTest::qWait(50);
            saved = modal->grab().toImage().save(dir + QStringLiteral("/csvsettingform.png"));
            QTest::mouseClick(control<QPushButton>(modal, "Button_Cancel"), Qt::LeftButton);
        });
        m_ui.files = {m_dir.filePath(QStringLiteral("any.csv"))};
        trigger("CsvImport");
        QVERIFY(saved);
    }
};

QTEST_MAIN(CsvCommandsTest)
#include "csvcommands_test.moc"

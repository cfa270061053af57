// "SQLファイルの実行": the file dialog, the run on the current alias with its summary and
// progress, the error list of the failed statements and the detail window of one of them.
#include "app/errsqlform.h"
#include "app/errsqlshowform.h"
#include "app/scriptcommand.h"
#include "tests/gui/mainwindowfixture.h"
#include "ui/scripterrorlist.h"

#include <QHeaderView>
#include <QStatusBar>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// Five statements of which three fail, on every kind of database: a missing table, a syntax
// error and another missing table. The first failure spans two lines.
const QStringList kThreeFailures = {
    "CREATE TABLE script_window_probe (",
    "  id integer,",
    "  note varchar(20)",
    ");",
    "INSERT INTO no_such_table_a",
    "  VALUES (1);",
    "INSERT INTO script_window_probe VALUES (1, 'one');",
    "SELEC 1;",
    "INSERT INTO no_such_table_b VALUES (2); -- the last failure",
};

// What a person sees in the error list and in the detail window opened from its first row.
struct ErrorListVisit {
    bool listShown = false;
    QString caption;
    QStringList rows; // "number|executed SQL|error entry" below the heading row
    QStringList detailSql;
    QString detailMessage;
    QString detailCaption;
    bool detailEmptiedOnClose = false;
};

// Calls back on every paint of a widget.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget *widget, std::function<void()> painted) : m_painted(std::move(painted)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            m_painted();
        return false;
    }

private:
    std::function<void()> m_painted;
};

QString cell(QTableWidget *grid, int row, int column) {
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

QStringList gridRows(QTableWidget *grid) {
    QStringList rows;
    for (int r = 1; r < grid->rowCount(); ++r)
        rows << cell(grid, r, 0) + u'|' + cell(grid, r, 1) + u'|' + cell(grid, r, 2);
    return rows;
}

void doubleClickRow(QTableWidget *grid, int row) {
    const QPoint at = grid->visualItemRect(grid->item(row, 1)).center();
    // The view opens only a double-click that follows a press on the same cell.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

// Answers the error list when it opens: reads it, opens the first row, reads the detail, closes
// the detail with Esc and the list with "閉じる". `more` runs on the open list before it closes.
void visitErrorList(ErrorListVisit &visit, std::function<void(TErrSQLForm *)> more = {}) {
    onNextModal([&visit, more](QWidget *modal) {
        auto *list = qobject_cast<TErrSQLForm *>(modal);
        if (!list) {
            qobject_cast<QDialog *>(modal)->reject();
            return;
        }
        visit.listShown = true;
        visit.caption = list->windowTitle();
        visit.rows = gridRows(list->grid());
        onNextModal([&visit](QWidget *detailModal) {
            auto *detail = qobject_cast<TErrSQLShowForm *>(detailModal);
            if (!detail) {
                qobject_cast<QDialog *>(detailModal)->reject();
                return;
            }
            visit.detailCaption = detail->windowTitle();
            visit.detailSql = detail->sqlMemo()->lines();
            visit.detailMessage = detail->messageMemo()->textCrLf();
            QTest::keyClick(detail->messageMemo(), Qt::Key_Escape);
            visit.detailEmptiedOnClose = detail->sqlMemo()->lines().join(QString()).isEmpty() &&
                                         detail->messageMemo()->toPlainText().isEmpty() &&
                                         !detail->isVisible();
        });
        doubleClickRow(list->grid(), 1);
        if (more)
            more(list);
        if (list->isVisible())
            list->closeButton()->click();
    });
}

} // namespace

class ScriptCommandTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

    QString writeScript(const QString &name, const QStringList &lines) {
        const QString path = m_dir.filePath(name);
        const Status written = writeTextLines(path, lines);
        return written ? path : QString();
    }
    // The window on the alias, its connection open and the alias current in the tree.
    bool startOn(const QString &alias) {
        if (alias == u"PGTEST" || alias == u"MYTEST") {
            startOnServerAliases();
            if (!openServerTableFolder(alias))
                return false;
            QApplication::setActiveWindow(m_w.get()); // back from the login dialog
            if (!QTest::qWaitForWindowActive(m_w.get()))
                return false;
        } else {
            startWindow();
        }
        if (!root(alias))
            return false;
        click(root(alias));
        return true;
    }
    void runScriptFile(const QString &path) {
        m_ui.files = {path};
        m_w->action(QStringLiteral("RunScript"))->trigger();
    }
    QStringList probeNotes(const QString &alias) {
        const DbResult<QSqlDatabase> db = m_w->dataModule().session.connection(alias);
        if (!db)
            return {QStringLiteral("no connection")};
        QSqlQuery q(*db);
        if (!q.exec(QStringLiteral("SELECT note FROM script_window_probe ORDER BY id")))
            return {QStringLiteral("no table")};
        QStringList notes;
        while (q.next())
            notes << q.value(0).toString();
        return notes;
    }
    void dropProbe(const QString &alias) {
        m_w->dataModule().runner.execute(alias, QStringLiteral("DROP TABLE script_window_probe"));
    }

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void threeFailuresAreListedAndOneOpens_data() {
        QTest::addColumn<QString>("alias");
        QTest::newRow("SQLite demo") << QStringLiteral("DEMO");
        QTest::newRow("Oracle fixture") << QStringLiteral("ORAFIX");
        QTest::newRow("PostgreSQL") << QStringLiteral("PGTEST");
        QTest::newRow("MariaDB") << QStringLiteral("MYTEST");
    }
    void threeFailuresAreListedAndOneOpens() {
        QFETCH(QString, alias);
        const bool server = alias == u"PGTEST" || alias == u"MYTEST";
        if (server && qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        QVERIFY(startOn(alias));
        dropProbe(alias);
        const QString path = writeScript(QStringLiteral("three_failures.sql"), kThreeFailures);
        QVERIFY(!path.isEmpty());
        const QString lastFile = m_w->dataModule().paths.lastFilePath;

        ErrorListVisit visit;
        visitErrorList(visit);
        runScriptFile(path);

        QCOMPARE(m_ui.fileFilters, QStringList({"SQL files(*.sql)|*.sql|Text files(*.txt)|*.txt"}));
        QCOMPARE(messageTexts(m_ui), QStringList({"SQLを「5」個実行しエラーSQLは「3」個でした。"}));
        QVERIFY(visit.listShown);
        QCOMPARE(visit.caption, QStringLiteral("ErrSQLForm"));
        QCOMPARE(visit.rows.size(), 3);
        const QStringList statements = {"INSERT INTO no_such_table_a\r\n  VALUES (1)", "SELEC 1",
                                        "INSERT INTO no_such_table_b VALUES (2)"};
        const QStringList named = {"no_such_table_a", "SELEC", "no_such_table_b"};
        for (int i = 0; i < 3; ++i) {
            const QStringList parts = visit.rows[i].split(u'|');
            QCOMPARE(parts.size(), 3);
            QCOMPARE(parts[0], QString::number(i + 1));
            QCOMPARE(parts[1], statements[i]);
            QVERIFY2(parts[2].startsWith(QStringLiteral("Message     :")), qPrintable(parts[2]));
            QVERIFY2(parts[2].contains(named[i]), qPrintable(parts[2]));
        }
        // The first failure, opened: its two lines over its error entry.
        QCOMPARE(visit.detailCaption, QStringLiteral("ErrSQLShowForm"));
        QCOMPARE(visit.detailSql, QStringList({"INSERT INTO no_such_table_a", "  VALUES (1)"}));
        // (A server's message may hold LF line ends; the editor shows them as its lines.)
        QString entry = visit.rows[0].split(u'|')[2];
        entry.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(visit.detailMessage, entry.replace(u'\n', QStringLiteral("\r\n")));
        QVERIFY(visit.detailEmptiedOnClose);
        // The statements after each failure ran, and the run kept the last file.
        QCOMPARE(probeNotes(alias), QStringList({"one"}));
        QCOMPARE(m_w->dataModule().paths.lastFilePath, lastFile);
        QVERIFY(!m_w->scriptCommand()->errorList()->isVisible());
        dropProbe(alias);
    }

    void runsWithoutAFailureShowOnlyTheSummary_data() {
        QTest::addColumn<QStringList>("script"); // empty: the dialog is cancelled
        QTest::addColumn<bool>("missingFile");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("notes");
        QTest::newRow("cancelled dialog")
            << QStringList() << false << QStringList() << QStringList({"no table"});
        QTest::newRow("two statements")
            << QStringList({"CREATE TABLE script_window_probe (id integer, note text);",
                            "/* seed ; row */ INSERT INTO script_window_probe VALUES (1, 'a');"})
            << false << QStringList({"SQLを「2」個実行しエラーSQLはありませんでした。"})
            << QStringList({"a"});
        QTest::newRow("no semicolon")
            << QStringList({"CREATE TABLE script_window_probe (id integer, note text)"}) << false
            << QStringList({"SQLを「0」個実行しエラーSQLはありませんでした。"})
            << QStringList({"no table"});
        QTest::newRow("file gone after the dialog")
            << QStringList({"SELECT 1;"}) << true << QStringList({"ファイル"})
            << QStringList({"no table"});
    }
    void runsWithoutAFailureShowOnlyTheSummary() {
        QFETCH(QStringList, script);
        QFETCH(bool, missingFile);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, notes);
        QVERIFY(startOn(QStringLiteral("DEMO")));
        dropProbe(QStringLiteral("DEMO"));
        if (script.isEmpty()) {
            m_ui.files.clear();
            m_w->action(QStringLiteral("RunScript"))->trigger();
        } else {
            QString path = writeScript(QStringLiteral("no_failure.sql"), script);
            QVERIFY(!path.isEmpty());
            if (missingFile)
                QVERIFY(QFile::remove(path));
            runScriptFile(path);
        }
        QCOMPARE(m_ui.fileFilters.size(), 1);
        const QStringList shown = messageTexts(m_ui);
        QCOMPARE(shown.size(), messages.size());
        for (int i = 0; i < shown.size(); ++i)
            QVERIFY2(missingFile ? shown[i].startsWith(messages[i]) : shown[i] == messages[i],
                     qPrintable(shown[i]));
        if (missingFile)
            QCOMPARE(m_ui.messages.front().icon, MessageIcon::Error);
        QVERIFY(!m_w->scriptCommand()->errorList()->isVisible());
        QCOMPARE(probeNotes(QStringLiteral("DEMO")), notes);
        dropProbe(QStringLiteral("DEMO"));
    }

    void errorListHeadingsAndButtonFollowResizing() {
        QVERIFY(startOn(QStringLiteral("DEMO")));
        const QString path = writeScript(QStringLiteral("one_failure.sql"), {"SELEC 1;"});
        QStringList headings;
        QList<int> buttonCentres;
        QList<int> widths;
        onNextModal([&](QWidget *modal) {
            auto *list = qobject_cast<TErrSQLForm *>(modal);
            if (!list) {
                qobject_cast<QDialog *>(modal)->reject();
                return;
            }
            QTableWidget *grid = list->grid();
            headings << cell(grid, 0, 1) << cell(grid, 0, 2);
            // The strip above the headings holds the column borders: drag the right border of
            // the SQL column to a width of 100, then widen the message column.
            QHeaderView *strip = grid->horizontalHeader();
            const int border = strip->sectionViewportPosition(1) + strip->sectionSize(1) - 1;
            const int y = strip->height() / 2;
            QTest::mousePress(strip->viewport(), Qt::LeftButton, {}, QPoint(border, y));
            QTest::mouseMove(strip->viewport(), QPoint(border - 157, y));
            QTest::mouseRelease(strip->viewport(), Qt::LeftButton, {}, QPoint(border - 157, y));
            grid->setColumnWidth(2, 500);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualItemRect(grid->item(1, 1)).center());
            widths << grid->columnWidth(1);
            headings << cell(grid, 0, 1) << cell(grid, 0, 2);
            for (int width : {900, 60}) {
                list->resize(width, 300);
                widths << list->width();
                buttonCentres << list->closeButton()->geometry().center().x() - list->width() / 2;
            }
            list->closeButton()->click();
        });
        runScriptFile(path);
        QCOMPARE(
            headings,
            QStringList({QString(28, u' ') + "実行SQL", QString(36, u' ') + "エラーメッセージ",
                         QString(8, u' ') + "実行SQL", QString(56, u' ') + "エラーメッセージ"}));
        const int buttonWidth = m_w->scriptCommand()->errorList()->closeButton()->width();
        QCOMPARE(widths, QList<int>({100, 900, buttonWidth + 100}));
        for (int offset : buttonCentres)
            QVERIFY2(qAbs(offset) <= 1, qPrintable(QString::number(offset)));
    }

    void detailClosesOnOkEnterAndEsc_data() {
        QTest::addColumn<QString>("memo"); // the editor the key goes to; empty: click "OK"
        QTest::addColumn<int>("key");
        QTest::newRow("OK button") << QString() << 0;
        QTest::newRow("Enter in the SQL") << QStringLiteral("Memo_SQL") << int(Qt::Key_Return);
        QTest::newRow("Enter in the message")
            << QStringLiteral("Memo_Message") << int(Qt::Key_Enter);
        QTest::newRow("Esc in the SQL") << QStringLiteral("Memo_SQL") << int(Qt::Key_Escape);
    }
    void detailClosesOnOkEnterAndEsc() {
        QFETCH(QString, memo);
        QFETCH(int, key);
        QVERIFY(startOn(QStringLiteral("DEMO")));
        const QString path = writeScript(QStringLiteral("one_failure.sql"), {"SELEC 1;"});
        QString shownSql;
        bool closedEmpty = false;
        onNextModal([&](QWidget *modal) {
            auto *list = qobject_cast<TErrSQLForm *>(modal);
            if (!list) {
                qobject_cast<QDialog *>(modal)->reject();
                return;
            }
            onNextModal([&](QWidget *detailModal) {
                auto *detail = qobject_cast<TErrSQLShowForm *>(detailModal);
                if (!detail) {
                    qobject_cast<QDialog *>(detailModal)->reject();
                    return;
                }
                shownSql = detail->sqlMemo()->textCrLf();
                if (memo.isEmpty())
                    detail->okButton()->click();
                else
                    QTest::keyClick(detail->findChild<TextEditor *>(memo), Qt::Key(key));
                closedEmpty = !detail->isVisible() && detail->sqlMemo()->toPlainText().isEmpty() &&
                              detail->messageMemo()->toPlainText().isEmpty();
            });
            doubleClickRow(list->grid(), 1);
            list->closeButton()->click();
        });
        runScriptFile(path);
        QCOMPARE(shownSql, QStringLiteral("SELEC 1"));
        QVERIFY(closedEmpty);
    }

    void handedOffFileClosesTheErrorWindowsAsCancelled() {
        QVERIFY(startOn(QStringLiteral("DEMO")));
        const QString path = writeScript(QStringLiteral("one_failure.sql"), {"SELEC 1;"});
        bool detailOpen = false;
        bool detailClosed = false;
        bool listClosed = false;
        onNextModal([&](QWidget *modal) {
            auto *list = qobject_cast<TErrSQLForm *>(modal);
            if (!list) {
                qobject_cast<QDialog *>(modal)->reject();
                return;
            }
            onNextModal([&](QWidget *detailModal) {
                detailOpen = qobject_cast<TErrSQLShowForm *>(detailModal) != nullptr;
                emit m_w->fileCommands()->secondaryWindowsClosing();
                detailClosed = !detailModal->isVisible();
                if (!detailClosed)
                    qobject_cast<QDialog *>(detailModal)->reject();
            });
            doubleClickRow(list->grid(), 1);
            listClosed = !list->isVisible();
            if (!listClosed)
                list->reject();
        });
        runScriptFile(path);
        QVERIFY(detailOpen);
        QVERIFY(detailClosed);
        QVERIFY(listClosed);
        ScriptCommand *scripts = m_w->scriptCommand();
        QVERIFY(!scripts->errorList()->isVisible());
        QVERIFY(!scripts->errorDetail()->isVisible());
        QCOMPARE(scripts->errorList()->result(), int(QDialog::Rejected));
        QCOMPARE(scripts->errorDetail()->result(), int(QDialog::Rejected));
        QVERIFY(scripts->errorDetail()->sqlMemo()->toPlainText().isEmpty());
    }

    void longScriptShowsProgressAndRepaints() {
        QVERIFY(startOn(QStringLiteral("DEMO")));
        dropProbe(QStringLiteral("DEMO"));
        QStringList script{"CREATE TABLE script_window_probe (id integer, note text);"};
        const int inserts = 300;
        for (int i = 1; i <= inserts; ++i)
            script << QStringLiteral("INSERT INTO script_window_probe VALUES (%1, 'n%1');").arg(i);
        const QString path = writeScript(QStringLiteral("long.sql"), script);
        QStatusBar *status = m_w->statusBar();
        QStringList progress;
        connect(status, &QStatusBar::messageChanged, this,
                [&](const QString &text) { progress << text; });
        // Paints of the status bar while statements still run.
        int paintsDuringRun = 0;
        bool running = false;
        PaintCounter counter(status, [&] {
            if (running)
                ++paintsDuringRun;
        });
        connect(status, &QStatusBar::messageChanged, this,
                [&](const QString &text) { running = !text.isEmpty(); });
        runScriptFile(path);
        const int total = inserts + 1;
        QCOMPARE(
            messageTexts(m_ui),
            QStringList(
                {QStringLiteral("SQLを「%1」個実行しエラーSQLはありませんでした。").arg(total)}));
        QVERIFY(progress.size() >= 3);
        QCOMPARE(progress.first(), scriptProgressText(1, total));
        QCOMPARE(progress.at(progress.size() - 2), scriptProgressText(total, total));
        QVERIFY(progress.last().isEmpty()); // cleared when the run ends
        QVERIFY2(paintsDuringRun > 1, qPrintable(QString::number(paintsDuringRun)));
        QCOMPARE(probeNotes(QStringLiteral("DEMO")).size(), inserts);
        dropProbe(QStringLiteral("DEMO"));
    }

    void noAliasRunsNothing() {
        m_ui = RecordingInteraction();
        m_w = std::make_unique<TKelvoran>(AliasList(), m_settings);
        m_w->setInteraction(&m_ui);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        m_ui.files = {m_dir.filePath(QStringLiteral("never_asked.sql"))};
        m_w->action(QStringLiteral("RunScript"))->trigger();
        QVERIFY(m_ui.fileFilters.isEmpty());
        QCOMPARE(messageTexts(m_ui),
                 QStringList({"SQLファイルを実行するデータベースがありません。"}));
    }

    void screenshots() {
        // The error list and the detail window for the README (written to docs/ when
        // KELVORAN_WRITE_SCREENSHOTS is set, else into the temporary folder).
        QVERIFY(startOn(QStringLiteral("DEMO")));
        dropProbe(QStringLiteral("DEMO"));
        const QString path = writeScript(QStringLiteral("three_failures.sql"), kThreeFailures);
        const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                ? QStringLiteral(KELVORAN_DOCS_DIR)
                                : m_dir.path();
        QDir().mkpath(dir);
        bool listSaved = false;
        bool detailSaved = false;
        onNextModal([&](QWidget *modal) {
            auto *list = qobject_cast<TErrSQLForm *>(modal);
            if (!list) {
                qobject_cast<QDialog *>(modal)->reject();
                return;
            }
            QTest::qWait(50);
            listSaved = list->grab().toImage().save(dir + QStringLiteral("/errsqlform.png"));
            onNextModal([&](QWidget *detailModal) {
                QTest::qWait(50);
                detailSaved =
                    detailModal->grab().toImage().save(dir + QStringLiteral("/errsqlshowform.png"));
                qobject_cast<QDialog *>(detailModal)->accept();
            });
            doubleClickRow(list->grid(), 1);
            list->closeButton()->click();
        });
        runScriptFile(path);
        QVERIFY(listSaved);
        QVERIFY(detailSaved);
        dropProbe(QStringLiteral("DEMO"));
    }
};

QTEST_MAIN(ScriptCommandTest)
#include "scriptcommand_test.moc"

// The data grid: editing posted to the database, refused and ambiguous writes, read-only
// tables, keyless Oracle tables edited through their ROWID, deleting, the row-count box, the field
// memo viewer, the navigator and the edit commands on the grid's table.
#include "tests/gui/mainwindowfixture.h"
#include "ui/keyedtablemodel.h"

#include <QStatusBar>

using namespace kelvoran;
using namespace kelvoran::test;

class GridPaneTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

    // Runs statements on the window's copy of the demo database (before the window opens).
    void runOnDemo(const QStringList &statements) { runOnFile(m_demo, statements); }
    void runOnFile(const QString &path, const QStringList &statements) {
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            for (const QString &sql : statements) {
                QSqlQuery q(db);
                QVERIFY2(q.exec(sql), qPrintable(sql));
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    }
    // The table's rows as "v1|v2" ordered by the first column, read on a connection of its own.
    QStringList demoRows(const QString &table) {
        QStringList out;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("read"));
            db.setDatabaseName(m_demo);
            if (!db.open())
                return {QStringLiteral("cannot open")};
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(table));
            while (q.next())
                out << (q.isNull(0) ? QStringLiteral("NULL") : q.value(0).toString()) + u'|' +
                           q.value(1).toString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("read"));
        return out;
    }
    // The rows of a select on the Oracle fixture copy as "v1|v2|...", read on a connection of
    // its own.
    QStringList oracleRows(const QString &sql) {
        QStringList out;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("read"));
            db.setDatabaseName(m_oracle);
            if (!db.open())
                return {QStringLiteral("cannot open")};
            QSqlQuery q(db);
            if (!q.exec(sql))
                return {q.lastError().text()};
            while (q.next()) {
                QStringList cells;
                for (int i = 0; i < q.record().count(); ++i)
                    cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
                out << cells.join(u'|');
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("read"));
        return out;
    }
    void openDemoTable(const QString &table) {
        QTreeWidgetItem *demo = root(QStringLiteral("DEMO"));
        click(demo);
        QTreeWidgetItem *folder = child(demo, QStringLiteral("Table"));
        QVERIFY(folder);
        click(folder);
        QTreeWidgetItem *object = child(folder, table);
        QVERIFY2(object, qPrintable(table));
        click(object);
    }
    QToolButton *navButton(const char *name) {
        auto *nav = m_w->findChild<QWidget *>(QStringLiteral("DBNavigator1"));
        return nav ? nav->findChild<QToolButton *>(QString::fromLatin1(name)) : nullptr;
    }
    QStringList enabledNavButtons() {
        QStringList enabled;
        for (const char *name :
             {"First", "Prior", "Next", "Last", "Insert", "Delete", "Post", "Cancel", "Refresh"})
            if (navButton(name)->isEnabled())
                enabled << QString::fromLatin1(name);
        return enabled;
    }
    // The grid row whose first column shows the text.
    int gridRow(const QString &first) {
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            if (grid()->model()->index(r, 0).data().toString() == first)
                return r;
        return -1;
    }
    // Types a value into a cell as a person does: start editing, replace the text, Enter.
    void typeIntoCell(const QModelIndex &cell, const QString &text) {
        grid()->setFocus();
        grid()->setCurrentIndex(cell);
        QTest::keyClick(grid(), Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void refusedEditShowsWhyAndTheStoredValue() {
        struct Case {
            const char *name;
            const char *table;
            const char *row; // first column of the edited row
            int column;
            const char *typed;
            bool databaseError; // a DbErrorText box, else the program's warning
        };
        const Case cases[] = {
            {"primary key taken", "grid_keyed", "A", 0, "B", true},
            {"check refused", "grid_keyed", "A", 1, "-5", true},
            // A unique key that allows NULL: the update would touch both NULL rows.
            {"two rows matched", "grid_nullable", "", 1, "7", false},
        };
        runOnDemo({QStringLiteral("DROP TABLE IF EXISTS grid_keyed"),
                   QStringLiteral("DROP TABLE IF EXISTS grid_nullable"),
                   QStringLiteral("CREATE TABLE grid_keyed (code TEXT NOT NULL PRIMARY KEY, "
                                  "qty INTEGER CHECK (qty >= 0))"),
                   QStringLiteral("INSERT INTO grid_keyed VALUES ('A', 1), ('B', 2)"),
                   QStringLiteral("CREATE TABLE grid_nullable (code TEXT UNIQUE, qty INTEGER)"),
                   QStringLiteral("INSERT INTO grid_nullable VALUES (NULL, 1), (NULL, 1)")});
        startWindow();
        for (const Case &c : cases) {
            const QString table = QString::fromLatin1(c.table);
            openDemoTable(table);
            const QStringList before = demoRows(table);
            const int row = gridRow(QString::fromLatin1(c.row));
            QVERIFY2(row >= 0, c.name);
            const QModelIndex cell = grid()->model()->index(row, c.column);
            const QString stored = cell.data().toString();
            m_ui.messages.clear();
            typeIntoCell(cell, QString::fromLatin1(c.typed));
            QTRY_VERIFY2(!m_ui.messages.empty(), c.name);
            const auto &shown = m_ui.messages.front();
            QCOMPARE(shown.text.startsWith(QStringLiteral("Category    :")), c.databaseError);
            QCOMPARE(shown.icon, c.databaseError ? MessageIcon::Error : MessageIcon::Warning);
            QCOMPARE(grid()->model()->index(row, c.column).data().toString(), stored);
            QCOMPARE(demoRows(table), before);
        }
    }
    void serverRefusesATooLongValueAndTheGridShowsTheStoredOne() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        startOnServerAliases();
        for (const QString &name : serverAliases()) {
            QTreeWidgetItem *folder = openServerTableFolder(name);
            QVERIFY2(folder, qPrintable(name));
            QApplication::setActiveWindow(m_w.get()); // back from the login dialog
            QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
            DbResult<QSqlDatabase> db = m_w->dataModule().session.connection(name);
            QVERIFY(db);
            for (const char *sql : {"DROP TABLE IF EXISTS grid_short",
                                    "CREATE TABLE grid_short (id INTEGER NOT NULL PRIMARY KEY, "
                                    "code CHAR(6))",
                                    "INSERT INTO grid_short VALUES (1, 'ABC')"}) {
                QSqlQuery q(*db);
                QVERIFY2(q.exec(QString::fromLatin1(sql)), sql);
            }
            tree()->setCurrentItem(folder);
            m_w->action(QStringLiteral("Refresh"))->trigger();
            QTreeWidgetItem *table = nullptr;
            for (int i = 0; i < folder->childCount(); ++i)
                if (folder->child(i)->text(0).endsWith(QStringLiteral("grid_short")))
                    table = folder->child(i);
            QVERIFY2(table, qPrintable(name));
            click(table);
            m_ui.messages.clear();
            const QModelIndex cell = grid()->model()->index(0, 1);
            const QString stored = cell.data().toString();
            QCOMPARE(stored.trimmed(), QStringLiteral("ABC"));
            typeIntoCell(cell, QStringLiteral("TOOLONGX"));
            QTRY_VERIFY2(!m_ui.messages.empty(), qPrintable(name));
            QVERIFY(m_ui.messages.front().text.startsWith(QStringLiteral("Category    :")));
            QCOMPARE(grid()->model()->index(0, 1).data().toString(), stored);
            QSqlQuery check(*db);
            QVERIFY(check.exec(QStringLiteral("SELECT code FROM grid_short")) && check.next());
            QCOMPARE(check.value(0).toString().trimmed(), QStringLiteral("ABC"));
            QVERIFY(!check.next());
        }
    }
    void tableWithoutKeyOpensReadOnlyWithANote() {
        runOnDemo({QStringLiteral("DROP TABLE IF EXISTS grid_dupes"),
                   QStringLiteral("CREATE TABLE grid_dupes (code TEXT, qty INTEGER)"),
                   QStringLiteral("INSERT INTO grid_dupes VALUES ('D', 4), ('D', 4)")});
        startWindow();
        openDemoTable(QStringLiteral("grid_dupes"));
        QCOMPARE(m_w->statusBar()->currentMessage(), KeyedTableModel::readOnlyNote());
        QCOMPARE(enabledNavButtons(), QStringList({"First", "Prior", "Next", "Last", "Refresh"}));
        const QModelIndex cell = grid()->model()->index(0, 1);
        grid()->setFocus();
        grid()->setCurrentIndex(cell);
        QTest::keyClick(grid(), Qt::Key_F2);
        QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        QTest::keyClicks(grid(), QStringLiteral("9"));
        QCOMPARE(cell.data().toInt(), 4);
        QCOMPARE(demoRows(QStringLiteral("grid_dupes")), QStringList({"D|4", "D|4"}));
        // The note belongs to that table: the next one opened clears it.
        openDemoTable(QStringLiteral("regions"));
        QCOMPARE(m_w->statusBar()->currentMessage(), QString());
        QVERIFY(navButton("Insert")->isEnabled());
    }
    void keylessOracleTableIsEditedThroughItsRowId() {
        runOnFile(m_oracle, {QStringLiteral("DELETE FROM TEMP_LOG"),
                             QStringLiteral("INSERT INTO TEMP_LOG (LOG_ID, LOG_TEXT) VALUES "
                                            "(1, 'same'), (1, 'same')")});
        startWindow();
        openOracleTable(QStringLiteral("TEMP_LOG"));
        QCOMPARE(m_w->statusBar()->currentMessage(), QString());
        QVERIFY(navButton("Insert")->isEnabled());
        // The ROWID the rows are written through is neither a grid column nor an AnalyzeCol row.
        const QStringList fields = {"LOG_ID", "LOGGED_AT", "LOG_TEXT",
                                    "SOURCE_APPLICATION_MODULE_NAME_FOR_LOGS",
                                    "ORIGINATING_APPLICATION_MODULE_IDENTIFIER"};
        QCOMPARE(grid()->model()->columnCount(), int(fields.size()));
        QCOMPARE(analyzeColumn(1), fields);
        const QModelIndex cell = grid()->model()->index(1, fields.indexOf("LOG_TEXT"));
        typeIntoCell(cell, QStringLiteral("changed"));
        QTRY_COMPARE(cell.data().toString(), QStringLiteral("changed"));
        QCOMPARE(grid()->model()->index(0, cell.column()).data().toString(),
                 QStringLiteral("same"));
        QCOMPARE(oracleRows(QStringLiteral("SELECT LOG_ID, LOG_TEXT FROM TEMP_LOG ORDER BY 2")),
                 QStringList({"1|changed", "1|same"}));
        // A view of the same alias has no ROWID to write through.
        QTreeWidgetItem *views = child(root(QStringLiteral("ORAFIX")), QStringLiteral("View"));
        QVERIFY(views);
        click(views);
        QTreeWidgetItem *view = child(views, QStringLiteral("V_EMP_DEPT"));
        QVERIFY(view);
        click(view);
        QCOMPARE(m_w->statusBar()->currentMessage(), KeyedTableModel::readOnlyNote());
        QVERIFY(!navButton("Insert")->isEnabled());
    }
    void deleteAsksFirstAndReportsARefusal() {
        runOnDemo({QStringLiteral("DROP TABLE IF EXISTS grid_delete"),
                   QStringLiteral("CREATE TABLE grid_delete (code TEXT NOT NULL PRIMARY KEY, "
                                  "qty INTEGER)"),
                   QStringLiteral("INSERT INTO grid_delete VALUES ('A', 1), ('B', 2), ('C', 3)"),
                   QStringLiteral("CREATE TRIGGER grid_delete_kept BEFORE DELETE ON grid_delete "
                                  "WHEN old.code = 'B' BEGIN SELECT RAISE(ABORT, 'B is kept'); "
                                  "END")});
        startWindow();
        openDemoTable(QStringLiteral("grid_delete"));
        struct Case {
            const char *row;
            bool answer;
            bool refused;
            QStringList left;
        };
        const Case cases[] = {
            {"A", false, false, {"A|1", "B|2", "C|3"}},
            {"B", true, true, {"A|1", "B|2", "C|3"}},
            {"A", true, false, {"B|2", "C|3"}},
        };
        for (const Case &c : cases) {
            const int row = gridRow(QString::fromLatin1(c.row));
            QVERIFY2(row >= 0, c.row);
            grid()->setCurrentIndex(grid()->model()->index(row, 0));
            m_ui.messages.clear();
            m_ui.confirmAnswers = {c.answer};
            navButton("Delete")->click();
            QVERIFY(!m_ui.messages.empty());
            QVERIFY(m_ui.messages.front().question);
            QCOMPARE(m_ui.messages.front().text, QStringLiteral("このレコードを削除しますか？"));
            if (c.refused) {
                QTRY_COMPARE(m_ui.messages.size(), size_t(2));
                QVERIFY(m_ui.messages[1].text.contains(QStringLiteral("B is kept")));
            } else {
                QTest::qWait(20);
                QCOMPARE(m_ui.messages.size(), size_t(1));
            }
            QCOMPARE(demoRows(QStringLiteral("grid_delete")), c.left);
            QCOMPARE(grid()->model()->rowCount(), int(c.left.size()));
        }
    }
    void navigatorButtonsFollowTheGrid() {
        const QStringList all = {"First",  "Prior", "Next",   "Last",   "Insert",
                                 "Delete", "Post",  "Cancel", "Refresh"};
        startWindow();
        QCOMPARE(enabledNavButtons(), QStringList());
        openOracleTable(QStringLiteral("DEPT"));
        QCOMPARE(enabledNavButtons(),
                 QStringList({"First", "Prior", "Next", "Last", "Insert", "Refresh"}));
        navButton("First")->click();
        QVERIFY(navButton("Delete")->isEnabled());
        navButton("Insert")->click();
        QCOMPARE(grid()->model()->rowCount(), 5);
        QCOMPARE(enabledNavButtons(), all);
        navButton("Cancel")->click();
        QCOMPARE(grid()->model()->rowCount(), 4);
        QVERIFY(!navButton("Post")->isEnabled());
        // A query result moves but is not edited.
        typeSql(QStringLiteral("SELECT DNAME FROM DEPT"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QCOMPARE(enabledNavButtons(), QStringList({"First", "Prior", "Next", "Last"}));
        // Closing the session leaves nothing to move through or edit.
        for (bool table : {true, false}) {
            if (table)
                openOracleTable(QStringLiteral("DEPT"));
            else {
                click(root(QStringLiteral("ORAFIX")));
                typeSql(QStringLiteral("SELECT DNAME FROM DEPT"));
                QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
            }
            QVERIFY(navButton("First")->isEnabled());
            m_w->action(QStringLiteral("CloseSession"))->trigger();
            QCOMPARE(enabledNavButtons(), QStringList());
            navButton("First")->click(); // a disabled button does nothing
        }
    }

    void gridEditIsPostedToTheDatabase() {
        startWindow();
        QTreeWidgetItem *demo = root(QStringLiteral("DEMO"));
        click(demo);
        QTreeWidgetItem *folder = child(demo, QStringLiteral("Table"));
        click(folder);
        click(child(folder, QStringLiteral("regions")));
        auto *model = qobject_cast<QSqlTableModel *>(grid()->model());
        QVERIFY(model);
        QVERIFY(model->rowCount() > 0);
        const int column = model->record().indexOf(QStringLiteral("region_name"));
        QVERIFY(column >= 0);
        QVERIFY(model->setData(model->index(0, column), QStringLiteral("北海道テスト")));
        QSqlDatabase check =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        check.setDatabaseName(m_demo);
        QVERIFY(check.open());
        QSqlQuery q(check);
        QVERIFY(q.exec(
            QStringLiteral("SELECT COUNT(*) FROM regions WHERE region_name = '北海道テスト'")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        check.close();
    }
    void rowCountShownWhenCountingIsOn() {
        QSettings s(m_settings, QSettings::IniFormat);
        s.setValue(QStringLiteral("DataCount_Flg"), 1);
        s.sync();
        startWindow();
        QVERIFY(lineEdit("MemoDataCnt")->isVisible());
        openOracleTable(QStringLiteral("EMP"));
        QCOMPARE(lineEdit("MemoDataCnt")->text(), QStringLiteral("14"));
        typeSql(QStringLiteral("SELECT ENAME FROM EMP WHERE DEPTNO = 10"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QCOMPARE(lineEdit("MemoDataCnt")->text(), QStringLiteral("3"));
        m_w->close();
        m_w.reset();
        s.setValue(QStringLiteral("DataCount_Flg"), 0);
        s.sync();
    }
    void fieldMemoViewerShowsTheCell() {
        startWindow();
        openOracleTable(QStringLiteral("DEPT"));
        const QModelIndex cell = grid()->model()->index(0, 1);
        const QPoint at = grid()->visualRect(cell).center();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
        TDataShowForm *memo = m_w->dataShowForm();
        QVERIFY(memo->isVisible());
        QCOMPARE(memo->windowTitle(), QStringLiteral("項目名：DNAME"));
        QCOMPARE(memo->memo()->toPlainText(), cell.data().toString());
        memo->closeButton()->click();
        QVERIFY(!memo->isVisible());
    }
    void navigatorAndEditCommands() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        auto *nav = m_w->findChild<QWidget *>(QStringLiteral("DBNavigator1"));
        QVERIFY(nav);
        auto button = [nav](const char *name) {
            return nav->findChild<QToolButton *>(QString::fromLatin1(name));
        };
        QCOMPARE(button("Next")->toolTip(), QStringLiteral("次レコード"));
        QVERIFY(button("Insert")->isEnabled());
        button("First")->click();
        QCOMPARE(grid()->currentIndex().row(), 0);
        button("Next")->click();
        QCOMPARE(grid()->currentIndex().row(), 1);
        button("Last")->click();
        QCOMPARE(grid()->currentIndex().row(), 13);
        button("Prior")->click();
        QCOMPARE(grid()->currentIndex().row(), 12);
        // COPY on the read-only Source tab, PASTE on the SQL tab.
        pages()->setCurrentIndex(SqlPane::SourceTab);
        editor("Memo_Source")->selectAll();
        m_w->editCommand(QStringLiteral("COPY"));
        typeSql(QString());
        m_w->editCommand(QStringLiteral("PASTE"));
        QVERIFY(editor("Memo_SQL")->toPlainText().startsWith(QStringLiteral("CREATE TABLE EMP(")));
        m_w->editCommand(QStringLiteral("UNDO"));
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QString());
        // Nothing happens on the AnalyzeCol tab.
        pages()->setCurrentIndex(SqlPane::AnalyzeColTab);
        m_w->editCommand(QStringLiteral("REDO"));
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QString());
    }
};

QTEST_MAIN(GridPaneTest)
#include "gridpane_test.moc"

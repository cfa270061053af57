// The frame of the main window: login and connection dialogs, settings applied and saved,
// the splitters, the secondary windows, the menus' enabling rules and the screenshots.
#include "tests/gui/mainwindowfixture.h"

#include "app/colorform.h"
#include "app/pivottablesettingform.h"

#include <QScopeGuard>

using namespace kelvoran;
using namespace kelvoran::test;

class MainWindowTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void loginPromptAsksAndCancelFails() {
        startWindow();
        QTreeWidgetItem *alias = root(QStringLiteral("LOGINFIX"));
        click(alias); // no prompt: folders are added without a connection
        QCOMPARE(childTexts(alias), QStringList({"Index", "Table", "Trigger", "View"}));
        bool asked = false;
        onNextModal([&](QWidget *modal) {
            auto *login = qobject_cast<LoginDialog *>(modal);
            QVERIFY(login);
            asked = true;
            QCOMPARE(login->windowTitle(), QStringLiteral("データベースへのログイン"));
            QCOMPARE(login->databaseLabel()->text(), QStringLiteral("データベース : LOGINFIX"));
            QCOMPARE(login->userEdit()->text(), QStringLiteral("scott"));
            QCOMPARE(login->passwordEdit()->echoMode(), QLineEdit::Password);
            QCOMPARE(login->passwordEdit()->maxLength(), 31);
            QCOMPARE(login->userEdit()->maxLength(), 31);
            QCOMPARE(QApplication::focusWidget(), login->passwordEdit());
            QCOMPARE(login->okButton()->text(), QStringLiteral("OK(&O)"));
            login->cancelButton()->click();
        });
        click(child(alias, QStringLiteral("Table")));
        QVERIFY(asked);
        QCOMPARE(m_ui.messages.size(), size_t(1));
        QVERIFY(m_ui.messages.front().text.startsWith(QStringLiteral("Category    :")));
        QVERIFY(tree()->isVisible());
        // OK logs in (SQLite ignores the credentials) and lists the tables.
        m_ui.messages.clear();
        onNextModal([](QWidget *modal) {
            auto *login = qobject_cast<LoginDialog *>(modal);
            login->passwordEdit()->setText(QStringLiteral("tiger"));
            login->okButton()->click();
        });
        m_w->objectTree()->treeClicked(child(alias, QStringLiteral("Table")));
        QVERIFY(
            childTexts(child(alias, QStringLiteral("Table"))).contains(QStringLiteral("orders")));
        QVERIFY(m_ui.messages.empty());
    }
    void loginFocusGoesToUserWhenNoneIsStored() {
        LoginDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.prepare(QStringLiteral("X"), QString());
        QCOMPARE(QApplication::focusWidget(), dialog.userEdit());
    }
    void connectionDialogPresetsAndChooses() {
        startWindow();
        TSaveDBParamSetForm *form = m_w->connectionForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("ParameterSetForm"));
        form->prepare(QStringLiteral("ORAFIX"));
        QCOMPARE(form->aliasCombo()->currentText(), QStringLiteral("ORAFIX"));
        QVERIFY(form->decideButton()->isEnabled());
        QCOMPARE(form->choice().alias, QStringLiteral("ORAFIX"));
        QCOMPARE(form->choice().driverName, QStringLiteral("ORACLE (fixture)"));
        form->prepare(QString());
        QVERIFY(!form->decideButton()->isEnabled());
        QCOMPARE(form->choice().alias, QString());
        // Through the report library's choose-connection call: the dialog answers it.
        DialogInteraction dialogs(m_w.get(), form);
        onNextModal([form](QWidget *) {
            form->userEdit()->setText(QStringLiteral("scott"));
            form->passwordEdit()->setText(QStringLiteral("tiger"));
            form->decideButton()->click();
        });
        ConnectionChoice choice;
        QVERIFY(dialogs.chooseConnection(QStringLiteral("DEMO"), choice));
        QCOMPARE(choice.alias, QStringLiteral("DEMO"));
        QCOMPARE(choice.driverName, QStringLiteral("SQLITE"));
        QCOMPARE(choice.userName, QStringLiteral("scott"));
        QCOMPARE(choice.password, QStringLiteral("tiger"));
        onNextModal([form](QWidget *) { form->cancelButton()->click(); });
        QVERIFY(!dialogs.chooseConnection(QStringLiteral("DEMO"), choice));
    }
    void settingsAreAppliedAndSaved() {
        QSettings s(m_settings, QSettings::IniFormat);
        s.setValue(QStringLiteral("FormLeft"), 20);
        s.setValue(QStringLiteral("FormTop"), 30);
        s.setValue(QStringLiteral("FormWidth"), 1000);
        s.setValue(QStringLiteral("FormHeight"), 700);
        s.setValue(QStringLiteral("TabWidth"), 600);
        s.setValue(QStringLiteral("GridHeight"), 250);
        s.setValue(QStringLiteral("SQLBackColor"), 0x00FFFF00); // aqua as 0x00BBGGRR
        s.setValue(QStringLiteral("SQLLineNumber"), 1);
        s.setValue(QStringLiteral("XGASVGAMode"), 1);
        s.sync();
        startWindow();
        QCOMPARE(m_w->width(), 1000);
        QCOMPARE(m_w->pos(), QPoint(20, 30));
        QCOMPARE(m_w->sqlPaneWidth(), 600);
        QCOMPARE(m_w->gridPaneHeight(), 250);
        QCOMPARE(editor("Memo_SQL")->backgroundColor(), QColor(0, 255, 255));
        QVERIFY(editor("Memo_SQL")->showLineNumbers());
        // The SVGA layout of the report designer: top 6, left 14, height 535, width 784.
        QWidget *designer = m_w->excelSettingForm();
        QCOMPARE(designer->pos(), QPoint(14, 6));
        QCOMPARE(designer->size(), QSize(784, 535));
        auto *designerGrid =
            designer->findChild<QTableWidget *>(QStringLiteral("StringGrid_ExcelSet_Col"));
        QCOMPARE(designerGrid->columnWidth(0), 148);
        QCOMPARE(designerGrid->columnWidth(2), 68);
        m_w->finishSqlDrag(100); // 100 px to the right of the boundary
        m_w->close();
        m_w.reset();
        QSettings after(m_settings, QSettings::IniFormat);
        QCOMPARE(after.value(QStringLiteral("TabWidth")).toInt(), 500);
        QCOMPARE(after.value(QStringLiteral("FormLeft")).toInt(), 20);
        QCOMPARE(after.value(QStringLiteral("FormHeight")).toInt(), 700);
        QCOMPARE(after.value(QStringLiteral("GridHeight")).toInt(), 250);
        QCOMPARE(after.value(QStringLiteral("SQLBackColor")).toInt(), 0x00FFFF00);
    }
    void splitterRules_data() {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("release");
        QTest::addColumn<bool>("overTitle");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("state");
        // SQL pane 721 px wide, grid 340 px high, form 715 px high.
        QTest::newRow("sql normal") << true << 100 << false << 621 << 0;
        QTest::newRow("sql collapsed") << true << 719 << false << 3 << 1;
        QTest::newRow("sql maximal") << true << -2000 << false << -1 << 2;
        QTest::newRow("grid normal") << false << 100 << false << 240 << 0;
        QTest::newRow("grid 52 over grid") << false << 288 << false << 53 << 1;
        QTest::newRow("grid 52 over title") << false << 288 << true << 52 << 0;
        QTest::newRow("grid 49 over title") << false << 291 << true << 50 << 1;
        QTest::newRow("grid maximal") << false << -1000 << false << 605 << 2;
    }
    void splitterRules() {
        QFETCH(bool, vertical);
        QFETCH(int, release);
        QFETCH(bool, overTitle);
        QFETCH(int, size);
        QFETCH(int, state);
        QFile::remove(m_settings);
        startWindow();
        m_w->resize(983, 715);
        QCOMPARE(m_w->sqlPaneWidth(), 721);
        QCOMPARE(m_w->gridPaneHeight(), 340);
        if (vertical) {
            m_w->finishSqlDrag(release);
            const int expected = size < 0 ? m_w->centralWidget()->width() - 6 : size;
            QCOMPARE(m_w->sqlPaneWidth(), expected);
            QCOMPARE(m_w->sqlPaneState(), state);
        } else {
            m_w->finishGridDrag(release, overTitle);
            QCOMPARE(m_w->gridPaneHeight(), size);
            QCOMPARE(m_w->gridPaneState(), state);
        }
        // A collapsed or minimal state is re-applied on a resize (3 px, 50 px).
        m_w->resize(1100, 715);
        if (state == 1)
            QCOMPARE(vertical ? m_w->sqlPaneWidth() : m_w->gridPaneHeight(), vertical ? 3 : 50);
        m_w->close();
        m_w.reset();
        QFile::remove(m_settings);
    }
    void splittersFollowTheMouse() {
        QFile::remove(m_settings);
        startWindow();
        auto *sqlPanel = m_w->findChild<QWidget *>(QStringLiteral("PanelSQL"));
        auto *title = m_w->findChild<QWidget *>(QStringLiteral("PanelGridTitle"));
        // Only the 4-pixel strip at the pane's edge starts a drag.
        QTest::mousePress(sqlPanel, Qt::LeftButton, {}, QPoint(10, 50));
        QTest::mouseRelease(sqlPanel, Qt::LeftButton, {}, QPoint(110, 50));
        QCOMPARE(m_w->sqlPaneWidth(), 721);
        QTest::mousePress(sqlPanel, Qt::LeftButton, {}, QPoint(1, 50));
        QTest::mouseRelease(sqlPanel, Qt::LeftButton, {}, QPoint(101, 50));
        QCOMPARE(m_w->sqlPaneWidth(), 620); // 721 - 101
        QCOMPARE(sqlPanel->width(), 620);
        // The grid boundary: dragged 100 px down, released over the grid.
        QTest::mousePress(title, Qt::LeftButton, {}, QPoint(200, 2));
        QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(200, 100));
        QCOMPARE(m_w->gridPaneHeight(), 240);
        QCOMPARE(m_w->findChild<QWidget *>(QStringLiteral("PanelGrid"))->height(), 240);
        m_w->close();
        m_w.reset();
        QFile::remove(m_settings);
    }
    void handOffClosesTheReportDialogsAsCancelled() {
        startWindow();
        // A palette opened over a pivot field dialog, as the designer opens them.
        PivotFieldSetting row{QStringLiteral("AMOUNT"), {}, {}, {}, {}, QStringLiteral("1")};
        bool paletteChosen = true, paletteClosed = false, pivotClosed = false;
        int colour = 15;
        onNextModal([&](QWidget *pivot) {
            QCOMPARE(pivot->objectName(), QStringLiteral("TPivotTableSettingForm"));
            onNextModal([&](QWidget *palette) {
                // A file handed off by a second start closes the secondary windows first.
                emit m_w->fileCommands()->secondaryWindowsClosing();
                paletteClosed = !palette->isVisible();
                if (!paletteClosed)
                    static_cast<QDialog *>(palette)->reject();
            });
            paletteChosen = TColorForm::chooseColor(pivot, colour);
            pivotClosed = !pivot->isVisible();
            if (!pivotClosed)
                static_cast<QDialog *>(pivot)->reject();
        });
        QVERIFY(!TPivotTableSettingForm::chooseField(m_w.get(), row));
        QVERIFY(paletteClosed);
        QVERIFY(pivotClosed);
        QVERIFY(!paletteChosen);
        QCOMPARE(colour, 15);
        QVERIFY(row.PivotCode.isEmpty());
    }
    void secondaryWindowsOpenFromTheMenus() {
        startWindow();
        // "その他" → "設定" opens the preferences dialog modally.
        QString preferences;
        onNextModal([&preferences](QWidget *modal) {
            preferences = modal->objectName();
            static_cast<QDialog *>(modal)->reject();
        });
        m_w->action(QStringLiteral("Preferences"))->trigger();
        QCOMPARE(preferences, QStringLiteral("TConditionSetForm"));
        QVERIFY(m_ui.messages.empty());
        m_w->action(QStringLiteral("LogView"))->trigger();
        QVERIFY(m_w->findChild<QWidget *>(QStringLiteral("TLogShowForm"))->isVisible());
        // "バージョン" shows the version window modally; OK closes it.
        bool shown = false;
        onNextModal([&shown](QWidget *modal) {
            shown = modal->objectName() == u"TAboutBox";
            static_cast<QDialog *>(modal)->accept();
        });
        m_w->action(QStringLiteral("Version"))->trigger();
        QVERIFY(shown);
        // "Schedule設定" fills the first-start fields with the current time and shows the window.
        QTest::mouseClick(m_w->findChild<QToolButton *>(QStringLiteral("SpeedButton7")),
                          Qt::LeftButton);
        QVERIFY(m_w->scheduleForm()->isVisible());
        const QStringList fields = m_w->scheduleForm()->startFields();
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0], QDate::currentDate().toString(QStringLiteral("yyyy")));
        QCOMPARE(fields[1].size(), 2);
        // "終了" closes the current alias's session and the window.
        openOracleTable(QStringLiteral("DEPT"));
        QTest::mouseClick(m_w->findChild<QToolButton *>(QStringLiteral("SpeedButton8")),
                          Qt::LeftButton);
        QVERIFY(!m_w->isVisible());
        QVERIFY(!m_w->dataModule().session.isConnected(QStringLiteral("ORAFIX")));
    }
    void editMenuFollowsTheActiveTab() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        typeSql(QStringLiteral("SELECT 1 FROM DUAL"));
        struct Case {
            int tab;
            bool select;
            QStringList on;
            QStringList off;
        };
        const std::vector<Case> cases = {
            {SqlPane::DefinitionTab,
             true,
             {"COPY", "SELECTALL", "Find", "FindNext"},
             {"CUT", "PASTE", "CLEAR", "Replace", "RunSql"}},
            {SqlPane::DefinitionTab, false, {"SELECTALL"}, {"COPY", "CUT"}},
            {SqlPane::SqlTab,
             true,
             {"CUT", "COPY", "PASTE", "CLEAR", "SELECTALL", "Replace", "RunSql", "Undo"},
             {}},
            {SqlPane::SqlTab, false, {"PASTE", "RunSql"}, {"CUT", "COPY"}},
            {SqlPane::AnalyzeColTab,
             false,
             {"FieldNames"},
             {"CUT", "COPY", "PASTE", "CLEAR", "SELECTALL", "RunSql"}},
        };
        for (const Case &c : cases) {
            pages()->setCurrentIndex(c.tab);
            if (c.tab != SqlPane::AnalyzeColTab) {
                TextEditor *e =
                    c.tab == SqlPane::SqlTab ? editor("Memo_SQL") : editor("Memo_Definition");
                if (c.select)
                    e->selectAll();
                else
                    e->moveCursor(QTextCursor::Start);
            }
            // Open the Edit menu: its opening handler applies the enabling rules.
            auto *menu = qobject_cast<QMenu *>(
                m_w->action(QStringLiteral("CUT"))->associatedObjects().first());
            QVERIFY(menu);
            QMetaObject::invokeMethod(menu, "aboutToShow");
            for (const QString &n : c.on)
                QVERIFY2(m_w->action(n)->isEnabled(),
                         qPrintable(QString::number(c.tab) + u' ' + n));
            for (const QString &n : c.off)
                QVERIFY2(!m_w->action(n)->isEnabled(),
                         qPrintable(QString::number(c.tab) + u' ' + n));
        }
        // The SQL tab's toolbar buttons follow the tab.
        pages()->setCurrentIndex(SqlPane::SqlTab);
        QVERIFY(m_w->findChild<QToolButton *>(QStringLiteral("SpeedButton11"))->isEnabled());
        pages()->setCurrentIndex(SqlPane::SourceTab);
        QVERIFY(!m_w->findChild<QToolButton *>(QStringLiteral("SpeedButton11"))->isEnabled());
    }
    void errorItemsNeedErrorsOfTheUnit() {
        startWindow();
        QTreeWidgetItem *alias = root(QStringLiteral("ORAFIX"));
        click(alias);
        struct Case {
            const char *folder;
            const char *object;
            bool errors;
            bool index;
        };
        const std::vector<Case> cases = {
            {"Package Body", "PAYROLL", true, false},    {"Package Body", "EMP_MGMT", false, false},
            {"Procedure", "RAISE_SALARY", false, false}, {"Table", "EMP", false, true},
            {"View", "V_DEPT_NAMES", false, false},
        };
        for (const Case &c : cases) {
            QTreeWidgetItem *folder = child(alias, QString::fromUtf8(c.folder));
            click(folder);
            click(child(folder, QString::fromUtf8(c.object)));
            auto *menu = qobject_cast<QMenu *>(
                m_w->action(QStringLiteral("ErrSource"))->associatedObjects().first());
            QMetaObject::invokeMethod(menu, "aboutToShow");
            QCOMPARE(m_w->action(QStringLiteral("ErrSource"))->isEnabled(), c.errors);
            QCOMPARE(m_w->action(QStringLiteral("ErrMessage"))->isEnabled(), c.errors);
            QCOMPARE(m_w->action(QStringLiteral("IndexList"))->isEnabled(), c.index);
        }
    }
    // The SQLite demo database: its four folders, a view shown as a table is (rows, columns,
    // the designer's source) with its stored statement as Source, and an index described.
    void sqliteTreeShowsFoldersAndViewRows() {
        startWindow();
        QTreeWidgetItem *demo = root(QStringLiteral("DEMO"));
        click(demo);
        QCOMPARE(childTexts(demo), QStringList({"Index", "Table", "Trigger", "View"}));
        QTreeWidgetItem *views = child(demo, QStringLiteral("View"));
        click(views);
        QCOMPARE(childTexts(views), QStringList({"v_sales"}));
        click(child(views, QStringLiteral("v_sales")));
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("v_sales"));
        QCOMPARE(m_w->dataModule().reportSourceMode, 1);
        QVERIFY(grid()->model()->rowCount() > 0);
        QCOMPARE(analyzeColumn(1).mid(0, 2), QStringList({"order_date", "sales_month"}));
        QCOMPARE(editor("Memo_Source")->lines().value(0), QStringLiteral("CREATE VIEW v_sales AS"));
        QVERIFY(editor("Memo_Definition")
                    ->toPlainText()
                    .contains(QStringLiteral("Type               : view")));
        QTreeWidgetItem *indexes = child(demo, QStringLiteral("Index"));
        click(indexes);
        QVERIFY(!childTexts(indexes).filter(QStringLiteral("sqlite_autoindex")).size());
        const int rows = grid()->model()->rowCount();
        click(child(indexes, QStringLiteral("ix_orders_date")));
        QCOMPARE(editor("Memo_Source")->toPlainText(),
                 QStringLiteral("CREATE INDEX ix_orders_date ON orders (order_date);"));
        QCOMPARE(m_w->dataModule().reportSourceMode, 2);
        QCOMPARE(grid()->model()->rowCount(), rows); // the grid keeps what it showed
        QVERIFY(m_ui.messages.empty());
    }

    // MariaDB: the six folders, a view listed under View only and shown with its rows, and the
    // server's own texts of the view and of a function in the Source tab.
    void mariaDbTreeShowsFoldersAndSources() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        startOnServerAliases();
        QTreeWidgetItem *tables = openServerTableFolder(QStringLiteral("MYTEST"));
        QVERIFY(tables);
        QTreeWidgetItem *alias = root(QStringLiteral("MYTEST"));
        QCOMPARE(childTexts(alias),
                 QStringList({"Event", "Function", "Procedure", "Table", "Trigger", "View"}));
        QVERIFY(childTexts(tables).contains(QStringLiteral("staff")));
        QVERIFY(!childTexts(tables).contains(QStringLiteral("staff_by_dept")));
        QTreeWidgetItem *views = child(alias, QStringLiteral("View"));
        click(views);
        QVERIFY(childTexts(views).contains(QStringLiteral("staff_by_dept")));
        click(child(views, QStringLiteral("staff_by_dept")));
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(m_w->dataModule().reportSourceMode, 1);
        QCOMPARE(grid()->model()->rowCount(), 5);
        QCOMPARE(analyzeColumn(1).mid(0, 2), QStringList({"dept_name", "staff_count"}));
        const QString viewSource = editor("Memo_Source")->toPlainText();
        QVERIFY2(viewSource.contains(QStringLiteral("VIEW `staff_by_dept` AS select")),
                 qPrintable(viewSource));
        QVERIFY(viewSource.endsWith(u';'));
        QVERIFY(editor("Memo_Definition")
                    ->toPlainText()
                    .contains(QStringLiteral("Security           : DEFINER")));
        QTreeWidgetItem *functions = child(alias, QStringLiteral("Function"));
        click(functions);
        click(child(functions, QStringLiteral("dept_total_salary")));
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(m_w->dataModule().reportSourceMode, 2);
        const QString functionSource = editor("Memo_Source")->toPlainText();
        QVERIFY2(functionSource.contains(QStringLiteral(
                     "FUNCTION `dept_total_salary`(p_dept_id INT) RETURNS decimal(14,2)")),
                 qPrintable(functionSource));
        QVERIFY(editor("Memo_Definition")
                    ->toPlainText()
                    .contains(QStringLiteral("Type               : FUNCTION")));
        QTreeWidgetItem *procedures = child(alias, QStringLiteral("Procedure"));
        click(procedures);
        // Tests running beside this one add procedures of their own to the shared database.
        const QStringList listed = childTexts(procedures);
        QVERIFY2(listed.contains(QStringLiteral("add_log")) &&
                     listed.contains(QStringLiteral("raise_salary")),
                 qPrintable(listed.join(u' ')));
    }

    // PostgreSQL: its folders, and the Source of a view and of a function. The folders and texts
    // come from the PostgreSQL browser; the view is made here and dropped again.
    void postgresTreeShowsFoldersAndSources() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        startOnServerAliases();
        QTreeWidgetItem *tables = openServerTableFolder(QStringLiteral("PGTEST"));
        QVERIFY(tables);
        const QString view =
            QStringLiteral("kelvoran_tree_view_%1").arg(QCoreApplication::applicationPid());
        QSqlDatabase db = *m_w->dataModule().session.findConnection(QStringLiteral("PGTEST"));
        QVERIFY(
            QSqlQuery(db).exec(QStringLiteral("CREATE VIEW public.%1 AS SELECT dept_id, dept_name"
                                              " FROM departments")
                                   .arg(view)));
        const auto dropView = qScopeGuard(
            [&] { QSqlQuery(db).exec(QStringLiteral("DROP VIEW IF EXISTS public.%1").arg(view)); });
        QTreeWidgetItem *alias = root(QStringLiteral("PGTEST"));
        QStringList folders{"Table",    "View",      "Materialized View", "Index", "Sequence",
                            "Function", "Procedure", "Trigger",           "Type"};
        std::sort(folders.begin(), folders.end(), [](const QString &a, const QString &b) {
            return QString::localeAwareCompare(a, b) < 0;
        });
        QCOMPARE(childTexts(alias), folders);
        const auto objectNamed = [](QTreeWidgetItem *folder, const QString &name) {
            for (int i = 0; i < folder->childCount(); ++i)
                if (folder->child(i)->text(0).contains(name))
                    return folder->child(i);
            return static_cast<QTreeWidgetItem *>(nullptr);
        };
        QTreeWidgetItem *views = child(alias, QStringLiteral("View"));
        click(views);
        QTreeWidgetItem *viewNode = objectNamed(views, view);
        QVERIFY(viewNode);
        click(viewNode);
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(m_w->dataModule().reportSourceMode, 1);
        QCOMPARE(grid()->model()->rowCount(), 5);
        const QString viewSource = editor("Memo_Source")->toPlainText();
        QVERIFY2(viewSource.contains(QStringLiteral("VIEW")) && viewSource.contains(view) &&
                     viewSource.contains(QStringLiteral("departments")),
                 qPrintable(viewSource));
        QTreeWidgetItem *functions = child(alias, QStringLiteral("Function"));
        click(functions);
        QTreeWidgetItem *function = objectNamed(functions, QStringLiteral("dept_total_salary"));
        QVERIFY(function);
        click(function);
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        const QString functionSource = editor("Memo_Source")->toPlainText();
        QVERIFY2(functionSource.contains(QStringLiteral("FUNCTION public.dept_total_salary")),
                 qPrintable(functionSource));
    }

    void screenshots() {
        // Renders the main window on the fixture for the README (written to docs/ when
        // KELVORAN_WRITE_SCREENSHOTS is set, else into the temporary folder).
        startWindow();
        m_w->resize(1100, 760);
        openOracleTable(QStringLiteral("EMP"));
        m_w->objectTree()->expandAll();
        tree()->setCurrentItem(child(child(root(QStringLiteral("ORAFIX")), QStringLiteral("Table")),
                                     QStringLiteral("EMP")));
        pages()->setCurrentIndex(SqlPane::SourceTab);
        QTest::qWait(50);
        const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                ? QStringLiteral(KELVORAN_DOCS_DIR)
                                : m_dir.path();
        QDir().mkpath(dir);
        const QImage shot = m_w->grab().toImage();
        QVERIFY(!shot.isNull());
        QVERIFY(shot.save(dir + QStringLiteral("/mainwindow-source.png")));
        typeSql(QString());
        editor("Memo_SQL")
            ->insertPlainText(QStringLiteral(
                "SELECT E.ENAME, D.DNAME 部署名\nFROM EMP E, DEPT D\nWHERE E.DEPTNO = D.DEPTNO"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QTest::qWait(50);
        QVERIFY(m_w->grab().toImage().save(dir + QStringLiteral("/mainwindow-sql.png")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"

// The object tree and its search: aliases, folders and objects, the content a click loads,
// the search box, session close, refresh and expanding, and the server aliases.
#include "tests/gui/mainwindowfixture.h"

using namespace kelvoran;
using namespace kelvoran::test;

class ObjectTreePaneTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void treeListsAliasesFoldersAndObjectsSorted() {
        startWindow();
        QCOMPARE(tree()->topLevelItemCount(), 3);
        QCOMPARE(tree()->topLevelItem(0)->text(0), QStringLiteral("DEMO"));
        QCOMPARE(tree()->currentItem(), tree()->topLevelItem(0));
        QTreeWidgetItem *alias = root(QStringLiteral("ORAFIX"));
        click(alias);
        QCOMPARE(childTexts(alias),
                 QStringList({"DB Link", "Function", "Index", "Package", "Package Body",
                              "Procedure", "Synonym", "Table", "Trigger", "Type", "View"}));
        QTreeWidgetItem *folder = child(alias, QStringLiteral("Table"));
        click(folder);
        QCOMPARE(childTexts(folder), QStringList({"DEPT", "EMP", "EMPLOYEES", "PROJECT",
                                                  "PROJECT_MEMBER", "TEMP_LOG"}));
        QCOMPARE(tree()->currentItem(), folder);
        QCOMPARE(m_w->dataModule().reportSourceMode, 2);
        // A SQLite alias gets its four folders; tables come from the engine's catalog.
        QTreeWidgetItem *demo = root(QStringLiteral("DEMO"));
        click(demo);
        QCOMPARE(childTexts(demo), QStringList({"Index", "Table", "Trigger", "View"}));
        click(child(demo, QStringLiteral("Table")));
        QVERIFY(
            childTexts(child(demo, QStringLiteral("Table"))).contains(QStringLiteral("customers")));
        QVERIFY(m_ui.messages.empty());
    }
    void tableClickShowsGridSourceAndColumns() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("EMP"));
        QCOMPARE(m_w->dataModule().reportSourceMode, 1);
        auto *model = qobject_cast<QSqlTableModel *>(grid()->model());
        QVERIFY(model);
        QCOMPARE(model->rowCount(), 14);
        const QStringList source = editor("Memo_Source")->lines();
        QVERIFY(source.contains(QStringLiteral("CREATE TABLE EMP(")));
        QVERIFY(source.contains(QStringLiteral("CONSTRAINT PK_EMP PRIMARY KEY(EMPNO),")));
        QVERIFY(editor("Memo_Definition")->toPlainText().contains(QStringLiteral("EMP")));
        QCOMPARE(analyzeColumn(1).mid(0, 2), QStringList({"EMPNO", "ENAME"}));
        QCOMPARE(analyze()->item(1, 0)->text(), QStringLiteral("   1"));
    }
    void everyFolderKindDescribesItsObjects() {
        startWindow();
        QTreeWidgetItem *alias = root(QStringLiteral("ORAFIX"));
        click(alias);
        struct Case {
            const char *folder;
            const char *object;
            const char *sourceHas; // a text of the Source tab ("" when it stays empty)
            bool grid;             // the grid shows the object's rows
            int reportSourceMode;
        };
        const std::vector<Case> cases = {
            {"View", "V_DEPT_NAMES", "CREATE OR REPLACE VIEW", true, 1},
            {"Synonym", "DEPARTMENTS", "CREATE SYNONYM", true, 1},
            {"Procedure", "RAISE_SALARY", "PROCEDURE", false, 2},
            {"Function", "GET_DEPT_NAME", "FUNCTION", false, 2},
            {"Package", "EMP_MGMT", "PACKAGE", false, 2},
            {"Package Body", "PAYROLL", "PACKAGE BODY", false, 2},
            {"Trigger", "TRG_EMPLOYEES_BIU", "", false, 2},
            {"Index", "PK_EMP", "EMPNO", false, 2},
            {"Type", "ADDRESS_T", "TYPE", false, 2},
            {"DB Link", "SALES_LINK", "", false, 2},
        };
        for (const Case &c : cases) {
            m_ui.messages.clear();
            QTreeWidgetItem *folder = child(alias, QString::fromUtf8(c.folder));
            QVERIFY(folder);
            click(folder);
            QTreeWidgetItem *object = child(folder, QString::fromUtf8(c.object));
            QVERIFY2(object, c.object);
            click(object);
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QVERIFY2(editor("Memo_Definition")->toPlainText().contains(QString::fromUtf8(c.object)),
                     c.object);
            if (*c.sourceHas)
                QVERIFY2(
                    editor("Memo_Source")->toPlainText().contains(QString::fromUtf8(c.sourceHas)),
                    c.object);
            auto *table = qobject_cast<QSqlTableModel *>(grid()->model());
            if (c.grid)
                QVERIFY2(table && table->tableName() == QString::fromUtf8(c.object), c.object);
            QCOMPARE(m_w->dataModule().reportSourceMode, c.reportSourceMode);
        }
        // A synonym whose target is not there: the grid stays empty and the error is shown.
        m_ui.messages.clear();
        click(child(child(alias, QStringLiteral("Synonym")), QStringLiteral("REMOTE_ORDERS")));
        QVERIFY(!m_ui.messages.empty());
        QVERIFY(m_ui.messages.front().text.startsWith(QStringLiteral("Category    :")));
        QVERIFY(grid()->model() == nullptr);
        QVERIFY(editor("Memo_Source")->toPlainText().contains(QStringLiteral("CREATE SYNONYM")));
    }
    void searchBoxFiltersTheCurrentFolder() {
        startWindow();
        QTreeWidgetItem *alias = root(QStringLiteral("ORAFIX"));
        click(alias);
        click(child(alias, QStringLiteral("Table")));
        auto *list = m_w->findChild<QListWidget *>(QStringLiteral("ListBoxSearchResult"));
        QLineEdit *search = lineEdit("EditSearch");
        QCOMPARE(search->toolTip(), QStringLiteral("「Esc」でDB一覧　・　「Enter」で検索結果"));
        const QColor window = search->palette().color(QPalette::Base);
        search->setFocus();
        QCOMPARE(search->palette().color(QPalette::Base), QColor(0, 255, 255));
        tree()->setFocus();
        QCOMPARE(search->palette().color(QPalette::Base), window);
        struct Case {
            QString text;
            QStringList hits;
            QStringList messages;
        };
        const std::vector<Case> cases = {
            {QStringLiteral("emp"), {"EMP", "EMPLOYEES", "TEMP_LOG"}, {}},
            {QStringLiteral("zzz"),
             {},
             {"\"zzz\"  を含むオブジェクトが見つかりませんでした。     "}},
            {QString(), {"DEPT", "EMP", "EMPLOYEES", "PROJECT", "PROJECT_MEMBER", "TEMP_LOG"}, {}},
        };
        for (const Case &c : cases) {
            m_ui.messages.clear();
            search->setText(c.text);
            QTest::keyClick(search, Qt::Key_Return);
            QStringList shown;
            for (int i = 0; i < list->count(); ++i)
                shown << list->item(i)->text();
            QCOMPARE(shown, c.hits);
            QCOMPARE(list->isVisible(), !c.hits.isEmpty());
            QCOMPARE(messageTexts(m_ui), c.messages);
        }
        // Double-clicking an entry selects and loads that object; Esc hides the list.
        search->setText(QStringLiteral("emp"));
        QTest::keyClick(search, Qt::Key_Return);
        m_w->objectTree()->searchResultChosen(QStringLiteral("EMPLOYEES"));
        QCOMPARE(tree()->currentItem()->text(0), QStringLiteral("EMPLOYEES"));
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("EMPLOYEES"));
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!list->isVisible());
    }
    void closeSessionClearsTheAlias() {
        startWindow();
        openOracleTable(QStringLiteral("DEPT"));
        QVERIFY(m_w->dataModule().session.isConnected(QStringLiteral("ORAFIX")));
        m_w->action(QStringLiteral("CloseSession"))->trigger();
        QTreeWidgetItem *alias = root(QStringLiteral("ORAFIX"));
        QCOMPARE(alias->childCount(), 0);
        QVERIFY(!m_w->dataModule().session.isConnected(QStringLiteral("ORAFIX")));
        QCOMPARE(lineEdit("EditTblViewName")->text(), QString());
        QCOMPARE(analyze()->rowCount(), 2);
        QVERIFY(grid()->model() == nullptr);
        // Clicking the alias again re-creates its folders; the folder connects again.
        click(alias);
        QCOMPARE(alias->childCount(), 11);
        click(child(alias, QStringLiteral("View")));
        QVERIFY(m_w->dataModule().session.isConnected(QStringLiteral("ORAFIX")));
        QVERIFY(m_ui.messages.empty());
    }
    void refreshAndExpandCommands() {
        startWindow();
        openOracleTable(QStringLiteral("DEPT"));
        QTreeWidgetItem *folder = child(root(QStringLiteral("ORAFIX")), QStringLiteral("Table"));
        // Refresh on an object reloads its folder and leaves the folder selected.
        m_w->action(QStringLiteral("Refresh"))->trigger();
        QCOMPARE(tree()->currentItem(), folder);
        QCOMPARE(folder->childCount(), 6);
        m_w->action(QStringLiteral("ExpandAll"))->trigger();
        QVERIFY(root(QStringLiteral("ORAFIX"))->isExpanded() && folder->isExpanded());
        tree()->setCurrentItem(child(folder, QStringLiteral("EMP")));
        m_w->action(QStringLiteral("CollapseAll"))->trigger();
        QVERIFY(!folder->isExpanded());
        QCOMPARE(tree()->currentItem(), root(QStringLiteral("ORAFIX")));
    }
    void bigFolderFillsInUnderASecond() {
        const QString big = m_dir.filePath(QStringLiteral("big.sqlite"));
        QVERIFY(QFile::copy(m_oracle, big));
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(big);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("BEGIN")));
            QVERIFY(q.prepare(QStringLiteral(
                "INSERT INTO USER_OBJECTS (OBJECT_NAME, OBJECT_TYPE) VALUES (?, 'VIEW')")));
            for (int i = 0; i < 20000; ++i) {
                q.addBindValue(QStringLiteral("V_%1").arg(i, 5, 10, QLatin1Char('0')));
                QVERIFY(q.exec());
            }
            QVERIFY(q.exec(QStringLiteral("COMMIT")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        AliasInfo alias;
        alias.name = QStringLiteral("BIG");
        alias.driver = QStringLiteral("QSQLITE");
        alias.driverName = QStringLiteral("ORACLE");
        alias.database = big;
        startWindow(AliasList({alias}));
        QTreeWidgetItem *root = tree()->topLevelItem(0);
        click(root);
        QTreeWidgetItem *views = child(root, QStringLiteral("View"));
        QElapsedTimer timer;
        timer.start();
        click(views);
        const qint64 ms = timer.elapsed();
        QVERIFY(views->childCount() >= 20000);
        qInfo("20,000 objects listed in %lld ms", ms);
        QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    }
    void rightClickUpdatesContextOnly() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        QTreeWidgetItem *folder = child(root(QStringLiteral("ORAFIX")), QStringLiteral("Table"));
        const int rows = grid()->model()->rowCount();
        m_w->objectTree()->treeRightClicked(child(folder, QStringLiteral("DEPT")));
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("EMP"));
        QCOMPARE(grid()->model()->rowCount(), rows);
        QCOMPARE(m_w->dataModule().reportSourceMode, 1);
        QTreeWidgetItem *views = child(root(QStringLiteral("ORAFIX")), QStringLiteral("View"));
        m_w->objectTree()->treeRightClicked(views);
        QCOMPARE(m_w->dataModule().reportSourceMode, 2);
        QCOMPARE(m_w->dataModule().clickedFolderNode, views);
        QCOMPARE(views->childCount(), 0); // no content loaded
        // Enter on the tree runs the click handling for the current node.
        tree()->setFocus();
        tree()->setCurrentItem(child(folder, QStringLiteral("DEPT")));
        QTest::keyClick(tree(), Qt::Key_Return);
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("DEPT"));
        QCOMPARE(grid()->model()->rowCount(), 4);
    }
    void serverAliasesShowTablesAndMySqlSource() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        startOnServerAliases();
        for (const QString &name : serverAliases()) {
            QTreeWidgetItem *folder = openServerTableFolder(name);
            QVERIFY2(folder, qPrintable(name));
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QVERIFY(folder->childCount() > 0);
            click(folder->child(0));
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QVERIFY(qobject_cast<QSqlTableModel *>(grid()->model()));
            QVERIFY(grid()->model()->columnCount() > 0);
            QVERIFY(editor("Memo_Source")->toPlainText().contains(QStringLiteral("CREATE TABLE")));
            QApplication::setActiveWindow(m_w.get()); // back from the login dialog
            QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
            typeSql(QStringLiteral("SELECT 1 AS one"));
            QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
            // A SELECT without FROM runs as typed and shows its row.
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QVERIFY(!qobject_cast<QSqlTableModel *>(grid()->model()));
            QCOMPARE(grid()->model()->rowCount(), 1);
            QCOMPARE(grid()->model()->index(0, 0).data().toString(), QStringLiteral("1"));
            QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("ＳＱＬ実行データ"));
            m_ui.messages.clear();
            m_w->objectTree()->closeSession();
            QVERIFY(!m_w->dataModule().session.isConnected(name));
        }
    }
    // A PostgreSQL view and materialized view show their rows, row count, columns and Source as
    // a table does, and become the report designer's source.
    void postgresViewsShowTheirRows() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        startOnServerAliases();
        QTreeWidgetItem *alias = root(QStringLiteral("PGTEST"));
        QVERIFY(alias);
        click(alias);
        struct Case {
            const char *folder, *name, *sourceHead;
            QStringList columns;
        };
        const std::vector<Case> cases{
            {"View",
             "public.dept_staff_count",
             "CREATE OR REPLACE VIEW public.dept_staff_count AS",
             {"dept_id", "dept_name", "staff"}},
            {"Materialized View",
             "public.dept_salary_totals",
             "CREATE MATERIALIZED VIEW public.dept_salary_totals AS",
             {"dept_id", "total"}},
        };
        bool loggedIn = false;
        for (const Case &c : cases) {
            QTreeWidgetItem *folder = child(alias, QString::fromUtf8(c.folder));
            QVERIFY2(folder, c.folder);
            if (!loggedIn)
                onNextModal([](QWidget *modal) {
                    auto *login = qobject_cast<LoginDialog *>(modal);
                    login->passwordEdit()->setText(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
                    login->okButton()->click();
                });
            loggedIn = true;
            click(folder);
            QTreeWidgetItem *object = child(folder, QString::fromUtf8(c.name));
            QVERIFY2(object, c.name);
            click(object);
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QCOMPARE(lineEdit("EditTblViewName")->text(), QString::fromUtf8(c.name));
            QCOMPARE(m_w->dataModule().reportSourceMode, 1);
            QVERIFY(qobject_cast<QSqlTableModel *>(grid()->model()));
            QCOMPARE(grid()->model()->rowCount(), 5);
            QCOMPARE(editor("Memo_Source")->lines().value(0), QString::fromUtf8(c.sourceHead));
            QVERIFY(editor("Memo_Definition")
                        ->toPlainText()
                        .contains(QStringLiteral("Object Name        : ") + c.name));
            QCOMPARE(analyzeColumn(1).mid(0, int(c.columns.size())), c.columns);
        }
        m_w->objectTree()->closeSession();
    }
};

QTEST_MAIN(ObjectTreePaneTest)
#include "objecttreepane_test.moc"

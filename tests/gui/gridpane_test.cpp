// The data grid: editing posted to the database, the row-count box, the field memo viewer,
// the navigator and the edit commands on the grid's table.
#include "tests/gui/mainwindowfixture.h"

using namespace kelvoran;
using namespace kelvoran::test;

class GridPaneTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

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

// The tab pages: SQL runs, the statement history, AnalyzeCol and the SQL editor's indentation.
#include "tests/gui/mainwindowfixture.h"

#include <QSqlRecord>

using namespace kelvoran;
using namespace kelvoran::test;

class SqlPaneTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void f4RunsTheSqlTab() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        typeSql(QStringLiteral("SELECT ENAME NAME, \"DEPTNO\" \"D\" FROM EMP ORDER BY ENAME"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("ＳＱＬ実行データ"));
        QAbstractItemModel *model = grid()->model();
        QVERIFY(model && !qobject_cast<QSqlTableModel *>(model));
        QCOMPARE(model->rowCount(), 14);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("ADAMS"));
        QCOMPARE(analyzeColumn(1), QStringList({"ENAME", "\"DEPTNO\""}));
        QCOMPARE(analyzeColumn(2), QStringList({"NAME", "D"}));
        QCOMPARE(m_w->dataModule().reportSourceMode, 3);

        // A failing query shows the error boxes and marks the name box.
        typeSql(QStringLiteral("SELECT X FROM NO_SUCH_TABLE"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QVERIFY(!m_ui.messages.empty());
        QVERIFY(m_ui.messages.front().text.startsWith(QStringLiteral("Category    :")));
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("ＳＱＬ実行エラー"));

        // F4 does nothing on the AnalyzeCol tab.
        m_ui.messages.clear();
        pages()->setCurrentIndex(SqlPane::AnalyzeColTab);
        QTest::keyClick(analyze(), Qt::Key_F4);
        QVERIFY(m_ui.messages.empty());
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("ＳＱＬ実行エラー"));
    }
    void plainStatementOnDemoReportsCompletion() {
        startWindow();
        click(root(QStringLiteral("DEMO")));
        typeSql(QStringLiteral("UPDATE regions SET region_name = region_name"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QCOMPARE(messageTexts(m_ui), QStringList({"SQLを実行しました。"}));
    }
    // Rows of statements the scanner does not take for a query are shown like a query's.
    void statementReturningRowsFillsTheGrid_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("sameRows"); // a query giving the rows to expect
        QTest::newRow("with") << QStringLiteral("WITH r AS (SELECT region_code, region_name FROM "
                                                "regions) SELECT * FROM r ORDER BY 1")
                              << QStringLiteral(
                                     "SELECT region_code, region_name FROM regions ORDER BY 1");
        QTest::newRow("without from")
            << QStringLiteral("SELECT 'x' AS label, 2 AS n") << QStringLiteral("SELECT 'x', 2");
        QTest::newRow("values") << QStringLiteral("VALUES ('a', 1), ('b', 2)")
                                << QStringLiteral("SELECT 'a', 1 UNION ALL SELECT 'b', 2");
        QTest::newRow("pragma") << QStringLiteral("PRAGMA table_info(regions)")
                                << QStringLiteral("PRAGMA table_info(regions)");
    }
    void statementReturningRowsFillsTheGrid() {
        QFETCH(QString, statement);
        QFETCH(QString, sameRows);
        QSettings settings(m_settings, QSettings::IniFormat);
        settings.setValue(QStringLiteral("DataCount_Flg"), 1);
        settings.sync();
        startWindow();
        QTreeWidgetItem *demo = root(QStringLiteral("DEMO"));
        click(demo);
        click(child(demo, QStringLiteral("Table")));
        click(child(child(demo, QStringLiteral("Table")), QStringLiteral("regions")));
        QVERIFY(qobject_cast<QSqlTableModel *>(grid()->model()));

        typeSql(statement);
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QAbstractItemModel *model = grid()->model();
        QVERIFY(model && !qobject_cast<QSqlTableModel *>(model));
        QList<QStringList> expected;
        {
            QSqlDatabase check =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            check.setDatabaseName(m_demo);
            QVERIFY(check.open());
            QSqlQuery q(check);
            QVERIFY(q.exec(sameRows));
            while (q.next()) {
                QStringList row;
                for (int c = 0; c < q.record().count(); ++c)
                    row << q.value(c).toString();
                expected << row;
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        QVERIFY(!expected.isEmpty());
        QList<QStringList> shown;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < model->columnCount(); ++c)
                row << model->index(r, c).data().toString();
            shown << row;
        }
        QCOMPARE(shown, expected);
        QCOMPARE(lineEdit("EditTblViewName")->text(), QStringLiteral("ＳＱＬ実行データ"));
        QCOMPARE(lineEdit("MemoDataCnt")->text(), QString::number(expected.size()));

        // AnalyzeCol holds the grid's fields; F6 makes them the select list.
        QStringList fields;
        for (int c = 0; c < model->columnCount(); ++c)
            fields << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(analyzeColumn(1), fields);
        m_w->dataModule().analysis.selectHead.clear();
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F6);
        QCOMPARE(analyzeColumn(1), fields);
        QCOMPARE(m_w->dataModule().analysis.selectHead, QStringLiteral("SELECT "));

        // The field memo viewer shows a cell.
        const QModelIndex cell = model->index(model->rowCount() - 1, model->columnCount() - 1);
        const QPoint at = grid()->visualRect(cell).center();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
        TDataShowForm *memo = m_w->dataShowForm();
        QVERIFY(memo->isVisible());
        QCOMPARE(memo->windowTitle(), QStringLiteral("項目名：") + fields.last());
        QCOMPARE(memo->memo()->toPlainText(), expected.last().last());
        memo->closeButton()->click();

        // A statement without rows then says so and leaves the rows in the grid.
        typeSql(QStringLiteral("UPDATE regions SET region_name = region_name"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QCOMPARE(messageTexts(m_ui), QStringList({"SQLを実行しました。"}));
        QCOMPARE(grid()->model(), model);
        QCOMPARE(qsizetype(model->rowCount()), expected.size());
        m_w->close();
        m_w.reset();
        settings.setValue(QStringLiteral("DataCount_Flg"), 0);
        settings.sync();
    }
    void historyStepsBackAndForward() {
        startWindow();
        click(root(QStringLiteral("ORAFIX")));
        typeSql(QStringLiteral("SELECT ENAME FROM EMP"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        typeSql(QStringLiteral("SELECT DNAME FROM DEPT"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        auto *back = m_w->findChild<QToolButton *>(QStringLiteral("SpeedButton9"));
        auto *forward = m_w->findChild<QToolButton *>(QStringLiteral("SpeedButton10"));
        QVERIFY(back->isEnabled());
        TextEditor *sql = editor("Memo_SQL");
        QTest::mouseClick(forward, Qt::LeftButton); // from the last slot to the fresh position
        QCOMPARE(sql->toPlainText(), QString());
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(sql->toPlainText(), QStringLiteral("SELECT DNAME FROM DEPT"));
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(sql->toPlainText(), QStringLiteral("SELECT ENAME FROM EMP"));
        QTest::mouseClick(forward, Qt::LeftButton);
        QCOMPARE(sql->toPlainText(), QStringLiteral("SELECT DNAME FROM DEPT"));
        pages()->setCurrentIndex(SqlPane::DefinitionTab);
        QVERIFY(!back->isEnabled());
    }
    void analyzeHeadingsArePadded() {
        QCOMPARE(paddedHeading(QStringLiteral("物理項目名"), 310),
                 QString(31, u' ') + QStringLiteral("物理項目名"));
        QCOMPARE(paddedHeading(QStringLiteral("別名"), 304),
                 QString(35, u' ') + QStringLiteral("別名"));
        QCOMPARE(paddedHeading(QStringLiteral(" 別名 "), 24), QStringLiteral("別名"));
        startWindow();
        QCOMPARE(analyze()->item(0, 1)->text(), QString(31, u' ') + QStringLiteral("物理項目名"));
        analyze()->setColumnWidth(1, 100);
        QCOMPARE(analyze()->item(0, 1)->text(), QString(5, u' ') + QStringLiteral("物理項目名"));
    }
    void fieldNamesReplaceTheSelectList() {
        startWindow();
        openOracleTable(QStringLiteral("DEPT"));
        typeSql(QStringLiteral("SELECT D.DNAME AS N FROM DEPT D"));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
        QCOMPARE(analyzeColumn(2), QStringList({"N"}));
        QTest::keyClick(editor("Memo_SQL"), Qt::Key_F6);
        // The result's field is named after the alias; the alias column is emptied.
        QCOMPARE(analyzeColumn(1), QStringList({"N"}));
        QCOMPARE(analyzeColumn(2), QStringList({""}));
        QCOMPARE(m_w->dataModule().analysis.selectHead, QStringLiteral("SELECT "));
    }
    void enterKeepsTheIndentation() {
        startWindow();
        typeSql(QStringLiteral("SELECT A"));
        TextEditor *sql = editor("Memo_SQL");
        QTest::keyClick(sql, Qt::Key_Return);
        QTest::keyClicks(sql, QStringLiteral("    , B"));
        QTest::keyClick(sql, Qt::Key_Return);
        QTest::keyClicks(sql, QStringLiteral("FROM T"));
        QCOMPARE(sql->lines(), QStringList({"SELECT A", "    , B", "    FROM T"}));
    }
};

QTEST_MAIN(SqlPaneTest)
#include "sqlpane_test.moc"

// The main window on the Oracle-dictionary fixture (an ORACLE alias over SQLite) and the demo
// database, driven offscreen: tree, grid, tabs, SQL runs, history, find/replace, search, session
// close, settings, dialogs, and the hand-off of a schedule file from a second start.
#include "analyzecol.h"
#include "datashowform.h"
#include "dialoginteraction.h"
#include "filecommands.h"
#include "finddialog.h"
#include "findreplace.h"
#include "logindialog.h"
#include "mainwindow.h"
#include "objecttreepane.h"
#include "placeholderform.h"
#include "savedbparamsetform.h"
#include "schedulefile.h"
#include "scheduleform.h"
#include "singleinstance.h"
#include "sqlpane.h"
#include "texteditor.h"
#include "textfile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using namespace kelvoran;

namespace {

QString fixture(const QString &name) {
    return QStringLiteral(KELVORAN_FIXTURE_DIR "/") + name;
}

// Runs `answer` on the next modal dialog that opens (polling, since exec() blocks).
void onNextModal(std::function<void(QWidget *)> answer) {
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

QStringList childTexts(QTreeWidgetItem *node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QTreeWidgetItem *child(QTreeWidgetItem *node, const QString &text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text)
            return node->child(i);
    return nullptr;
}

QStringList messageTexts(const RecordingInteraction &ui) {
    QStringList texts;
    for (const auto &m : ui.messages)
        texts << m.text;
    return texts;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_aliasFile;
    QString m_serverAliasFile; // the alias file of the test servers, when they run
    QString m_settings;
    QString m_oracle;
    QString m_demo;
    std::unique_ptr<TKelvoran> m_w;
    RecordingInteraction m_ui;

    QTreeWidget *tree() { return m_w->findChild<QTreeWidget *>(QStringLiteral("TreeViewDB")); }
    TextEditor *editor(const char *name) {
        return m_w->findChild<TextEditor *>(QString::fromLatin1(name));
    }
    QTableView *grid() { return m_w->findChild<QTableView *>(QStringLiteral("DBGrid")); }
    QTableWidget *analyze() {
        return m_w->findChild<QTableWidget *>(QStringLiteral("StringGrid_AnalyzeSQL"));
    }
    QLineEdit *lineEdit(const char *name) {
        return m_w->findChild<QLineEdit *>(QString::fromLatin1(name));
    }
    QTabWidget *pages() {
        return m_w->findChild<QTabWidget *>(QStringLiteral("PageControl_Kelvoran"));
    }
    QTreeWidgetItem *root(const QString &alias) {
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            if (tree()->topLevelItem(i)->text(0) == alias)
                return tree()->topLevelItem(i);
        return nullptr;
    }
    // Clicks a node with the mouse (its parent expanded first, as a user must).
    void click(QTreeWidgetItem *node) {
        if (node->parent())
            node->parent()->setExpanded(true);
        tree()->scrollToItem(node);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                          tree()->visualItemRect(node).center());
    }
    QStringList analyzeColumn(int column) {
        QStringList texts;
        for (int r = 1; r < analyze()->rowCount(); ++r)
            texts << (analyze()->item(r, column) ? analyze()->item(r, column)->text() : QString());
        return texts;
    }
    void startWindow(AliasList aliases = AliasList()) {
        if (aliases.aliases().empty())
            aliases = *AliasList::load(m_aliasFile);
        m_ui = RecordingInteraction();
        m_w = std::make_unique<TKelvoran>(aliases, m_settings);
        m_w->setInteraction(&m_ui);
        m_w->show();
        QApplication::setActiveWindow(m_w.get());
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    }
    void openOracleTable(const QString &table) {
        QTreeWidgetItem *alias = root(QStringLiteral("ORAFIX"));
        click(alias);
        QTreeWidgetItem *folder = child(alias, QStringLiteral("Table"));
        QVERIFY(folder);
        click(folder);
        QTreeWidgetItem *object = child(folder, table);
        QVERIFY(object);
        click(object);
    }
    void typeSql(const QString &text) {
        pages()->setCurrentIndex(SqlPane::SqlTab);
        TextEditor *sql = editor("Memo_SQL");
        sql->clear();
        sql->setFocus();
        QTest::keyClicks(sql, text);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_oracle = m_dir.filePath(QStringLiteral("oracle.sqlite"));
        m_demo = m_dir.filePath(QStringLiteral("demo.sqlite"));
        QVERIFY(QFile::copy(fixture(QStringLiteral("oracle_dictionary.sqlite")), m_oracle));
        QVERIFY(QFile::copy(fixture(QStringLiteral("demo.sqlite")), m_demo));
        m_serverAliasFile = qEnvironmentVariable("KELVORAN_ALIASES");
        m_aliasFile = m_dir.filePath(QStringLiteral("aliases.ini"));
        QFile f(m_aliasFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            QStringLiteral("[ORAFIX]\ndriver=QSQLITE\ndrivername=ORACLE (fixture)\ndatabase=%1\n\n"
                           "[DEMO]\ndriver=QSQLITE\ndatabase=%2\n\n"
                           "[LOGINFIX]\ndriver=QSQLITE\ndatabase=%2\nuser=scott\nlogin=true\n")
                .arg(m_oracle, m_demo)
                .toUtf8());
        f.close();
        m_settings = m_dir.filePath(QStringLiteral("settings.ini"));
        qputenv("KELVORAN_SETTINGS", m_settings.toUtf8());
        qputenv("KELVORAN_ALIASES", m_aliasFile.toUtf8());
        qputenv("KELVORAN_INSTANCE_NAME",
                QByteArray("kelvoran-test-") +
                    QByteArray::number(QCoreApplication::applicationPid()));
    }

    void cleanup() {
        if (m_w)
            m_w->close();
        m_w.reset();
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }

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
        // A non-ORACLE alias gets the single "Table" folder with the access layer's tables.
        QTreeWidgetItem *demo = root(QStringLiteral("DEMO"));
        click(demo);
        QCOMPARE(childTexts(demo), QStringList({"Table"}));
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

    void findAndReplace() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        // Find in the Definition tab, case ignored.
        pages()->setCurrentIndex(SqlPane::DefinitionTab);
        editor("Memo_Definition")->moveCursor(QTextCursor::Start);
        m_w->findReplace()->startFind();
        FindDialog *find = m_w->findReplace()->findDialog();
        QVERIFY(find->isVisible());
        find->findEdit()->setText(QStringLiteral("emp"));
        m_w->findReplace()->doFind();
        QCOMPARE(editor("Memo_Definition")->textCursor().selectedText(), QStringLiteral("EMP"));
        QVERIFY(!find->isVisible());
        QVERIFY(m_ui.messages.empty());
        // With match case on there is no hit: the message names the text.
        find->matchCaseBox()->setChecked(true);
        m_w->findReplace()->doFind();
        QCOMPARE(messageTexts(m_ui), QStringList({"\"emp\"  が見つかりませんでした。     "}));

        // Replace on the SQL tab: Yes, No, then All for the rest.
        m_ui.messages.clear();
        typeSql(QStringLiteral("a x a x a x a"));
        editor("Memo_SQL")->moveCursor(QTextCursor::Start);
        QList<int> answers{QMessageBox::Yes, QMessageBox::No, QMessageBox::YesToAll};
        QStringList asked;
        m_w->findReplace()->setReplaceQuestion([&](const QString &q) {
            asked << q;
            return answers.takeFirst();
        });
        m_w->findReplace()->startReplace();
        FindDialog *replace = m_w->findReplace()->replaceDialog();
        replace->findEdit()->setText(QStringLiteral("A"));
        replace->replaceEdit()->setText(QStringLiteral("b"));
        m_w->findReplace()->doReplace(false);
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QStringLiteral("b x a x b x b"));
        QCOMPARE(asked, QStringList({" 置換しますか？", " 置換しますか？", " 置換しますか？"}));
        QCOMPARE(messageTexts(m_ui), QStringList({"3 個置換しました。"}));
        // Abort stops at once; replace-all asks nothing.
        m_ui.messages.clear();
        answers = {QMessageBox::Abort};
        editor("Memo_SQL")->moveCursor(QTextCursor::Start);
        replace->findEdit()->setText(QStringLiteral("x"));
        m_w->findReplace()->doReplace(false);
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QStringLiteral("b x a x b x b"));
        m_w->findReplace()->doReplace(true);
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QStringLiteral("b b a b b b b"));
        QCOMPARE(messageTexts(m_ui), QStringList({"0 個置換しました。", "3 個置換しました。"}));
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

    void loginPromptAsksAndCancelFails() {
        startWindow();
        QTreeWidgetItem *alias = root(QStringLiteral("LOGINFIX"));
        click(alias); // no prompt: folders are added without a connection
        QCOMPARE(childTexts(alias), QStringList({"Table"}));
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
        QWidget *designer = m_w->placeholder(QStringLiteral("TExcelSettingForm"));
        QCOMPARE(designer->pos(), QPoint(14, 6));
        QCOMPARE(designer->size(), QSize(784, 535));
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

    void placeholdersSayTheyAreNotAvailable() {
        startWindow();
        m_w->action(QStringLiteral("Preferences"))->trigger();
        QCOMPARE(messageTexts(m_ui), QStringList({"「設定」の画面はまだ利用できません。"}));
        QVERIFY(m_w->placeholder(QStringLiteral("TExcelSettingForm")));
        QVERIFY(m_w->placeholder(QStringLiteral("TLogShowForm")));
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
        QCOMPARE(form->schedule().entries.size(), size_t(2));
        QCOMPARE(form->schedule().entries[1].fileName, QStringLiteral("load.kvr"));
        QVERIFY(form->isVisible());
        // The hand-off value is cleared once taken.
        QCOMPARE(HandOffStore(m_settings).take(), QString());
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

    void serverAliasesShowTablesAndMySqlSource() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        Result<AliasList> all = AliasList::load(m_serverAliasFile);
        QVERIFY(all);
        std::vector<AliasInfo> servers;
        for (const QString &name : {QStringLiteral("MYTEST"), QStringLiteral("PGTEST")})
            servers.push_back(*all->find(name));
        startWindow(AliasList(servers));
        for (const QString &name : {QStringLiteral("MYTEST"), QStringLiteral("PGTEST")}) {
            QTreeWidgetItem *alias = root(name);
            click(alias);
            QTreeWidgetItem *folder = child(alias, QStringLiteral("Table"));
            QVERIFY(folder);
            onNextModal([](QWidget *modal) {
                auto *login = qobject_cast<LoginDialog *>(modal);
                login->passwordEdit()->setText(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
                login->okButton()->click();
            });
            click(folder);
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QVERIFY(folder->childCount() > 0);
            click(folder->child(0));
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QVERIFY(qobject_cast<QSqlTableModel *>(grid()->model()));
            QVERIFY(grid()->model()->columnCount() > 0);
            if (name == u"MYTEST")
                QVERIFY(
                    editor("Memo_Source")->toPlainText().contains(QStringLiteral("CREATE TABLE")));
            else
                QCOMPARE(editor("Memo_Source")->toPlainText(), QString());
            QApplication::setActiveWindow(m_w.get()); // back from the login dialog
            QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
            typeSql(QStringLiteral("SELECT 1 AS one"));
            QTest::keyClick(editor("Memo_SQL"), Qt::Key_F4);
            // A SELECT without FROM runs as a plain statement.
            QCOMPARE(messageTexts(m_ui), QStringList({"SQLを実行しました。"}));
            m_ui.messages.clear();
            m_w->objectTree()->closeSession();
            QVERIFY(!m_w->dataModule().session.isConnected(name));
        }
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

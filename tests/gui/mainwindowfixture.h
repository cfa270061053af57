// The main window on the Oracle-dictionary fixture (an ORACLE alias over SQLite) and the demo
// database, driven offscreen: what the window tests of each pane share. Each test class runs
// setUpFixture() in its initTestCase() and tearDown() in its cleanup().
#pragma once

#include "app/datashowform.h"
#include "app/dialoginteraction.h"
#include "app/excelsettingform.h"
#include "app/filecommands.h"
#include "app/finddialog.h"
#include "app/findreplace.h"
#include "app/logindialog.h"
#include "app/mainwindow.h"
#include "app/objecttreepane.h"
#include "app/savedbparamsetform.h"
#include "app/scheduleform.h"
#include "app/singleinstance.h"
#include "app/sqlpane.h"
#include "core/textfile.h"
#include "editor/texteditor.h"
#include "schedule/schedulefile.h"
#include "ui/analyzecol.h"

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

#include <functional>
#include <memory>

namespace kelvoran::test {

// A file of the built fixtures folder.
QString fixture(const QString &name);
// Runs `answer` on the next modal dialog that opens (polling, since exec() blocks).
void onNextModal(std::function<void(QWidget *)> answer);
// The texts of a node's children, and the child of a text (null when none).
QStringList childTexts(QTreeWidgetItem *node);
QTreeWidgetItem *child(QTreeWidgetItem *node, const QString &text);
// The texts of the recorded messages.
QStringList messageTexts(const RecordingInteraction &ui);

class MainWindowFixture {
protected:
    // Copies the fixtures into a temporary folder, writes their alias file and points the
    // settings, aliases and instance name of the window at them.
    void setUpFixture();
    // Closes the window started by the test.
    void tearDown();

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
    static QStringList serverAliases() {
        return {QStringLiteral("MYTEST"), QStringLiteral("PGTEST")};
    }
    // The window on the test servers' aliases only.
    void startOnServerAliases() {
        Result<AliasList> all = AliasList::load(m_serverAliasFile);
        QVERIFY(all);
        std::vector<AliasInfo> servers;
        for (const QString &name : serverAliases())
            servers.push_back(*all->find(name));
        startWindow(AliasList(servers));
    }
    // Opens a server alias's Table folder, answering its login with the test password.
    QTreeWidgetItem *openServerTableFolder(const QString &name) {
        QTreeWidgetItem *alias = root(name);
        if (!alias)
            return nullptr;
        click(alias);
        QTreeWidgetItem *folder = child(alias, QStringLiteral("Table"));
        if (!folder)
            return nullptr;
        onNextModal([](QWidget *modal) {
            auto *login = qobject_cast<LoginDialog *>(modal);
            login->passwordEdit()->setText(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
            login->okButton()->click();
        });
        click(folder);
        return folder;
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
};

} // namespace kelvoran::test

// The Help menu's windows: the version window and the feature overview, opened from the menu as
// a user does. The overview is checked against the program itself - the main window's menus and
// keys, kelvoran-batch's command list and the README's sections - so it cannot drift from them.
#include "app/aboutbox.h"
#include "app/instructionmanualform.h"
#include "tests/gui/mainwindowfixture.h"

#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

QString cellText(QTextTable *table, int row, int column) {
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText().trimmed();
}

// The tables of a shown text, by the text of their first heading cell.
std::map<QString, QTextTable *> tablesByHeading(QTextDocument *document) {
    std::map<QString, QTextTable *> tables;
    for (QTextFrame *frame : document->rootFrame()->childFrames())
        if (auto *table = qobject_cast<QTextTable *>(frame))
            tables[cellText(table, 0, 0)] = table;
    return tables;
}

// The rows below the heading of a table: first column -> second column.
std::map<QString, QString> tableRows(QTextTable *table) {
    std::map<QString, QString> rows;
    for (int r = 1; r < table->rows(); ++r)
        rows[cellText(table, r, 0)] = cellText(table, r, 1);
    return rows;
}

struct Anchors {
    QStringList hrefs;
    QStringList names;
};

Anchors documentAnchors(QTextDocument *document) {
    Anchors anchors;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.anchorHref().isEmpty() && !anchors.hrefs.contains(format.anchorHref()))
                anchors.hrefs << format.anchorHref();
            anchors.names << format.anchorNames();
        }
    return anchors;
}

// Closes a modal window still open when a check inside it fails, so the test does not hang.
auto closeWhenLeft(QWidget *modal) {
    return qScopeGuard([modal] {
        if (modal->isVisible())
            static_cast<QDialog *>(modal)->reject();
    });
}

QString readUtf8(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class HelpWindowsTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private:
    TInstructionManualForm *manualForm() {
        return m_w->findChild<TInstructionManualForm *>(QStringLiteral("TInstructionManualForm"));
    }
    // Opens "機能概要" from the menu, runs check on the shown window, then closes it with
    // "閉じる".
    void withManual(const std::function<void(TInstructionManualForm *)> &check) {
        bool shown = false;
        onNextModal([&](QWidget *modal) {
            const auto guard = closeWhenLeft(modal);
            auto *form = qobject_cast<TInstructionManualForm *>(modal);
            QVERIFY(form);
            shown = true;
            check(form);
            QTest::mouseClick(form->closeButton(), Qt::LeftButton);
        });
        m_w->action(QStringLiteral("Manual"))->trigger();
        QVERIFY(shown);
        QVERIFY(!manualForm()->isVisible());
    }
    QString screenshotDir() {
        const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                ? QStringLiteral(KELVORAN_DOCS_DIR)
                                : m_dir.path();
        QDir().mkpath(dir);
        return dir;
    }

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void versionWindowShowsVersionsDriversAndNoInventedLicence() {
        startWindow();
        QString version, qt, drivers, libraries;
        bool licenceShown = true;
        QString licenceText;
        onNextModal([&](QWidget *modal) {
            const auto guard = closeWhenLeft(modal);
            QCOMPARE(modal->objectName(), QStringLiteral("TAboutBox"));
            auto label = [modal](const char *name) {
                auto *l = modal->findChild<QLabel *>(QString::fromLatin1(name));
                return l ? l->text() : QStringLiteral("(missing)");
            };
            version = label("Version");
            qt = label("QtVersion");
            drivers = label("SqlDrivers");
            libraries = label("ClientLibraries");
            auto *licence = modal->findChild<QPlainTextEdit *>(QStringLiteral("Memo_Licence"));
            licenceShown = licence && licence->isVisible();
            licenceText = licence ? licence->toPlainText() : QString();
            QVERIFY(
                modal->grab().toImage().save(screenshotDir() + QStringLiteral("/aboutbox.png")));
            QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("OKButton")),
                              Qt::LeftButton);
        });
        m_w->action(QStringLiteral("Version"))->trigger();
        QCOMPARE(version, QStringLiteral("バージョン " KELVORAN_VERSION));
        QCOMPARE(qt, QStringLiteral("Qt ") + QString::fromLatin1(qVersion()));
        // Every driver shown is one Qt can load, and the drivers the program's database kinds
        // need are all shown when installed.
        const QStringList shown = drivers.split(QStringLiteral(", "));
        for (const QString &driver : shown)
            QVERIFY2(QSqlDatabase::isDriverAvailable(driver), qPrintable(driver));
        for (const char *driver : {"QSQLITE", "QPSQL", "QMYSQL", "QODBC"})
            if (QSqlDatabase::isDriverAvailable(QString::fromLatin1(driver)))
                QVERIFY2(shown.contains(QString::fromLatin1(driver)), qPrintable(drivers));
        const QRegularExpression librariesShown(
            QStringLiteral("^libpq \\d+\\.\\d+(\\.\\d+)?, MariaDB Connector/C \\d+\\.\\d+\\.\\d+, "
                           "SQLite \\d+\\.\\d+\\.\\d+$"));
        QVERIFY2(librariesShown.match(libraries).hasMatch(), qPrintable(libraries));
        // A licence is shown only when the source tree has a licence file, and then its text.
        const QStringList licenceFiles =
            QDir(QStringLiteral(KELVORAN_SOURCE_DIR))
                .entryList({"LICENSE*", "LICENCE*", "COPYING*"}, QDir::Files);
        QCOMPARE(licenceShown, !licenceFiles.isEmpty());
        if (!licenceFiles.isEmpty())
            QCOMPARE(
                licenceText,
                readUtf8(QStringLiteral(KELVORAN_SOURCE_DIR "/") + licenceFiles.first()).trimmed());
    }

    void manualDescribesEveryMenuCommandWithItsKey() {
        startWindow();
        std::map<QString, QTextTable *> tables;
        withManual([&](TInstructionManualForm *form) {
            tables = tablesByHeading(form->browser()->document());
            int checkedMenus = 0;
            for (QAction *menuAction : m_w->menuBar()->actions()) {
                QMenu *menu = menuAction->menu();
                if (!menu)
                    continue;
                const QString title = menuAction->text().remove(u'&');
                QVERIFY2(tables.count(title), qPrintable(QStringLiteral("no table for ") + title));
                // Each item as the menu shows it (mnemonic without "&") with its key.
                std::map<QString, QString> items;
                for (QAction *item : menu->actions()) {
                    if (item->isSeparator())
                        continue;
                    const QStringList parts = item->text().remove(u'&').split(u'\t');
                    items[parts.first()] = parts.size() > 1 ? parts.at(1) : QString();
                }
                QCOMPARE(tableRows(tables[title]), items);
                ++checkedMenus;
            }
            QVERIFY(checkedMenus > 0);
            QVERIFY(form->grab().toImage().save(screenshotDir() +
                                                QStringLiteral("/instructionmanual.png")));
        });
    }

    void manualNamesEveryPopUpMenuItem() {
        startWindow();
        QString text;
        withManual([&](TInstructionManualForm *form) { text = form->browser()->toPlainText(); });
        for (const char *name : {"PopupMenuKelvoran", "PopupMenu_Tab"}) {
            auto *menu = m_w->findChild<QMenu *>(QString::fromLatin1(name));
            QVERIFY2(menu, name);
            for (QAction *item : menu->actions()) {
                if (item->isSeparator())
                    continue;
                const QString caption = item->text().remove(u'&').section(u'\t', 0, 0);
                QVERIFY2(text.contains(u'「' + caption + u'」'),
                         qPrintable(QString::fromLatin1(name) + u' ' + caption));
            }
        }
    }

    void manualSaysWhichCommandsAreNotAvailableYet() {
        // An item the overview calls not available yet must really say so when chosen, so the
        // sentence goes stale visibly when its window is built.
        startWindow();
        std::map<QString, QString> captionsOfActions;
        for (QAction *menuAction : m_w->menuBar()->actions())
            if (QMenu *menu = menuAction->menu())
                for (QAction *item : menu->actions())
                    if (!item->isSeparator())
                        captionsOfActions[item->text().remove(u'&').section(u'\t', 0, 0)] =
                            item->objectName();
        QStringList notYet;
        int commandRows = 0;
        withManual([&](TInstructionManualForm *form) {
            for (const auto &[heading, table] : tablesByHeading(form->browser()->document()))
                if (table->columns() == 3)
                    for (int r = 1; r < table->rows(); ++r) {
                        ++commandRows;
                        if (cellText(table, r, 2).contains(QStringLiteral("まだ利用できません")))
                            notYet << cellText(table, r, 0);
                    }
        });
        // The command tables were read (the list of commands not available may be empty).
        QVERIFY(commandRows > 0);
        for (const QString &caption : notYet) {
            QVERIFY2(captionsOfActions.count(caption), qPrintable(caption));
            m_ui.messages.clear();
            QAction *action = m_w->action(captionsOfActions[caption]);
            action->setEnabled(true);
            action->trigger();
            const QStringList messages = messageTexts(m_ui);
            QVERIFY2(messages.size() == 1 &&
                         messages.first().contains(QStringLiteral("まだ利用できません")),
                     qPrintable(caption + u' ' + messages.join(u'|')));
        }
    }

    void manualListsEveryBatchCommand() {
        QProcess batch;
        batch.start(QStringLiteral(KELVORAN_BATCH_BINARY), {QStringLiteral("--help")});
        QVERIFY(batch.waitForFinished(20000));
        QCOMPARE(batch.exitCode(), 0);
        QStringList commands;
        bool inList = false;
        for (const QString &line : QString::fromUtf8(batch.readAllStandardOutput()).split(u'\n')) {
            if (line == u"commands:") {
                inList = true;
                continue;
            }
            if (inList && line.trimmed().isEmpty())
                break;
            if (inList)
                commands << line.trimmed().section(u' ', 0, 0);
        }
        QVERIFY(commands.size() > 1);
        startWindow();
        withManual([&](TInstructionManualForm *form) {
            auto tables = tablesByHeading(form->browser()->document());
            QVERIFY(tables.count(QStringLiteral("コマンド")));
            QStringList listed;
            for (const auto &[name, text] : tableRows(tables[QStringLiteral("コマンド")])) {
                listed << name;
                QVERIFY2(!text.isEmpty(), qPrintable(name));
            }
            listed.sort();
            commands.sort();
            QCOMPARE(listed, commands);
        });
    }

    void manualNamesThisUsersFiles() {
        startWindow();
        // The log folder is read when the window opens (the preferences may have changed it).
        const QString logs = m_dir.filePath(QStringLiteral("ログ フォルダ&1"));
        m_w->dataModule().settings.logFileDir = logs;
        withManual([&](TInstructionManualForm *form) {
            const QString text = form->browser()->toPlainText();
            const QString readme =
                QFileInfo(QStringLiteral(KELVORAN_SOURCE_DIR "/README.md")).canonicalFilePath();
            for (const QString &place : {m_settings, m_aliasFile, logs, readme})
                QVERIFY2(text.contains(QDir::toNativeSeparators(place)), qPrintable(place));
            QVERIFY(!text.contains(QStringLiteral("{{")));
        });
    }

    void linksLeadToRealSections() {
        startWindow();
        withManual([&](TInstructionManualForm *form) {
            const Anchors anchors = documentAnchors(form->browser()->document());
            const QString readme = readUtf8(QStringLiteral(KELVORAN_SOURCE_DIR "/README.md"));
            QCOMPARE(
                form->readmePath(),
                QFileInfo(QStringLiteral(KELVORAN_SOURCE_DIR "/README.md")).canonicalFilePath());
            std::vector<QUrl> opened;
            form->setUrlOpener([&opened](const QUrl &url) {
                opened.push_back(url);
                return true;
            });
            int readmeLinks = 0;
            for (const QString &href : anchors.hrefs) {
                if (href.startsWith(u'#')) {
                    // In-page links name an anchor of the text.
                    QVERIFY2(anchors.names.contains(href.mid(1)), qPrintable(href));
                    continue;
                }
                QVERIFY2(href.startsWith(QStringLiteral("README.md#")), qPrintable(href));
                ++readmeLinks;
                opened.clear();
                form->followLink(QUrl(href));
                // The README is opened at the anchor, and the section named is a heading of it.
                QCOMPARE(opened.size(), size_t(1));
                QCOMPARE(opened.front().toLocalFile(), form->readmePath());
                QCOMPARE(opened.front().fragment(), href.section(u'#', 1));
                const QString label = form->linkLabel()->text();
                const QRegularExpression section(QStringLiteral("「(.+)」"));
                const QRegularExpressionMatch match = section.match(label);
                QVERIFY2(match.hasMatch(), qPrintable(label));
                QVERIFY2(readme.contains(QStringLiteral("\n## ") + match.captured(1) + u'\n'),
                         qPrintable(match.captured(1)));
            }
            QVERIFY(readmeLinks > 0);
            // A section the README does not have opens nothing and says so.
            opened.clear();
            form->followLink(QUrl(QStringLiteral("README.md#no-such-section")));
            QVERIFY(opened.empty());
            QCOMPARE(form->linkLabel()->text(),
                     QStringLiteral("README.md に「no-such-section」の節がありません。"));
            // A viewer that cannot be started is reported with the file.
            form->setUrlOpener([](const QUrl &) { return false; });
            form->followLink(QUrl(QStringLiteral("README.md#csv-files")));
            QCOMPARE(form->linkLabel()->text(),
                     QDir::toNativeSeparators(form->readmePath()) +
                         QStringLiteral(" を開けませんでした。「CSV files」"));
        });
    }

    void handedOffFileClosesTheOpenOverview() {
        startWindow();
        bool closed = false;
        onNextModal([&](QWidget *modal) {
            const auto guard = closeWhenLeft(modal);
            QCOMPARE(modal->objectName(), QStringLiteral("TInstructionManualForm"));
            // A second start hands a file over while the overview is open.
            QVERIFY(HandOffStore(m_settings).write(m_dir.filePath(QStringLiteral("notes.txt"))));
            m_w->fileCommands()->activation();
            closed = !modal->isVisible();
        });
        m_w->action(QStringLiteral("Manual"))->trigger();
        QVERIFY(closed);
        QCOMPARE(manualForm()->result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(HelpWindowsTest)
#include "helpwindows_test.moc"

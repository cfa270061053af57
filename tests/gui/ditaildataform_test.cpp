// The index list window driven as a user drives it: "Index一覧表示" on a table of the Oracle
// fixture and (when started) of the MariaDB server, clicking indexes, both Excel outputs read
// back with openpyxl, a failing catalog statement, and the screenshot.
#include "tests/gui/mainwindowfixture.h"

#include "app/ditaildataform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// Sheet names, the active sheet and every cell ("<type>" for a value that is not a string).
const char *kReadBack = R"PY(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
cells = {}
for ws in wb.worksheets:
    cells[ws.title] = {c.coordinate: (c.value if c.data_type == "s" else "<" + c.data_type + ">")
                       for row in ws.iter_rows() for c in row if c.value is not None}
print(json.dumps({"sheets": wb.sheetnames, "active": wb.index(wb.active), "cells": cells},
                 ensure_ascii=False))
)PY";

QString pad(const QString &name) {
    return name.leftJustified(39);
}

} // namespace

class DitailDataFormTest : public QObject, public MainWindowFixture {
    Q_OBJECT
private:
    TDitailDataForm *form() { return m_w->ditailDataForm(); }
    QStringList listed() {
        QStringList names;
        for (int i = 0; i < form()->indexList()->count(); ++i)
            names << form()->indexList()->item(i)->text();
        return names;
    }
    QStringList memoLines() { return form()->memo()->toPlainText().split(u'\n'); }
    // "Index一覧表示" from the View menu, after its enabling rule ran.
    void triggerIndexList() {
        QAction *item = m_w->action(QStringLiteral("IndexList"));
        auto *menu = qobject_cast<QMenu *>(item->associatedObjects().first());
        QMetaObject::invokeMethod(menu, "aboutToShow");
        QVERIFY(item->isEnabled());
        item->trigger();
    }
    void showIndexListFromMenu() {
        triggerIndexList();
        QVERIFY(form()->isVisible());
        // Activation empties the memo: wait until it has happened before clicking.
        QTRY_COMPARE(QApplication::activeWindow(), form());
    }
    void clickIndex(const QString &name) {
        const QList<QListWidgetItem *> found =
            form()->indexList()->findItems(name, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(name));
        QListWidget *list = form()->indexList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(found.first()).center());
    }
    QJsonObject readBack(const QString &path) {
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(kReadBack), path});
        if (!py.waitForFinished(60000) || py.exitCode() != 0) {
            qWarning() << py.readAllStandardError();
            return {};
        }
        return QJsonDocument::fromJson(py.readAllStandardOutput()).object();
    }
    static QStringList strings(const QJsonValue &array) {
        QStringList out;
        for (const QJsonValue &v : array.toArray())
            out << v.toString();
        return out;
    }
    static QString cell(const QJsonObject &book, const QString &sheet, const char *a1) {
        return book[QStringLiteral("cells")][sheet][QString::fromLatin1(a1)].toString();
    }

    QStringList m_opened;

private slots:
    void initTestCase() { setUpFixture(); }
    void init() { m_opened.clear(); }
    void cleanup() { tearDown(); }

    void oracleEmpListDetailsAndBothWorkbooks() {
        startWindow();
        form()->setWorkbookOpener([this](const QString &path) { m_opened << path; });
        openOracleTable(QStringLiteral("EMP"));
        showIndexListFromMenu();
        QCOMPARE(form()->windowTitle(), QStringLiteral("DitailDataForm"));
        QCOMPARE(form()->size(), QSize(780, 480));
        QCOMPARE(form()->tableBox()->text(), QStringLiteral("EMP"));
        QCOMPARE(listed(), QStringList({"PK_EMP"}));
        QCOMPARE(form()->indexBox()->text(), QString());
        QVERIFY(form()->listExcelButton()->isEnabled());
        QVERIFY(!form()->excelButton()->isEnabled());

        clickIndex(QStringLiteral("PK_EMP"));
        QCOMPARE(form()->indexBox()->text(), QStringLiteral("PK_EMP"));
        const QStringList memo = memoLines();
        QCOMPARE(memo.value(0), QStringLiteral("Object Name        : PK_EMP"));
        QVERIFY(memo.contains(QStringLiteral("Table Name         : EMP")));
        QVERIFY(memo.contains(QStringLiteral("Uniqueness         : UNIQUE")));
        QCOMPARE(memo.last(), pad(QStringLiteral("EMPNO")) + QStringLiteral("NUMBER(4)"));
        QVERIFY(form()->excelButton()->isEnabled());

        // "Excel出力": a name without extension gets ".xls"; the workbook is written as .xlsx.
        const QString folder = m_dir.path() + u'/';
        m_w->dataModule().settings.excelDataDir = folder;
        m_ui.files = {folder + QStringLiteral("emp_pk")};
        form()->excelButton()->click();
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(m_ui.fileFilters.last(), QStringLiteral("Excel files (*.xls)|*.xls"));
        QCOMPARE(m_w->dataModule().settings.excelDataDir, folder + QStringLiteral("emp_pk.xls"));
        QCOMPARE(m_opened, QStringList({folder + QStringLiteral("emp_pk.xlsx")}));
        const QJsonObject one = readBack(m_opened.last());
        QCOMPARE(strings(one[QStringLiteral("sheets")]), QStringList({"PK_EMP"}));
        const QString s = QStringLiteral("PK_EMP");
        const std::vector<std::pair<const char *, QString>> cells{
            {"A1", QStringLiteral("Table Name:「EMP」")},
            {"B2", QStringLiteral("Index Name:「PK_EMP」")},
            {"C3", QStringLiteral("Valid")},
            {"D3", QStringLiteral("VALID")},
            {"D4", QStringLiteral("2024-04-01 09:00:05")},
            {"D7", QStringLiteral("KELVORAN")},
            {"C10", QStringLiteral("Uniqueness")},
            {"D10", QStringLiteral("UNIQUE")},
            {"D11", QStringLiteral("USERS")},
            {"B12", QStringLiteral("Index Column")},
            {"C13", QStringLiteral("EMPNO")},
            {"D13", QStringLiteral("NUMBER(4)")}};
        for (const auto &[a1, text] : cells)
            QVERIFY2(cell(one, s, a1) == text, a1);
        QCOMPARE(one[QStringLiteral("cells")][s].toObject().size(), 2 + 9 * 2 + 1 + 2);

        // "一覧Excel出力" proposes the table's name; the chosen index stays chosen.
        m_ui.files = {folder + QStringLiteral("emp_all.XLS")};
        form()->listExcelButton()->click();
        QCOMPARE(m_opened.last(), folder + QStringLiteral("emp_all.XLSx"));
        QCOMPARE(strings(readBack(m_opened.last())[QStringLiteral("sheets")]),
                 QStringList({"PK_EMP"}));
        QCOMPARE(form()->indexBox()->text(), QStringLiteral("PK_EMP"));
        QCOMPARE(form()->indexList()->currentRow(), 0);

        // A cancelled dialog writes and opens nothing.
        m_ui.files.clear();
        form()->excelButton()->click();
        form()->listExcelButton()->click();
        QCOMPARE(m_opened.size(), 2);

        // "閉じる" empties the memo and hides the window.
        form()->closeButton()->click();
        QVERIFY(!form()->isVisible());
        QCOMPARE(form()->memo()->toPlainText(), QString());
    }

    void everyIndexGetsItsSheetInListOrder() {
        startWindow();
        form()->setWorkbookOpener([this](const QString &path) { m_opened << path; });
        openOracleTable(QStringLiteral("EMPLOYEES"));
        showIndexListFromMenu();
        const QStringList names = listed();
        QCOMPARE(names.size(), 3);
        struct Case {
            const char *name;
            int chosenRow; // -1: nothing chosen before the output
        };
        for (const Case &c : {Case{"nothing chosen", -1}, Case{"middle chosen", 1}}) {
            if (c.chosenRow >= 0)
                clickIndex(names[c.chosenRow]);
            const QString file = m_dir.filePath(QString::fromLatin1(c.name).replace(u' ', u'_'));
            m_ui.files = {file};
            form()->listExcelButton()->click();
            QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
            QCOMPARE(m_opened.last(), file + QStringLiteral(".xlsx"));
            const QJsonObject book = readBack(m_opened.last());
            QCOMPARE(strings(book[QStringLiteral("sheets")]), names);
            QCOMPARE(book[QStringLiteral("active")].toInt(), 0);
            for (const QString &index : names) {
                QCOMPARE(cell(book, index, "B2"), QStringLiteral("Index Name:「") + index + u'」');
                QCOMPARE(cell(book, index, "D8"), QStringLiteral("EMPLOYEES"));
            }
            QCOMPARE(form()->indexList()->currentRow(), c.chosenRow);
            QCOMPARE(form()->indexBox()->text(), c.chosenRow < 0 ? QString() : names[c.chosenRow]);
        }
        // The arrow keys choose the next index too.
        form()->indexList()->setFocus();
        QTest::keyClick(form()->indexList(), Qt::Key_Down);
        QCOMPARE(form()->indexBox()->text(), names[2]);
        QCOMPARE(memoLines().value(0), QStringLiteral("Object Name        : ") + names[2]);
    }

    void tableWithoutIndexesAndOtherNodesOrKinds() {
        startWindow();
        openOracleTable(QStringLiteral("TEMP_LOG"));
        showIndexListFromMenu();
        QCOMPARE(form()->tableBox()->text(), QStringLiteral("TEMP_LOG"));
        QCOMPARE(listed(), QStringList());
        QVERIFY(!form()->excelButton()->isEnabled());
        QVERIFY(!form()->listExcelButton()->isEnabled());
        form()->close();

        // A view and a folder are no tables: nothing happens.
        QTreeWidgetItem *views = child(root(QStringLiteral("ORAFIX")), QStringLiteral("View"));
        click(views);
        QVERIFY(views->childCount() > 0);
        QTreeWidgetItem *demo = root(QStringLiteral("DEMO"));
        click(demo);
        QTreeWidgetItem *tables = child(demo, QStringLiteral("Table"));
        click(tables);
        QVERIFY(tables->childCount() > 0);
        for (QTreeWidgetItem *node : {views->child(0), tables}) {
            form()->showIndexList(node);
            QVERIFY2(!form()->isVisible(), qPrintable(node->text(0)));
        }
        QVERIFY(m_ui.messages.empty());

        // A table of the SQLite demo database lists its indexes from the engine's catalog.
        click(child(tables, QStringLiteral("orders")));
        showIndexListFromMenu();
        QCOMPARE(listed(), QStringList({"ix_orders_branch", "ix_orders_date"}));
        clickIndex(QStringLiteral("ix_orders_date"));
        QCOMPARE(memoLines().mid(6), QStringList({pad(QStringLiteral("order_date")) + "DATE"}));
        QVERIFY(memoLines().contains(QStringLiteral("Uniqueness         : NONUNIQUE")));
        QVERIFY(m_ui.messages.empty());
    }

    void failingCatalogStatementKeepsWhatTheWindowShows() {
        startWindow();
        openOracleTable(QStringLiteral("EMPLOYEES"));
        showIndexListFromMenu();
        const QStringList names = listed();
        clickIndex(names[0]);
        const QString memo = form()->memo()->toPlainText();
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(m_oracle);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("DROP TABLE USER_IND_COLUMNS")));
            db.close();
        }
        clickIndex(names[1]);
        QVERIFY(!m_ui.messages.empty());
        QVERIFY(messageTexts(m_ui).first().startsWith(QStringLiteral("Category    :")));
        QCOMPARE(form()->indexBox()->text(), names[0]);
        QCOMPARE(form()->memo()->toPlainText(), memo);
        openOracleTable(QStringLiteral("EMP"));
        m_ui.messages.clear();
        triggerIndexList();
        QVERIFY(!m_ui.messages.empty());
        QCOMPARE(form()->tableBox()->text(), QStringLiteral("EMPLOYEES"));
        QCOMPARE(listed(), names);
        // The other tests need the whole dictionary again.
        tearDown();
        QVERIFY(QFile::remove(m_oracle));
        QVERIFY(QFile::copy(fixture(QStringLiteral("oracle_dictionary.sqlite")), m_oracle));
    }

    void handOffClosesTheWindow() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        showIndexListFromMenu();
        emit m_w->fileCommands()->secondaryWindowsClosing();
        QVERIFY(!form()->isVisible());
    }

    void mariaDbTableListAndWorkbook() {
        if (qEnvironmentVariable("KELVORAN_TEST_SERVERS") != u"1")
            QSKIP("test servers not started");
        startOnServerAliases();
        form()->setWorkbookOpener([this](const QString &path) { m_opened << path; });
        QTreeWidgetItem *folder = openServerTableFolder(QStringLiteral("MYTEST"));
        QVERIFY(folder);
        QTreeWidgetItem *staff = child(folder, QStringLiteral("staff"));
        QVERIFY(staff);
        click(staff);
        QApplication::setActiveWindow(m_w.get()); // back from the login dialog
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        showIndexListFromMenu();
        QCOMPARE(listed(), QStringList({"PRIMARY", "ux_staff_dept_code", "ix_staff_hire_date"}));
        clickIndex(QStringLiteral("ux_staff_dept_code"));
        QCOMPARE(memoLines().mid(6), QStringList({pad(QStringLiteral("dept_id")) + "int(11)",
                                                  pad(QStringLiteral("staff_code")) + "char(6)"}));
        m_ui.files = {m_dir.filePath(QStringLiteral("staff.xls"))};
        form()->listExcelButton()->click();
        QVERIFY2(m_ui.messages.empty(), qPrintable(messageTexts(m_ui).join(u'\n')));
        const QJsonObject book = readBack(m_opened.last());
        QCOMPARE(strings(book[QStringLiteral("sheets")]), listed());
        const QString s = QStringLiteral("ux_staff_dept_code");
        const std::vector<std::pair<const char *, QString>> cells{
            {"A1", QStringLiteral("Table Name:「staff」")},
            {"B2", QStringLiteral("Index Name:「ux_staff_dept_code」")},
            {"C3", QStringLiteral("Table Name")},
            {"D3", QStringLiteral("staff")},
            {"C4", QStringLiteral("Uniqueness")},
            {"D4", QStringLiteral("Uniqueness         : UNIQUE")},
            {"B5", QStringLiteral("Index Column")},
            {"C6", QStringLiteral("dept_id")},
            {"D6", QStringLiteral("int(11)")},
            {"C7", QStringLiteral("staff_code")},
            {"D7", QStringLiteral("char(6)")}};
        for (const auto &[a1, text] : cells)
            QVERIFY2(cell(book, s, a1) == text, a1);
        QCOMPARE(cell(book, QStringLiteral("ix_staff_hire_date"), "D4"),
                 QStringLiteral("Uniqueness         : NONUNIQUE"));
    }

    void screenshot() {
        // Written to docs/ when KELVORAN_WRITE_SCREENSHOTS is set, else into the temporary folder.
        startWindow();
        openOracleTable(QStringLiteral("EMPLOYEES"));
        showIndexListFromMenu();
        clickIndex(QStringLiteral("IX_EMPLOYEES_DEPT"));
        QTest::qWait(50);
        QVERIFY(!form()->memo()->toPlainText().isEmpty());
        const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                ? QStringLiteral(KELVORAN_DOCS_DIR)
                                : m_dir.path();
        QDir().mkpath(dir);
        const QImage shot = form()->grab().toImage();
        QVERIFY(!shot.isNull());
        QVERIFY(shot.save(dir + QStringLiteral("/ditaildataform.png")));
    }
};

QTEST_MAIN(DitailDataFormTest)
#include "ditaildataform_test.moc"

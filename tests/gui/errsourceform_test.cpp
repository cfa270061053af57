// The PL/SQL error windows on the Oracle-dictionary fixture's invalid package body: the error
// message window, the error source viewer with its grid, F3/F4 stepping, the caret and the
// ruler, the layout modes, a failing catalog statement, and the screenshots.
#include "app/errsourceform.h"
#include "app/showdataform.h"
#include "tests/gui/mainwindowfixture.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTextBlock>

using namespace kelvoran;
using namespace kelvoran::test;

class ErrSourceFormTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

    TErrSourceForm *viewer() {
        return m_w->findChild<TErrSourceForm *>(QStringLiteral("TErrSourceForm"));
    }
    TShowDataForm *messages() {
        return m_w->findChild<TShowDataForm *>(QStringLiteral("TShowDataForm"));
    }
    QLineEdit *viewerEdit(const char *name) {
        return viewer()->findChild<QLineEdit *>(QString::fromLatin1(name));
    }
    QTableWidget *errorGrid() {
        return viewer()->findChild<QTableWidget *>(QStringLiteral("StringGrid_ErrPosition"));
    }
    TextEditor *sourceEditor() {
        return viewer()->findChild<TextEditor *>(QStringLiteral("Memo_ErrSourceData"));
    }
    // Clicks the unit in the tree and runs a View-menu command on it as the menu offers it.
    void runOn(const char *folderText, const char *unit, const char *command) {
        QTreeWidgetItem *alias = root(QStringLiteral("ORAFIX"));
        click(alias);
        QTreeWidgetItem *folder = child(alias, QString::fromUtf8(folderText));
        QVERIFY(folder);
        click(folder);
        QTreeWidgetItem *object = child(folder, QString::fromUtf8(unit));
        QVERIFY(object);
        click(object);
        QAction *a = m_w->action(QString::fromLatin1(command));
        QMetaObject::invokeMethod(qobject_cast<QMenu *>(a->associatedObjects().first()),
                                  "aboutToShow");
        QVERIFY2(a->isEnabled(), command);
        a->trigger();
    }
    void activateViewer() {
        QVERIFY(viewer()->isVisible());
        QApplication::setActiveWindow(viewer());
        QVERIFY(QTest::qWaitForWindowActive(viewer()));
    }
    int selectedRow() {
        const QModelIndexList rows = errorGrid()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() + 1 : 0;
    }
    // The first grid row shown whole (1-based).
    int gridTopRow() {
        QTableWidget *grid = errorGrid();
        int row = grid->rowAt(0);
        if (grid->visualRect(grid->model()->index(row, 0)).top() < 0)
            ++row;
        return row + 1;
    }
    // The source text from the caret on.
    QString textAtCaret() {
        const QTextCursor c = sourceEditor()->textCursor();
        return c.block().text().mid(c.positionInBlock());
    }
    // x of a text column (1-based) of the first source line, in the editor's coordinates.
    int columnX(int column) {
        TextEditor *e = sourceEditor();
        QTextCursor c(e->document()->firstBlock());
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column - 1);
        return e->cursorRect(c).left() + e->viewport()->x();
    }
    // Adds error rows to a unit of the fixture copy (line i, position i).
    void addErrors(const QString &name, const QString &type, int count) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
        db.setDatabaseName(m_oracle);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (int i = 1; i <= count; ++i)
            QVERIFY(q.exec(QStringLiteral("INSERT INTO USER_ERRORS (NAME, TYPE, SEQUENCE, LINE, "
                                          "POSITION, TEXT) VALUES ('%1', '%2', %3, %3, %3, "
                                          "'PLS-%3: error %3')")
                               .arg(name, type)
                               .arg(i)));
        db.close();
    }

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void errorSourceShowsTheUnitAndStepsWithF3AndF4() {
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        activateViewer();
        QCOMPARE(viewer()->windowTitle(), QStringLiteral("ErrSourceForm"));
        QCOMPARE(viewerEdit("Edit_Object_Name")->text(), QStringLiteral("PAYROLL"));
        QCOMPARE(viewerEdit("Edit_Err_Point")->text(), QStringLiteral("3"));

        // The grid: number, line, position and the text with its line feed removed.
        QTableWidget *grid = errorGrid();
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->columnCount(), 4);
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("行"));
        QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("ポジション"));
        QCOMPARE(grid->horizontalHeaderItem(3)->text(),
                 QString(48, u' ') + QStringLiteral("エラー内容"));
        const QStringList third = {grid->item(2, 0)->text(), grid->item(2, 1)->text(),
                                   grid->item(2, 2)->text(), grid->item(2, 3)->text()};
        QCOMPARE(third,
                 QStringList({"3", "12", "3",
                              "PLS-00103: Encountered the symbol \"BEGIN\" when expecting one of "
                              "the following:   := . ( @ % ; not null range default character"}));
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("7"));

        // The source: 16 stored lines and the appended empty line, read-only, numbered.
        TextEditor *e = sourceEditor();
        QCOMPARE(e->lines().size(), 17);
        QCOMPARE(e->lines().first(), QStringLiteral("PACKAGE BODY PAYROLL AS"));
        QCOMPARE(e->lines().at(15), QStringLiteral("END PAYROLL;"));
        QVERIFY(e->lines().last().isEmpty());
        QVERIFY(e->isReadOnly());
        QVERIFY(e->showLineNumbers());
        QVERIFY(e->wordWrap());
        QCOMPARE(e->tabWidth(), 4);
        QCOMPARE(e->font().pixelSize(), 19);

        // F4 before any row was chosen changes nothing.
        QTest::keyClick(viewer(), Qt::Key_F4);
        QCOMPARE(viewer()->currentError(), 0);
        QCOMPARE(selectedRow(), 0);
        QCOMPARE(e->caretLine(), 1);
        QCOMPARE(e->caretColumn(), 1);

        // Every error in turn, wrapping both ways; the caret lands on the word in error.
        struct Step {
            Qt::Key key;
            int row;
            int line;
            int column;
            const char *text;
        };
        const std::vector<Step> steps = {
            {Qt::Key_F3, 1, 7, 5, "LOG_BONUS"}, {Qt::Key_F3, 2, 7, 5, "LOG_BONUS"},
            {Qt::Key_F3, 3, 12, 3, "BEGIN"},    {Qt::Key_F3, 1, 7, 5, "LOG_BONUS"},
            {Qt::Key_F4, 3, 12, 3, "BEGIN"},    {Qt::Key_F4, 2, 7, 5, "LOG_BONUS"},
            {Qt::Key_F4, 1, 7, 5, "LOG_BONUS"},
        };
        for (size_t i = 0; i < steps.size(); ++i) {
            const Step &s = steps[i];
            QTest::keyClick(viewer(), s.key);
            const QByteArray where = "step " + QByteArray::number(int(i) + 1);
            QVERIFY2(viewer()->currentError() == s.row, where.constData());
            QVERIFY2(selectedRow() == s.row, where.constData());
            QVERIFY2(e->caretLine() == s.line, where.constData());
            QVERIFY2(e->caretColumn() == s.column, where.constData());
            QVERIFY2(textAtCaret().startsWith(QString::fromLatin1(s.text)), where.constData());
            QVERIFY2(gridTopRow() == 1, where.constData());
        }
    }
    void gridClickPutsTheCaretOnTheError() {
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        activateViewer();
        QTableWidget *grid = errorGrid();
        for (const int row : {3, 1}) {
            grid->setFocus();
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(row - 1, 3)).center());
            QCOMPARE(viewer()->currentError(), row);
            QCOMPARE(sourceEditor()->caretLine(), row == 3 ? 12 : 7);
            QCOMPARE(QApplication::focusWidget(), sourceEditor());
        }
        // F3 goes on from the clicked row.
        QTest::keyClick(viewer(), Qt::Key_F3);
        QCOMPARE(viewer()->currentError(), 2);
    }
    void manyErrorsScrollTheGrid() {
        // 20 errors of RAISE_SALARY: more than the 7 rows the grid shows.
        addErrors(QStringLiteral("RAISE_SALARY"), QStringLiteral("PROCEDURE"), 20);
        startWindow();
        runOn("Procedure", "RAISE_SALARY", "ErrSource");
        activateViewer();
        QCOMPARE(viewerEdit("Edit_Err_Point")->text(), QStringLiteral("20"));
        QTableWidget *grid = errorGrid();
        QCOMPARE(grid->rowCount(), 20);
        // F4 on row 1 with the grid at its top wraps to the last error, the last rows in view.
        QTest::keyClick(viewer(), Qt::Key_F3);
        QCOMPARE(viewer()->currentError(), 1);
        QTest::keyClick(viewer(), Qt::Key_F4);
        QCOMPARE(viewer()->currentError(), 20);
        QCOMPARE(gridTopRow(), 21 - ErrorStepper::FitRows);
        QCOMPARE(selectedRow(), 20);
        // With row 10 at the top, F3 moves to row 11 and makes it the top row ...
        grid->verticalScrollBar()->setValue(9);
        QCOMPARE(gridTopRow(), 10);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(9, 3)).center());
        QCOMPARE(viewer()->currentError(), 10);
        QTest::keyClick(viewer(), Qt::Key_F3);
        QCOMPARE(viewer()->currentError(), 11);
        QCOMPARE(gridTopRow(), 11);
        // ... and F4 goes back up, scrolling with it while the rest does not fit.
        QTest::keyClick(viewer(), Qt::Key_F4);
        QCOMPARE(viewer()->currentError(), 10);
        QCOMPARE(gridTopRow(), 10);
        QCOMPARE(selectedRow(), 10);
    }
    void errorMessagesListEveryLineOfTheTexts() {
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrMessage");
        TShowDataForm *form = messages();
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("ＥｒｒＭｅｓｓａｇｅ"));
        QCOMPARE(form->size(), QSize(553, 378));
        auto *memo = form->findChild<QPlainTextEdit *>(QStringLiteral("Memo_Data"));
        QVERIFY(memo->isReadOnly());
        // The third text spans two lines: four memo lines for three errors.
        QCOMPARE(memo->toPlainText().split(u'\n'),
                 QStringList({"PLS-00201: identifier 'LOG_BONUS' must be declared",
                              "PL/SQL: Statement ignored",
                              "PLS-00103: Encountered the symbol \"BEGIN\" when expecting one of "
                              "the following:",
                              "   := . ( @ % ; not null range default character"}));
        form->findChild<QPushButton *>(QStringLiteral("Button_Close"))->click();
        QVERIFY(!form->isVisible());
    }
    void aNewDefinitionResetsTheErrorCount() {
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        QCOMPARE(viewerEdit("Edit_Err_Point")->text(), QStringLiteral("3"));
        openOracleTable(QStringLiteral("EMP"));
        QCOMPARE(viewerEdit("Edit_Err_Point")->text(), QStringLiteral("0"));
        // The rest stays until the next command fills the viewer.
        QCOMPARE(viewerEdit("Edit_Object_Name")->text(), QStringLiteral("PAYROLL"));
        QCOMPARE(errorGrid()->rowCount(), 3);
    }
    void aHandedOffFileClosesBothWindows() {
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        runOn("Package Body", "PAYROLL", "ErrMessage");
        QVERIFY(viewer()->isVisible());
        QVERIFY(messages()->isVisible());
        Schedule schedule;
        ScheduleEntry entry;
        entry.fileName = QStringLiteral("one.kvr");
        entry.folder = m_dir.path() + u'/';
        schedule.entries = {entry};
        const QString kvs = m_dir.filePath(QStringLiteral("handed-off.kvs"));
        QVERIFY(writeScheduleFile(kvs, schedule));
        QVERIFY(HandOffStore(m_settings).write(kvs));
        m_w->runCommand([this] { m_w->fileCommands()->activation(); });
        QVERIFY(m_w->scheduleForm()->isVisible());
        QVERIFY(!viewer()->isVisible());
        QVERIFY(!messages()->isVisible());
    }
    void failingStatementShowsTheDatabaseErrorAndNoViewer() {
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        viewer()->close();
        QSqlQuery rename(*m_w->dataModule().session.findConnection(QStringLiteral("ORAFIX")));
        QVERIFY(rename.exec(QStringLiteral("ALTER TABLE USER_SOURCE RENAME TO USER_SOURCE_OFF")));
        m_ui.messages.clear();
        m_w->action(QStringLiteral("ErrSource"))->trigger();
        QVERIFY(rename.exec(QStringLiteral("ALTER TABLE USER_SOURCE_OFF RENAME TO USER_SOURCE")));
        QVERIFY(!viewer()->isVisible());
        QVERIFY(!m_ui.messages.empty());
        QVERIFY(m_ui.messages[0].text.contains(QStringLiteral("Message     :")));
        QVERIFY(m_ui.messages[0].text.contains(QStringLiteral("USER_SOURCE")));
        // What the viewer held is kept.
        QCOMPARE(viewerEdit("Edit_Object_Name")->text(), QStringLiteral("PAYROLL"));
    }
    void layoutModeSetsTheGeometry_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("XGA") << 0 << QRect(37, 17, 965, 711);
        QTest::newRow("SVGA") << 1 << QRect(14, 11, 770, 538);
    }
    void layoutModeSetsTheGeometry() {
        QFETCH(int, mode);
        QFETCH(QRect, geometry);
        {
            QSettings s(m_settings, QSettings::IniFormat);
            s.setValue(QStringLiteral("XGASVGAMode"), mode);
            s.setValue(QStringLiteral("ErrSourceFormBackColor"), 0x00CCFFFF); // 0x00BBGGRR
            s.sync();
        }
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        QCOMPARE(viewer()->pos(), geometry.topLeft());
        QCOMPARE(viewer()->size(), geometry.size());
        QCOMPARE(errorGrid()->columnWidth(0), 40);
        QCOMPARE(errorGrid()->columnWidth(3), geometry.width() - 193);
        auto *close = viewer()->findChild<QPushButton *>(QStringLiteral("Button_Close"));
        QCOMPARE(close->x(), geometry.width() / 2 - 60);
        QCOMPARE(close->size(), QSize(120, 33));
        QCOMPARE(sourceEditor()->backgroundColor(), QColor(255, 255, 204));
        // The grid shows the rows the stepping rules count on.
        QCOMPARE(errorGrid()->viewport()->height() / 20, ErrorStepper::FitRows);
        close->click();
        QVERIFY(!viewer()->isVisible());
        // The window saves its settings when it closes: back to the defaults after that.
        tearDown();
        QSettings s(m_settings, QSettings::IniFormat);
        s.setValue(QStringLiteral("XGASVGAMode"), 0);
        s.setValue(QStringLiteral("ErrSourceFormBackColor"), 0x00FFFFFF);
    }
    void rulerMarksTheColumnsAndTheCaret() {
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        activateViewer();
        QTest::keyClick(viewer(), Qt::Key_F3); // line 7, column 5
        TextEditor *e = sourceEditor();
        const int top = e->contentsRect().top();
        const QRgb grey = qRgb(128, 128, 128);
        auto pixel = [&](const QImage &shot, int x, int y) {
            return shot.pixel(x, top + y) & 0xFFFFFF;
        };
        QImage shot = e->grab().toImage();
        const QRgb paper = pixel(shot, (columnX(7) + columnX(8)) / 2, 2);
        // Every tenth column has a long tick, the others a short one above the base line.
        QCOMPARE(pixel(shot, columnX(10), 2), grey & 0xFFFFFF);
        QCOMPARE(pixel(shot, columnX(20), 2), grey & 0xFFFFFF);
        QCOMPARE(pixel(shot, columnX(9), 2), paper);
        QCOMPARE(pixel(shot, columnX(9), 6), grey & 0xFFFFFF);
        QCOMPARE(pixel(shot, (columnX(12) + columnX(13)) / 2, 10), grey & 0xFFFFFF);
        // The caret marker sits over the caret's column and follows it.
        const QRgb marker = (paper ^ e->backgroundColor().rgb() ^ 0x808080) & 0xFFFFFF;
        QCOMPARE(pixel(shot, columnX(5) + 2, 2), marker);
        QCOMPARE(pixel(shot, columnX(3) + 2, 2), paper);
        QTest::keyClick(viewer(), Qt::Key_F3);
        QTest::keyClick(viewer(), Qt::Key_F3); // line 12, column 3
        shot = e->grab().toImage();
        QCOMPARE(pixel(shot, columnX(3) + 2, 2), marker);
        QCOMPARE(pixel(shot, columnX(5) + 2, 2), paper);
    }
    void screenshots() {
        // Both windows for the README (written to docs/ when KELVORAN_WRITE_SCREENSHOTS is set).
        startWindow();
        runOn("Package Body", "PAYROLL", "ErrSource");
        activateViewer();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(viewer(), Qt::Key_F3);
        QTest::qWait(50);
        const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                ? QStringLiteral(KELVORAN_DOCS_DIR)
                                : m_dir.path();
        QDir().mkpath(dir);
        QVERIFY(viewer()->grab().toImage().save(dir + QStringLiteral("/errsourceform.png")));
        runOn("Package Body", "PAYROLL", "ErrMessage");
        QTest::qWait(50);
        QVERIFY(messages()->grab().toImage().save(dir + QStringLiteral("/showdataform.png")));
    }
};

QTEST_MAIN(ErrSourceFormTest)
#include "errsourceform_test.moc"

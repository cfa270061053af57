// "Excel出力" of the report designer on the demo database: reports loaded from the example
// settings files run with scripted answers and read back with openpyxl (title, group subtotal
// rows, footer, pivot table; an output read password decrypted with msoffcrypto), a template
// report, cancelling at each question, the notices dialog, the program's own dialogs, and the
// windows repainting while a 65,534-record report runs.
#include "tests/gui/mainwindowfixture.h"

#include "app/excelreportcommand.h"
#include "app/reportnoticeform.h"
#include "report/messagetable.h"
#include "report/settingsfile.h"

#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMainWindow>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// Every sheet's cells (as text, row by row), the solid fill of column A of each row as its
// palette index, and the pivot tables; decrypted first when a password is given.
const char *kReadBack = R"PY(
import io, json, sys, msoffcrypto, openpyxl
path, password = sys.argv[1], sys.argv[2]
data = open(path, "rb").read()
encrypted = False
if password:
    f = msoffcrypto.OfficeFile(io.BytesIO(data))
    encrypted = f.is_encrypted()
    f.load_key(password=password)
    out = io.BytesIO()
    f.decrypt(out)
    data = out.getvalue()
wb = openpyxl.load_workbook(io.BytesIO(data))
sheets = []
for ws in wb.worksheets:
    rows, fills = [], []
    for row in ws.iter_rows(min_col=1, max_col=max(ws.max_column, 1)):
        rows.append(["" if c.value is None else str(c.value) for c in row])
        a = row[0]
        solid = a.fill.fill_type == "solid" and a.fill.fgColor.type == "indexed"
        fills.append(int(a.fill.fgColor.indexed) if solid else -1)
    pivots = [{"ref": p.location.ref, "rowFields": len(p.rowFields), "colFields": len(p.colFields),
               "dataFields": len(p.dataFields)} for p in ws._pivots]
    sheets.append({"title": ws.title, "rows": rows, "fills": fills, "pivots": pivots})
print(json.dumps({"encrypted": encrypted, "sheets": sheets}, ensure_ascii=False))
)PY";

QString example(const QString &name) {
    return QStringLiteral(KELVORAN_EXAMPLES_DIR "/") + name;
}

// A report as the designer holds it after loading a settings file.
struct LoadedReport {
    ReportDefinition def;
    ExcelReportSource source;
};

// Counts the paints of a window's child and the longest time between two of them.
class PaintProbe : public QWidget {
public:
    explicit PaintProbe(QWidget *parent) : QWidget(parent) { m_clock.start(); }
    void restart() {
        m_paints = 0;
        m_longestGap = 0;
        m_last = m_clock.elapsed();
    }
    int paints() const { return m_paints; }
    qint64 longestGap() const { return m_longestGap; }

protected:
    void paintEvent(QPaintEvent *) override {
        const qint64 now = m_clock.elapsed();
        m_longestGap = std::max(m_longestGap, now - m_last);
        m_last = now;
        ++m_paints;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longestGap = 0;
    int m_paints = 0;
};

// Passes every question on and notes whether each came on the UI thread.
class UiThreadCheck : public UserInteraction {
public:
    explicit UiThreadCheck(UserInteraction &inner) : m_inner(inner) {}
    void inform(MessageIcon icon, const QString &text) override {
        note();
        m_inner.inform(icon, text);
    }
    bool confirm(const QString &text) override {
        note();
        return m_inner.confirm(text);
    }
    QString chooseSaveFile(const QString &title, const QString &filter) override {
        note();
        return m_inner.chooseSaveFile(title, filter);
    }
    int calls = 0;
    int offThread = 0;

private:
    void note() {
        ++calls;
        if (QThread::currentThread() != qApp->thread())
            ++offThread;
    }
    UserInteraction &m_inner;
};

// Passes every question on; before each confirmation it runs what the user does meanwhile.
class ActsWhileAsked : public UserInteraction {
public:
    ActsWhileAsked(UserInteraction &inner, std::function<void()> userActs)
        : m_inner(inner), m_userActs(std::move(userActs)) {}
    void inform(MessageIcon icon, const QString &text) override { m_inner.inform(icon, text); }
    bool confirm(const QString &text) override {
        m_userActs();
        return m_inner.confirm(text);
    }
    QString chooseSaveFile(const QString &title, const QString &filter) override {
        return m_inner.chooseSaveFile(title, filter);
    }

private:
    UserInteraction &m_inner;
    std::function<void()> m_userActs;
};

} // namespace

class ExcelReportCommandTest : public QObject, public MainWindowFixture {
    Q_OBJECT
private:
    std::unique_ptr<QMainWindow> m_designer; // stands where the designer window will be
    ExcelReportCommand *m_command = nullptr; // the main window's
    QStringList m_opened;
    QString m_out; // the folder reports are written to

    void startAll() {
        startWindow();
        m_designer = std::make_unique<QMainWindow>(m_w.get(), Qt::Window);
        m_designer->setObjectName(QStringLiteral("TExcelSettingForm"));
        m_designer->resize(700, 500);
        m_designer->statusBar();
        m_designer->show();
        m_command = m_w->excelReportCommand();
        m_command->setWorkbookOpener([this](const QString &path) { m_opened << path; });
        m_opened.clear();
        m_out = m_dir.filePath(QStringLiteral("out%1").arg(++m_outCount));
        QVERIFY(QDir().mkpath(m_out));
        m_w->dataModule().settings.excelDataDir = m_out + u'/';
    }
    // Reads an example settings file (copied with its template into the test folder) as the
    // designer's loading does.
    LoadedReport load(const QString &name) {
        const QString copy = m_dir.filePath(name);
        QFile::remove(copy);
        QFile::copy(example(name), copy);
        for (const char *tpl : {"branch_card_template.xlsx", "branch_orders_template.xlsx"}) {
            const QString t = QString::fromLatin1(tpl);
            if (!QFile::exists(m_dir.filePath(t)))
                QFile::copy(example(t), m_dir.filePath(t));
        }
        SettingsReadOptions options;
        options.aliases = m_w->dataModule().session.aliasNames();
        SettingsFileReader reader(options);
        LoadedReport r;
        const Status read = reader.readFile(copy, r.def);
        if (!read)
            qWarning() << read.error().message;
        r.source.alias = reader.currentAlias();
        r.source.report.analysis = reader.analysis();
        r.source.report.editorLines = r.def.sqlLines;
        r.source.settingsFilePath = copy;
        return r;
    }
    ReportRunResult run(const LoadedReport &r) {
        return m_command->run(r.def, r.source, m_designer.get(), m_designer->statusBar());
    }
    QJsonObject readBack(const QString &path, const QString &password = QString()) {
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(kReadBack), path, password});
        if (!py.waitForFinished(120000) || py.exitCode() != 0) {
            qWarning() << py.readAllStandardError();
            return {};
        }
        return QJsonDocument::fromJson(py.readAllStandardOutput()).object();
    }
    static QJsonObject sheet(const QJsonObject &book, int index) {
        return book[QStringLiteral("sheets")].toArray().at(index).toObject();
    }
    static QString cell(const QJsonObject &sheet, int row, int column) {
        return sheet[QStringLiteral("rows")]
            .toArray()
            .at(row - 1)
            .toArray()
            .at(column - 1)
            .toString();
    }
    qint64 demoCount(const QString &sql) {
        QSqlQuery q(QSqlDatabase::database(
            m_w->dataModule().session.connectionName(QStringLiteral("DEMO"))));
        if (!q.exec(sql) || !q.next())
            return -1;
        return q.value(0).toLongLong();
    }
    QStringList writtenFiles() { return QDir(m_out).entryList(QDir::Files); }

    int m_outCount = 0;
    std::unique_ptr<QTimer> m_noticeAnswer;
    QStringList m_noticesShown;
    QString m_noticeHeading;
    QWidget *m_noticeOwner = nullptr;
    bool m_shootNotices = false;

private slots:
    void initTestCase() { setUpFixture(); }
    void init() {
        startAll();
        // The notices dialog is read and closed with "OK" whenever a report shows it.
        m_noticesShown.clear();
        m_noticeHeading.clear();
        m_noticeOwner = nullptr;
        m_shootNotices = false;
        m_noticeAnswer = std::make_unique<QTimer>();
        m_noticeAnswer->setInterval(20);
        connect(m_noticeAnswer.get(), &QTimer::timeout, this, [this] {
            auto *form = qobject_cast<TReportNoticeForm *>(QApplication::activeModalWidget());
            if (!form)
                return;
            m_noticeOwner = form->parentWidget();
            m_noticesShown << form->notices();
            m_noticeHeading = form->heading()->text();
            const QString docs = QStringLiteral(KELVORAN_DOCS_DIR);
            if (m_shootNotices && qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS"))
                form->grab().toImage().save(docs + QStringLiteral("/reportnoticeform.png"));
            form->okButton()->click();
        });
        m_noticeAnswer->start();
    }
    void cleanup() {
        m_noticeAnswer.reset();
        m_command = nullptr;
        m_designer.reset();
        tearDown();
    }

    // The list report: group subtotals per region on the amount, footer totals, title and
    // sheet name; the confirmation names the counts and is asked on the UI thread; the save
    // dialog lists .xlsx and .xls and the name gets .xlsx, which becomes ExcelDataDir; the
    // workbook is handed to the opener.
    void listReportReadBack() {
        const LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        m_ui.confirmAnswers = {true};
        m_ui.files = {m_out + QStringLiteral("/sales")};
        UiThreadCheck threads(m_ui);
        m_w->setInteraction(&threads);
        QSignalSpy running(m_command, &ExcelReportCommand::runningChanged);
        const ReportRunResult result = run(r);
        m_w->setInteraction(&m_ui);
        QVERIFY2(result.ok(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(threads.calls, 2); // the confirmation and the save dialog
        QCOMPARE(threads.offThread, 0);

        const QString written = m_out + QStringLiteral("/sales.xlsx");
        QCOMPARE(result.savedPath, written);
        QCOMPARE(writtenFiles(), QStringList{QStringLiteral("sales.xlsx")});
        QCOMPARE(m_opened, QStringList{written});
        QCOMPARE(m_w->dataModule().settings.excelDataDir, written);
        QCOMPARE(m_ui.fileFilters,
                 QStringList{QStringLiteral("Excel files (*.xlsx;*.xls)|*.xlsx;*.xls")});
        QCOMPARE(running.size(), 2);
        QCOMPARE(running[0][0].toBool(), true);
        QCOMPARE(running[1][0].toBool(), false);
        QVERIFY(!m_command->isRunning());

        const qint64 records = demoCount(QStringLiteral("SELECT COUNT(*) FROM v_sales"));
        QVERIFY(records > 0);
        QCOMPARE(messageTexts(m_ui), QStringList{ReportText::confirmOutput(7, records)});
        QCOMPARE(m_designer->statusBar()->currentMessage(), ReportText::status(records, records));

        const QJsonObject book = readBack(written);
        const QJsonObject list = sheet(book, 0);
        QCOMPARE(list[QStringLiteral("title")].toString(), QStringLiteral("売上一覧"));
        QCOMPARE(cell(list, 1, 1), QStringLiteral("地区別売上一覧"));
        QVERIFY(cell(list, 2, 1).endsWith(QStringLiteral(" 現在データ")));
        QCOMPARE(cell(list, 4, 1), QStringLiteral("地区"));
        QCOMPARE(cell(list, 4, 7), QStringLiteral("金額"));

        // Subtotal rows carry fill 36 (indexed 43), the footer row fill 20 (indexed 27).
        const QJsonArray fills = list[QStringLiteral("fills")].toArray();
        const int lastRow = int(fills.size());
        QCOMPARE(fills.at(lastRow - 1).toInt(), 27);
        double subtotalSum = 0;
        int subtotals = 0;
        for (int row = 5; row < lastRow; ++row) {
            if (fills.at(row - 1).toInt() != 43)
                continue;
            ++subtotals;
            QVERIFY(cell(list, row, 1).isEmpty());
            subtotalSum += std::llround(cell(list, row, 7).toDouble());
        }
        QCOMPARE(subtotals,
                 int(demoCount(QStringLiteral("SELECT COUNT(DISTINCT region_code) FROM v_sales"))));
        QCOMPARE(lastRow, 4 + int(records) + subtotals + 1);
        QCOMPARE(cell(list, lastRow, 7).toDouble(), subtotalSum);
        QCOMPARE(subtotalSum, double(demoCount(QStringLiteral("SELECT SUM(amount) FROM v_sales"))));
        QCOMPARE(cell(list, lastRow, 6), QStringLiteral("=sum(F5:F%1)").arg(lastRow - 1));
    }

    // The pivot report with an output read password: the file is encrypted, opens with the
    // password and holds the pivot table with its row, column and data fields.
    void pivotReportWithReadPassword() {
        LoadedReport r = load(QStringLiteral("sales_pivot.kvr"));
        r.def.outputReadPassword = QStringLiteral("open-me");
        m_ui.confirmAnswers = {true};
        m_ui.files = {m_out + QStringLiteral("/pivot.xls")};
        const ReportRunResult result = run(r);
        QVERIFY2(result.ok(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(result.savedPath, m_out + QStringLiteral("/pivot.xlsx"));

        const QJsonObject book = readBack(result.savedPath, QStringLiteral("open-me"));
        QVERIFY(book[QStringLiteral("encrypted")].toBool());
        QJsonArray pivots;
        for (const QJsonValue &s : book[QStringLiteral("sheets")].toArray())
            for (const QJsonValue &p : s.toObject()[QStringLiteral("pivots")].toArray())
                pivots << p;
        QCOMPARE(pivots.size(), 1);
        const QJsonObject pivot = pivots.at(0).toObject();
        QCOMPARE(pivot[QStringLiteral("rowFields")].toInt(), 1);
        QCOMPARE(pivot[QStringLiteral("colFields")].toInt(), 1);
        QCOMPARE(pivot[QStringLiteral("dataFields")].toInt(), 1);
    }

    // The fixed report into its template: one card per branch, 8 rows apart, filled at the
    // settings' cells.
    void templateReport() {
        const LoadedReport r = load(QStringLiteral("branch_cards.kvr"));
        m_ui.confirmAnswers = {true};
        m_ui.files = {m_out + QStringLiteral("/cards.xlsx")};
        const ReportRunResult result = run(r);
        QVERIFY2(result.ok(), qPrintable(messageTexts(m_ui).join(u'\n')));

        QSqlQuery q(QSqlDatabase::database(
            m_w->dataModule().session.connectionName(QStringLiteral("DEMO"))));
        QVERIFY(q.exec(QStringLiteral("SELECT branch_code, branch_name FROM branches "
                                      "ORDER BY branch_code")));
        QStringList codes, names;
        while (q.next()) {
            codes << q.value(0).toString();
            names << q.value(1).toString();
        }
        QVERIFY(codes.size() >= 2);
        QCOMPARE(m_noticesShown, result.notices);
        const QJsonObject cards = sheet(readBack(result.savedPath), 0);
        QCOMPARE(cell(cards, 1, 1), QStringLiteral("支店カード"));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(cell(cards, 3 + 8 * i, 2), codes[i]);
            QCOMPARE(cell(cards, 4 + 8 * i, 2), names[i]);
            QCOMPARE(cell(cards, 2 + 8 * i, 1), QStringLiteral("支店一覧（固定帳票）"));
        }
    }

    // Cancelling any question, or the save dialog, writes nothing and opens nothing.
    void cancelLeavesNoFile_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("noRecords");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<bool>("fileChosen");
        QTest::addColumn<QStringList>("expected"); // messages; "?" stands for the confirmation
        const QString cancelled = QStringLiteral("キャンセルしました");
        QTest::newRow("pivot without records: no")
            << QStringLiteral("sales_pivot.kvr") << true << QList<bool>{false} << true
            << QStringList{ReportText::noDataPivotQuestion(), cancelled};
        QTest::newRow("pivot without records: yes, then no")
            << QStringLiteral("sales_pivot.kvr") << true << QList<bool>{true, false} << true
            << QStringList{ReportText::noDataPivotQuestion(), QStringLiteral("?"), cancelled};
        QTest::newRow("confirmation: no")
            << QStringLiteral("sales_list.kvr") << false << QList<bool>{false} << true
            << QStringList{QStringLiteral("?"), cancelled};
        QTest::newRow("save dialog cancelled")
            << QStringLiteral("sales_list.kvr") << false << QList<bool>{true} << false
            << QStringList{QStringLiteral("?")};
        QTest::newRow("template report: no")
            << QStringLiteral("branch_orders.kvr") << false << QList<bool>{false} << true
            << QStringList{QStringLiteral("?"), cancelled};
    }
    void cancelLeavesNoFile() {
        QFETCH(QString, settings);
        QFETCH(bool, noRecords);
        QFETCH(QList<bool>, answers);
        QFETCH(bool, fileChosen);
        QFETCH(QStringList, expected);
        LoadedReport r = load(settings);
        if (noRecords) {
            r.source.report.analysis.fromLines = {QStringLiteral("FROM v_sales")};
            r.source.report.analysis.whereLines = {QStringLiteral("WHERE 1 = 0")};
        }
        m_ui.confirmAnswers.assign(answers.begin(), answers.end());
        if (fileChosen)
            m_ui.files = {m_out + QStringLiteral("/cancelled.xlsx")};
        const QString before = m_w->dataModule().settings.excelDataDir;

        const ReportRunResult result = run(r);
        QCOMPARE(int(result.outcome), int(ReportRunResult::Outcome::Cancelled));
        QStringList shown = messageTexts(m_ui);
        for (QString &t : shown)
            if (t.startsWith(QStringLiteral("[選択項目数：")))
                t = QStringLiteral("?");
        QCOMPARE(shown, expected);
        QVERIFY(writtenFiles().isEmpty());
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(m_w->dataModule().settings.excelDataDir, before);
    }

    // Values that would become formulas are kept as text; the notice says so in the dialog
    // shown after the report, which lists exactly the driver's notices.
    void noticesDialogShowsTheDriversNotices() {
        LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        r.def.columns[4].PhysicalName = QStringLiteral("'=' || product_name");
        r.def.columns[4].Alias = QStringLiteral("式");
        m_ui.confirmAnswers = {true};
        m_ui.files = {m_out + QStringLiteral("/notices.xlsx")};
        m_shootNotices = true;
        const ReportRunResult result = run(r);
        QVERIFY2(result.ok(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QVERIFY(!result.notices.isEmpty());
        QCOMPARE(m_noticesShown, result.notices);
        QVERIFY(m_noticesShown.contains(ReportText::formulaTextKept(QStringLiteral("式"))));
        QCOMPARE(m_noticeHeading, ReportText::noticesHeading(QStringLiteral("notices.xlsx")));
        QCOMPARE(m_command->noticeForm()->heading()->toolTip(), result.savedPath);
        QCOMPARE(m_noticeOwner, m_designer.get());
        QVERIFY(!m_command->noticeForm()->isVisible());
        // The workbook was opened before the notices were read.
        QCOMPARE(m_opened, QStringList{result.savedPath});
    }

    // With the program's own dialogs: the question and the save dialog belong to the
    // designer, and the save dialog starts from ExcelDataDir.
    void programDialogsBelongToTheDesigner() {
        m_w->setInteraction(nullptr);
        const LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        const QString earlier = m_out + QStringLiteral("/earlier.xlsx");
        m_w->dataModule().settings.excelDataDir = earlier;
        QList<QWidget *> owners;
        QString proposed;
        onNextModal([&](QWidget *modal) {
            owners << modal->parentWidget();
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            // The run's own dialogs take the user's input.
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            onNextModal([&](QWidget *next) {
                owners << next->parentWidget();
                auto *files = qobject_cast<QFileDialog *>(next);
                QVERIFY(files);
                proposed = files->selectedFiles().value(0);
                // The folder is read in the background and then selects the proposed name
                // again: the new name is typed once it has settled.
                QTest::qWait(300);
                auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->clear();
                QTest::keyClicks(name, QStringLiteral("mine.xlsx"));
                QMetaObject::invokeMethod(files, "accept");
            });
        });
        const ReportRunResult result = run(r);
        QVERIFY(result.ok());
        QCOMPARE(owners, (QList<QWidget *>{m_designer.get(), m_designer.get()}));
        QCOMPARE(proposed, earlier);
        QCOMPARE(result.savedPath, m_out + QStringLiteral("/mine.xlsx"));
        QCOMPARE(m_opened, QStringList{result.savedPath});
    }

    // While a report runs, input to the windows on screen is dropped, not kept for later: a
    // click on the output button (sent, or queued), a double click, typing, a shortcut, the
    // wheel, a context menu and a close request made while the question is asked act neither
    // during the run nor after it. The same input acts when no report runs.
    void inputDuringARunIsDiscarded() {
        const LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        auto *panel = new QWidget;
        auto *layout = new QVBoxLayout(panel);
        auto *output = new QPushButton(QStringLiteral("Excel出力"), panel);
        auto *edit = new QLineEdit(panel);
        auto *spin = new QSpinBox(panel);
        for (QWidget *w : std::initializer_list<QWidget *>{output, edit, spin})
            layout->addWidget(w);
        m_designer->setCentralWidget(panel);
        auto *f5 = new QAction(m_designer.get());
        f5->setShortcut(Qt::Key_F5);
        m_designer->addAction(f5);
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        int clicks = 0, shortcuts = 0, menus = 0;
        bool startsReports = false;
        connect(output, &QPushButton::clicked, this, [&] {
            ++clicks;
            if (startsReports)
                run(r);
        });
        connect(f5, &QAction::triggered, this, [&] { ++shortcuts; });
        connect(edit, &QWidget::customContextMenuRequested, this, [&] { ++menus; });
        bool closed = false;
        const auto userActs = [&] {
            QTest::mouseClick(output, Qt::LeftButton);
            QTest::mouseDClick(output, Qt::LeftButton);
            const QPointF at = output->rect().center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(
                    output, new QMouseEvent(type, at, output->mapToGlobal(at), Qt::LeftButton,
                                            type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                             : Qt::NoButton,
                                            Qt::NoModifier));
            QTest::keyClicks(edit, QStringLiteral("typed"));
            QTest::keyClick(m_designer.get(), Qt::Key_F5);
            const QPointF inSpin = spin->rect().center();
            QCoreApplication::postEvent(
                spin, new QWheelEvent(inSpin, spin->mapToGlobal(inSpin), QPoint(), QPoint(0, 120),
                                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false));
            QCoreApplication::postEvent(
                edit, new QContextMenuEvent(QContextMenuEvent::Mouse, QPoint(2, 2),
                                            edit->mapToGlobal(QPoint(2, 2))));
            closed = m_designer->close();
        };
        const auto showDesigner = [&] {
            m_designer->show();
            QApplication::setActiveWindow(m_designer.get());
            return QTest::qWaitForWindowActive(m_designer.get());
        };

        // Without a report the input acts.
        QVERIFY(showDesigner());
        userActs();
        QTest::qWait(50);
        QVERIFY(clicks >= 2);
        QCOMPARE(edit->text(), QStringLiteral("typed"));
        QCOMPARE(shortcuts, 1);
        QCOMPARE(spin->value(), 1);
        QCOMPARE(menus, 1);
        QVERIFY(closed);
        QVERIFY(showDesigner());

        clicks = shortcuts = menus = 0;
        edit->clear();
        spin->setValue(0);
        startsReports = true;
        bool askedWhileRunning = false;
        ActsWhileAsked answers(m_ui, [&] {
            askedWhileRunning = m_command->isRunning();
            userActs();
        });
        m_w->setInteraction(&answers);
        m_ui.confirmAnswers = {true};
        m_ui.files = {m_out + QStringLiteral("/once.xlsx")};
        QSignalSpy running(m_command, &ExcelReportCommand::runningChanged);
        const ReportRunResult result = run(r);
        QTest::qWait(100); // anything kept for later would act now
        m_w->setInteraction(&m_ui);

        QVERIFY2(result.ok(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QVERIFY(askedWhileRunning);
        QCOMPARE(clicks, 0);
        QVERIFY(edit->text().isEmpty());
        QCOMPARE(shortcuts, 0);
        QCOMPARE(spin->value(), 0);
        QCOMPARE(menus, 0);
        QVERIFY(!closed);
        QVERIFY(m_designer->isVisible());
        QCOMPARE(running.size(), 2); // one report, started and ended
        QCOMPARE(int(m_ui.messages.size()), 1);
        QCOMPARE(writtenFiles(), QStringList{QStringLiteral("once.xlsx")});
    }

    // A report whose rows are all blank does nothing and says nothing.
    void blankRowsOnlyDoNothing() {
        LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        for (ColumnSetting &c : r.def.columns)
            c.PhysicalName = QStringLiteral("  ");
        const ReportRunResult result = run(r);
        QCOMPARE(int(result.outcome), int(ReportRunResult::Outcome::Cancelled));
        QVERIFY(!result.startTime.isEmpty());
        QVERIFY(m_ui.messages.empty());
        QVERIFY(writtenFiles().isEmpty());
    }

    // A connection that cannot be made shows the database's error and writes nothing.
    void unknownAliasShowsTheError() {
        LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        r.source.alias = QStringLiteral("NO_SUCH_ALIAS");
        const ReportRunResult result = run(r);
        QCOMPARE(int(result.outcome), int(ReportRunResult::Outcome::Failed));
        QVERIFY(!m_ui.messages.empty());
        QCOMPARE(int(m_ui.messages.front().icon), int(MessageIcon::Error));
        QVERIFY(writtenFiles().isEmpty());
    }

    // The source of the report the designer shows: the alias of the tree, the SQL tab's
    // scan and editor lines; a run from it writes the statement's records.
    void currentSourceFromTheSqlTab() {
        click(root(QStringLiteral("DEMO")));
        typeSql(QStringLiteral("SELECT region_name, amount FROM v_sales ORDER BY order_no"));
        m_w->action(QStringLiteral("RunSql"))->trigger();
        const QStringList lines{QStringLiteral("SELECT region_name, amount FROM v_sales")};
        const ExcelReportSource source =
            ExcelReportCommand::currentSource(m_w->dataModule(), lines);
        QCOMPARE(source.alias, QStringLiteral("DEMO"));
        QCOMPARE(source.report.editorLines, lines);
        QVERIFY(source.report.generatedTable.isEmpty());
        QVERIFY(source.report.analysis.fromLines.join(u' ').contains(QStringLiteral("v_sales")));

        LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        r.source = source;
        r.def.columns.resize(2);
        r.def.columns[0] = ColumnSetting();
        r.def.columns[0].PhysicalName = QStringLiteral("region_name");
        r.def.columns[1] = ColumnSetting();
        r.def.columns[1].PhysicalName = QStringLiteral("amount");
        m_ui.confirmAnswers = {true};
        m_ui.files = {m_out + QStringLiteral("/sql.xlsx")};
        const ReportRunResult result = run(r);
        QVERIFY2(result.ok(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(result.itemCount, 2);
        QCOMPARE(result.dataCount, demoCount(QStringLiteral("SELECT COUNT(*) FROM v_sales")));
        const QJsonObject list = sheet(readBack(result.savedPath), 0);
        QCOMPARE(cell(list, 4, 1), QStringLiteral("region_name"));
        QCOMPARE(cell(list, 4, 2), QStringLiteral("amount"));
    }

    // A 65,534-record report: the designer keeps repainting (never more than 200 ms without a
    // paint), the status bar follows the records, and a second output asked for meanwhile
    // does not start.
    void windowsRepaintWhileALargeReportRuns() {
        {
            QSqlDatabase db = QSqlDatabase::database(
                m_w->dataModule().session.connection(QStringLiteral("DEMO"))->connectionName());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("DROP TABLE IF EXISTS big_list")));
            QVERIFY(q.exec(QStringLiteral(
                "CREATE TABLE big_list AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + "
                "1 FROM n WHERE i < 65534) SELECT i AS seq, printf('G%03d', (i - 1) / 500) AS "
                "grp, i * 3 % 1000 AS amount, 'text ' || i AS note FROM n")));
        }
        LoadedReport r = load(QStringLiteral("sales_list.kvr"));
        for (const char *key : {"TITLEFLG", "MAKEDATEFLG", "SHEETFLG"})
            r.def.setFlag(QString::fromLatin1(key), false);
        r.def.setValue(QStringLiteral("DATAFASTROW"), QStringLiteral("1"));
        r.def.columns.resize(4);
        const QStringList names{QStringLiteral("seq"), QStringLiteral("grp"),
                                QStringLiteral("amount"), QStringLiteral("note")};
        for (int c = 0; c < 4; ++c) {
            r.def.columns[size_t(c)] = ColumnSetting();
            r.def.columns[size_t(c)].PhysicalName = names[c];
        }
        r.def.columns[2].FormatCodes = QStringLiteral("103/ 40/   /   /,101/   /   /   /,");
        r.def.columns[2].GroupKeys = QStringLiteral("grp******,");
        r.source.report.analysis.fromLines = {QStringLiteral("FROM big_list")};
        r.source.report.analysis.whereLines = {QStringLiteral("ORDER BY seq")};
        m_ui.confirmAnswers = {true};
        m_ui.files = {m_out + QStringLiteral("/big.xlsx")};

        auto *probe = new PaintProbe(m_designer.get());
        m_designer->setCentralWidget(probe);
        QTimer repaint;
        repaint.setInterval(20);
        connect(&repaint, &QTimer::timeout, probe, qOverload<>(&QWidget::update));
        QStringList statusTexts;
        connect(m_designer->statusBar(), &QStatusBar::messageChanged, this,
                [&](const QString &text) { statusTexts << text; });
        bool wasRunning = false;
        ReportRunResult second;
        QTimer::singleShot(300, this, [&] {
            wasRunning = m_command->isRunning();
            second = run(r);
        });
        QTest::qWait(50);
        probe->restart();
        repaint.start();
        const ReportRunResult result = run(r);
        repaint.stop();

        QVERIFY2(result.ok(), qPrintable(messageTexts(m_ui).join(u'\n')));
        QCOMPARE(result.dataCount, qint64(65534));
        QVERIFY(wasRunning);
        QCOMPARE(int(second.outcome), int(ReportRunResult::Outcome::Cancelled));
        QCOMPARE(writtenFiles(), QStringList{QStringLiteral("big.xlsx")});
        QCOMPARE(int(m_ui.messages.size()), 1);
        qInfo("paints: %d, longest time without a paint: %lld ms", probe->paints(),
              probe->longestGap());
        QVERIFY(probe->paints() > 10);
        QVERIFY2(probe->longestGap() <= 200, qPrintable(QString::number(probe->longestGap())));
        QVERIFY(statusTexts.size() > 2);
        QCOMPARE(statusTexts.last(), ReportText::status(65534, 65534));
    }
};

QTEST_MAIN(ExcelReportCommandTest)
#include "excelreportcommand_test.moc"

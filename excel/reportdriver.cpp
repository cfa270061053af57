#include "excel/reportdriver.h"

#include "db/recordstream.h"
#include "excel/databasecell.h"
#include "excel/excelsession.h"
#include "excel/listreport.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"

#include "excel/engine/agileencryption.h"
#include "excel/engine/modifypassword.h"
#include "excel/engine/workbook.h"

#include "core/clock.h"
#include "core/pathrules.h"
#include "db/dberror.h"
#include "db/querytext.h"
#include "db/rowcount.h"
#include "report/messagetable.h"
#include "report/reportvalidation.h"
#include "report/userinteraction.h"

#include <QSqlError>
#include <QSqlQuery>

#include <memory>

namespace kelvoran {

QString composeExcelFailureStatus(const QString &failureText, const QString &detail) {
    QString d = detail;
    d.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    d.replace(u'\r', u' ');
    d.replace(u'\n', u' ');
    if (d.isEmpty())
        return ReportText::failure(failureText);
    if (failureText.isEmpty())
        return ReportText::extractionFailure(d);
    return ReportText::extractionFailure(failureText + u':' + d);
}

QString ReportRunResult::statusText() const {
    const QString text =
        plainFailure ? failureText : composeExcelFailureStatus(failureText, failureDetail);
    return stepCode.isEmpty() ? text : text + QLatin1Char(' ') + stepCode;
}

void installPasswordHooks(ExcelSession &session) {
    session.setPasswordHooks(
        [](const std::string &package, const QString &password) -> Result<std::string> {
            const Result<QByteArray> enc =
                encryptPackage(QByteArray::fromStdString(package), password);
            if (!enc)
                return enc.error();
            return enc.value().toStdString();
        },
        [](const std::string &file, const QString &password) -> Result<std::string> {
            const Result<QByteArray> dec =
                decryptPackage(QByteArray::fromStdString(file), password);
            if (!dec)
                return dec.error();
            return dec.value().toStdString();
        },
        [](xlsx::FileSharing &entry, const QString &password) {
            const Result<FileSharingHash> h = makeModifyPasswordHash(password, QString());
            if (!h)
                return;
            entry.userName = h->userName.toStdString();
            entry.algorithmName = h->algorithmName.toStdString();
            entry.hashValue = h->hashValue.toStdString();
            entry.saltValue = h->saltValue.toStdString();
            entry.spinCount = h->spinCount;
        });
}

namespace {

// Passes everything on and remembers the last message, which a scheduled run records as its
// failure text.
class CapturingInteraction : public UserInteraction {
public:
    explicit CapturingInteraction(UserInteraction &inner) : m_inner(inner) {}
    void inform(MessageIcon icon, const QString &text) override {
        last = text;
        m_inner.inform(icon, text);
    }
    bool confirm(const QString &text) override {
        last = text;
        return m_inner.confirm(text);
    }
    QString chooseSaveFile(const QString &title, const QString &filter) override {
        return m_inner.chooseSaveFile(title, filter);
    }
    QString last;

private:
    UserInteraction &m_inner;
};

QString firstMessage(const DbError &e) {
    return e.message();
}

} // namespace

ReportRunResult runExcelReport(ReportDefinition def, const ReportSource &source,
                               const ReportRunOptions &opt, UserInteraction &outerUi) {
    SystemClock systemClock;
    const Clock &clock = opt.clock ? *opt.clock : static_cast<const Clock &>(systemClock);
    auto now = [&] { return clock.now().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")); };
    const bool scheduled = opt.prefix == u'C';
    CapturingInteraction ui(outerUi);
    StepCode step(opt.prefix);

    ReportRunResult res;
    res.startTime = now();
    auto finish = [&](ReportRunResult::Outcome outcome) {
        res.outcome = outcome;
        if (outcome == ReportRunResult::Outcome::Done)
            step.clear();
        res.stepCode = outcome == ReportRunResult::Outcome::Failed ? step.text() : QString();
        res.endTime = now();
        return res;
    };

    // Blank rows of both grids go first.
    step.set("EO_130001");
    def.removeBlankRows();
    int nonBlank = 0;
    for (const ColumnSetting &c : def.columns)
        if (!c.PhysicalName.trimmed().isEmpty())
            ++nonBlank;

    // The three validation stages; each shows its own message.
    step.set("EO_130002");
    ReportValidator validator(def, nonBlank, ui, step);
    if (!validator.validateAll()) {
        res.failureText = ui.last;
        return finish(ReportRunResult::Outcome::Failed);
    }
    const ReportPositions positions = validator.positions();

    // The extraction SELECT with its key columns.
    step.set("EO_130004");
    std::vector<GroupTotalItem> items;
    step.set("EO_130005");
    const bool oracle = opt.kind == DbKind::Oracle;
    const Result<QStringList> built =
        buildExtractionQuery(def.columns, source, oracle, items, step);
    if (!built) {
        res.failureText = ReportText::queryBuildError();
        // An empty select head ends the run without a message; a missing group key says so.
        if (!source.analysis.selectHead.isEmpty() || !source.generatedTable.isEmpty()) {
            res.failureDetail = built.error().message;
            if (!scheduled)
                ui.inform(MessageIcon::Warning, built.error().message);
        }
        return finish(ReportRunResult::Outcome::Failed);
    }
    QStringList work;
    for (QString line : built.value()) {
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        work << QLatin1Char(' ') + line.trimmed() + QLatin1Char(' ');
    }
    const QString sql = statementText(work);

    // The data count: COUNT(*) around the statement.
    res.failureText = ReportText::queryError();
    step.set("EO_130008");
    {
        // As the row count of the SQL tab: COUNT(*) around the statement; on MySQL, and where
        // the wrapper is refused (a derived table may not repeat a column name there, and the
        // group keys repeat report columns), the statement itself is counted without keeping
        // its rows.
        CountRequest request;
        request.kind = opt.kind;
        request.statementLines = work;
        request.statementItself = sql;
        request.subqueryName = QStringLiteral("KELVORAN_COUNT");
        request.fallback = CountFallback::Always;
        const CountResult counted = countQueryRows(opt.database, request);
        const std::optional<qint64> count = counted.count;
        const QSqlError error = counted.error.isValid() || !counted.wrapperError.isValid()
                                    ? counted.error
                                    : counted.wrapperError;
        if (!count) {
            const DbError e =
                DbError::fromSqlError(error, nativeCodeFormOf(opt.database.driverName()));
            res.failureDetail = firstMessage(e);
            res.dataCount = -1;
            if (!scheduled)
                for (const QString &t : e.texts())
                    ui.inform(MessageIcon::Error, t);
            return finish(ReportRunResult::Outcome::Failed);
        }
        res.dataCount = *count;
    }

    // Open the query.
    step.set("EO_130009");
    RecordStream records;
    if (!records.open(opt.database, sql, opt.kind)) {
        res.failureDetail =
            DbError::fromSqlError(records.error(), nativeCodeFormOf(opt.database.driverName()))
                .message();
        if (!scheduled)
            ShowMessageNo(ui, 2, 6);
        return finish(ReportRunResult::Outcome::Failed);
    }

    // itemCount and the headings.
    step.set("EO_130010");
    const int fieldCount = records.fieldCount();
    res.itemCount = (nonBlank == fieldCount ? nonBlank : fieldCount) - int(items.size());
    if (res.itemCount < 0)
        res.itemCount = 0;
    const bool show = source.analysis.statementKind == StatementKind::Show;
    const int gridRows = int(def.columns.size()) + 1;
    const bool gridMatches =
        gridRows == res.itemCount + 1 || gridRows == res.itemCount + int(items.size()) + 1;
    QStringList headings;
    for (int k = 0; k < res.itemCount; ++k) {
        step.set("EO_130011", {k + 1});
        const QString field = records.fieldName(k);
        if ((!show && !gridMatches) || k >= int(def.columns.size())) {
            headings << field;
            continue;
        }
        const ColumnSetting &c = def.columns[size_t(k)];
        const bool star = c.PhysicalName.contains(u'*');
        if (!c.Alias.trimmed().isEmpty())
            headings << (star ? field : c.Alias);
        else
            headings << (star ? field : c.PhysicalName);
    }
    res.failureText = ReportText::excelError();
    res.failureDetail.clear();

    // The output gate.
    step.set("ME_140001");
    if (res.itemCount + positions.dataCol > 251) {
        res.plainFailure = true;
        res.failureText = ReportText::columnLimit();
        if (!scheduled)
            ui.inform(MessageIcon::Warning, res.failureText);
        return finish(ReportRunResult::Outcome::Failed);
    }
    step.set("ME_140002");
    if (res.dataCount + positions.dataRow > 65535) {
        res.plainFailure = true;
        res.failureText = ReportText::rowLimit();
        if (!scheduled)
            ui.inform(MessageIcon::Warning, res.failureText);
        return finish(ReportRunResult::Outcome::Failed);
    }
    const bool pivot = def.value(QStringLiteral("PTOUT")).toUpper() == u"TRUE";
    step.set("ME_140003");
    if (pivot && res.dataCount == 0 && !ui.confirm(ReportText::noDataPivotQuestion())) {
        ShowMessageNo(ui, 2, 5);
        return finish(ReportRunResult::Outcome::Cancelled);
    }
    if (!ui.confirm(ReportText::confirmOutput(res.itemCount, res.dataCount))) {
        ShowMessageNo(ui, 2, 5);
        return finish(ReportRunResult::Outcome::Cancelled);
    }

    // The output file.
    step.set("ME_140004");
    QString path = opt.outputPath;
    if (path.isEmpty()) {
        path = ui.chooseSaveFile(QString(), QStringLiteral("Excel files (*.xls)|*.xls"));
        if (path.isEmpty())
            return finish(ReportRunResult::Outcome::Cancelled);
        if (extensionTest(QStringLiteral("XLS"), path) != u"Y")
            path += QStringLiteral(".xls");
    }

    const TemplateReportKind templateKind = templateReportKind(def);
    const QString templatePath =
        templatePathFor(def.value(QStringLiteral("PATTERNFILE")), opt.settingsFilePath);

    // The workbook: a new one, or the next sheet of the shared one; from the template when
    // there is one.
    std::unique_ptr<ExcelSession> own;
    ExcelSession *session = opt.sharedSession;
    if (!session) {
        own = std::make_unique<ExcelSession>();
        session = own.get();
    }
    installPasswordHooks(*session);
    TemplateWorkbook templateBook;
    auto writerFailure = [&](const Error &e, int book) {
        res.failureText =
            ReportText::writerError() + e.message + QStringLiteral("  ") + step.text();
        if (!scheduled)
            ui.inform(MessageIcon::Error, res.failureText);
        if (templateBook.templateBook > 0) {
            // Closing the template renumbers the workbooks after it.
            closeTemplateWorkbook(*session, templateBook);
            book = templateBook.outputBook;
        }
        if (book > 0 && book <= session->workbookCount())
            session->closeWorkbook(book);
        res.book = 0;
        return finish(ReportRunResult::Outcome::Failed);
    };

    step.set("MB_250001");
    int book =
        opt.sharedBook > 0 && opt.sharedBook <= session->workbookCount() ? opt.sharedBook : 0;
    int sheetIndex = 1;
    // A shared workbook's notices so far belong to the entries before this one.
    const QStringList earlierNotices = book > 0 ? session->notices(book) : QStringList();
    if (!templatePath.isEmpty()) {
        Result<TemplateWorkbook> opened =
            openTemplateWorkbook(*session, templatePath, def.templatePassword, book, step);
        if (!opened)
            return writerFailure(opened.error(), book);
        templateBook = opened.value();
        book = templateBook.outputBook;
        sheetIndex = templateBook.sheetIndex;
    } else if (book > 0) {
        step.set("MB_250030");
        const int count = session->sheetCount(book);
        const Result<ExcelSheet> added = session->addSheetAfter(book, count);
        if (!added)
            return writerFailure(added.error(), book);
        sheetIndex = count + 1;
    } else {
        book = session->addWorkbook();
    }
    res.book = book;

    step.set("MS_230001");
    if (Status s = session->activateSheet(book, sheetIndex); !s)
        return writerFailure(s.error(), book);
    if (def.value(QStringLiteral("SHEETFLG")).toUpper() == u"TRUE" &&
        !positions.sheetName.isEmpty()) {
        step.set("MS_230003");
        if (Status s = session->sheet(book, sheetIndex).setName(positions.sheetName); !s)
            return writerFailure(s.error(), book);
    }
    if (pivot && def.value(QStringLiteral("PTSHEETFLG")).toUpper() == u"TRUE" &&
        session->sheetCount(book) <= sheetIndex) {
        step.set("ME_140005");
        const Result<ExcelSheet> added = session->addSheetAfter(book, sheetIndex);
        if (!added)
            return writerFailure(added.error(), book);
        (void)session->activateSheet(book, sheetIndex);
    }

    DatabaseCellWriter values;
    if (templateKind != TemplateReportKind::None) {
        // Fixed and extended list reports fill the template's block instead of a list.
        TemplateReportRun run;
        run.outputBook = book;
        run.sheetIndex = sheetIndex;
        run.templateBook = templateBook.templateBook;
        run.itemCount = res.itemCount;
        run.dataCount = long(res.dataCount);
        run.creationTime = res.startTime;
        run.values = &values;
        RecordStreamSource recordSource(records);
        const ReportProgress progress = opt.progress;
        const QString suffix = opt.statusSuffix;
        const Status written = writeTemplateReport(
            *session, run, def, recordSource, step, [&](long record, long total) {
                if (progress)
                    progress(
                        ReportText::status(record, total) +
                            (templateKind == TemplateReportKind::Extended ? QString() : suffix),
                        record, total, record == 1 || record % 40 == 0);
            });
        if (!written)
            return writerFailure(written.error(), book);
    } else {
        ListReportContext ctx;
        ctx.def = &def;
        ctx.positions = &positions;
        ctx.items = &items;
        ctx.records = &records;
        ctx.headings = headings;
        ctx.itemCount = res.itemCount;
        ctx.dataCount = res.dataCount;
        ctx.session = session;
        ctx.book = book;
        ctx.sheetIndex = sheetIndex;
        ctx.step = &step;
        ctx.createdAt = res.startTime;
        ctx.progress = opt.progress;
        ctx.statusSuffix = opt.statusSuffix;
        ctx.values = &values;
        if (Status s = writeListReport(ctx); !s)
            return writerFailure(s.error(), book);
    }
    records.close();
    {
        // The template's own (a shared workbook may hold them from an earlier entry already),
        // what this run added to the output workbook, and the values' notices.
        QStringList notices;
        if (templateBook.templateBook > 0)
            notices = session->notices(templateBook.templateBook);
        for (const QString &n : session->notices(book))
            if (!earlierNotices.contains(n))
                notices << n;
        notices += values.notices();
        for (const QString &n : notices)
            if (!res.notices.contains(n))
                res.notices << n;
    }
    if (templateBook.templateBook > 0) {
        closeTemplateWorkbook(*session, templateBook);
        book = templateBook.outputBook;
        res.book = book;
    }

    if (opt.saveAfter) {
        step.set("ME_140076");
        (void)session->activateSheet(book, 1);
        // The existing output is not deleted first: the save replaces it only once the new
        // workbook is complete, so a failed save keeps the previous report.
        step.set("ME_140063");
        const Result<QString> saved =
            session->saveAs(book, path, def.outputReadPassword, def.outputWritePassword);
        if (!saved)
            return writerFailure(saved.error(), book);
        step.set("ME_140064");
        res.savedPath = saved.value();
        session->closeWorkbook(book);
        res.book = 0;
    }
    return finish(ReportRunResult::Outcome::Done);
}

} // namespace kelvoran

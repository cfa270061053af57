#include "excel/templatereport.h"

#include "core/displaytext.h"
#include "db/recordstream.h"
#include "excel/databasecell.h"
#include "excel/excelsession.h"
#include "excel/formatapply.h"
#include "report/reportdefinition.h"

#include "excel/engine/worksheet.h"

#include <algorithm>

namespace kelvoran {

RecordSource::~RecordSource() = default;

Status RecordSource::status() const {
    return Status::ok();
}

VectorRecordSource::VectorRecordSource(std::vector<std::vector<QVariant>> records)
    : m_records(std::move(records)) {}

bool VectorRecordSource::next(std::vector<QVariant> &fields) {
    if (m_next >= m_records.size())
        return false;
    fields = m_records[m_next++];
    return true;
}

bool RecordStreamSource::next(std::vector<QVariant> &fields) {
    if (!m_stream.next())
        return false;
    const int count = m_stream.fieldCount();
    fields.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        fields[size_t(i)] = m_stream.value(i);
    return true;
}

Status RecordStreamSource::status() const {
    if (m_stream.error().type() == QSqlError::NoError)
        return Status::ok();
    return Error{m_stream.error().text(), {}};
}

TemplateReportKind templateReportKind(const ReportDefinition &def) {
    auto on = [&](const char *key) {
        return def.value(QString::fromLatin1(key)).trimmed().toUpper() == u"TRUE";
    };
    if (on("KCFLG"))
        return TemplateReportKind::Extended;
    if (on("KOTEIFLG"))
        return TemplateReportKind::Fixed;
    return TemplateReportKind::None;
}

namespace {

// Blocks of a fixed report are counted against the rows of the classic sheet: a sheet takes
// 65536 div h blocks, and the next block moves to a sheet of its own.
constexpr int kSheetRows = 65536;

using Fields = std::vector<QVariant>;

// A cell reference split at its first digit: letters and row. Letters give the column (A-Z are
// 1-26, two letters 26 x first + second, any other letter group 0), lower case accepted.
struct CellPos {
    int row = 0;
    int column = 0;
    QString letters;
    bool valid() const { return row > 0 && column > 0; }
};

CellPos splitCellReference(const QString &reference) {
    CellPos pos;
    const QString text = reference.trimmed();
    qsizetype digit = 0;
    while (digit < text.size() && !text[digit].isDigit())
        ++digit;
    if (digit == 0 || digit == text.size())
        return pos;
    const QString letters = text.left(digit).toUpper();
    auto value = [](QChar c) { return c >= u'A' && c <= u'Z' ? c.unicode() - u'A' + 1 : 0; };
    if (letters.size() == 1)
        pos.column = value(letters[0]);
    else if (letters.size() == 2 && value(letters[0]) && value(letters[1]))
        pos.column = 26 * value(letters[0]) + value(letters[1]);
    bool ok = false;
    const int row = text.mid(digit).toInt(&ok);
    pos.row = ok && row > 0 ? row : 0;
    pos.letters = letters;
    return pos;
}

QString key(const char *name) {
    return QString::fromLatin1(name);
}

// A whole number of a definition value; fallback when empty or not a number.
int numberValue(const ReportDefinition &def, const char *name, int fallback) {
    bool ok = false;
    const int v = def.value(key(name)).trimmed().toInt(&ok);
    return ok ? v : fallback;
}

class TemplateWriter {
public:
    TemplateWriter(ExcelSession &xl, const TemplateReportRun &run, const ReportDefinition &def,
                   StepCode &step, TemplateReportKind kind, DatabaseCellWriter &values)
        : m_xl(xl), m_run(run), m_def(def), m_step(step), m_kind(kind), m_values(values),
          m_sheet(run.sheetIndex) {}

    Status prepare();
    Status fixedRecord(const Fields &record, bool last);
    Status extendedRecord(const Fields &record, const Fields *next);
    Status finish();

private:
    // A report column with a target cell.
    struct Target {
        int field = 0; // 0-based field of the record
        CellPos cell;
        QString codes;
        bool line = false; // inside the repeated range of the extended report
    };

    Error fail(const QString &message) const { return Error{message, m_step.text()}; }
    ExcelSheet current() const { return m_xl.sheet(m_run.outputBook, m_sheet); }
    Status select(int index);
    Status setPrintArea(const ExcelSheet &sheet, int lastRow);
    ExcelRange blockRows(const ExcelSheet &sheet, int top) const;
    Status copyBlock(const ExcelSheet &from, int sourceTop, const ExcelSheet &to,
                     int destinationRow, bool last);
    void addPageBreak(const ExcelSheet &sheet, int beforeRow);
    Status prepareSheets();
    Status ensureSheet(int index);
    Status writeField(const ExcelSheet &sheet, const Target &t, int rowOffset,
                      const Fields &record);
    Status writeTitleAndTime(const ExcelSheet &sheet, int rowOffset, const char *titleStep,
                             const char *timeStep);

    ExcelSession &m_xl;
    const TemplateReportRun &m_run;
    const ReportDefinition &m_def;
    StepCode &m_step;
    TemplateReportKind m_kind;
    DatabaseCellWriter &m_values;

    int m_height = 0;     // h: rows of the template block
    int m_lastColumn = 0; // E: the block's last column
    QString m_letters;    // E as letters
    std::vector<Target> m_targets;
    CellPos m_title, m_time;
    QString m_titleText;

    // Extended list report.
    CellPos m_lineFirst, m_lineLast;
    int m_lineHeight = 1; // r
    int m_linesPerPage = 1;
    int m_keyField = 0; // 1-based, 0: none
    bool m_pageEnd = false;
    bool m_nextPageCopied = false; // the page that ended copied the next page's template
    int m_line = 1;                // L

    int m_page = 1;     // P
    int m_sheet = 1;    // the current sheet of the output workbook
    int m_prepared = 0; // data sheets made ready for the fixed report (0: not yet)
};

Status TemplateWriter::select(int index) {
    if (Status s = m_xl.activateSheet(m_run.outputBook, index); !s)
        return fail(s.error().message);
    m_sheet = index;
    return Status::ok();
}

Status TemplateWriter::setPrintArea(const ExcelSheet &sheet, int lastRow) {
    if (Status s = sheet.setPrintArea(QStringLiteral("A1:%1%2").arg(m_letters).arg(lastRow)); !s)
        return fail(s.error().message);
    return Status::ok();
}

ExcelRange TemplateWriter::blockRows(const ExcelSheet &sheet, int top) const {
    return sheet.range(sheet.cells(top, 1), sheet.cells(top + m_height - 1, m_lastColumn))
        .entireRow();
}

void TemplateWriter::addPageBreak(const ExcelSheet &sheet, int beforeRow) {
    // One break per row: a page started twice (template copied again onto a page that already
    // holds it) must not write the break twice.
    const std::vector<int> &breaks = sheet.sheet()->rowBreaks;
    if (std::find(breaks.begin(), breaks.end(), beforeRow - 1) == breaks.end())
        sheet.addPageBreakBefore(beforeRow);
}

Status TemplateWriter::copyBlock(const ExcelSheet &from, int sourceTop, const ExcelSheet &to,
                                 int destinationRow, bool last) {
    m_step.set("EP_340001");
    if (!from.isValid() || !to.isValid())
        return fail(QStringLiteral("雛形をコピーするシートがありません。"));
    if (destinationRow + m_height - 1 > xlsx::kMaxRows)
        return fail(QStringLiteral("雛形のコピー先がシートの最終行を超えます。：%1行目")
                        .arg(destinationRow));
    if (!last)
        blockRows(from, sourceTop).copyTo(to.cells(destinationRow, 1));
    m_step.set("EP_340002");
    addPageBreak(to, destinationRow);
    return Status::ok();
}

Status TemplateWriter::prepare() {
    const bool extended = m_kind == TemplateReportKind::Extended;
    extended ? m_step.set("KI_330001") : m_step.set("MK_260001");
    if (!current().isValid())
        return fail(QStringLiteral("データシートがありません。：%1").arg(m_run.sheetIndex));
    const QString endCell = m_def.value(key("KOTEIHINACELL"));
    const CellPos block = splitCellReference(endCell);
    if (!block.valid())
        return fail(QStringLiteral("雛形終了セルの指定が正しくありません。：") + endCell);
    m_height = block.row;
    m_lastColumn = block.column;
    m_letters = block.letters;
    if (m_height > (extended ? xlsx::kMaxRows : kSheetRows))
        return fail(QStringLiteral("雛形終了セルの行がシートの行数を超えています。：") + endCell);

    if (extended) {
        m_step.set("KI_330002");
        const QString first = m_def.value(key("KCFC")), last = m_def.value(key("KCEC"));
        const CellPos a = splitCellReference(first), b = splitCellReference(last);
        if (!a.valid())
            return fail(QStringLiteral("繰り返し開始セルの指定が正しくありません。：") + first);
        if (!b.valid())
            return fail(QStringLiteral("繰り返し終了セルの指定が正しくありません。：") + last);
        m_lineFirst.row = std::min(a.row, b.row);
        m_lineFirst.column = std::min(a.column, b.column);
        m_lineLast.row = std::max(a.row, b.row);
        m_lineLast.column = std::max(a.column, b.column);
        m_lineHeight = m_lineLast.row - m_lineFirst.row + 1;
        m_step.set("KI_330003");
        bool ok = false;
        const QString perPage = m_def.value(key("KCPC"));
        m_linesPerPage = perPage.trimmed().toInt(&ok);
        if (!ok || m_linesPerPage < 1)
            return fail(QStringLiteral("改ページ行数の指定が正しくありません。：") + perPage);
        // Every line of a full page must lie inside the page's block; a line below it would be
        // overwritten by the next page's copy of the template.
        if (m_lineLast.column > m_lastColumn ||
            qint64(m_lineFirst.row) + qint64(m_lineHeight) * m_linesPerPage - 1 > m_height)
            return fail(QStringLiteral("改ページ行数分の繰り返し範囲が雛形終了セルの範囲に"
                                       "収まりません。：%1:%2 × %3行")
                            .arg(first.trimmed(), last.trimmed())
                            .arg(m_linesPerPage));
        m_step.set("KI_330004");
        m_keyField = std::max(0, numberValue(m_def, "KCBKEY", 0));
    }

    const int items = m_run.itemCount > 0 ? m_run.itemCount : int(m_def.columns.size());
    for (int k = 0; k < items && k < int(m_def.columns.size()); ++k) {
        extended ? m_step.set("KI_330005", {k + 1}) : m_step.set("MK_260002", {k + 1});
        const ColumnSetting &c = m_def.columns[size_t(k)];
        if (c.WidthOrCell.trimmed().isEmpty())
            continue;
        Target t;
        t.field = k;
        t.cell = splitCellReference(c.WidthOrCell);
        if (!t.cell.valid())
            return fail(QStringLiteral("出力セルの指定が正しくありません。：%1（%2列目）")
                            .arg(c.WidthOrCell.trimmed())
                            .arg(k + 1));
        // A row below the block would land in the next block, which is copied before the
        // record is written and copied on again with the value in it.
        if (t.cell.row > m_height)
            return fail(QStringLiteral("出力セルが雛形終了セルの行を超えています。：%1（%2列目）")
                            .arg(c.WidthOrCell.trimmed())
                            .arg(k + 1));
        t.codes = c.FormatCodes;
        t.line = extended && t.cell.row >= m_lineFirst.row && t.cell.row <= m_lineLast.row &&
                 t.cell.column >= m_lineFirst.column && t.cell.column <= m_lineLast.column;
        m_targets.push_back(t);
    }

    // Title and creation time: their own cells, when switched on and given.
    if (m_def.value(key("TITLEFLG")).trimmed().toUpper() == u"TRUE") {
        m_title.row = numberValue(m_def, "TITLEROW", 0);
        m_title.column = numberValue(m_def, "TITLECOL", 0);
        m_titleText = m_def.value(key("TITLE"));
    }
    if (m_def.value(key("MAKEDATEFLG")).trimmed().toUpper() == u"TRUE") {
        m_time.row = numberValue(m_def, "MAKEDATEROW", 0);
        m_time.column = numberValue(m_def, "MAKEDATECOL", 0);
    }
    return Status::ok();
}

Status TemplateWriter::writeField(const ExcelSheet &sheet, const Target &t, int rowOffset,
                                  const Fields &record) {
    const int row = t.cell.row + rowOffset;
    if (row > xlsx::kMaxRows)
        return fail(QStringLiteral("出力セルがシートの最終行を超えます。：%1行目").arg(row));
    const ExcelRange cell = sheet.cells(row, t.cell.column);
    const QVariant value = size_t(t.field) < record.size() ? record[size_t(t.field)] : QVariant();
    m_values.write(cell, value, t.field);
    // The codes of format pass 2 on this one cell; autofit (201) has no columns here.
    if (Status s = applyFormatCodes(cell, t.codes, FormatSweep::Pass2, ExcelRange()); !s)
        return fail(s.error().message);
    return Status::ok();
}

Status TemplateWriter::writeTitleAndTime(const ExcelSheet &sheet, int rowOffset,
                                         const char *titleStep, const char *timeStep) {
    m_step.set(titleStep);
    if (m_title.valid() && m_title.row + rowOffset <= xlsx::kMaxRows) {
        const ExcelRange cell = sheet.cells(m_title.row + rowOffset, m_title.column);
        cell.setValue(m_titleText);
        cell.setFontSize(15);
        cell.setFontName(QStringLiteral("ＭＳゴシック"));
        if (Status s = cell.setFontColorIndex(5); !s)
            return fail(s.error().message);
        cell.setFontBold(false);
    }
    m_step.set(timeStep);
    if (m_time.valid() && m_time.row + rowOffset <= xlsx::kMaxRows)
        sheet.cells(m_time.row + rowOffset, m_time.column)
            .setValue(m_run.creationTime + QStringLiteral(" 現在データ"));
    return Status::ok();
}

Status TemplateWriter::prepareSheets() {
    m_step.set("MK_260010");
    const long perSheet = kSheetRows / m_height;
    long sheets = m_run.dataCount / perSheet + (m_run.dataCount % perSheet ? 1 : 0);
    sheets = std::max(sheets, 1L);
    for (long s = 2; s <= sheets; ++s) {
        m_step.set("MK_260011", {int(s)});
        // Copies of the untouched data sheet, each after the one before, so that the copies
        // are named and ordered "Name (2)", "Name (3)", ...
        auto copy = m_xl.copySheetAfter(m_run.outputBook, m_run.sheetIndex, m_run.outputBook,
                                        m_run.sheetIndex + int(s) - 2);
        if (!copy)
            return fail(copy.error().message);
    }
    m_prepared = int(sheets);
    m_step.set("MK_260012");
    return select(m_run.sheetIndex);
}

Status TemplateWriter::ensureSheet(int index) {
    // More records than the count gave: one more data sheet from the template's first sheet,
    // which the data sheet was made from.
    if (index < m_run.sheetIndex + m_prepared)
        return Status::ok();
    if (m_run.templateBook <= 0)
        return fail(QStringLiteral("抽出件数を超えるデータがあり、次のシートを用意できません。"));
    auto copy = m_xl.copySheetAfter(m_run.templateBook, 1, m_run.outputBook, index - 1);
    if (!copy)
        return fail(copy.error().message);
    ++m_prepared;
    return Status::ok();
}

Status TemplateWriter::fixedRecord(const Fields &record, bool last) {
    if (m_prepared == 0)
        if (Status s = prepareSheets(); !s)
            return s;
    const int h = m_height;
    const int offset = h * (m_page - 1);
    bool moveOn = false;
    if (qint64(h) * (m_page + 1) <= kSheetRows) {
        m_step.set("MK_260020");
        if (Status s = setPrintArea(current(), h * m_page); !s)
            return s;
        m_step.set("MK_260021");
        if (Status s = copyBlock(current(), offset + 1, current(), h * m_page + 1, last); !s)
            return s;
    } else {
        // The next block would pass the sheet's last row: it starts the next sheet. The last
        // record fills this sheet and needs no next one.
        m_step.set("MK_260030");
        if (Status s = setPrintArea(current(), h * m_page); !s)
            return s;
        moveOn = !last;
        if (moveOn) {
            const int here = m_sheet;
            m_step.set("MK_260031");
            if (Status s = ensureSheet(here + 1); !s)
                return s;
            if (Status s = select(here + 1); !s)
                return s;
            m_step.set("MK_260032");
            if (Status s = setPrintArea(current(), h); !s)
                return s;
            m_step.set("MK_260033");
            if (Status s = copyBlock(current(), 1, current(), h + 1, last); !s)
                return s;
            m_step.set("MK_260034");
            if (Status s = select(here); !s)
                return s;
        }
    }
    for (const Target &t : m_targets) {
        m_step.set("MK_260040", {t.field + 1});
        if (Status s = writeField(current(), t, offset, record); !s)
            return s;
    }
    if (Status s = writeTitleAndTime(current(), offset, "MK_260041", "MK_260042"); !s)
        return s;
    ++m_page;
    if (moveOn) {
        m_step.set("MK_260050");
        m_page = 1;
        return select(m_sheet + 1);
    }
    return Status::ok();
}

Status TemplateWriter::extendedRecord(const Fields &record, const Fields *next) {
    const bool last = next == nullptr;
    const int h = m_height;
    // Look ahead: a different key in the next record ends the page with this one.
    m_step.set("KI_330010");
    if (m_keyField > 0) {
        if (size_t(m_keyField) > record.size())
            return fail(QStringLiteral("改ページ項目の番号がデータの項目数を超えています。：%1")
                            .arg(m_keyField));
        if (next && size_t(m_keyField) <= next->size() &&
            displayText(record[size_t(m_keyField - 1)]) !=
                displayText((*next)[size_t(m_keyField - 1)]))
            m_pageEnd = true;
    }
    const ExcelSheet sheet = current();
    if (m_line == 1) {
        // This record starts page P.
        const int base = h * (m_page - 1);
        m_step.set("KI_330020");
        if (qint64(h) * m_page > xlsx::kMaxRows)
            return fail(QStringLiteral("拡張一覧帳票のページがシートの最終行を超えます。：%1ページ")
                            .arg(m_page));
        if (Status s = setPrintArea(sheet, h * m_page); !s)
            return s;
        if (m_page > 1 && !m_nextPageCopied) {
            m_step.set("KI_330021");
            const ExcelSheet source = m_xl.sheet(m_run.templateBook, 1);
            if (m_run.templateBook <= 0 || !source.isValid())
                return fail(
                    QStringLiteral("雛形ブックが開かれていないため、ページをコピーできません。"));
            // The page's own template, also for the last record (it lands on this page).
            if (Status s = copyBlock(source, 1, sheet, base + 1, false); !s)
                return s;
        }
        m_step.set("KI_330022");
        if (!m_pageEnd && m_line < m_linesPerPage && !last)
            sheet
                .range(sheet.cells(base + m_lineFirst.row, m_lineFirst.column),
                       sheet.cells(base + m_lineLast.row, m_lineLast.column))
                .copyTo(sheet.cells(base + m_lineFirst.row + m_lineHeight, m_lineFirst.column));
        for (const Target &t : m_targets) {
            m_step.set("KI_330030", {t.field + 1});
            if (Status s = writeField(sheet, t, base, record); !s)
                return s;
        }
        if (Status s = writeTitleAndTime(sheet, base, "KI_330031", "KI_330032"); !s)
            return s;
        m_nextPageCopied = false;
        ++m_page;
        m_line = m_linesPerPage == 1 || m_pageEnd ? 1 : 2;
        m_pageEnd = false;
        return Status::ok();
    }

    // Line L of page P - 1. Lines are r rows apart.
    const int base = h * (m_page - 2);
    const int lineOffset = base + m_lineHeight * (m_line - 1);
    if (!m_pageEnd && m_line < m_linesPerPage) {
        m_step.set("KI_330040");
        if (!last)
            sheet
                .range(sheet.cells(lineOffset + m_lineFirst.row, m_lineFirst.column),
                       sheet.cells(lineOffset + m_lineLast.row, m_lineLast.column))
                .copyTo(
                    sheet.cells(lineOffset + m_lineFirst.row + m_lineHeight, m_lineFirst.column));
        for (const Target &t : m_targets) {
            if (!t.line)
                continue;
            m_step.set("KI_330041", {t.field + 1});
            if (Status s = writeField(sheet, t, lineOffset, record); !s)
                return s;
        }
        ++m_line;
        return Status::ok();
    }
    // The page ends with this record; the next page gets its template.
    m_pageEnd = false;
    m_step.set("KI_330050");
    if (!last) {
        const ExcelSheet source = m_xl.sheet(m_run.templateBook, 1);
        if (m_run.templateBook <= 0 || !source.isValid())
            return fail(
                QStringLiteral("雛形ブックが開かれていないため、ページをコピーできません。"));
        if (qint64(h) * m_page > xlsx::kMaxRows)
            return fail(QStringLiteral("拡張一覧帳票のページがシートの最終行を超えます。：%1ページ")
                            .arg(m_page));
        if (Status s = copyBlock(source, 1, sheet, h * (m_page - 1) + 1, false); !s)
            return s;
        m_nextPageCopied = true;
    }
    for (const Target &t : m_targets) {
        if (!t.line)
            continue;
        m_step.set("KI_330051", {t.field + 1});
        if (Status s = writeField(sheet, t, lineOffset, record); !s)
            return s;
    }
    m_line = 1;
    return Status::ok();
}

Status TemplateWriter::finish() {
    const bool extended = m_kind == TemplateReportKind::Extended;
    extended ? m_step.set("KI_330093") : m_step.set("MK_260055");
    // The block after the last one filled; with no records the template block itself.
    const ExcelSheet sheet = current();
    const qint64 top = qint64(m_height) * (m_page - 1) + 1;
    if (top <= xlsx::kMaxRows) {
        const int bottom = int(std::min<qint64>(qint64(m_height) * m_page, xlsx::kMaxRows));
        sheet.range(sheet.cells(int(top), 1), sheet.cells(bottom, m_lastColumn)).deleteShiftUp();
    }
    if (!extended && m_prepared > 0) {
        // Sheets made ready for records that never came (the data ended before the count).
        m_step.set("MK_260056");
        for (int s = m_run.sheetIndex + m_prepared - 1; s > m_sheet; --s)
            if (Status st = m_xl.deleteSheet(m_run.outputBook, s); !st)
                return fail(st.error().message);
    }
    return Status::ok();
}

} // namespace

Status writeTemplateReport(ExcelSession &xl, const TemplateReportRun &run,
                           const ReportDefinition &def, RecordSource &records, StepCode &step,
                           const TemplateProgressFn &progress) {
    const TemplateReportKind kind = templateReportKind(def);
    if (kind == TemplateReportKind::None)
        return Error{QStringLiteral("固定帳票・拡張一覧帳票の指定がありません。"), step.text()};
    DatabaseCellWriter own;
    DatabaseCellWriter &values = run.values ? *run.values : own;
    QStringList names;
    for (const ColumnSetting &c : def.columns)
        names << (c.Alias.trimmed().isEmpty() ? c.PhysicalName : c.Alias);
    values.setColumnNames(names);
    TemplateWriter writer(xl, run, def, step, kind, values);
    if (Status s = writer.prepare(); !s)
        return s;

    Fields current, next;
    bool have = records.next(current);
    long number = 0;
    while (have) {
        ++number;
        if (progress)
            progress(number, run.dataCount);
        const bool more = records.next(next);
        Status s = kind == TemplateReportKind::Fixed
                       ? writer.fixedRecord(current, !more)
                       : writer.extendedRecord(current, more ? &next : nullptr);
        if (!s)
            return s;
        std::swap(current, next);
        have = more;
    }
    if (Status s = records.status(); !s)
        return Error{s.error().message,
                     s.error().stepCode.isEmpty() ? step.text() : s.error().stepCode};
    return writer.finish();
}

} // namespace kelvoran

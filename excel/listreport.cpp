#include "excel/listreport.h"

#include "db/recordstream.h"
#include "excel/formatapply.h"
#include "excel/pivotreport.h"
#include "report/formatcode.h"

#include "core/displaytext.h"

#include "excel/engine/cellref.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace kelvoran {

namespace {

QString letters(int column) {
    return QString::fromStdString(xlsx::columnLetters(column));
}

// A number of a report value, 0 when it is empty or not a number.
int intValue(const ReportDefinition &def, const char *key) {
    bool ok = false;
    const int v = def.value(QString::fromLatin1(key)).trimmed().toInt(&ok);
    return ok ? v : 0;
}

bool isWholeNumber(const QString &text) {
    QStringView t = QStringView(text).trimmed();
    // A decimal as the database wrote it keeps the zeros of its scale: "5.00" is whole.
    if (const qsizetype dot = t.indexOf(u'.'); dot >= 0) {
        for (QChar c : t.sliced(dot + 1))
            if (c != u'0')
                return false;
        t = t.first(dot);
    }
    bool ok = false;
    (void)t.toLongLong(&ok);
    return ok;
}

// Fails with the engine's message.
#define KV_TRY(expr)                                                                               \
    do {                                                                                           \
        const Status kv_st = (expr);                                                               \
        if (!kv_st)                                                                                \
            return kv_st;                                                                          \
    } while (0)

class ListWriter {
public:
    explicit ListWriter(ListReportContext &ctx)
        : m_ctx(ctx), m_def(*ctx.def), m_step(*ctx.step), m_items(*ctx.items) {}

    Status run();

private:
    ExcelRange cell(int row, int col) const { return m_sheet.cells(row, col); }
    ExcelRange rect(int top, int left, int bottom, int right) const {
        return m_sheet.range(cell(top, left), cell(bottom, right));
    }
    Status border(int row, int from, int to, int edge) const {
        return rect(row, from, row, to)
            .setBorder(edge, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic);
    }
    // The column setting of regular column k (0-based); an empty one for a column that the
    // statement has beyond the rows (an expanded "*").
    ColumnSetting columnAt(int k) const {
        return k < int(m_def.columns.size()) ? m_def.columns[size_t(k)] : ColumnSetting();
    }
    Status styleBand(int row, int colour);
    Status endGroup(size_t index, int subtotalRow, int lastRow);
    Status recordLoop();
    Status formatPass(int pass);
    Status writeFooter(int k, const std::vector<ParsedFormat> &codes, int firstRow, int lastRow);
    Status titleAndTime();
    Status pass1Extras();

    ListReportContext &m_ctx;
    const ReportDefinition &m_def;
    StepCode &m_step;
    std::vector<GroupTotalItem> &m_items;
    ExcelSheet m_sheet;

    int m_n = 0;        // regular columns
    int m_startRow = 0; // heading row, or first data row without one
    int m_startCol = 0;
    int m_firstDataRow = 0;
    int m_lastCol = 0; // L
    int m_rf = 0;
    bool m_heading = false;
    qint64 m_records = 0;   // records written
    int m_lastTableRow = 0; // last record row or last subtotal row after it
    int m_footerRow = 0;
    bool m_footerWritten = false;
    std::vector<std::vector<ParsedFormat>> m_codes; // per regular column
    std::map<int, std::vector<int>> m_subtotalRows; // sheet column -> its subtotal rows, rising
    std::vector<int> m_textColumns;                 // 0-based regular columns carrying code 006
    int m_textFormattedTo = 0;                      // last row formatted as text before the data
};

Status ListWriter::styleBand(int row, int colour) {
    // From the first column to the last regular one, plus the row-total column with RF 1.
    const int right = m_startCol + m_n - 1 + (m_rf == 1 ? 1 : 0);
    const ExcelRange band = rect(row, m_startCol, row, right);
    KV_TRY(band.setHorizontalAlignment(xl::HAlignRight));
    KV_TRY(band.setVerticalAlignment(xl::VAlignCenter));
    KV_TRY(band.setBorder(xl::EdgeBottom, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic));
    KV_TRY(band.setInteriorColorIndex(colour));
    KV_TRY(band.setInteriorPattern(xl::PatternSolid));
    return border(row, m_startCol, m_lastCol, xl::EdgeBottom);
}

Status ListWriter::endGroup(size_t index, int subtotalRow, int lastRow) {
    GroupTotalItem &item = m_items[index];
    const int c = m_startCol + item.column - 1;
    m_step.set("ME_140017", {item.column, int(index) + 1});
    // The group's own records only: the subtotal rows of inner groups on the same column lie
    // between them and would be counted twice.
    std::vector<int> &subtotals = m_subtotalRows[c];
    double groupSum = 0;
    long numbers = 0;
    auto next = std::lower_bound(subtotals.begin(), subtotals.end(), item.groupStartRow);
    for (int from = item.groupStartRow; from <= lastRow;) {
        const bool gap = next != subtotals.end() && *next <= lastRow;
        const int to = gap ? *next - 1 : lastRow;
        if (to >= from) {
            const ExcelRange part = rect(from, c, to, c);
            groupSum += m_ctx.session->sum(part);
            numbers += m_ctx.session->count(part);
        }
        if (!gap)
            break;
        from = *next + 1;
        ++next;
    }
    if (item.kind == 103)
        cell(subtotalRow, c).setNumber(groupSum);
    else if (numbers > 0) // a group without a single number has no average: the cell stays empty
        cell(subtotalRow, c).setNumber(groupSum / double(numbers));
    item.runningTotal += roundHalfEven(groupSum);
    KV_TRY(styleBand(subtotalRow, item.fillColour));
    subtotals.push_back(subtotalRow);
    return Status::ok();
}

Status ListWriter::recordLoop() {
    RecordStream &records = *m_ctx.records;
    const QString sumHead = m_rf == 1 ? QStringLiteral("=sum(") : QStringLiteral("=AVERAGE(");
    const QString rowA = letters(m_startCol), rowB = letters(m_startCol + m_n - 1);
    int row = m_firstDataRow;
    std::vector<QString> keys(m_items.size());
    while (true) {
        m_step.set("ME_140010");
        if (!records.next()) {
            if (records.error().isValid())
                return Error{records.error().text(), m_step.text()};
            break;
        }
        ++m_records;
        if (m_ctx.progress)
            m_ctx.progress(ReportText::status(m_records, m_ctx.dataCount) + m_ctx.statusSuffix,
                           m_records, m_ctx.dataCount, m_records == 1 || m_records % 40 == 0);

        // Groups first: a record whose key ends a group goes below the new subtotal rows.
        int added = 0;
        std::vector<size_t> restarted;
        for (size_t i = 0; i < m_items.size(); ++i) {
            GroupTotalItem &item = m_items[i];
            m_step.set("ME_140016", {item.column, int(i) + 1});
            const QString key = displayText(records.value(item.keyField));
            if (m_records == 1) {
                item.keyValue = key;
                item.groupStartRow = row;
                item.runningTotal = 0;
                item.countAdjust = 0;
            } else if (key != item.keyValue) {
                KV_TRY(endGroup(i, row + added, row - 1));
                ++added;
                item.keyValue = key;
                restarted.push_back(i);
            }
            if (!isWholeNumber(displayText(records.value(item.column - 1))))
                --item.countAdjust;
        }
        row += added;
        // A new group starts at its first record, below every subtotal row added before it;
        // the groups that go on keep their start.
        for (size_t i : restarted)
            m_items[i].groupStartRow = row;

        m_step.set("ME_140012");
        // Subtotal rows push records below the rows formatted as text beforehand; their text
        // cells get the format as they are written.
        if (row > m_textFormattedTo)
            for (int k : m_textColumns)
                cell(row, m_startCol + k).setNumberFormat(QStringLiteral("@"));
        for (int k = 0; k < m_n; ++k)
            m_ctx.values->write(cell(row, m_startCol + k), records.value(k), k);
        if (m_rf == 1 || m_rf == 2) {
            m_step.set("ME_140018");
            const QString r = QString::number(row);
            cell(row, m_startCol + m_n)
                .setValue(sumHead + rowA + r + QLatin1Char(':') + rowB + r + QLatin1Char(')'));
        }
        m_step.set("ME_140019");
        KV_TRY(border(row, m_startCol, m_lastCol, xl::EdgeBottom));
        ++row;
    }
    // The last group of every item ends after the last record.
    int added = 0;
    if (m_records > 0) {
        for (size_t i = 0; i < m_items.size(); ++i) {
            KV_TRY(endGroup(i, row + added, row - 1));
            ++added;
        }
    }
    m_lastTableRow = row + added - 1;
    m_footerRow = m_lastTableRow + 1;
    return Status::ok();
}

Status ListWriter::writeFooter(int k, const std::vector<ParsedFormat> &codes, int firstRow,
                               int lastRow) {
    const int c = m_startCol + k - 1;
    const GroupTotalItem *group = nullptr;
    for (const GroupTotalItem &item : m_items)
        if (item.column == k) {
            group = &item;
            break;
        }
    const bool hasRows = lastRow >= firstRow;
    const ExcelRange range = hasRows ? rect(firstRow, c, lastRow, c) : ExcelRange();
    const QString address = hasRows ? letters(c) + QString::number(firstRow) + QLatin1Char(':') +
                                          letters(c) + QString::number(lastRow)
                                    : QString();
    bool wrote = false;
    for (const ParsedFormat &f : codes) {
        if (f.kind != 101 && f.kind != 102 && f.kind != 105 && f.kind != 106)
            continue;
        m_step.set("ME_140040", {k});
        const ExcelRange out = cell(m_footerRow, c);
        if (group) {
            if (f.kind == 101 || f.kind == 105) {
                out.setNumber(group->runningTotal);
            } else {
                // The divisor counts the records whose value is a whole number; with none the
                // average does not exist and the cell stays empty.
                const qint64 divisor = m_ctx.dataCount + group->countAdjust;
                if (divisor != 0)
                    out.setNumber(group->runningTotal / double(divisor));
                else
                    out.setValue(QString());
            }
        } else if (f.kind == 101) {
            out.setNumber(hasRows ? m_ctx.session->sum(range) : 0.0);
        } else if (f.kind == 102) {
            const Result<double> avg =
                hasRows ? m_ctx.session->average(range) : Result<double>(Error{});
            if (avg)
                out.setNumber(avg.value());
            else
                out.setValue(QString());
        } else if (!hasRows) {
            // No data rows: a formula over them would reach the footer cell itself.
            if (f.kind == 105)
                out.setNumber(0);
            else
                out.setValue(QString());
        } else {
            out.setValue((f.kind == 105 ? QStringLiteral("=sum(") : QStringLiteral("=AVERAGE(")) +
                         address + QLatin1Char(')'));
        }
        wrote = true;
    }
    if (!wrote)
        return Status::ok();
    m_step.set("ME_140041", {k});
    KV_TRY(border(m_footerRow, m_startCol, m_lastCol, xl::EdgeBottom));
    if (m_rf == 1 || m_rf == 2) {
        const QString f = QString::number(m_footerRow);
        cell(m_footerRow, m_startCol + m_n)
            .setValue((m_rf == 1 ? QStringLiteral("=sum(") : QStringLiteral("=AVERAGE(")) +
                      letters(m_startCol) + f + QLatin1Char(':') + letters(m_startCol + m_n - 1) +
                      f + QLatin1Char(')'));
        cell(m_footerRow, m_startCol)
            .setValue(m_rf == 1 ? QStringLiteral("合計") : QStringLiteral("平均"));
    }
    KV_TRY(styleBand(m_footerRow, 20));
    m_footerWritten = true;
    return Status::ok();
}

Status ListWriter::titleAndTime() {
    const ReportPositions &pos = *m_ctx.positions;
    if (pos.titleRow != 0) {
        m_step.set("ME_140050");
        const ExcelRange t = cell(pos.titleRow, pos.titleCol);
        t.setValue(pos.titleText);
        t.setFontSize(15);
        t.setFontName(QStringLiteral("ＭＳゴシック"));
        KV_TRY(t.setFontColorIndex(5));
        t.setFontBold(false);
    }
    if (pos.makeDateRow != 0) {
        m_step.set("ME_140051");
        cell(pos.makeDateRow, pos.makeDateCol).setValue(m_ctx.createdAt + ReportText::madeAt());
    }
    return Status::ok();
}

Status ListWriter::pass1Extras() {
    const int lastWritten = m_footerWritten ? m_footerRow : m_lastTableRow;
    m_step.set("ME_140055");
    if (const auto af = autoFormatConstant(intValue(m_def, "AFORMATDATA"))) {
        if (lastWritten >= m_startRow)
            KV_TRY(rect(m_startRow, m_startCol, lastWritten, m_lastCol).autoFormat(*af));
    }
    if (m_heading) {
        m_step.set("ME_140056");
        const ExcelRange h = rect(m_startRow, m_startCol, m_startRow, m_lastCol);
        KV_TRY(h.setHorizontalAlignment(xl::HAlignCenter));
        KV_TRY(h.setVerticalAlignment(xl::VAlignCenter));
        KV_TRY(h.setBorder(xl::EdgeBottom, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic));
        bool ok = false;
        const int back = m_def.value(QStringLiteral("TITLEBACKCOLOR")).trimmed().toInt(&ok);
        if (ok)
            KV_TRY(h.setInteriorColorIndex(back));
        const int font = m_def.value(QStringLiteral("TITLEFONTCOLOR")).trimmed().toInt(&ok);
        if (ok)
            KV_TRY(h.setFontColorIndex(font));
        KV_TRY(h.setInteriorPattern(xl::PatternSolid));
        h.setFontItalic(m_def.flag(QStringLiteral("TITLEITALIC")));
        h.setFontBold(m_def.flag(QStringLiteral("TITLEBOLD")));
        if (m_def.flag(QStringLiteral("TITLEHOLD"))) {
            // The rows above the first data row stay in view; no columns are frozen.
            m_step.set("ME_140057");
            m_sheet.freezePanes(m_startRow + 1, 1);
        }
    }
    if (m_records > 0 || m_heading) {
        m_step.set("ME_140058");
        KV_TRY(rect(m_startRow, m_startCol, lastWritten, m_startCol)
                   .setBorder(xl::EdgeLeft, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic));
        for (int c = m_startCol; c <= m_lastCol; ++c)
            KV_TRY(
                rect(m_startRow, c, lastWritten, c)
                    .setBorder(xl::EdgeRight, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic));
    }
    if (m_def.flag(QStringLiteral("PTOUT"))) {
        m_step.set("ME_140060");
        // The range fixed before the data: where the records stand without subtotal rows.
        const int lastRow = m_firstDataRow + int(m_ctx.dataCount) - 1;
        PivotReportContext p;
        p.def = &m_def;
        p.positions = m_ctx.positions;
        p.session = m_ctx.session;
        p.book = m_ctx.book;
        p.dataSheetIndex = m_ctx.sheetIndex;
        p.source =
            rect(m_startRow, m_startCol, std::max(lastRow, m_startRow), m_startCol + m_n - 1);
        p.dataCount = m_ctx.dataCount;
        p.createdAt = m_ctx.createdAt;
        p.step = &m_step;
        KV_TRY(writePivotTable(p));
        KV_TRY(m_ctx.session->activateSheet(m_ctx.book, m_ctx.sheetIndex));
    }
    const QString fast = m_def.value(QStringLiteral("FROWFASTCOL")).trimmed();
    const QString end = m_def.value(QStringLiteral("FROWENDCOL")).trimmed();
    if (!fast.isEmpty() || !end.isEmpty()) {
        m_step.set("ME_140062");
        // The checks keep both columns within the sheet; the sums stay wide all the same.
        const qint64 from = fast.isEmpty() ? m_startCol : qint64(m_startCol) + fast.toInt() - 1;
        const qint64 to =
            end.isEmpty() ? qint64(m_startCol) + m_n : qint64(m_startCol) + end.toInt() - 1;
        if (from >= 1 && to >= from && to <= xlsx::kMaxColumns) {
            const ExcelRange r = rect(m_startRow, int(from), m_startRow, int(to));
            KV_TRY(applyFormatCodes(r, m_def.value(QStringLiteral("FROWCODE")),
                                    FormatSweep::HeaderRow, r.entireColumn()));
        }
    }
    return Status::ok();
}

Status ListWriter::formatPass(int pass) {
    if (pass == 2 && m_rf != 0) {
        m_step.set("ME_140030");
        const int below = (m_footerWritten ? m_footerRow : m_lastTableRow) + 1;
        const ExcelRange r = rect(m_startRow, m_startCol + m_n, below, m_startCol + m_n);
        KV_TRY(applyFormatCodes(r, m_def.value(QStringLiteral("RFCODE")), FormatSweep::TotalColumn,
                                r.entireColumn()));
    }
    for (int k = 1; k <= m_n; ++k) {
        const int c = m_startCol + k - 1;
        const int last = pass == 2 && m_footerWritten ? m_footerRow : m_lastTableRow;
        if (pass == 1) {
            m_step.set("ME_140031", {k});
            KV_TRY(writeFooter(k, m_codes[size_t(k - 1)], m_firstDataRow, m_lastTableRow));
            continue;
        }
        m_step.set("ME_140032", {k});
        const ExcelRange r = rect(m_firstDataRow, c, std::max(last, m_firstDataRow), c);
        const ColumnSetting col = columnAt(k - 1);
        KV_TRY(applyFormatCodes(r, col.FormatCodes, FormatSweep::Pass2, r.entireColumn()));
        bool ok = false;
        const double width = col.WidthOrCell.trimmed().toDouble(&ok);
        if (ok && width > 0) {
            m_step.set("ME_140033", {k});
            r.entireColumn().setColumnWidth(width);
        }
    }
    KV_TRY(titleAndTime());
    if (pass == 1)
        KV_TRY(pass1Extras());
    return Status::ok();
}

Status ListWriter::run() {
    const ReportPositions &pos = *m_ctx.positions;
    m_sheet = m_ctx.session->sheet(m_ctx.book, m_ctx.sheetIndex);
    m_n = m_ctx.itemCount;
    m_startRow = pos.dataRow;
    m_startCol = pos.dataCol;
    m_rf = intValue(m_def, "RF");
    if (m_rf < 0 || m_rf > 2)
        m_rf = 0;
    m_lastCol = m_startCol + m_n - 1 + (m_rf != 0 ? 1 : 0);
    m_heading = m_def.value(QStringLiteral("KOUMOKUNAME")) != QStringLiteral("FALSE");
    for (int k = 0; k < m_n; ++k)
        m_codes.push_back(parseFormatCodes(columnAt(k).FormatCodes, columnAt(k).GroupKeys));

    // Heading row.
    m_firstDataRow = m_startRow;
    if (m_heading) {
        m_step.set("ME_140006");
        for (int k = 0; k < m_n; ++k)
            cell(m_startRow, m_startCol + k).setValue(unquoteHeading(m_ctx.headings.value(k)));
        if (m_rf != 0)
            cell(m_startRow, m_startCol + m_n).setValue(m_def.value(QStringLiteral("RFCOLNAME")));
        m_step.set("ME_140007");
        KV_TRY(border(m_startRow, m_startCol, m_lastCol, xl::EdgeTop));
        KV_TRY(border(m_startRow, m_startCol, m_lastCol, xl::EdgeBottom));
        m_firstDataRow = m_startRow + 1;
    } else if (m_ctx.dataCount > 0) {
        m_step.set("ME_140008");
        KV_TRY(border(m_startRow, m_startCol, m_lastCol, xl::EdgeTop));
    }

    // Text columns, formatted before any value is written.
    for (int k = 0; k < m_n; ++k) {
        m_step.set("ME_140009", {k + 1});
        const int c = m_startCol + k;
        const ExcelRange r =
            rect(m_firstDataRow, c, m_firstDataRow + int(std::max<qint64>(m_ctx.dataCount, 0)), c);
        KV_TRY(applyFormatCodes(r, columnAt(k).FormatCodes, FormatSweep::BeforeData, ExcelRange()));
        for (const ParsedFormat &f : m_codes[size_t(k)])
            if (f.kind == 6) {
                m_textColumns.push_back(k);
                break;
            }
    }
    m_textFormattedTo = m_firstDataRow + int(std::max<qint64>(m_ctx.dataCount, 0));

    KV_TRY(recordLoop());
    KV_TRY(formatPass(1));
    KV_TRY(formatPass(2));
    return Status::ok();
}

} // namespace

QString unquoteHeading(const QString &heading) {
    if (heading.size() >= 2 && ((heading.startsWith(u'"') && heading.endsWith(u'"')) ||
                                (heading.startsWith(u'\'') && heading.endsWith(u'\''))))
        return heading.mid(1, heading.size() - 2);
    return heading;
}

double roundHalfEven(double value) {
    const double r = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return r;
}

Status writeListReport(ListReportContext &ctx) {
    DatabaseCellWriter own;
    if (!ctx.values)
        ctx.values = &own;
    QStringList names;
    for (const QString &heading : ctx.headings)
        names << unquoteHeading(heading);
    ctx.values->setColumnNames(names);
    ListWriter w(ctx);
    const Status written = w.run();
    if (ctx.values == &own)
        ctx.values = nullptr;
    return written;
}

} // namespace kelvoran

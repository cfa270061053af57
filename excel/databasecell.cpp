#include "excel/databasecell.h"

#include "excel/excelrange.h"

#include "core/displaytext.h"
#include "report/messagetable.h"

#include "excel/engine/styles.h"
#include "excel/engine/typedinput.h"
#include "excel/engine/workbook.h"
#include "excel/engine/worksheet.h"

#include <string>
#include <string_view>

namespace kelvoran {

namespace {

using xlsx::TypedValue;

// True when typed input, which keeps 15 significant digits, would turn a non-zero digit of the
// number's mantissa into a zero.
bool losesDigits(std::string_view number) {
    int significant = 0;
    for (const char ch : number) {
        if (ch == 'e' || ch == 'E')
            break;
        if (ch < '0' || ch > '9')
            continue;
        if (significant == 0 && ch == '0')
            continue;
        if (++significant > 15 && ch != '0')
            return true;
    }
    return false;
}

// A date or a time: typed input gave it a date or time format.
bool isDateOrTime(const TypedValue &typed) {
    return typed.format.find_first_of("y:") != std::string::npos;
}

// Text that typed input leaves as text but a spreadsheet program reads as a formula: a sign or
// "@" followed by something that is not a number or a date ("+81-3-1234-5678", "-A1", "@SUM(A1)").
bool signLedText(std::string_view text) {
    return text.size() > 1 && (text[0] == '+' || text[0] == '-' || text[0] == '@');
}

// Only text that starts like a formula or holds more than 15 digits can need keeping: the
// rest goes straight to typed input, parsed once.
bool mayNeedKeeping(std::string_view text) {
    if (text.empty())
        return false;
    if (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')
        return true;
    int digits = 0;
    for (const char ch : text)
        if (ch >= '0' && ch <= '9' && ++digits > 15)
            return true;
    return false;
}

bool isDouble(const QVariant &value) {
    const int type = value.typeId();
    return type == QMetaType::Double || type == QMetaType::Float;
}

} // namespace

DatabaseCellWriter::Kept DatabaseCellWriter::write(const ExcelRange &cell, const QVariant &value,
                                                   int column) {
    const QString display = displayText(value);
    xlsx::Worksheet *ws = cell.sheet();
    const std::string text = display.toStdString();
    const int row = cell.row(), col = cell.column();
    if (!ws || !mayNeedKeeping(text) || ws->book().styles().isText(ws->styleAt(row, col))) {
        cell.setValue(display);
        return Kept::Nothing;
    }
    const TypedValue typed = xlsx::parseTypedInput(text);
    Kept kept = Kept::Nothing;
    if (typed.kind == TypedValue::Formula || (typed.kind == TypedValue::Text && signLedText(text)))
        kept = Kept::FormulaText;
    else if (typed.kind == TypedValue::Number && !isDateOrTime(typed) && losesDigits(text)) {
        if (isDouble(value)) {
            // The cell holds a double exactly: the typed conversion (and its format) with the
            // driver's own value instead of the 15-digit one.
            cell.setValue(display);
            ws->setNumber(row, col, value.toDouble());
            return Kept::Nothing;
        }
        kept = Kept::LongNumber;
    }
    if (kept == Kept::Nothing) {
        cell.setValue(display);
        return kept;
    }
    // Stored as typed with a leading apostrophe: text that stays text when the cell is edited.
    ws->setString(row, col, text);
    ws->changeStyle({row, col, row, col}, [](xlsx::CellStyle &s) { s.quotePrefix = true; });
    if (m_noted.insert({column, kept}).second) {
        const QString name = m_names.value(column, QString::number(column + 1));
        m_notices << (kept == Kept::FormulaText ? ReportText::formulaTextKept(name)
                                                : ReportText::longNumberKept(name));
    }
    return kept;
}

} // namespace kelvoran

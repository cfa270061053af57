#include "report/reportvalidation.h"

#include "report/formatcode.h"
#include "report/messagetable.h"
#include "report/settingsfile.h"
#include "report/userinteraction.h"

#include <cmath>

namespace kelvoran {

namespace {

constexpr int MaxRow = 65535;
constexpr int MaxCol = 251;
// The widest column a sheet takes, in characters.
constexpr double MaxWidth = 255;
// Colour indexes the output accepts: the 56 of the palette, 0 and "none" for no colour.
constexpr int ColourNone = -4142;
// A font colour may also be "automatic".
constexpr int ColourAutomatic = -4105;

bool isColourIndex(int index) {
    return (index >= 0 && index <= 56) || index == ColourNone;
}

// Where an item at (r, c) lies against a data area starting at (R, C): 0 clear of it (above,
// or left of it), 1 inside it below its first row, 2 inside it on its first row.
int overlap(int r, int c, int areaRow, int areaCol) {
    if (r < areaRow || c < areaCol)
        return 0;
    return r > areaRow ? 1 : 2;
}

QString k(const char *name) {
    return QString::fromLatin1(name);
}

} // namespace

ReportValidator::ReportValidator(const ReportDefinition &def, int columnCount, UserInteraction &ui,
                                 StepCode &step)
    : m_def(def), m_columnCount(columnCount), m_ui(ui), m_step(step) {}

bool ReportValidator::refuseText(const QString &text, const char *focus) {
    m_ui.inform(MessageIcon::Warning, text);
    m_focus = QString::fromLatin1(focus);
    m_selectText = true;
    m_lastMessage = -1;
    return false;
}

bool ReportValidator::checkSettingRanges() {
    const struct {
        const char *key, *edit, *code;
    } headerColumns[] = {{"FROWFASTCOL", "EditTitleFast", "CT_150040"},
                         {"FROWENDCOL", "EditTitleEnd", "CT_150041"}};
    for (const auto &h : headerColumns) {
        m_step.set(h.code);
        const QString text = trimBlanks(m_def.value(k(h.key)));
        if (text.isEmpty())
            continue;
        bool ok = false;
        const int column = text.toInt(&ok);
        if (!ok || column < 1 || column > MaxCol)
            return refuseText(RangeText::headerFormatColumn(text), h.edit);
    }
    // The colours of the column-name row are used only when that row is written.
    if (m_def.value(k("KOUMOKUNAME")) != QStringLiteral("FALSE")) {
        m_step.set("CT_150042");
        for (const char *key : {"TITLEBACKCOLOR", "TITLEFONTCOLOR"}) {
            const QString text = trimBlanks(m_def.value(k(key)));
            if (text.isEmpty())
                continue;
            bool ok = false;
            const int index = text.toInt(&ok);
            const bool automaticFont =
                index == ColourAutomatic && qstrcmp(key, "TITLEFONTCOLOR") == 0;
            if (!ok || !(isColourIndex(index) || automaticFont))
                return refuseText(RangeText::headerColour(text), "EditTitleFormat");
        }
    }
    // Column widths; with either template report the field holds a target cell instead.
    const bool cells = m_def.flag(k("KOTEIFLG")) || m_def.flag(k("KCFLG"));
    for (size_t i = 0; i < m_def.columns.size(); ++i) {
        const ColumnSetting &column = m_def.columns[i];
        const int row = int(i) + 1;
        m_step.set("CT_150043", {row});
        const QString width = trimBlanks(column.WidthOrCell);
        if (!cells && !width.isEmpty()) {
            bool ok = false;
            const double w = width.toDouble(&ok);
            if (!ok || !std::isfinite(w) || w < 0 || w > MaxWidth)
                return refuseText(RangeText::columnWidth(width, row), "StringGrid_ExcelSet_Col");
        }
        // A group total's colour that is a number must be one the sheet has; a field that is
        // not a number takes the fixed colour of its kind.
        for (const ParsedFormat &f : parseFormatCodes(column.FormatCodes, column.GroupKeys)) {
            if (!FormatCode::isGroupKind(f.kind))
                continue;
            bool ok = false;
            const int colour = f.param1.trimmed().toInt(&ok);
            if (ok && !isColourIndex(colour))
                return refuseText(RangeText::groupColour(f.param1.trimmed(), row),
                                  "StringGrid_ExcelSet_Col");
        }
    }
    return true;
}

bool ReportValidator::refuse(const char *code, int message, const char *focus, bool select) {
    m_step.set(code);
    ShowMessageNo(m_ui, 2, message);
    m_focus = QString::fromLatin1(focus);
    m_selectText = select;
    m_lastMessage = message;
    return false;
}

bool ReportValidator::checkPosition(const char *rowKey, const char *colKey, const char *rowEdit,
                                    const char *colEdit, const PositionCodes &codes, Cell &cell) {
    const QString row = trimBlanks(m_def.value(k(rowKey)));
    const QString col = trimBlanks(m_def.value(k(colKey)));
    m_step.set(codes.codes[0]);
    if (row.isEmpty())
        return refuse(codes.codes[0], codes.blankRow, rowEdit);
    m_step.set(codes.codes[1]);
    if (col.isEmpty())
        return refuse(codes.codes[1], codes.blankCol, colEdit);
    bool ok = false;
    m_step.set(codes.codes[2]);
    const int r = row.toInt(&ok);
    if (!ok)
        return refuse(codes.codes[2], codes.badRow, rowEdit, true);
    m_step.set(codes.codes[3]);
    const int c = col.toInt(&ok);
    if (!ok)
        return refuse(codes.codes[3], codes.badCol, colEdit, true);
    // Nothing lies left of column 1 or above row 1; a position there would be moved silently
    // and would feed negative sums into the layout.
    if (r < 1)
        return refuse(codes.codes[2], codes.badRow, rowEdit, true);
    if (c < 1)
        return refuse(codes.codes[3], codes.badCol, colEdit, true);
    m_step.set(codes.codes[4]);
    if (r > MaxRow)
        return refuse(codes.codes[4], codes.bigRow, rowEdit);
    m_step.set(codes.codes[5]);
    if (c > MaxCol)
        return refuse(codes.codes[5], codes.bigCol, colEdit);
    cell = {r, c};
    return true;
}

bool ReportValidator::dataSheetStage(bool extended) {
    // The same steps under two stage codes: "CT_1500nn" and "CR_3200nn".
    static const char *const kFirst[] = {"CT_150001", "CR_320001"};
    static const PositionCodes kData[] = {
        {2,
         2,
         19,
         20,
         10,
         11,
         {"CT_150002", "CT_150003", "CT_150004", "CT_150005", "CT_150006", "CT_150007"}},
        {2,
         2,
         19,
         20,
         10,
         11,
         {"CR_320002", "CR_320003", "CR_320004", "CR_320005", "CR_320006", "CR_320007"}}};
    static const PositionCodes kTitle[] = {
        {2,
         2,
         19,
         20,
         10,
         11,
         {"CT_150008", "CT_150009", "CT_150010", "CT_150011", "CT_150012", "CT_150013"}},
        {2,
         2,
         19,
         20,
         10,
         11,
         {"CR_320008", "CR_320009", "CR_320010", "CR_320011", "CR_320012", "CR_320013"}}};
    static const PositionCodes kDate[] = {
        {2,
         2,
         19,
         20,
         10,
         11,
         {"CT_150016", "CT_150017", "CT_150018", "CT_150019", "CT_150020", "CT_150021"}},
        {2,
         2,
         19,
         20,
         10,
         11,
         {"CR_320016", "CR_320017", "CR_320018", "CR_320019", "CR_320020", "CR_320021"}}};
    struct Steps {
        const char *titleText, *sheet, *dateRecord, *titleBelow, *titleSameRow, *titleOff,
            *dateBelow, *dateSameRow, *dateOff, *sameCell, *sheetRecord;
    };
    static const Steps kSteps[] = {
        {"CT_150014", "CT_150015", "CT_150022", "CT_150026", "CT_150028", "CT_150029", "CT_150033",
         "CT_150035", "CT_150036", "CT_150037", "CT_150038"},
        {"CR_320014", "CR_320015", "CR_320022", "CR_320026", "CR_320028", "CR_320029", "CR_320033",
         "CR_320035", "CR_320036", "CR_320037", "CR_320040"}};
    const int s = extended ? 1 : 0;
    const Steps &st = kSteps[s];

    m_step.set(kFirst[s]);
    m_pos.dataRow = m_pos.dataCol = 0;
    m_pos.titleRow = m_pos.titleCol = 0;
    m_pos.titleText.clear();
    m_pos.makeDateRow = m_pos.makeDateCol = 0;
    m_pos.sheetName.clear();

    const bool fixed = m_def.flag(k("KOTEIFLG"));
    const bool ext = m_def.flag(k("KCFLG"));
    const bool title = m_def.flag(k("TITLEFLG"));
    const bool date = m_def.flag(k("MAKEDATEFLG"));
    const bool sheet = m_def.flag(k("SHEETFLG"));
    // The data position belongs to the list layout: without either template report in the
    // first stage, without the extended list report in the third.
    const bool checkData = extended ? !ext : (!fixed && !ext);

    bool ok = true;
    Cell cell;
    if (checkData) {
        ok = checkPosition("DATAFASTROW", "DATAFASTCOL", "EditFastRow", "EditFastCol", kData[s],
                           cell);
        if (ok) {
            m_pos.dataRow = cell.row;
            m_pos.dataCol = cell.col;
        }
    }
    if (ok && title) {
        ok = checkPosition("TITLEROW", "TITLECOL", "EditTitleFastRow", "EditTitleFastCol",
                           kTitle[s], cell);
        if (ok) {
            m_step.set(st.titleText);
            m_pos.titleRow = cell.row;
            m_pos.titleCol = cell.col;
            m_pos.titleText = m_def.value(k("TITLE"));
        }
    }
    if (ok && sheet) {
        m_step.set(st.sheet);
        if (trimBlanks(m_def.value(k("SHEETNAME"))).isEmpty())
            ok = refuse(st.sheet, 9, "EditSheetName");
    }
    if (ok && date) {
        ok = checkPosition("MAKEDATEROW", "MAKEDATECOL", "EditDateFastRow", "EditDateFastCol",
                           kDate[s], cell);
        if (ok) {
            m_step.set(st.dateRecord);
            m_pos.makeDateRow = cell.row;
            m_pos.makeDateCol = cell.col;
        }
    }
    if (checkData && ok) {
        if (title) {
            const int o = overlap(m_pos.titleRow, m_pos.titleCol, m_pos.dataRow, m_pos.dataCol);
            if (o != 0)
                ok = refuse(o == 1 ? st.titleBelow : st.titleSameRow, 0, "EditTitleFastRow");
        } else {
            m_step.set(st.titleOff);
            m_pos.titleRow = m_pos.titleCol = 0;
        }
        if (ok && date) {
            const int o =
                overlap(m_pos.makeDateRow, m_pos.makeDateCol, m_pos.dataRow, m_pos.dataCol);
            if (o != 0)
                ok = refuse(o == 1 ? st.dateBelow : st.dateSameRow, 1, "EditDateFastRow");
        } else if (!date) {
            // After a refused title the step code stays the title's: it is what the error
            // report names.
            if (ok)
                m_step.set(st.dateOff);
            m_pos.makeDateRow = m_pos.makeDateCol = 0;
        }
    }
    if (!extended) {
        m_pos.fixedReport = false;
        m_pos.fixedEndCell.clear();
        if (ok && fixed) {
            m_step.set("CT_150039");
            const QString endCell = trimBlanks(m_def.value(k("KOTEIHINACELL")));
            if (endCell.size() < 2) {
                ok = refuse("CT_150039", 45, "EditHinaEndCell");
            } else {
                m_pos.fixedReport = true;
                m_pos.fixedEndCell = endCell;
            }
        }
    }
    if (ok && title && date && m_pos.titleRow == m_pos.makeDateRow &&
        m_pos.titleCol == m_pos.makeDateCol)
        ok = refuse(st.sameCell, 3, "EditDateFastRow");
    if (ok && sheet) {
        m_step.set(st.sheetRecord);
        m_pos.sheetName = m_def.value(k("SHEETNAME"));
    }
    if (ok && !extended)
        ok = checkSettingRanges();
    if (extended) {
        m_pos.extendedReport = false;
        m_pos.extendedEndCell.clear();
        m_pos.repeatStartCell.clear();
        m_pos.repeatEndCell.clear();
        m_pos.rowsPerPage.clear();
        if (ok && ext) {
            m_step.set("CR_320039");
            const QString endCell = trimBlanks(m_def.value(k("KOTEIHINACELL")));
            if (endCell.size() < 2)
                return refuse("CR_320039", 45, "EditHinaEndCell");
            m_step.set("CR_320041");
            m_pos.extendedReport = true;
            m_pos.extendedEndCell = endCell;
            const QString start = trimBlanks(m_def.value(k("KCFC")));
            if (start.size() < 2)
                return refuse("CR_320043", 46, "EditKurikaeshiFarst");
            m_step.set("CR_320042");
            m_pos.repeatStartCell = start;
            const QString end = trimBlanks(m_def.value(k("KCEC")));
            if (end.size() < 2)
                return refuse("CR_320045", 47, "EditKurikaeshiEnd");
            m_step.set("CR_320044");
            m_pos.repeatEndCell = end;
            const QString rows = trimBlanks(m_def.value(k("KCPC")));
            if (rows.isEmpty())
                return refuse("CR_320047", 48, "EditKCRowCnt");
            m_step.set("CR_320048");
            bool number = false;
            const int perPage = rows.toInt(&number);
            if (!number || perPage < 1)
                return refuseText(RangeText::rowsPerPage(rows), "EditKCRowCnt");
            m_step.set("CR_320046");
            m_pos.rowsPerPage = rows;
        }
    }
    return ok;
}

bool ReportValidator::ValidateDataSheet() {
    return dataSheetStage(false);
}

bool ReportValidator::ValidateExtendedReport() {
    return dataSheetStage(true);
}

bool ReportValidator::ValidatePivot() {
    if (!m_def.flag(k("PTOUT")))
        return true;
    // A blank pivot data position has no message of its own in the table; the pivot output
    // row/column messages (31, 32) name it, where 26/27 would name the creation time.
    static const PositionCodes kData = {
        31,
        32,
        33,
        34,
        39,
        40,
        {"CP_170002", "CP_170003", "CP_170004", "CT_170005", "CP_170006", "CP_170007"}};
    static const PositionCodes kTitle = {
        28,
        29,
        37,
        38,
        41,
        42,
        {"CP_170008", "CP_170009", "CP_170010", "CP_170011", "CP_170012", "CP_170013"}};
    static const PositionCodes kDate = {
        26,
        27,
        35,
        36,
        43,
        44,
        {"CP_170015", "CP_170016", "CP_170017", "CP_170018", "CP_170019", "CP_170020"}};

    m_step.set("CP_170001");
    m_pos.pivotDataRow = m_pos.pivotDataCol = 0;
    m_pos.pivotTitleRow = m_pos.pivotTitleCol = 0;
    m_pos.pivotTitleText.clear();
    m_pos.pivotMakeDateRow = m_pos.pivotMakeDateCol = 0;
    m_pos.pivotSheetName.clear();

    const bool title = m_def.flag(k("PTTITLEFLG"));
    const bool date = m_def.flag(k("PTMAKEDATEFLG"));
    const bool ownSheet = m_def.flag(k("PTSHEETFLG"));
    const bool dataTitle = m_def.flag(k("TITLEFLG"));
    const bool dataDate = m_def.flag(k("MAKEDATEFLG"));

    Cell cell;
    bool ok = checkPosition("PTDATAFASTROW", "PTDATAFASTCOL", "EditFastRowPivotTable",
                            "EditFastColPivotTable", kData, cell);
    if (!ok)
        return false;
    m_pos.pivotDataRow = cell.row;
    m_pos.pivotDataCol = cell.col;
    const int pivotRow = cell.row;
    const int pivotCol = cell.col;

    if (title) {
        ok = checkPosition("PTTITLEROW", "PTTITLECOL", "EditTitleFastRowPivotTable",
                           "EditTitleFastColPivotTable", kTitle, cell);
        if (ok) {
            m_pos.pivotTitleRow = cell.row;
            m_pos.pivotTitleCol = cell.col;
            m_pos.pivotTitleText = m_def.value(k("PTTITLE"));
        }
    }
    if (ok && ownSheet) {
        m_step.set("CP_170014");
        if (trimBlanks(m_def.value(k("PTSHEETNAME"))).isEmpty())
            ok = refuse("CP_170014", 30, "EditSheetNamePivotTable");
    }
    if (ok && date) {
        ok = checkPosition("PTMAKEDATEROW", "PTMAKEDATECOL", "EditDateFastRowPivotTable",
                           "EditDateFastColPivotTable", kDate, cell);
        if (ok) {
            m_pos.pivotMakeDateRow = cell.row;
            m_pos.pivotMakeDateCol = cell.col;
        }
    }
    if (title && ok) {
        int o = overlap(m_pos.pivotTitleRow, m_pos.pivotTitleCol, pivotRow, pivotCol);
        if (o != 0)
            ok = refuse(o == 1 ? "CP_170021" : "CP_170022", 17, "EditTitleFastRowPivotTable");
        if (ok && !ownSheet) {
            o = overlap(m_pos.pivotTitleRow, m_pos.pivotTitleCol, m_pos.dataRow, m_pos.dataCol);
            if (o != 0)
                ok = refuse(o == 1 ? "CP_170023" : "CP_170024", 21, "EditTitleFastRowPivotTable");
            if (ok && dataTitle) {
                o = overlap(m_pos.titleRow, m_pos.titleCol, pivotRow, pivotCol);
                if (o != 0)
                    ok = refuse(o == 1 ? "CP_170025" : "CP_170026", 25, "EditFastRowPivotTable");
            }
        }
    }
    if (!title || !ok) {
        m_pos.pivotTitleRow = m_pos.pivotTitleCol = 0;
        m_pos.pivotTitleText.clear();
    }
    if (date && ok) {
        int o = overlap(m_pos.pivotMakeDateRow, m_pos.pivotMakeDateCol, pivotRow, pivotCol);
        if (o != 0)
            ok = refuse(o == 1 ? "CP_170027" : "CP_170028", 18, "EditDateFastRowPivotTable");
        if (ok && !ownSheet) {
            o = overlap(m_pos.pivotMakeDateRow, m_pos.pivotMakeDateCol, m_pos.dataRow,
                        m_pos.dataCol);
            if (o != 0)
                ok = refuse(o == 1 ? "CP_170029" : "CP_170030", 22, "EditDateFastRowPivotTable");
            if (ok && dataDate) {
                o = overlap(m_pos.makeDateRow, m_pos.makeDateCol, pivotRow, pivotCol);
                if (o != 0)
                    ok = refuse(o == 1 ? "CP_170031" : "CP_170032", 24, "EditFastRowPivotTable");
            }
        }
    }
    auto same = [](int r1, int c1, int r2, int c2) { return r1 == r2 && c1 == c2; };
    if (ok && title && date &&
        same(m_pos.pivotTitleRow, m_pos.pivotTitleCol, m_pos.pivotMakeDateRow,
             m_pos.pivotMakeDateCol))
        ok = refuse("CP_170033", 23, "EditDateFastRowPivotTable");
    if (!ownSheet) {
        if (ok && title && dataTitle &&
            same(m_pos.pivotTitleRow, m_pos.pivotTitleCol, m_pos.titleRow, m_pos.titleCol))
            ok = refuse("CP_170034", 12, "EditTitleFastRowPivotTable");
        if (ok && title && dataDate &&
            same(m_pos.pivotTitleRow, m_pos.pivotTitleCol, m_pos.makeDateRow, m_pos.makeDateCol))
            ok = refuse("CP_170035", 13, "EditTitleFastRowPivotTable");
        if (ok && date && dataTitle &&
            same(m_pos.pivotMakeDateRow, m_pos.pivotMakeDateCol, m_pos.titleRow, m_pos.titleCol))
            ok = refuse("CP_170036", 14, "EditDateFastRowPivotTable");
        if (ok && date && dataDate &&
            same(m_pos.pivotMakeDateRow, m_pos.pivotMakeDateCol, m_pos.makeDateRow,
                 m_pos.makeDateCol))
            ok = refuse("CP_170037", 15, "EditDateFastRowPivotTable");
        if (ok) {
            m_step.set("CP_170038");
            // The pivot starts to the right of the last data column.
            if (pivotCol < m_pos.dataCol + m_columnCount)
                ok = refuse("CP_170038", 16, "EditFastColPivotTable");
        }
    } else if (ok) {
        m_step.set("CP_170039");
        m_pos.pivotSheetName = m_def.value(k("PTSHEETNAME"));
    }
    return ok;
}

bool ReportValidator::validateAll() {
    return ValidateDataSheet() && ValidatePivot() && ValidateExtendedReport();
}

} // namespace kelvoran

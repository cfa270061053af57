// Checks of the positions of a report before it is saved or output, in three stages:
//  1. ValidateDataSheet (PCT_): data position, title, sheet name, creation time, fixed report;
//  2. ValidatePivot (PCP_): the pivot table, only when it is on;
//  3. ValidateExtendedReport (PCR_): the data sheet again, with the extended list report.
// A stage runs only after the previous one passed. Each refusal shows one message of the
// message table, names the control to focus and leaves the stage code of the check. Every row
// and column must be a whole number from 1 up to 65535 and 251; the other numbers the output
// uses (format columns, colours, widths, rows per page) are checked against what it can take,
// so nothing out of range ever reaches its arithmetic.
#pragma once

#include "report/reportdefinition.h"

#include "core/stepcode.h"

#include <QString>

namespace kelvoran {

class UserInteraction;

// The positions the output uses, recorded while checking (0 and empty when not set).
struct ReportPositions {
    int dataRow = 0, dataCol = 0;
    int titleRow = 0, titleCol = 0;
    QString titleText;
    int makeDateRow = 0, makeDateCol = 0;
    QString sheetName;

    int pivotDataRow = 0, pivotDataCol = 0;
    int pivotTitleRow = 0, pivotTitleCol = 0;
    QString pivotTitleText;
    int pivotMakeDateRow = 0, pivotMakeDateCol = 0;
    QString pivotSheetName;

    bool fixedReport = false;
    QString fixedEndCell;
    bool extendedReport = false;
    QString extendedEndCell, repeatStartCell, repeatEndCell, rowsPerPage;
};

// Runs the checks on a definition (the designer's values). UI thread only.
class ReportValidator {
public:
    // The step codes are set in step (its prefix decides "P" or "C"); columnCount is the number
    // of report columns (rows of the column grid).
    ReportValidator(const ReportDefinition &def, int columnCount, UserInteraction &ui,
                    StepCode &step);

    // The three stages; each returns true for OK.
    bool ValidateDataSheet();
    bool ValidatePivot();
    bool ValidateExtendedReport();
    // All three in order, stopping at the first NG.
    bool validateAll();

    const ReportPositions &positions() const { return m_pos; }
    // The control to focus after an NG (a designer control name such as "EditFastRow"), and
    // whether its text is selected (a value that is not a number).
    const QString &focusControl() const { return m_focus; }
    bool selectText() const { return m_selectText; }
    // The message number of the last refusal, or -1.
    int lastMessage() const { return m_lastMessage; }

private:
    struct Cell {
        int row = 0, col = 0;
    };
    struct PositionCodes {
        int blankRow, blankCol, badRow, badCol, bigRow, bigCol; // message numbers
        const char *codes[6];                                   // stage steps
    };

    bool refuse(const char *code, int message, const char *focus, bool select = false);
    // A refusal with a text of its own, for settings the numbered table has no message for;
    // the step code is the one already set.
    bool refuseText(const QString &text, const char *focus);
    // Numbers the positions do not cover: the column-name row's format columns and colours,
    // the column widths and the group total colours.
    bool checkSettingRanges();
    bool checkPosition(const char *rowKey, const char *colKey, const char *rowEdit,
                       const char *colEdit, const PositionCodes &codes, Cell &cell);
    bool dataSheetStage(bool extended);

    const ReportDefinition &m_def;
    int m_columnCount;
    UserInteraction &m_ui;
    StepCode &m_step;
    ReportPositions m_pos;
    QString m_focus;
    bool m_selectText = false;
    int m_lastMessage = -1;
};

} // namespace kelvoran

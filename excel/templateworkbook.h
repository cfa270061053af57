// The output workbook of a report made from a template workbook: the template opened read-only
// with its read password, its sheets copied into the output in their order, the template kept
// open for the template reports (the extended list report copies its pages from it) and closed
// without saving before the output is saved. The template file itself is never written.
#pragma once

#include "core/result.h"
#include "core/stepcode.h"

#include <QString>

namespace kelvoran {

class ExcelSession;

// Where the template's sheets went.
struct TemplateWorkbook {
    int outputBook = 0;         // the output workbook
    int sheetIndex = 1;         // its data sheet: the copy of the template's first sheet
    int templateBook = 0;       // the template, open read-only; 0 once closed
    int templateSheetCount = 0; // sheets of the template
};

// Opens the template and fills the output workbook. sharedBook 0: a new workbook whose sheets
// are exactly the template's, with the template's names. sharedBook > 0 (a scheduled entry
// writing into the workbook of the entry before): the template's sheets follow the sheets
// already there. A missing file, a wrong read password or a file that is not a workbook fail
// with a message naming the template; nothing is left open then.
Result<TemplateWorkbook> openTemplateWorkbook(ExcelSession &xl, const QString &templatePath,
                                              const QString &readPassword, int sharedBook,
                                              StepCode &step);

// The template path of a settings file: PATTERNFILE as it stands when absolute (the designer
// stores what its file dialog chose); a relative one (a hand-written or moved example) lies
// beside the settings file, or, without one, is taken as it is.
QString templatePathFor(const QString &patternFile, const QString &settingsFilePath);

// Closes the template workbook without saving (the output keeps its number).
void closeTemplateWorkbook(ExcelSession &xl, TemplateWorkbook &workbook);

} // namespace kelvoran

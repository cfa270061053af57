#include "excel/templateworkbook.h"

#include "excel/excelsession.h"

#include <QDir>
#include <QFileInfo>

namespace kelvoran {

namespace {

QString openFailure() {
    return QStringLiteral("雛形ファイルを開けません。");
}

} // namespace

Result<TemplateWorkbook> openTemplateWorkbook(ExcelSession &xl, const QString &templatePath,
                                              const QString &readPassword, int sharedBook,
                                              StepCode &step) {
    TemplateWorkbook wb;
    const bool shared = sharedBook > 0 && sharedBook <= xl.workbookCount();
    int created = 0;
    auto fail = [&](const Error &e) -> Result<TemplateWorkbook> {
        if (wb.templateBook > 0)
            xl.closeWorkbook(wb.templateBook);
        if (created > 0)
            xl.closeWorkbook(created);
        return Error{e.message, step.text()};
    };

    if (!shared) {
        step.set("MB_250002");
        wb.sheetIndex = 1;
        created = xl.addWorkbook();
        wb.outputBook = created;
        // The new book's own sheet goes once the template's sheets are in; a name no template
        // uses keeps a template sheet called "Sheet1" from being renamed "Sheet1 (2)".
        (void)xl.sheet(created, 1).setName(QStringLiteral("kelvoran-empty-sheet"));
    } else {
        step.set("MB_250020");
        wb.outputBook = sharedBook;
        wb.sheetIndex = xl.sheetCount(sharedBook) + 1;
    }

    step.set(shared ? "MB_250021" : "MB_250003");
    const Result<int> opened = xl.openTemplate(templatePath, readPassword);
    if (!opened)
        return fail(Error{openFailure() + opened.error().message, {}});
    wb.templateBook = opened.value();
    wb.templateSheetCount = xl.sheetCount(wb.templateBook);

    for (int s = 1; s <= wb.templateSheetCount; ++s) {
        step.set(shared ? "MB_250022" : "MB_250004", {s});
        const Result<ExcelSheet> copy =
            xl.copySheetAfter(wb.templateBook, s, wb.outputBook,
                              shared ? wb.sheetIndex + s - 2 : wb.sheetIndex + s - 1);
        if (!copy)
            return fail(copy.error());
    }
    if (!shared) {
        step.set("MB_250005");
        if (Status s = xl.deleteSheet(wb.outputBook, 1); !s)
            return fail(s.error());
    }
    step.set(shared ? "MB_250023" : "MB_250006");
    xl.activateWorkbook(wb.outputBook);
    if (Status s = xl.activateSheet(wb.outputBook, wb.sheetIndex); !s)
        return fail(s.error());
    return wb;
}

QString templatePathFor(const QString &patternFile, const QString &settingsFilePath) {
    const QString pattern = patternFile.trimmed();
    if (pattern.isEmpty() || settingsFilePath.isEmpty() || !QFileInfo(pattern).isRelative())
        return pattern;
    return QFileInfo(settingsFilePath).absoluteDir().filePath(pattern);
}

void closeTemplateWorkbook(ExcelSession &xl, TemplateWorkbook &workbook) {
    if (workbook.templateBook <= 0)
        return;
    xl.closeWorkbook(workbook.templateBook);
    if (workbook.outputBook > workbook.templateBook)
        --workbook.outputBook;
    workbook.templateBook = 0;
}

} // namespace kelvoran

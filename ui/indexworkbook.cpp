#include "ui/indexworkbook.h"

#include "core/pathrules.h"
#include "excel/excelsession.h"

namespace kelvoran {

QString indexWorkbookProposal(const QString &excelDataDir, const QString &name) {
    if (excelDataDir.isEmpty() || !fileNamePart(excelDataDir).isEmpty())
        return name;
    return excelDataDir + name;
}

QString indexWorkbookPath(const QString &chosen) {
    return hasExtension(QStringLiteral("XLS"), chosen) ? chosen : chosen + QStringLiteral(".xls");
}

namespace {

Status writeIndexSheet(const ExcelSheet &sheet, const IndexDetail &detail) {
    if (Status named = sheet.setName(detail.index); !named)
        return named;
    for (const IndexSheetCell &cell : detail.cells) {
        const ExcelRange target = sheet.cells(cell.row, cell.column);
        // Text format first, so an index fact such as a date or a number stays as shown.
        target.setNumberFormat(QStringLiteral("@"));
        target.setValue(cell.text);
    }
    Result<ExcelRange> columns = sheet.range(QStringLiteral("C:D"));
    if (!columns)
        return columns.error();
    columns->autoFit();
    return Status::ok();
}

} // namespace

Result<QString> writeIndexWorkbook(const std::vector<IndexDetail> &details, const QString &path) {
    ExcelSession session;
    const int book = session.addWorkbook();
    for (size_t i = 0; i < details.size(); ++i) {
        const int index = int(i) + 1;
        if (index > session.sheetCount(book)) {
            Result<ExcelSheet> added = session.addSheetAfter(book, index - 1);
            if (!added)
                return added.error();
        }
        if (Status active = session.activateSheet(book, index); !active)
            return active.error();
        if (Status written = writeIndexSheet(session.sheet(book, index), details[i]); !written)
            return written.error();
    }
    if (Status first = session.activateSheet(book, 1); !first)
        return first.error();
    return session.saveAs(book, path);
}

} // namespace kelvoran

// The Excel output of the index list window: the file the save dialog proposes, the rule that
// makes the chosen name an Excel name, and the workbook with one sheet per index.
#pragma once

#include "core/result.h"
#include "ui/indexsheet.h"

#include <QString>

#include <vector>

namespace kelvoran {

// The path the save dialog starts on: the name inside excelDataDir when that value names a
// folder (nothing after its last separator), the name alone when it names a file.
QString indexWorkbookProposal(const QString &excelDataDir, const QString &name);

// The chosen name with ".xls" appended unless the first three characters of its extension are
// "xls" in any case.
QString indexWorkbookPath(const QString &chosen);

// Writes one sheet per index, in order, each named after its index, with every value as text
// and the columns C and D fitted; sheet 1 is active. The file is written under
// ExcelSession::xlsxPath(path), which is returned; a failing step writes nothing.
Result<QString> writeIndexWorkbook(const std::vector<IndexDetail> &details, const QString &path);

} // namespace kelvoran

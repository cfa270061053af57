// Reads an .xlsx package into a Workbook. Whatever the model does not hold is either kept as
// XML text (page setup, printing options; validations and conditional formats split at their
// formulas) or dropped with a notice in Workbook::notices; damaged or hostile input ends in an
// Error, never a crash.
#pragma once

#include "excel/engine/workbook.h"

#include "core/result.h"

#include <memory>
#include <string>

namespace kelvoran::xlsx {

// The largest workbook file read as a template.
constexpr uint64_t kMaxTemplateFileSize = 256ull * 1024 * 1024;

// True when the bytes start like a compound file (an encrypted package or a legacy .xls).
bool isCompoundFile(const std::string &bytes);

// Reads a package from its bytes.
Result<std::unique_ptr<Workbook>> readWorkbook(std::string bytes);
// Reads a file's bytes (at most kMaxTemplateFileSize).
Result<std::string> readFileBytes(const std::string &path);

class PackageReader; // implementation detail with access to Worksheet internals

} // namespace kelvoran::xlsx

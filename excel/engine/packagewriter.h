// Writes a Workbook as an .xlsx package: parts in the order readers expect, sheet XML streamed
// in chunks to the zip writer.
#pragma once

#include "excel/engine/workbook.h"
#include "excel/engine/zipwriter.h"

#include "core/result.h"

#include <functional>
#include <string>

namespace kelvoran::xlsx {

class PackageWriter {
public:
    // Writes the whole package into sink; false with error on failure.
    static bool write(const Workbook &book, ByteSink &sink, std::string &error, int level = 1);
};

// Turns finished package bytes into the bytes stored on disk (encryption), or fails.
using PackageTransform = std::function<Result<std::string>(const std::string &package)>;

// Saves the workbook at path through a temporary file in the same folder that is renamed over
// path only when everything was written; a failed save leaves the previous file (or none)
// under path and removes the temporary file. With a transform, the package is built in memory and
// passed through it.
Status saveWorkbook(const Workbook &book, const std::string &path,
                    const PackageTransform &transform = {});

} // namespace kelvoran::xlsx

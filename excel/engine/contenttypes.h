// The content types part ([Content_Types].xml): the media type of every part of the package.
#pragma once

#include "excel/engine/xmlwriter.h"

#include <vector>

namespace kelvoran::xlsx {

// What the package holds, as far as the content types tell.
struct PackageContents {
    int sheets = 0;
    bool theme = false;
    bool sharedStrings = false;
    // Per pivot table in workbook order: whether its cache has a records part.
    std::vector<bool> pivotRecords;
};

// The whole part: defaults for .rels and .xml, one override per part.
void writeContentTypes(XmlWriter &xml, const PackageContents &contents);

} // namespace kelvoran::xlsx

// The workbook part (xl/workbook.xml): the sheets in tab order, the defined names (print areas
// and titles among them), calculation settings and the pivot caches.
#pragma once

#include "excel/engine/workbook.h"
#include "excel/engine/xmlwriter.h"

namespace kelvoran::xlsx {

// Relationship ids of the workbook part's links (xl/_rels/workbook.xml.rels): one per sheet in
// tab order, then styles, theme and shared strings at fixed places (whether or not the package
// has a theme or strings), then one per pivot cache.
int sheetRelationId(int sheet); // 0-based sheet
int stylesRelationId(const Workbook &book);
int themeRelationId(const Workbook &book);
int sharedStringsRelationId(const Workbook &book);
int pivotCacheRelationId(const Workbook &book, int cacheId); // 1-based cache id

// The pivot tables of the workbook in sheet order; the 1-based position of a table is its
// cache id and the number in its parts' names.
std::vector<const SheetPivot *> workbookPivots(const Workbook &book);

// The whole part.
void writeWorkbookPart(XmlWriter &xml, const Workbook &book);
// The <definedNames> element: each sheet's print area and local names (with the sheet's
// position as localSheetId), then the workbook's names; nothing when there are none.
void writeDefinedNames(XmlWriter &xml, const Workbook &book);

} // namespace kelvoran::xlsx

// The three parts of a pivot table: the cache definition (source range and each field's
// distinct items), the cache records (each source record as item indexes or values) and the
// table definition (which field is on which axis, the data fields and the location).
#pragma once

#include "excel/engine/pivottable.h"
#include "excel/engine/xmlwriter.h"

#include <string_view>

namespace kelvoran::xlsx {

// xl/pivotCache/pivotCacheDefinitionN.xml. recordsRelationId: the definition's link to its
// records part (not written when the table does not save its data).
void writePivotCacheDefinition(XmlWriter &xml, const PivotTable &table,
                               std::string_view recordsRelationId);
// One <cacheField>: the field's name and its <sharedItems>, whose attributes tell which kinds
// of values the field holds; items are the field's distinct values when the field is on an
// axis (they are then listed and counted), else empty.
void writeCacheField(XmlWriter &xml, const QString &name, const std::vector<QVariant> &values,
                     const std::vector<QVariant> &items);
// xl/pivotCache/pivotCacheRecordsN.xml.
void writePivotCacheRecords(XmlWriter &xml, const PivotTable &table);
// xl/pivotTables/pivotTableN.xml; cacheId: the workbook's id of the table's cache.
void writePivotTableDefinition(XmlWriter &xml, const PivotTable &table, int cacheId);

} // namespace kelvoran::xlsx

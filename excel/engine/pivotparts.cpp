#include "excel/engine/pivotparts.h"

#include "excel/engine/cellref.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace kelvoran::xlsx {

namespace {

// The shortest text that reads back to the same double.
std::string shortestNumber(double v) {
    return QString::number(v, 'g', QLocale::FloatingPointShortest).toStdString();
}

// <tag v="value"/> for a value as the cache holds it: a number or a text.
void valueElement(XmlWriter &xml, const QVariant &v) {
    if (pivotValueIsNumber(v)) {
        xml.open("n");
        xml.attr("v", shortestNumber(v.toDouble()));
    } else {
        xml.open("s");
        xml.attr("v", v.toString().toStdString());
    }
    xml.close();
}

void startCachePart(XmlWriter &xml, const char *root) {
    xml.declaration();
    xml.open(root);
    xml.attr("xmlns", xmlns::kMain);
    xml.attr("xmlns:r", xmlns::kOfficeRelationships);
}

// <tag count="n"><field x="f"/>...</tag>
void fieldList(XmlWriter &xml, const char *tag, const std::vector<int> &fields, bool dataField) {
    xml.open(tag);
    xml.attrInt("count", (long long)fields.size() + (dataField ? 1 : 0));
    for (int f : fields) {
        xml.open("field");
        xml.attrInt("x", f);
        xml.close();
    }
    // The data fields as one more field of the axis.
    if (dataField) {
        xml.open("field");
        xml.attrInt("x", -2);
        xml.close();
    }
    xml.close();
}

// <rowItems> or <colItems>: one <i> per line of the axis, naming its members after the ones it
// repeats from the line above.
void axisItems(XmlWriter &xml, const char *tag, const std::vector<PivotAxisLine> &lines) {
    xml.open(tag);
    xml.attrInt("count", (long long)lines.size());
    for (const PivotAxisLine &line : lines) {
        xml.open("i");
        if (line.kind == PivotAxisLine::Kind::Subtotal)
            xml.attr("t", "default");
        else if (line.kind == PivotAxisLine::Kind::Grand)
            xml.attr("t", "grand");
        if (line.repeated > 0)
            xml.attrInt("r", line.repeated);
        if (line.dataField > 0)
            xml.attrInt("i", line.dataField);
        for (size_t m = size_t(line.repeated); m < line.members.size(); ++m) {
            xml.open("x");
            if (line.members[m] != 0)
                xml.attrInt("v", line.members[m]);
            xml.close();
        }
        xml.close();
    }
    xml.close();
}

bool contains(const std::vector<int> &v, int f) {
    return std::find(v.begin(), v.end(), f) != v.end();
}

} // namespace

void writeCacheField(XmlWriter &xml, const QString &name, const std::vector<QVariant> &values,
                     const std::vector<QVariant> &items) {
    xml.open("cacheField");
    xml.attr("name", name.toStdString());
    xml.attrInt("numFmtId", 0);
    xml.open("sharedItems");
    bool anyText = false, anyNumber = false, anyBlank = false, allIntegers = true;
    double minV = 0, maxV = 0;
    for (const QVariant &v : values) {
        if (pivotValueIsBlank(v)) {
            anyBlank = true;
        } else if (pivotValueIsNumber(v)) {
            const double d = v.toDouble();
            minV = anyNumber ? std::min(minV, d) : d;
            maxV = anyNumber ? std::max(maxV, d) : d;
            anyNumber = true;
            allIntegers = allIntegers && d == std::floor(d) && std::fabs(d) < 9e15;
        } else {
            anyText = true;
        }
    }
    if (!anyText) {
        xml.attrInt("containsSemiMixedTypes", 0);
        xml.attrInt("containsString", 0);
    }
    if (anyNumber) {
        if (anyText)
            xml.attrInt("containsMixedTypes", 1);
        xml.attrInt("containsNumber", 1);
        if (allIntegers)
            xml.attrInt("containsInteger", 1);
        xml.attr("minValue", shortestNumber(minV));
        xml.attr("maxValue", shortestNumber(maxV));
    }
    if (anyBlank)
        xml.attrInt("containsBlank", 1);
    if (!items.empty()) {
        xml.attrInt("count", (long long)items.size());
        for (const QVariant &item : items) {
            if (pivotValueIsBlank(item))
                xml.empty("m");
            else
                valueElement(xml, item);
        }
    }
    xml.close(); // sharedItems
    xml.close(); // cacheField
}

void writePivotCacheDefinition(XmlWriter &xml, const PivotTable &table,
                               std::string_view recordsRelationId) {
    const PivotSource &source = table.source();
    const PivotCacheItems cache = table.cacheItems();
    startCachePart(xml, "pivotCacheDefinition");
    if (table.saveData())
        xml.attr("r:id", recordsRelationId);
    else
        xml.attrInt("saveData", 0);
    // The reader rebuilds the cache from the source range on open.
    xml.attrInt("refreshOnLoad", 1);
    xml.attrInt("createdVersion", 3);
    xml.attrInt("refreshedVersion", 3);
    xml.attrInt("minRefreshableVersion", 3);
    xml.attrInt("recordCount", (long long)source.records.size());
    xml.open("cacheSource");
    xml.attr("type", "worksheet");
    xml.open("worksheetSource");
    xml.attr("ref", cellAddress(source.firstRow, source.firstCol) + ':' +
                        cellAddress(source.lastRow(), source.lastCol()));
    xml.attr("sheet", source.sheetName.toStdString());
    xml.close();
    xml.close();
    xml.open("cacheFields");
    xml.attrInt("count", source.fieldNames.size());
    std::vector<QVariant> values(source.records.size());
    for (int f = 0; f < source.fieldNames.size(); ++f) {
        for (size_t r = 0; r < source.records.size(); ++r)
            values[r] = source.records[r][size_t(f)];
        writeCacheField(xml, source.fieldNames[f], values, cache.items[size_t(f)]);
    }
    xml.closeAll();
}

void writePivotCacheRecords(XmlWriter &xml, const PivotTable &table) {
    const PivotSource &source = table.source();
    const PivotCacheItems cache = table.cacheItems();
    startCachePart(xml, "pivotCacheRecords");
    xml.attrInt("count", (long long)source.records.size());
    for (size_t r = 0; r < source.records.size(); ++r) {
        xml.open("r");
        for (size_t f = 0; f < size_t(source.fieldNames.size()); ++f) {
            const QVariant &v = source.records[r][f];
            // Fields with items refer to them by index; the others hold their values.
            if (!cache.items[f].empty()) {
                xml.open("x");
                xml.attrInt("v", cache.recordItems[r][f]);
                xml.close();
            } else if (pivotValueIsBlank(v)) {
                xml.empty("m");
            } else {
                valueElement(xml, v);
            }
        }
        xml.close();
    }
    xml.closeAll();
}

void writePivotTableDefinition(XmlWriter &xml, const PivotTable &table, int cacheId) {
    const PivotSource &source = table.source();
    const PivotCacheItems cache = table.cacheItems();
    const std::vector<PivotTable::DataField> &dataFields = table.dataFields();
    const std::vector<int> &rowFields = table.rowFields();
    const std::vector<int> &colFields = table.columnFields();
    const std::vector<int> &pageFields = table.pageFields();
    const int nData = int(dataFields.size());
    const int nRow = int(rowFields.size());
    const int nCol = int(colFields.size());
    const bool hasCols = nCol > 0;
    const PivotAxes lines = table.axes();
    xml.declaration();
    xml.open("pivotTableDefinition");
    xml.attr("xmlns", xmlns::kMain);
    xml.attr("name", table.name().toStdString());
    xml.attrInt("cacheId", cacheId);
    xml.attrInt("applyNumberFormats", 0);
    xml.attrInt("applyBorderFormats", 0);
    xml.attrInt("applyFontFormats", 0);
    xml.attrInt("applyPatternFormats", 0);
    xml.attrInt("applyAlignmentFormats", 0);
    xml.attrInt("applyWidthHeightFormats", 1);
    xml.attr("dataCaption", "データ");
    if (nData > 1)
        xml.attrInt("dataOnRows", 1);
    xml.attrInt("updatedVersion", 3);
    xml.attrInt("minRefreshableVersion", 3);
    if (!table.rowGrandTotals())
        xml.attrInt("rowGrandTotals", 0);
    if (!table.columnGrandTotals())
        xml.attrInt("colGrandTotals", 0);
    xml.attrInt("useAutoFormatting", 1);
    if (table.pageOverThenDown())
        xml.attrInt("pageOverThenDown", 1);
    xml.attrInt("itemPrintTitles", 1);
    xml.attrInt("createdVersion", 3);
    xml.attrInt("indent", 0);
    xml.attrInt("outline", 1);
    xml.attrInt("outlineData", 1);
    // Tabular form: each row field in a column of its own, subtotals below their group, as the
    // cells and the item lines are laid out.
    xml.attrInt("compact", 0);
    xml.attrInt("compactData", 0);

    xml.open("location");
    xml.attr("ref", table.tableRange().toStdString());
    xml.attrInt("firstHeaderRow", 1);
    xml.attrInt("firstDataRow", hasCols ? 1 + nCol : 1);
    xml.attrInt("firstDataCol", nRow + (nData > 1 ? 1 : 0));
    if (!pageFields.empty()) {
        const long long pages = (long long)pageFields.size();
        xml.attrInt("rowPageCount", table.pageOverThenDown() ? 1 : pages);
        xml.attrInt("colPageCount", table.pageOverThenDown() ? pages : 1);
    }
    xml.close();

    xml.open("pivotFields");
    xml.attrInt("count", source.fieldNames.size());
    for (int f = 0; f < source.fieldNames.size(); ++f) {
        xml.open("pivotField");
        if (contains(rowFields, f))
            xml.attr("axis", "axisRow");
        else if (contains(colFields, f))
            xml.attr("axis", "axisCol");
        else if (contains(pageFields, f))
            xml.attr("axis", "axisPage");
        if (std::any_of(dataFields.begin(), dataFields.end(),
                        [f](const PivotTable::DataField &d) { return d.field == f; }))
            xml.attrInt("dataField", 1);
        xml.attrInt("compact", 0);
        xml.attrInt("outline", 0);
        xml.attrInt("showAll", 0);
        const std::vector<QVariant> &items = cache.items[size_t(f)];
        if (!items.empty()) {
            xml.open("items");
            xml.attrInt("count", (long long)items.size() + 1);
            for (size_t i = 0; i < items.size(); ++i) {
                xml.open("item");
                xml.attrInt("x", (long long)i);
                xml.close();
            }
            xml.open("item");
            xml.attr("t", "default");
            xml.close();
            xml.close();
        }
        xml.close();
    }
    xml.close();

    if (nRow > 0 || nData > 1)
        fieldList(xml, "rowFields", rowFields, nData > 1);
    axisItems(xml, "rowItems", lines.rows);
    if (hasCols)
        fieldList(xml, "colFields", colFields, false);
    axisItems(xml, "colItems", lines.columns);
    if (!pageFields.empty()) {
        xml.open("pageFields");
        xml.attrInt("count", (long long)pageFields.size());
        for (int f : pageFields) {
            xml.open("pageField");
            xml.attrInt("fld", f);
            xml.attrInt("hier", -1);
            xml.close();
        }
        xml.close();
    }
    if (nData > 0) {
        xml.open("dataFields");
        xml.attrInt("count", nData);
        for (const PivotTable::DataField &d : dataFields) {
            xml.open("dataField");
            xml.attr("name", d.caption.toStdString());
            xml.attrInt("fld", d.field);
            if (d.function != PivotFunction::Sum)
                xml.attr("subtotal", pivotFunctionXmlName(d.function).toStdString());
            xml.attrInt("baseField", 0);
            xml.attrInt("baseItem", 0);
            xml.close();
        }
        xml.close();
    }
    xml.closeAll();
}

} // namespace kelvoran::xlsx

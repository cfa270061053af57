#include "excel/engine/contenttypes.h"

#include <string>

namespace kelvoran::xlsx {

namespace {

const char *kOfficeType = "application/vnd.openxmlformats-officedocument.";
const char *kSheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

void typeEntry(XmlWriter &xml, const char *tag, const char *key, const std::string &value,
               const std::string &contentType) {
    xml.open(tag);
    xml.attr(key, value);
    xml.attr("ContentType", contentType);
    xml.close();
}

// An override for a part: its name and its media type (base + suffix).
void part(XmlWriter &xml, const std::string &name, const char *base, const char *suffix) {
    typeEntry(xml, "Override", "PartName", name, std::string(base) + suffix);
}

} // namespace

void writeContentTypes(XmlWriter &xml, const PackageContents &contents) {
    xml.declaration();
    xml.open("Types");
    xml.attr("xmlns", xmlns::kContentTypes);
    typeEntry(xml, "Default", "Extension", "rels",
              "application/vnd.openxmlformats-package.relationships+xml");
    typeEntry(xml, "Default", "Extension", "xml", "application/xml");
    part(xml, "/xl/workbook.xml", kSheetType, "sheet.main+xml");
    for (int i = 1; i <= contents.sheets; ++i)
        part(xml, "/xl/worksheets/sheet" + std::to_string(i) + ".xml", kSheetType, "worksheet+xml");
    if (contents.theme)
        part(xml, "/xl/theme/theme1.xml", kOfficeType, "theme+xml");
    part(xml, "/xl/styles.xml", kSheetType, "styles+xml");
    if (contents.sharedStrings)
        part(xml, "/xl/sharedStrings.xml", kSheetType, "sharedStrings+xml");
    for (size_t k = 1; k <= contents.pivotRecords.size(); ++k) {
        const std::string num = std::to_string(k);
        part(xml, "/xl/pivotTables/pivotTable" + num + ".xml", kSheetType, "pivotTable+xml");
        part(xml, "/xl/pivotCache/pivotCacheDefinition" + num + ".xml", kSheetType,
             "pivotCacheDefinition+xml");
        if (contents.pivotRecords[k - 1])
            part(xml, "/xl/pivotCache/pivotCacheRecords" + num + ".xml", kSheetType,
                 "pivotCacheRecords+xml");
    }
    xml.closeAll();
}

} // namespace kelvoran::xlsx

#include "excel/engine/workbookpart.h"

#include "excel/engine/cellref.h"

namespace kelvoran::xlsx {

namespace {

// Adds a sheet name to an area text that has none ("$A$1:$E$9" -> "'Data'!$A$1:$E$9"), each
// comma-separated area on its own.
std::string qualifiedArea(const std::string &sheet, const std::string &area) {
    std::string out;
    size_t start = 0;
    while (start <= area.size()) {
        size_t comma = area.find(',', start);
        if (comma == std::string::npos)
            comma = area.size();
        const std::string part = area.substr(start, comma - start);
        if (!out.empty())
            out += ',';
        out += part.find('!') == std::string::npos ? quotedSheetName(sheet) + "!" + part : part;
        start = comma + 1;
    }
    return out;
}

void definedName(XmlWriter &xml, const std::string &name, int localSheet, bool hidden,
                 const std::string &value) {
    xml.open("definedName");
    xml.attr("name", name);
    if (localSheet >= 0)
        xml.attrInt("localSheetId", localSheet);
    if (hidden)
        xml.attrInt("hidden", 1);
    xml.text(value);
    xml.close();
}

std::string relationId(int id) {
    return "rId" + std::to_string(id);
}

void writeFileSharing(XmlWriter &xml, const FileSharing &fs) {
    if (!fs.isSet() && fs.userName.empty())
        return;
    xml.open("fileSharing");
    if (!fs.userName.empty())
        xml.attr("userName", fs.userName);
    if (!fs.reservationPassword.empty())
        xml.attr("reservationPassword", fs.reservationPassword);
    if (!fs.hashValue.empty()) {
        xml.attr("algorithmName", fs.algorithmName);
        xml.attr("hashValue", fs.hashValue);
        xml.attr("saltValue", fs.saltValue);
        xml.attrInt("spinCount", fs.spinCount);
    }
    xml.close();
}

} // namespace

int sheetRelationId(int sheet) {
    return sheet + 1;
}

int stylesRelationId(const Workbook &book) {
    return book.sheetCount() + 1;
}

int themeRelationId(const Workbook &book) {
    return book.sheetCount() + 2;
}

int sharedStringsRelationId(const Workbook &book) {
    return book.sheetCount() + 3;
}

int pivotCacheRelationId(const Workbook &book, int cacheId) {
    return book.sheetCount() + 3 + cacheId;
}

std::vector<const SheetPivot *> workbookPivots(const Workbook &book) {
    std::vector<const SheetPivot *> pivots;
    for (int i = 0; i < book.sheetCount(); ++i)
        for (const SheetPivot &p : book.sheet(i).pivotTables)
            pivots.push_back(&p);
    return pivots;
}

void writeDefinedNames(XmlWriter &xml, const Workbook &book) {
    bool any = !book.definedNames.empty();
    for (int i = 0; i < book.sheetCount() && !any; ++i)
        any = !book.sheet(i).printArea.empty() || !book.sheet(i).localNames.empty();
    if (!any)
        return;
    xml.open("definedNames");
    for (int i = 0; i < book.sheetCount(); ++i) {
        const Worksheet &ws = book.sheet(i);
        if (!ws.printArea.empty())
            definedName(xml, "_xlnm.Print_Area", i, false, qualifiedArea(ws.name(), ws.printArea));
        for (const LocalName &n : ws.localNames)
            definedName(xml, n.name, i, n.hidden, n.value);
    }
    for (const DefinedName &n : book.definedNames)
        definedName(xml, n.name, n.localSheet, n.hidden, n.value);
    xml.close();
}

void writeWorkbookPart(XmlWriter &xml, const Workbook &book) {
    xml.declaration();
    xml.open("workbook");
    xml.attr("xmlns", xmlns::kMain);
    xml.attr("xmlns:r", xmlns::kOfficeRelationships);
    writeFileSharing(xml, book.fileSharing);
    xml.open("workbookPr");
    if (book.date1904)
        xml.attrInt("date1904", 1);
    xml.close();
    xml.open("bookViews");
    xml.open("workbookView");
    if (book.activeSheet > 0)
        xml.attrInt("activeTab", book.activeSheet);
    xml.close();
    xml.close();
    xml.open("sheets");
    for (int i = 0; i < book.sheetCount(); ++i) {
        xml.open("sheet");
        xml.attr("name", book.sheet(i).name());
        xml.attrInt("sheetId", i + 1);
        xml.attr("r:id", relationId(sheetRelationId(i)));
        xml.close();
    }
    xml.close();
    writeDefinedNames(xml, book);
    xml.raw("<calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/>");
    const size_t pivots = workbookPivots(book).size();
    if (pivots > 0) {
        xml.open("pivotCaches");
        for (int cache = 1; cache <= int(pivots); ++cache) {
            xml.open("pivotCache");
            xml.attrInt("cacheId", cache);
            xml.attr("r:id", relationId(pivotCacheRelationId(book, cache)));
            xml.close();
        }
        xml.close();
    }
    xml.closeAll();
}

} // namespace kelvoran::xlsx

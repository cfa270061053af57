#include "excel/engine/packagewriter.h"

#include "excel/engine/contenttypes.h"
#include "excel/engine/pivotparts.h"
#include "excel/engine/relationships.h"
#include "excel/engine/sharedstringspart.h"
#include "excel/engine/stylespart.h"
#include "excel/engine/workbookpart.h"
#include "excel/engine/worksheetpart.h"

#include "core/atomicfile.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvoran::xlsx {

namespace {

// A part written whole through an XmlWriter.
template <typename Write> std::string partText(Write write) {
    XmlWriter xml;
    write(xml);
    return xml.take();
}

std::string relationshipsText(const std::vector<Relationship> &relationships) {
    return partText([&](XmlWriter &xml) { writeRelationshipsPart(xml, relationships); });
}

// The pivot tables' parts and links: each sheet's links to its tables (then to its hyperlinks'
// addresses), each table's link to its cache, each cache's link to its records.
void writePivotParts(const Workbook &book, ZipWriter &zip) {
    std::map<int, std::vector<Relationship>> sheetRels;
    int k = 0;
    for (int sheet = 0; sheet < book.sheetCount(); ++sheet)
        for (const SheetPivot &pivot : book.sheet(sheet).pivotTables) {
            const std::string num = std::to_string(++k);
            PivotTable &table = *pivot.table;
            // The source may have been renamed since the table was made.
            if (pivot.source && book.indexOf(pivot.source) >= 0)
                table.setSourceSheetName(QString::fromStdString(pivot.source->name()));
            std::vector<Relationship> &rels = sheetRels[sheet];
            rels.push_back(
                {int(rels.size()) + 1, "pivotTable", "../pivotTables/pivotTable" + num + ".xml"});
            zip.add("xl/pivotTables/pivotTable" + num + ".xml",
                    partText([&](XmlWriter &xml) { writePivotTableDefinition(xml, table, k); }));
            zip.add("xl/pivotTables/_rels/pivotTable" + num + ".xml.rels",
                    relationshipsText({{1, "pivotCacheDefinition",
                                        "../pivotCache/pivotCacheDefinition" + num + ".xml"}}));
            zip.add(
                "xl/pivotCache/pivotCacheDefinition" + num + ".xml",
                partText([&](XmlWriter &xml) { writePivotCacheDefinition(xml, table, "rId1"); }));
            if (table.saveData()) {
                zip.add("xl/pivotCache/_rels/pivotCacheDefinition" + num + ".xml.rels",
                        relationshipsText(
                            {{1, "pivotCacheRecords", "pivotCacheRecords" + num + ".xml"}}));
                zip.add("xl/pivotCache/pivotCacheRecords" + num + ".xml",
                        partText([&](XmlWriter &xml) { writePivotCacheRecords(xml, table); }));
            }
        }
    // Hyperlink addresses follow the pivot tables, as the sheet part numbers them.
    for (int sheet = 0; sheet < book.sheetCount(); ++sheet)
        for (const CellHyperlink &h : book.sheet(sheet).hyperlinks)
            if (!h.target.empty()) {
                std::vector<Relationship> &rels = sheetRels[sheet];
                rels.push_back({int(rels.size()) + 1, "hyperlink", h.target, true});
            }
    for (const auto &[sheet, rels] : sheetRels)
        zip.add("xl/worksheets/_rels/sheet" + std::to_string(sheet + 1) + ".xml.rels",
                relationshipsText(rels));
}

// The text cells of all sheets: each refers to one shared string.
long long stringCellCount(const Workbook &book) {
    long long count = 0;
    for (int i = 0; i < book.sheetCount(); ++i) {
        const Worksheet &ws = book.sheet(i);
        for (int r = 1; r <= ws.lastRow(); ++r)
            for (const Cell &c : ws.row(r)->cells)
                count += c.type == CellType::String;
    }
    return count;
}

// A part handed to the zip writer in chunks as it is written.
template <typename Write> void streamPart(ZipWriter &zip, const std::string &name, Write write) {
    zip.begin(name);
    XmlWriter xml([&zip](const std::string &chunk) { zip.write(chunk); });
    write(xml);
    zip.end();
}

} // namespace

// The parts in the order readers expect: content types and package links first, the workbook
// and its links, pivot parts, theme and styles, then the sheets and shared strings, which may
// be large and are streamed.
bool PackageWriter::write(const Workbook &book, ByteSink &sink, std::string &error, int level) {
    ZipWriter zip(sink, level);
    const int n = book.sheetCount();
    PackageContents contents;
    contents.sheets = n;
    contents.theme = !book.themeXml.empty();
    contents.sharedStrings = book.strings().size() > 0;
    const std::vector<const SheetPivot *> pivots = workbookPivots(book);
    for (const SheetPivot *p : pivots)
        contents.pivotRecords.push_back(p->table->saveData());
    zip.add("[Content_Types].xml",
            partText([&](XmlWriter &xml) { writeContentTypes(xml, contents); }));
    zip.add("_rels/.rels", relationshipsText({{1, "officeDocument", "xl/workbook.xml"}}));
    zip.add("xl/workbook.xml", partText([&](XmlWriter &xml) { writeWorkbookPart(xml, book); }));
    std::vector<Relationship> rels;
    for (int i = 0; i < n; ++i)
        rels.push_back(
            {sheetRelationId(i), "worksheet", "worksheets/sheet" + std::to_string(i + 1) + ".xml"});
    rels.push_back({stylesRelationId(book), "styles", "styles.xml"});
    if (contents.theme)
        rels.push_back({themeRelationId(book), "theme", "theme/theme1.xml"});
    if (contents.sharedStrings)
        rels.push_back({sharedStringsRelationId(book), "sharedStrings", "sharedStrings.xml"});
    for (int k = 1; k <= int(pivots.size()); ++k)
        rels.push_back({pivotCacheRelationId(book, k), "pivotCacheDefinition",
                        "pivotCache/pivotCacheDefinition" + std::to_string(k) + ".xml"});
    zip.add("xl/_rels/workbook.xml.rels", relationshipsText(rels));
    writePivotParts(book, zip);
    if (contents.theme)
        zip.add("xl/theme/theme1.xml", book.themeXml);
    zip.add("xl/styles.xml",
            partText([&](XmlWriter &xml) { writeStylesPart(xml, book.styles()); }));
    for (int i = 0; i < n; ++i)
        streamPart(
            zip, "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
            [&](XmlWriter &xml) { writeWorksheetPart(xml, book.sheet(i), i == book.activeSheet); });
    if (contents.sharedStrings)
        streamPart(zip, "xl/sharedStrings.xml", [&](XmlWriter &xml) {
            writeSharedStringsPart(xml, book.strings(), stringCellCount(book));
        });
    if (!zip.finish()) {
        error = zip.error();
        return false;
    }
    return true;
}

Status saveWorkbook(const Workbook &book, const std::string &path,
                    const PackageTransform &transform) {
    auto fail = [&](const QString &why) {
        return Error{QStringLiteral("ブックを保存できませんでした。：") +
                         QString::fromStdString(path) + QStringLiteral("（") + why +
                         QStringLiteral("）"),
                     {}};
    };
    // The workbook goes to a temporary file beside the target and replaces it only once all of
    // it is on disk, so a failed or interrupted save keeps the previous file.
    std::string tmpl = path + ".XXXXXX";
    const int fd = mkstemp(tmpl.data());
    if (fd < 0)
        return fail(fileWriteFailureReason(errno));
    std::FILE *file = fdopen(fd, "w+b");
    if (!file) {
        const int err = errno;
        ::close(fd);
        std::remove(tmpl.c_str());
        return fail(fileWriteFailureReason(err));
    }
    QString reason;
    auto failWith = [&](int err) {
        if (reason.isEmpty())
            reason = fileWriteFailureReason(err);
    };
    if (transform) {
        MemorySink memory;
        std::string error;
        if (!PackageWriter::write(book, memory, error)) {
            reason = QString::fromStdString(error);
        } else {
            Result<std::string> transformed = transform(memory.bytes());
            if (!transformed) {
                std::fclose(file);
                std::remove(tmpl.c_str());
                return transformed.error();
            }
            const std::string &bytes = transformed.value();
            if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
                failWith(errno);
        }
    } else {
        FileSink sink(file);
        std::string error;
        if (!PackageWriter::write(book, sink, error)) {
            if (sink.systemError() != 0)
                failWith(sink.systemError());
            else
                reason = QString::fromStdString(error);
        }
    }
    if (reason.isEmpty() && (std::fflush(file) != 0 || fsync(fileno(file)) != 0))
        failWith(errno);
    if (std::fclose(file) != 0)
        failWith(errno);
    // mkstemp makes the file readable by the owner only; a workbook gets the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    if (reason.isEmpty() && chmod(tmpl.c_str(), 0666 & ~mask) != 0)
        failWith(errno);
    if (reason.isEmpty() && std::rename(tmpl.c_str(), path.c_str()) != 0)
        failWith(errno);
    if (!reason.isEmpty()) {
        std::remove(tmpl.c_str());
        return fail(reason);
    }
    return Status::ok();
}

} // namespace kelvoran::xlsx

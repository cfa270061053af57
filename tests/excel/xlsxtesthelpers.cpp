#include "tests/excel/xlsxtesthelpers.h"

#include "tests/support/testsupport.h"

#include "excel/engine/zipwriter.h"

#include <gtest/gtest.h>

namespace kelvoran::test {

QJsonObject readBack(const QString &script, const QString &path, int timeoutMs) {
    const ProcessResult r = runPython(script, {path}, timeoutMs);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(u'\n');
    const QJsonDocument doc =
        QJsonDocument::fromJson(lines.isEmpty() ? QByteArray() : lines.last().toUtf8());
    EXPECT_TRUE(doc.isObject()) << r.out.toStdString() << r.err.toStdString();
    return doc.object();
}

std::string packageOf(const std::map<std::string, std::string> &parts) {
    kelvoran::xlsx::MemorySink sink;
    kelvoran::xlsx::ZipWriter zip(sink, 6);
    for (const auto &p : parts)
        zip.add(p.first, p.second);
    zip.finish();
    return sink.bytes();
}

std::map<std::string, std::string> minimalParts(const std::string &sheetData) {
    return {
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"_rels/.rels",
         "<Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
         "Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "officeDocument\" "
         "Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml",
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
         "relationships\"><sheets><sheet "
         "name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
         "Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
         "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet "
         "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
             sheetData + "</sheetData></worksheet>"},
    };
}

} // namespace kelvoran::test

// What a written package says about itself: every font has a name (the workbook's default one
// where the template gave none), and the shared strings part counts the cells that use it.
#include "tests/excel/xlsxtesthelpers.h"

#include "excel/engine/packagereader.h"
#include "excel/engine/packagewriter.h"
#include "excel/engine/workbook.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kelvoran;

namespace {

// A one-sheet package whose A1 has cell format 1 of the given styles part.
std::string packageWithStyles(const std::string &fonts, int normalFont) {
    auto parts = test::minimalParts("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c></row>");
    std::string &rels = parts["xl/_rels/workbook.xml.rels"];
    rels.insert(rels.rfind("</Relationships>"),
                "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
                "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>");
    const std::string xf = "<xf numFmtId=\"0\" fontId=\"" + std::to_string(normalFont) +
                           "\" fillId=\"0\" borderId=\"0\"/>";
    parts["xl/styles.xml"] =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts>" +
        fonts +
        "</fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border/></borders>"
        "<cellStyleXfs count=\"1\">" +
        xf +
        "</cellStyleXfs>"
        "<cellXfs count=\"2\">" +
        xf +
        "<xf numFmtId=\"0\" fontId=\"2\" fillId=\"0\" borderId=\"0\" applyFont=\"1\"/></cellXfs>"
        "</styleSheet>";
    return test::packageOf(parts);
}

std::unique_ptr<xlsx::Workbook> readPackage(const std::string &bytes) {
    auto r = xlsx::readWorkbook(bytes);
    EXPECT_TRUE(r.isOk()) << r.error().message.toStdString();
    return r ? std::move(r.value()) : std::make_unique<xlsx::Workbook>();
}

struct FontCase {
    const char *name;
    std::function<std::unique_ptr<xlsx::Workbook>()> make;
    const char *expectedName; // of A1's font
};

void PrintTo(const FontCase &c, std::ostream *os) {
    *os << c.name;
}

const FontCase kFontCases[] = {
    {"NamelessTakesTheNormalFont",
     [] {
         return readPackage(packageWithStyles(
             "<font><sz val=\"11\"/><name val=\"Meiryo UI\"/></font>"
             "<font><sz val=\"11\"/><name val=\"Arial\"/></font><font><b/><sz val=\"12\"/></font>",
             0));
     },
     "Meiryo UI"},
    {"NormalStyleOnAnotherFont",
     [] {
         return readPackage(packageWithStyles(
             "<font><sz val=\"11\"/><name val=\"Meiryo UI\"/></font>"
             "<font><sz val=\"11\"/><name val=\"Arial\"/></font><font><b/><sz val=\"12\"/></font>",
             1));
     },
     "Arial"},
    {"NormalFontNamelessToo",
     [] {
         return readPackage(packageWithStyles(
             "<font><sz val=\"11\"/></font><font><sz val=\"11\"/><name val=\"Arial\"/></font>"
             "<font><b/><sz val=\"12\"/></font>",
             0));
     },
     "Arial"},
    {"NoFontNamedAnywhere",
     [] {
         return readPackage(packageWithStyles(
             "<font><sz val=\"11\"/></font><font><sz val=\"10\"/></font><font><b/></font>", 0));
     },
     "ＭＳ Ｐゴシック"},
    {"NameClearedInTheProgram",
     [] {
         auto book = std::make_unique<xlsx::Workbook>();
         xlsx::Worksheet &ws = book->insertSheet(0);
         xlsx::CellStyle style;
         style.font.name.clear();
         style.font.bold = true;
         ws.setNumber(1, 1, 1);
         ws.at(1, 1).style = book->styles().intern(style);
         return book;
     },
     "ＭＳ Ｐゴシック"},
};

class FontNames : public testing::TestWithParam<FontCase> {};

TEST_P(FontNames, EveryWrittenFontHasAName) {
    const std::unique_ptr<xlsx::Workbook> book = GetParam().make();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fonts.xlsx"));
    ASSERT_TRUE(xlsx::saveWorkbook(*book, path.toStdString()).isOk());
    const QJsonObject o = test::readBack(QStringLiteral(R"PY(
import sys, json, re, zipfile, openpyxl
styles = zipfile.ZipFile(sys.argv[1]).read("xl/styles.xml").decode()
fonts = re.search(r"<fonts[^>]*>(.*?)</fonts>", styles, re.S).group(1)
entries = re.findall(r"<font>(.*?)</font>", fonts, re.S)
names = [re.search(r'<name val="([^"]*)"/>', f) for f in entries]
a1 = openpyxl.load_workbook(sys.argv[1]).worksheets[0]["A1"].font
print(json.dumps({"fonts": len(entries), "named": sum(1 for n in names if n and n.group(1)),
                  "name": a1.name, "bold": bool(a1.b)}, ensure_ascii=False))
)PY"),
                                         path);
    EXPECT_GT(o.value(QStringLiteral("fonts")).toInt(), 0);
    EXPECT_EQ(o.value(QStringLiteral("named")).toInt(), o.value(QStringLiteral("fonts")).toInt());
    EXPECT_EQ(o.value(QStringLiteral("name")).toString(),
              QString::fromUtf8(GetParam().expectedName));
    EXPECT_TRUE(o.value(QStringLiteral("bold")).toBool());
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontNames, testing::ValuesIn(kFontCases),
                         [](const testing::TestParamInfo<FontCase> &p) { return p.param.name; });

struct StringCountCase {
    const char *name;
    std::function<void(xlsx::Workbook &)> fill;
    int cells; // text cells in the written workbook
};

void PrintTo(const StringCountCase &c, std::ostream *os) {
    *os << c.name;
}

const StringCountCase kStringCases[] = {
    {"RepeatedTexts",
     [](xlsx::Workbook &b) {
         xlsx::Worksheet &ws = b.insertSheet(0);
         ws.setString(1, 1, "x");
         ws.setString(2, 1, "x");
         ws.setString(3, 1, "y");
         ws.setNumber(1, 2, 4);
     },
     3},
    {"TextOverwrittenByANumber",
     [](xlsx::Workbook &b) {
         xlsx::Worksheet &ws = b.insertSheet(0);
         ws.setString(1, 1, "x");
         ws.setString(2, 1, "y");
         ws.setNumber(1, 1, 1);
     },
     1},
    {"CopiedSheetAndBlock",
     [](xlsx::Workbook &b) {
         xlsx::Worksheet &ws = b.insertSheet(0);
         ws.setString(1, 1, "見出し");
         ws.setString(2, 1, "x");
         ws.copyFrom(ws, {1, 1, 2, 1}, 3, 1, false);
         b.insertCopy(ws, 1);
     },
     8},
    {"DeletedRows",
     [](xlsx::Workbook &b) {
         xlsx::Worksheet &ws = b.insertSheet(0);
         for (int r = 1; r <= 5; ++r)
             ws.setString(r, 1, "x");
         ws.deleteShiftUp({2, 1, 4, xlsx::kMaxColumns});
     },
     2},
};

class SharedStringCount : public testing::TestWithParam<StringCountCase> {};

// count is the number of text cells; uniqueCount the number of entries.
TEST_P(SharedStringCount, CountsTheCellsThatUseThem) {
    xlsx::Workbook book;
    GetParam().fill(book);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strings.xlsx"));
    ASSERT_TRUE(xlsx::saveWorkbook(book, path.toStdString()).isOk());
    const QJsonObject o = test::readBack(QStringLiteral(R"PY(
import sys, json, re, zipfile, openpyxl
z = zipfile.ZipFile(sys.argv[1])
sst = z.read("xl/sharedStrings.xml").decode()
head = re.search(r"<sst[^>]*>", sst).group(0)
cells = sum(len(re.findall(r'<c [^>]*t="s"', z.read(n).decode()))
            for n in z.namelist() if n.startswith("xl/worksheets/sheet"))
texts = sum(1 for ws in openpyxl.load_workbook(sys.argv[1]).worksheets
            for row in ws.iter_rows() for c in row if isinstance(c.value, str))
print(json.dumps({"count": int(re.search(r' count="(\d+)"', head).group(1)),
                  "unique": int(re.search(r' uniqueCount="(\d+)"', head).group(1)),
                  "entries": sst.count("<si>"), "cells": cells, "texts": texts}))
)PY"),
                                         path);
    EXPECT_EQ(o.value(QStringLiteral("count")).toInt(), GetParam().cells);
    EXPECT_EQ(o.value(QStringLiteral("cells")).toInt(), GetParam().cells);
    EXPECT_EQ(o.value(QStringLiteral("texts")).toInt(), GetParam().cells);
    EXPECT_EQ(o.value(QStringLiteral("unique")).toInt(),
              o.value(QStringLiteral("entries")).toInt());
}

INSTANTIATE_TEST_SUITE_P(Strings, SharedStringCount, testing::ValuesIn(kStringCases),
                         [](const testing::TestParamInfo<StringCountCase> &p) {
                             return p.param.name;
                         });

} // namespace

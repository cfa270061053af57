// Templates nobody here wrote (the Excel-made corpus) and damaged or hostile packages.
#include "excel/excelsession.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include "excel/engine/packagereader.h"
#include "excel/engine/packagewriter.h"
#include "excel/engine/workbook.h"
#include "excel/engine/zipreader.h"
#include "excel/engine/zipwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace kelvoran;

namespace {

using test::minimalParts;
using test::packageOf;

QStringList corpusFiles() {
    const QString dir = test::corpusDir();
    if (dir.isEmpty())
        return {};
    return QDir(dir).entryList({QStringLiteral("*.xlsx")}, QDir::Files, QDir::Name);
}

class CorpusTest : public ::testing::TestWithParam<QString> {};

// Each workbook opens as a template, its sheets copy into a new workbook, a few cells are
// written, and openpyxl reads the result with the copied sheets in order.
TEST_P(CorpusTest, CopiesIntoANewWorkbookThatOpenpyxlReads) {
    const QString path = test::corpusDir() + u'/' + GetParam();
    QTemporaryDir dir;
    ExcelSession xl;
    const int out = xl.addWorkbook();
    const Result<int> t = xl.openTemplate(path);
    ASSERT_TRUE(t.isOk()) << t.error().message.toStdString();
    const int count = xl.sheetCount(t.value());
    ASSERT_GT(count, 0);
    QStringList names;
    for (int i = 1; i <= count; ++i) {
        const Result<ExcelSheet> copy = xl.copySheetAfter(t.value(), i, out, i);
        ASSERT_TRUE(copy.isOk()) << copy.error().message.toStdString();
        names << copy.value().name();
    }
    ASSERT_TRUE(xl.deleteSheet(out, 1).isOk());
    ExcelSheet first = xl.sheet(out, 1);
    first.cells(1, 1).setValue(QStringLiteral("差し込み"));
    first.cells(200, 3).setValue(QStringLiteral("2024/01/02"));
    first.cells(201, 3).setValue(QStringLiteral("=sum(C1:C200)"));
    const Result<QString> saved = xl.saveAs(out, dir.filePath(QStringLiteral("out.xlsx")));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    const QJsonObject o = test::readBack(QStringLiteral(R"PY(
import sys, json, warnings, openpyxl
warnings.simplefilter('ignore')
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
cells = sum(1 for w in wb.worksheets for row in w.iter_rows() for c in row if c.value is not None)
print(json.dumps({'names': wb.sheetnames, 'a1': ws['A1'].value, 'c201': ws['C201'].value, 'cells': cells}, ensure_ascii=False))
)PY"),
                                         saved.value());
    EXPECT_EQ(o.value(QStringLiteral("names")).toVariant().toStringList(), names);
    EXPECT_EQ(o.value(QStringLiteral("a1")).toString(), QStringLiteral("差し込み"));
    EXPECT_EQ(o.value(QStringLiteral("c201")).toString(), QStringLiteral("=sum(C1:C200)"));
    for (const QString &n : xl.notices(out))
        EXPECT_FALSE(n.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest, ::testing::ValuesIn(corpusFiles()),
                         [](const ::testing::TestParamInfo<QString> &p) {
                             QString n = p.param;
                             n.chop(5);
                             return n.toStdString();
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusTest);

TEST(ReaderTest, DamagedAndHostileInputEndsInAClearError) {
    const std::string good = packageOf(minimalParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"));
    ASSERT_TRUE(xlsx::readWorkbook(good).isOk());
    auto parts = minimalParts("");
    parts.erase("xl/worksheets/sheet1.xml");
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"empty file", std::string()},
        {"text file", std::string("SELECT * FROM DUAL;\r\n")},
        {"legacy or encrypted",
         std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0')},
        {"truncated zip", good.substr(0, good.size() / 2)},
        {"missing part", packageOf(parts)},
        {"row beyond the sheet",
         packageOf(minimalParts("<row r=\"1048577\"><c><v>1</v></c></row>"))},
        {"column beyond the sheet",
         packageOf(minimalParts("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"))},
        {"string index out of range",
         packageOf(minimalParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>99</v></c></row>"))},
        {"entity expansion",
         packageOf(minimalParts("<!DOCTYPE x [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]>"))},
        {"broken XML", packageOf(minimalParts("<row r=\"1\"><c r=\"A1\"><v>1</v></row>"))},
    };
    for (const auto &c : cases) {
        const auto r = xlsx::readWorkbook(c.bytes);
        EXPECT_FALSE(r.isOk()) << c.what;
        if (!r.isOk()) {
            EXPECT_TRUE(r.error().message.startsWith(
                QStringLiteral("テンプレートのブックを読み込めません。")))
                << c.what << ": " << r.error().message.toStdString();
        }
    }
    // A declared size beyond the reader's limit is refused before inflating.
    std::string bomb = good;
    const size_t cd = bomb.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(cd, std::string::npos);
    bomb[cd + 24] = bomb[cd + 25] = bomb[cd + 26] = bomb[cd + 27] = '\x7f';
    EXPECT_FALSE(xlsx::readWorkbook(bomb).isOk());
}

TEST(ReaderTest, RichTextKeepsItsRunsAndSpaces) {
    auto parts = minimalParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>");
    parts["xl/_rels/workbook.xml.rels"] =
        "<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
        "Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "sharedStrings\" "
        "Target=\"sharedStrings.xml\"/></Relationships>";
    parts["xl/sharedStrings.xml"] =
        "<sst "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><r><rPr><b/></rPr>"
        "<t>太字</t></r><r><t xml:space=\"preserve\"> と普通_x000D_</t></r></si></sst>";
    auto book = xlsx::readWorkbook(packageOf(parts));
    ASSERT_TRUE(book.isOk()) << book.error().message.toStdString();
    const xlsx::Workbook &wb = *book.value();
    EXPECT_EQ(wb.strings().text(0), "太字 と普通\r");
    EXPECT_NE(wb.strings().runsXml(0).find("xml:space=\"preserve\""), std::string::npos);
    EXPECT_NE(wb.strings().runsXml(0).find("<b"), std::string::npos);
    xlsx::MemorySink sink;
    std::string error;
    ASSERT_TRUE(xlsx::PackageWriter::write(wb, sink, error)) << error;
    auto again = xlsx::readWorkbook(sink.bytes());
    ASSERT_TRUE(again.isOk());
    EXPECT_EQ(again.value()->strings().text(0), "太字 と普通\r");
}

// Random damage to a real package, with a fixed seed: every outcome is a workbook or an error.
TEST(ReaderTest, SeededMutationsNeverCrash) {
    QStringList files = corpusFiles();
    std::vector<std::string> seeds;
    seeds.push_back(
        packageOf(minimalParts("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c>"
                               "<c r=\"B1\"><f>A1*2</f><v>2</v></c></row>")));
    for (const QString &f : files.mid(0, 6)) {
        QFile in(test::corpusDir() + u'/' + f);
        if (in.open(QIODevice::ReadOnly))
            seeds.push_back(in.readAll().toStdString());
    }
    std::mt19937 rng(20261209);
    int opened = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes = seeds[size_t(round) % seeds.size()];
        const int kind = int(rng() % 3);
        if (kind == 0) { // flip bytes anywhere
            for (int k = 0; k < 1 + int(rng() % 8); ++k)
                bytes[rng() % bytes.size()] = char(rng());
        } else if (kind == 1) { // truncate
            bytes.resize(rng() % bytes.size());
        } else { // mutate an XML part inside the package and repackage it
            xlsx::ZipReader zip;
            if (!zip.open(bytes))
                continue;
            std::map<std::string, std::string> parts;
            for (const std::string &n : zip.names()) {
                std::string data;
                if (zip.read(n, data))
                    parts[n] = data;
            }
            auto it = parts.begin();
            std::advance(it, long(rng() % parts.size()));
            std::string &x = it->second;
            for (int k = 0; k < 1 + int(rng() % 5) && !x.empty(); ++k) {
                const size_t at = rng() % x.size();
                static const char *kBits[] = {"<",        ">",      "\"",    "99999999", "-1",
                                              "r=\"A0\"", "</row>", "&amp;", "\xff"};
                x.insert(at, kBits[rng() % 9]);
            }
            bytes = packageOf(parts);
        }
        const auto r = xlsx::readWorkbook(bytes);
        if (!r.isOk()) {
            EXPECT_FALSE(r.error().message.isEmpty());
            continue;
        }
        // Whatever was accepted must write out again and read back.
        ++opened;
        xlsx::MemorySink sink;
        std::string error;
        ASSERT_TRUE(xlsx::PackageWriter::write(*r.value(), sink, error)) << error;
        const auto again = xlsx::readWorkbook(sink.bytes());
        ASSERT_TRUE(again.isOk()) << again.error().message.toStdString();
        EXPECT_EQ(again.value()->sheetCount(), r.value()->sheetCount());
    }
    // The damage is mild enough that some packages still open, so both paths run.
    EXPECT_GT(opened, 0);
}

} // namespace

// Templates with damaged XML or built to exhaust memory: refused with a message naming the
// part, or cleaned so that whatever is written opens in another reader.
#include "tests/excel/xlsxtesthelpers.h"

#include "excel/engine/packagereader.h"
#include "excel/engine/packagewriter.h"
#include "excel/engine/workbook.h"
#include "excel/engine/xmlcheck.h"
#include "excel/engine/zipreader.h"
#include "excel/engine/zipwriter.h"
#include "tests/support/testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>

using namespace kelvoran;
using test::minimalParts;
using test::packageOf;

namespace {

constexpr bool kSanitized = test::kSanitizedBuild;

TEST(XmlCheckTest, TextMustBeWellEncodedXmlCharacters) {
    const struct {
        const char *what;
        std::string text;
        bool legal;
    } cases[] = {
        {"ASCII with tab and newlines", "a\tb\r\nc", true},
        {"Japanese and a four-byte character", "帳票\xF0\x9F\x98\x80", true},
        {"empty", "", true},
        {"stray continuation byte", "ab\x80", false},
        {"lone lead byte at the end", "ab\xE3\x81", false},
        {"overlong slash", "a\xC0\xAF", false},
        {"encoded surrogate", "\xED\xA0\x80", false},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false},
        {"control character", std::string("a\x01z"), false},
        {"NUL", std::string("a\0z", 3), false},
        {"U+FFFE", "\xEF\xBF\xBE", false},
    };
    for (const auto &c : cases) {
        std::string why;
        EXPECT_EQ(xlsx::isLegalXmlText(c.text, why), c.legal) << c.what;
        EXPECT_EQ(why.empty(), c.legal) << c.what << ": " << why;
    }
}

TEST(XmlCheckTest, NamesFollowTheXmlNameRules) {
    const struct {
        std::string name;
        bool legal;
    } cases[] =
        {
            {"row", true},
            {"x14:id", true},
            {"_a-b.c1", true},
            {"行", true},
            {"", false},
            {"1a", false},
            {"-a", false},
            {"a b", false},
            {"rgb\xC3\x97", false}, // U+00D7 is no name character
            {"a\xFF", false},
            {"a\x01", false},
        };
    for (const auto &c : cases)
        EXPECT_EQ(xlsx::isLegalXmlName(c.name), c.legal) << c.name;
}

// A parser that keeps an unknown entity as text, or ends a value at the NUL of "&#0;", shows
// neither in its tree; the raw text must be checked.
TEST(XmlCheckTest, ReferencesMustBeOnesXmlDefines) {
    const struct {
        const char *what;
        std::string text;
        bool legal;
    } cases[] = {
        {"the five named entities", "<a b=\"&quot;&apos;\">&amp;&lt;&gt;</a>", true},
        {"character references", "<a>&#65;&#x41;&#x1F600;&#xd7ff;</a>", true},
        {"inside a comment", "<a><!-- &nope; &#0; --></a>", true},
        {"inside CDATA", "<a><![CDATA[a & b &#0;]]></a>", true},
        {"inside a processing instruction", "<?x a & b?><a/>", true},
        {"reference to NUL", "<a>&#0;</a>", false},
        {"reference to U+FFFE", "<a b=\"&#xFFFE;\"/>", false},
        {"reference to a surrogate", "<a>&#xD800;</a>", false},
        {"reference beyond U+10FFFF", "<a>&#99999999999;</a>", false},
        {"undefined entity", "<a b=\"&nope;\"/>", false},
        {"bare ampersand", "<a>a & b</a>", false},
        {"unterminated", "<a>&amp</a>", false},
        {"empty decimal reference", "<a>&#;</a>", false},
        {"empty hexadecimal reference", "<a>&#x;</a>", false},
        {"negative reference", "<a>&#-65;</a>", false},
        {"unterminated comment hides the rest", "<a><!-- &nope;", true},
    };
    for (const auto &c : cases) {
        std::string why;
        EXPECT_EQ(xlsx::hasOnlyLegalReferences(c.text, why), c.legal) << c.what;
        EXPECT_EQ(why.empty(), c.legal) << c.what << ": " << why;
    }
}

const char *kStylesRelationship =
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>";
const char *kThemeRelationship =
    "<Relationship Id=\"rId3\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme\" "
    "Target=\"theme/theme1.xml\"/>";

std::string stylesWithColors(const std::string &colors) {
    return "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
           "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
           "<borders count=\"1\"><border/></borders>"
           "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
           "</cellXfs>" +
           colors + "</styleSheet>";
}

std::string themeWith(const std::string &inside) {
    return "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
           "name=\"T\">" +
           inside + "<a:themeElements/></a:theme>";
}

// A one-sheet template with styles (holding the colors) and a theme; A1 holds 7.
std::map<std::string, std::string> styledParts(const std::string &colors,
                                               const std::string &theme) {
    auto parts = minimalParts("<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>");
    std::string &rels = parts["xl/_rels/workbook.xml.rels"];
    rels.insert(rels.rfind("</Relationships>"),
                std::string(kStylesRelationship) + kThemeRelationship);
    parts["xl/styles.xml"] = stylesWithColors(colors);
    parts["xl/theme/theme1.xml"] = theme;
    return parts;
}

// '@' marks where a case puts its damage: in an attribute value or in an element name.
const std::string kColorsValueMark =
    "<colors><indexedColors><rgbColor rgb=\"FF00@0000\"/></indexedColors></colors>";
const std::string kColorsNameMark =
    "<colors><indexedColors><rgb@Color rgb=\"FF000000\"/></indexedColors></colors>";

std::string replaced(std::string text, const std::string &marker) {
    for (size_t at; (at = text.find('@')) != std::string::npos;)
        text.replace(at, 1, marker);
    return text;
}

// Damage in a part the engine models or rewrites refuses the template; the undamaged
// variant of each case opens, so the refusal is the damage's doing.
TEST(TemplateSoundnessTest, DamageInARequiredPartRefusesTheTemplateNamingThePart) {
    const std::string sheetWithPageSetup =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData>"
        "<pageSetup orientation=\"land@scape\"/></worksheet>";
    const struct {
        const char *what;
        std::string part;
        std::string text; // '@' marks where the damage goes
        std::string damage;
    } cases[] = {
        {"bad byte in an attribute inside <colors>", "xl/styles.xml",
         stylesWithColors(kColorsValueMark), "\xFF"},
        {"control character reference inside <colors>", "xl/styles.xml",
         stylesWithColors(kColorsValueMark), "&#1;"},
        {"illegal name character inside <colors>", "xl/styles.xml",
         stylesWithColors(kColorsNameMark), "\xC3\x97"},
        {"truncated UTF-8 in a sheet name", "xl/workbook.xml",
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<sheets><sheet name=\"S@\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>",
         "\xE3\x81"},
        {"overlong byte in the sheet's page setup", "xl/worksheets/sheet1.xml", sheetWithPageSetup,
         "\xC0\xAF"},
        {"reference to NUL in a sheet name", "xl/workbook.xml",
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<sheets><sheet name=\"S@\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>",
         "&#0;x"},
        {"undefined entity in a sheet name", "xl/workbook.xml",
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<sheets><sheet name=\"S@\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>",
         "&nope;"},
    };
    for (const auto &c : cases) {
        auto parts = styledParts("", themeWith(""));
        parts[c.part] = replaced(c.text, "");
        const auto good = xlsx::readWorkbook(packageOf(parts));
        ASSERT_TRUE(good.isOk()) << c.what << ": " << good.error().message.toStdString();

        parts[c.part] = replaced(c.text, c.damage);
        const auto bad = xlsx::readWorkbook(packageOf(parts));
        ASSERT_FALSE(bad.isOk()) << c.what;
        const std::string message = bad.error().message.toStdString();
        EXPECT_EQ(message.rfind("テンプレートのブックを読み込めません。", 0), 0u)
            << c.what << ": " << message;
        EXPECT_NE(message.find(c.part), std::string::npos) << c.what << ": " << message;
    }
}

// The theme is copied byte for byte: a damaged one is left out with a notice, and the
// workbook written from the template opens in openpyxl.
TEST(TemplateSoundnessTest, DamagedThemeIsDroppedAndTheOutputOpens) {
    const struct {
        const char *what;
        std::string theme;
        bool kept;
    } cases[] = {
        {"sound theme", themeWith("<!-- 配色 -->"), true},
        {"bad byte in a comment", themeWith("<!-- \xFF -->"), false},
        {"control character in an attribute", themeWith("<a:x name=\"\x02\"/>"), false},
        {"not well-formed", themeWith("<a:x>"), false},
        {"undefined entity", themeWith("<a:x name=\"&nope;\"/>"), false},
        {"bare ampersand", themeWith("<a:x name=\"a && b\"/>"), false},
        {"reference to NUL", themeWith("<a:x name=\"a&#0;b\"/>"), false},
    };
    QTemporaryDir dir;
    int written = 0;
    for (const auto &c : cases) {
        const auto read =
            xlsx::readWorkbook(packageOf(styledParts(replaced(kColorsValueMark, ""), c.theme)));
        ASSERT_TRUE(read.isOk()) << c.what << ": " << read.error().message.toStdString();
        const xlsx::Workbook &book = *read.value();
        EXPECT_EQ(book.themeXml.empty(), !c.kept) << c.what;
        bool noticed = false;
        for (const std::string &n : book.notices)
            noticed = noticed || n.find("xl/theme/theme1.xml") != std::string::npos;
        EXPECT_EQ(noticed, !c.kept) << c.what;

        const std::string path =
            dir.filePath(QStringLiteral("out%1.xlsx").arg(written++)).toStdString();
        std::FILE *f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        xlsx::FileSink sink(f);
        std::string error;
        const bool ok = xlsx::PackageWriter::write(book, sink, error);
        std::fclose(f);
        ASSERT_TRUE(ok) << error;
    }
    // One openpyxl run reads every written workbook.
    const QJsonObject o = test::readBack(QStringLiteral(R"PY(
import sys, json, glob, os, warnings, openpyxl
warnings.simplefilter('ignore')
out = {}
for p in sorted(glob.glob(os.path.join(sys.argv[1], 'out*.xlsx'))):
    out[os.path.basename(p)] = openpyxl.load_workbook(p).worksheets[0]['A1'].value
print(json.dumps(out))
)PY"),
                                         dir.path());
    ASSERT_EQ(o.size(), written);
    for (int i = 0; i < written; ++i)
        EXPECT_EQ(o.value(QStringLiteral("out%1.xlsx").arg(i)).toInt(), 7) << cases[i].what;
}

// A sheet part of `spaces` blanks; the blanks compress about a thousandfold.
std::string packageWithBlankSheet(size_t spaces) {
    auto parts = minimalParts("");
    parts.erase("xl/worksheets/sheet1.xml");
    xlsx::MemorySink sink;
    xlsx::ZipWriter zip(sink, 9);
    for (const auto &p : parts)
        zip.add(p.first, p.second);
    zip.begin("xl/worksheets/sheet1.xml");
    zip.write("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
              "<sheetData>");
    const std::string chunk(1 << 20, ' ');
    for (size_t left = spaces; left > 0; left -= std::min(left, chunk.size()))
        zip.write(chunk.data(), std::min(left, chunk.size()));
    zip.write("</sheetData></worksheet>");
    EXPECT_TRUE(zip.end());
    EXPECT_TRUE(zip.finish());
    return sink.bytes();
}

void put32(std::string &b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + size_t(k)] = char(v >> (8 * k));
}

// Rewrites the size an entry declares in its central and local headers.
void declareSize(std::string &bytes, const std::string &name, uint32_t size) {
    const std::string central = std::string("PK\x01\x02", 4);
    for (size_t at = bytes.find(central); at != std::string::npos;
         at = bytes.find(central, at + 4)) {
        const size_t nameLen = uint8_t(bytes[at + 28]) | uint8_t(bytes[at + 29]) << 8;
        if (bytes.compare(at + 46, nameLen, name) != 0)
            continue;
        put32(bytes, at + 24, size);
        const size_t local = uint8_t(bytes[at + 42]) | uint8_t(bytes[at + 43]) << 8 |
                             uint8_t(bytes[at + 44]) << 16 | size_t(uint8_t(bytes[at + 45])) << 24;
        put32(bytes, local + 22, size);
        return;
    }
    ADD_FAILURE() << "no entry " << name;
}

long statusKb(const char *field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field) + 1);
    return -1;
}

struct ChildRead {
    bool opened = true;
    long peakKb = -1; // -1: the peak could not be measured
    double seconds = 0;
};

// Reads the bytes in a forked child, whose peak resident size is reset first so that only
// the reading counts.
ChildRead readInChild(const std::string &bytes) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        long report[2] = {1, -1};
        bool reset = false;
        {
            std::ofstream clear("/proc/self/clear_refs");
            reset = bool(clear << "5" << std::flush);
        }
        reset = reset && statusKb("VmHWM:") <= statusKb("VmRSS:") + 1024;
        report[0] = xlsx::readWorkbook(bytes).isOk() ? 1 : 0;
        report[1] = reset ? statusKb("VmHWM:") : -1;
        const ssize_t written = write(fds[1], report, sizeof report);
        _exit(written == sizeof report ? 0 : 1);
    }
    close(fds[1]);
    long report[2] = {1, -1};
    const ssize_t got = read(fds[0], report, sizeof report);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ChildRead r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(got, ssize_t(sizeof report));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    r.opened = report[0] != 0;
    r.peakKb = report[1];
    return r;
}

// 300 MB of blanks in a package of a few hundred KB, declared honestly (refused by its
// compression ratio) or as 8 MB (inflation stops where the declared size ends).
TEST(TemplateLimitsTest, ZipBombIsRefusedQuicklyInLittleMemory) {
    const std::string honest = packageWithBlankSheet(300u << 20);
    ASSERT_LT(honest.size(), 1u << 20);
    std::string understated = honest;
    declareSize(understated, "xl/worksheets/sheet1.xml", 8u << 20);
    const struct {
        const char *what;
        const std::string &bytes;
    } cases[] = {{"declared size", honest}, {"understated size", understated}};
    for (const auto &c : cases) {
        const auto direct = xlsx::readWorkbook(c.bytes);
        ASSERT_FALSE(direct.isOk()) << c.what;
        EXPECT_NE(direct.error().message.toStdString().find("xl/worksheets/sheet1.xml"),
                  std::string::npos)
            << c.what << ": " << direct.error().message.toStdString();

        const ChildRead child = readInChild(c.bytes);
        EXPECT_FALSE(child.opened) << c.what;
        RecordProperty(std::string(c.what) + " peak KB", std::to_string(child.peakKb));
        if (kSanitized)
            continue; // the sanitizers' shadow memory and slowdown are not the reader's
        EXPECT_LT(child.seconds, 3.0) << c.what;
        if (child.peakKb < 0) {
            ADD_FAILURE() << "peak memory of the child could not be measured";
            continue;
        }
        EXPECT_LT(child.peakKb, 100 * 1024) << c.what;
    }
}

TEST(TemplateLimitsTest, TotalInflatedSizeIsBoundedAcrossParts) {
    const std::string part(600 * 1024, 'x');
    const std::string bytes = packageOf({{"a", part}, {"b", part}, {"c", part}});
    xlsx::ZipReader::Limits small;
    small.totalInflated = 1u << 20;
    xlsx::ZipReader zip(small);
    ASSERT_TRUE(zip.open(bytes));
    std::string out;
    ASSERT_TRUE(zip.read("a", out)) << zip.error();
    EXPECT_EQ(out, part);
    EXPECT_FALSE(zip.read("b", out));
    EXPECT_NE(zip.error().find("b"), std::string::npos) << zip.error();
    // A fresh archive starts counting again.
    ASSERT_TRUE(zip.open(bytes));
    EXPECT_TRUE(zip.read("c", out)) << zip.error();
}

// The biggest sheet an older format holds, written the way the engine writes every report
// (numbers, repeated text and styles that compress well), passes the limits.
TEST(TemplateLimitsTest, FullOldFormatSheetPasses) {
    xlsx::Workbook book;
    book.appendSheet(std::make_unique<xlsx::Worksheet>(&book, "S"));
    xlsx::Worksheet &ws = book.sheet(0);
    constexpr int kRows = 65535;
    for (int r = 1; r <= kRows; ++r) {
        ws.setNumber(r, 1, r);
        ws.setString(r, 2, "東京都千代田区");
        ws.setString(r, 3, r % 2 ? "済" : "未");
        ws.setNumber(r, 4, r * 1.5);
        ws.setNumber(r, 5, 45000 + r % 365);
        ws.setString(r, 6, "備考欄の定型文");
    }
    xlsx::MemorySink sink;
    std::string error;
    ASSERT_TRUE(xlsx::PackageWriter::write(book, sink, error)) << error;
    xlsx::ZipReader zip;
    ASSERT_TRUE(zip.open(sink.bytes()));
    std::string sheet;
    ASSERT_TRUE(zip.read("xl/worksheets/sheet1.xml", sheet)) << zip.error();
    // Large enough that the compression-ratio rule applies to it.
    ASSERT_GT(sheet.size(), xlsx::ZipReader::Limits().ratioFreeSize);

    const auto read = xlsx::readWorkbook(sink.bytes());
    ASSERT_TRUE(read.isOk()) << read.error().message.toStdString();
    const xlsx::Cell *last = read.value()->sheet(0).find(kRows, 4);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->type, xlsx::CellType::Number);
    EXPECT_DOUBLE_EQ(last->number, kRows * 1.5);
}

} // namespace

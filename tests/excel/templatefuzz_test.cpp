// Mutated templates: a report made from one ends quickly, either with a saved workbook that is
// sound (its zip and XML pass the engine's own checks, it reads back with the records in place,
// a sample opens in openpyxl) or with a message that says the template cannot be opened. Never
// a crash, never a damaged workbook reported as saved.
#include "excel/excelsession.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"
#include "report/reportdefinition.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include "excel/engine/packagereader.h"
#include "excel/engine/packagewriter.h"
#include "excel/engine/workbook.h"
#include "excel/engine/xmlcheck.h"
#include "excel/engine/zipreader.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <random>

using namespace kelvoran;

namespace {

using test::packageOf;

// Each case saves a file, and every save is synced to the disk; a folder in memory, where one
// exists, keeps thousands of them fast.
QString scratchFolderTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return base + QStringLiteral("/kelvoran-fuzz-XXXXXX");
}

constexpr bool kSanitized = test::kSanitizedBuild;
// The sanitizers slow each case about tenfold; their run takes the first cases only.
constexpr int kRoundsDivisor = kSanitized ? 5 : 1;

const char *const kFirstCode = "A-1";
const char *const kSecondCode = "B-2";

// A fixed report over the block A1:E6: a code, a name and an amount in B2:B4 of every block,
// the title in A6.
ReportDefinition slipDefinition() {
    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("E6"));
    def.setFlag(QStringLiteral("TITLEFLG"), true);
    def.setValue(QStringLiteral("TITLE"), QStringLiteral("伝票"));
    def.setValue(QStringLiteral("TITLEROW"), QStringLiteral("6"));
    def.setValue(QStringLiteral("TITLECOL"), QStringLiteral("1"));
    for (const char *cell : {"B2", "B3", "B4"}) {
        ColumnSetting c;
        c.PhysicalName = QString::fromLatin1(cell);
        c.WidthOrCell = QString::fromLatin1(cell);
        def.columns.push_back(c);
    }
    return def;
}

// The outcome of one report run on a template.
struct ReportRun {
    enum Outcome { Saved, Refused } outcome = Refused;
    bool refusedOnOpening = false; // the template could not be opened
    QString message;               // why it was refused
    QString stepCode;              // where
    QString path;                  // the saved workbook
};

// Opens the template, writes two slips, closes the template and saves into folder.
ReportRun runSlipReport(const QString &templatePath, const QString &folder, const QString &name) {
    ReportRun run;
    ExcelSession xl;
    StepCode step(u'P');
    const auto refused = [&](const Error &e) {
        run.message = e.message;
        run.stepCode = e.stepCode.isEmpty() ? step.text() : e.stepCode;
        return run;
    };
    Result<TemplateWorkbook> opened = openTemplateWorkbook(xl, templatePath, QString(), 0, step);
    if (!opened) {
        run.refusedOnOpening = true;
        return refused(opened.error());
    }
    TemplateWorkbook book = opened.value();
    const ReportDefinition def = slipDefinition();
    TemplateReportRun report;
    report.outputBook = book.outputBook;
    report.sheetIndex = book.sheetIndex;
    report.templateBook = book.templateBook;
    report.itemCount = int(def.columns.size());
    report.dataCount = 2;
    report.creationTime = QStringLiteral("2026/12/10 09:00:00");
    VectorRecordSource records(
        {{QString::fromLatin1(kFirstCode), QStringLiteral("ボールペン"), 1200},
         {QString::fromLatin1(kSecondCode), QStringLiteral("ノート <A4> & 罫線"), 98765}});
    if (Status st = writeTemplateReport(xl, report, def, records, step); !st)
        return refused(st.error());
    closeTemplateWorkbook(xl, book);
    Result<QString> saved = xl.saveAs(book.outputBook, QDir(folder).filePath(name));
    if (!saved)
        return refused(saved.error());
    run.outcome = ReportRun::Saved;
    run.path = saved.value();
    return run;
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a fresh file: truncating the last one makes the file system flush it first.
bool writeFile(const QString &path, const std::string &bytes) {
    QFile::remove(path);
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

const xlsx::Cell *stringCell(const xlsx::Worksheet &ws, int row, int column) {
    const xlsx::Cell *c = ws.find(row, column);
    return c && c->type == xlsx::CellType::String ? c : nullptr;
}

// Why a saved workbook is not sound, or empty: every entry must inflate with its CRC, every XML
// part must parse and hold only legal names, characters and references, and the workbook must
// read back with both records' codes where the report wrote them.
std::string unsoundness(const QString &path) {
    const QByteArray bytes = fileBytes(path);
    xlsx::ZipReader zip;
    if (!zip.open(bytes.toStdString()))
        return "zip: " + zip.error();
    for (const std::string &name : zip.names()) {
        std::string data;
        if (!zip.read(name, data))
            return "zip: " + zip.error();
        const bool xml = name.size() > 4 && (name.compare(name.size() - 4, 4, ".xml") == 0 ||
                                             name.compare(name.size() - 5, 5, ".rels") == 0);
        if (!xml)
            continue;
        std::string why;
        if (!xlsx::isLegalXmlText(data, why))
            return name + ": " + why;
        if (!xlsx::hasOnlyLegalReferences(data, why))
            return name + ": " + why;
        if (data.find("<!DOCTYPE") != std::string::npos)
            return name + ": document type declaration";
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed = doc.load_buffer(data.data(), data.size());
        if (!parsed)
            return name + ": " + parsed.description() + " at " + std::to_string(parsed.offset);
        if (!xlsx::isSoundXmlTree(doc, why))
            return name + ": " + why;
    }
    for (const char *required : {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml"})
        if (!zip.contains(required))
            return std::string("no ") + required;
    const auto book = xlsx::readWorkbook(bytes.toStdString());
    if (!book.isOk())
        return "reads back: " + book.error().message.toStdString();
    if (book.value()->sheetCount() < 1)
        return "no sheet";
    const xlsx::Worksheet &ws = book.value()->sheet(0);
    const xlsx::Cell *first = stringCell(ws, 2, 2);
    const xlsx::Cell *second = stringCell(ws, 8, 2);
    if (!first || ws.stringText(*first) != kFirstCode || !second ||
        ws.stringText(*second) != kSecondCode)
        return "the codes are not in B2 and B8";
    return std::string();
}

// One openpyxl run over the sample: each workbook must load with the codes where they were
// written.
void expectOpenpyxlReads(const QString &folder, int count) {
    if (count == 0)
        return;
    const QJsonObject o = test::readBack(QStringLiteral(R"PY(
import sys, json, glob, os, warnings, openpyxl
warnings.simplefilter('ignore')
out = {}
for p in sorted(glob.glob(os.path.join(sys.argv[1], '*.xlsx'))):
    try:
        ws = openpyxl.load_workbook(p).worksheets[0]
        out[os.path.basename(p)] = [ws['B2'].value, ws['B8'].value]
    except Exception as e:
        out[os.path.basename(p)] = repr(e)
print(json.dumps(out, ensure_ascii=False))
)PY"),
                                         folder);
    EXPECT_EQ(o.size(), count);
    for (auto it = o.begin(); it != o.end(); ++it)
        EXPECT_EQ(it.value().toArray().toVariantList(),
                  (QVariantList{QString::fromLatin1(kFirstCode), QString::fromLatin1(kSecondCode)}))
            << it.key().toStdString() << ": "
            << QJsonDocument(QJsonArray{it.value()}).toJson().toStdString();
}

// Parts of a package by name.
std::map<std::string, std::string> partsOf(const std::string &package) {
    std::map<std::string, std::string> parts;
    xlsx::ZipReader zip;
    EXPECT_TRUE(zip.open(package)) << zip.error();
    for (const std::string &name : zip.names()) {
        std::string data;
        EXPECT_TRUE(zip.read(name, data)) << zip.error();
        parts[name] = data;
    }
    return parts;
}

// The seeds: a template openpyxl wrote (the "fixed" slip with a second sheet) and the
// workbook this engine made from it, whose parts are shaped differently.
class TemplateFuzz : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        const QString path = s_dir->filePath(QStringLiteral("fixed.xlsx"));
        QFile script(test::testPath(QStringLiteral("data/templates/make_template.py")));
        ASSERT_TRUE(script.open(QIODevice::ReadOnly));
        const test::ProcessResult made =
            test::runPython(QString::fromUtf8(script.readAll()), {QStringLiteral("fixed"), path});
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        s_seeds.push_back(fileBytes(path).toStdString());
        const ReportRun run = runSlipReport(path, s_dir->path(), QStringLiteral("engine.xlsx"));
        ASSERT_EQ(run.outcome, ReportRun::Saved) << run.message.toStdString();
        ASSERT_EQ(unsoundness(run.path), "");
        s_seeds.push_back(fileBytes(run.path).toStdString());
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
        s_seeds.clear();
    }

    // Runs the report on the bytes as a template and checks the outcome, recording a failure
    // against what.
    ReportRun::Outcome check(const std::string &bytes, const std::string &what);

    QTemporaryDir m_work{scratchFolderTemplate()};
    int m_saved = 0;   // sound workbooks so far
    int m_sampled = 0; // of them in the sample
    static QTemporaryDir *s_dir;
    static std::vector<std::string> s_seeds;
};

QTemporaryDir *TemplateFuzz::s_dir = nullptr;
std::vector<std::string> TemplateFuzz::s_seeds;

ReportRun::Outcome TemplateFuzz::check(const std::string &bytes, const std::string &what) {
    const QString templatePath = m_work.filePath(QStringLiteral("template.xlsx"));
    EXPECT_TRUE(writeFile(templatePath, bytes));
    const QString out = m_work.filePath(QStringLiteral("out"));
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    QElapsedTimer clock;
    clock.start();
    const ReportRun run = runSlipReport(templatePath, out, QStringLiteral("report.xlsx"));
    EXPECT_LT(clock.elapsed(), 2000) << what;
    if (run.outcome == ReportRun::Refused) {
        // Refused: said so in words, at a step, with no workbook left behind.
        const QString opening = QStringLiteral("雛形ファイルを開けません。");
        EXPECT_TRUE(run.refusedOnOpening
                        ? run.message.startsWith(opening) && run.message.size() > opening.size()
                        : !run.message.trimmed().isEmpty())
            << what << ": " << run.message.toStdString();
        EXPECT_FALSE(run.stepCode.isEmpty()) << what;
        EXPECT_TRUE(QDir(out).isEmpty()) << what;
        return run.outcome;
    }
    const std::string why = unsoundness(run.path);
    EXPECT_EQ(why, "") << what << " saved a damaged workbook";
    // Every hundredth sound workbook goes to the openpyxl sample, spread over the run.
    if (why.empty() && m_saved++ % 100 == 0 && m_sampled < 8) {
        const QString kept = QDir(m_work.filePath(QStringLiteral("sample")))
                                 .filePath(QStringLiteral("%1.xlsx").arg(m_sampled++));
        QDir().mkpath(QFileInfo(kept).path());
        EXPECT_TRUE(QFile::copy(run.path, kept));
    }
    return run.outcome;
}

// --- Damage to the zip structure -------------------------------------------------------------

// A field of a zip header: its offset from the signature and its width in bytes.
struct Field {
    const char *name;
    int offset;
    int width;
};
const Field kLocalFields[] = {{"version", 4, 2}, {"flags", 6, 2},        {"method", 8, 2},
                              {"time", 10, 2},   {"crc", 14, 4},         {"compressed", 18, 4},
                              {"size", 22, 4},   {"name length", 26, 2}, {"extra length", 28, 2}};
const Field kCentralFields[] = {
    {"flags", 8, 2}, {"method", 10, 2},      {"crc", 16, 4},          {"compressed", 20, 4},
    {"size", 24, 4}, {"name length", 28, 2}, {"extra length", 30, 2}, {"comment length", 32, 2},
    {"disk", 34, 2}, {"external", 38, 4},    {"offset", 42, 4}};
const Field kEndFields[] = {{"disk", 4, 2},     {"entries here", 8, 2}, {"entries", 10, 2},
                            {"cd size", 12, 4}, {"cd offset", 16, 4},   {"comment length", 20, 2}};

// Reads a field; bytes past the end (of an archive already cut short) read as zero.
uint32_t getLe(const std::string &b, size_t at, int width) {
    uint32_t v = 0;
    for (int k = width - 1; k >= 0; --k)
        v = v << 8 | (at + size_t(k) < b.size() ? uint8_t(b[at + size_t(k)]) : 0u);
    return v;
}

void putLe(std::string &b, size_t at, int width, uint32_t v) {
    for (int k = 0; k < width && at + size_t(k) < b.size(); ++k)
        b[at + size_t(k)] = char(v >> (8 * k));
}

// Where the headers of a sound archive are.
struct ZipLayout {
    std::vector<size_t> locals, centrals;
    size_t end = 0;
};

ZipLayout layoutOf(const std::string &b) {
    ZipLayout z;
    z.end = b.rfind(std::string("PK\x05\x06", 4));
    size_t at = getLe(b, z.end + 16, 4);
    for (uint32_t i = getLe(b, z.end + 10, 2); i > 0; --i) {
        z.centrals.push_back(at);
        z.locals.push_back(getLe(b, at + 42, 4));
        at += 46 + getLe(b, at + 28, 2) + getLe(b, at + 30, 2) + getLe(b, at + 32, 2);
    }
    return z;
}

// A new value for a field: the edges, a neighbour, a bit flipped, the same field of another
// header, or anything.
uint32_t fieldValue(uint32_t old, int width, std::mt19937 &rng) {
    const uint32_t all = width == 2 ? 0xFFFFu : 0xFFFFFFFFu;
    switch (rng() % 7) {
    case 0:
        return 0;
    case 1:
        return all;
    case 2:
        return (old + 1) & all;
    case 3:
        return (old - 1) & all;
    case 4:
        return old ^ (1u << (rng() % (8 * width)));
    case 5: {
        static const uint32_t kMethods[] = {0, 1, 8, 9, 12, 14, 99};
        return kMethods[rng() % std::size(kMethods)];
    }
    default:
        return rng() & all;
    }
}

// One piece of damage to the archive whose sound form has the layout z: a header field, a
// name, a copied field, or raw bytes.
std::string damageZip(std::string b, const ZipLayout &z, std::mt19937 &rng, std::string &what) {
    const size_t entry = rng() % z.centrals.size();
    switch (rng() % 8) {
    case 0:
    case 1: {
        const Field &f = kLocalFields[rng() % std::size(kLocalFields)];
        const size_t at = z.locals[entry] + size_t(f.offset);
        putLe(b, at, f.width, fieldValue(getLe(b, at, f.width), f.width, rng));
        what = std::string("local ") + f.name;
        break;
    }
    case 2:
    case 3: {
        const Field &f = kCentralFields[rng() % std::size(kCentralFields)];
        const size_t at = z.centrals[entry] + size_t(f.offset);
        putLe(b, at, f.width, fieldValue(getLe(b, at, f.width), f.width, rng));
        what = std::string("central ") + f.name;
        break;
    }
    case 4: {
        const Field &f = kEndFields[rng() % std::size(kEndFields)];
        const size_t at = z.end + size_t(f.offset);
        putLe(b, at, f.width, fieldValue(getLe(b, at, f.width), f.width, rng));
        what = std::string("end ") + f.name;
        break;
    }
    case 5: {
        // A name byte: another letter, a separator, a NUL, a high byte, or the other case.
        const bool central = rng() % 2;
        const size_t header = central ? z.centrals[entry] : z.locals[entry];
        const size_t nameAt = header + (central ? 46 : 30);
        const uint32_t len = getLe(b, header + (central ? 28 : 26), 2);
        const size_t at = nameAt + rng() % std::max(len, 1u);
        if (at >= b.size())
            break;
        static const char kNameBytes[] = {'/', '\\', '\0', '\xE3', '.', 'X', ':'};
        b[at] = rng() % 3 ? kNameBytes[rng() % sizeof kNameBytes]
                          : char(std::isupper(uint8_t(b[at])) ? std::tolower(uint8_t(b[at]))
                                                              : std::toupper(uint8_t(b[at])));
        what = central ? "central name" : "local name";
        break;
    }
    case 6: {
        // The same field copied from another entry's central header.
        const Field &f = kCentralFields[rng() % std::size(kCentralFields)];
        const size_t other = z.centrals[rng() % z.centrals.size()];
        putLe(b, z.centrals[entry] + size_t(f.offset), f.width,
              getLe(b, other + size_t(f.offset), f.width));
        what = std::string("central ") + f.name + " of another entry";
        break;
    }
    default: {
        // Raw bytes: flipped in an entry's data, or the archive cut short or lengthened.
        const size_t at = rng() % (b.size() + 1);
        switch (at < b.size() ? rng() % 3 : 2) {
        case 0:
            b[at] = char(rng());
            what = "byte flipped";
            break;
        case 1:
            b.resize(at);
            what = "truncated";
            break;
        default:
            b.insert(at, std::string(1 + rng() % 64, char(rng())));
            what = "bytes inserted";
        }
    }
    }
    return b;
}

TEST_F(TemplateFuzz, DamagedZipHeadersAreRefusedOrMakeASoundWorkbook) {
    ASSERT_EQ(s_seeds.size(), 2u);
    std::vector<ZipLayout> layouts;
    for (const std::string &seed : s_seeds)
        layouts.push_back(layoutOf(seed));
    std::mt19937 rng(20261210u);
    QElapsedTimer total;
    total.start();
    std::map<ReportRun::Outcome, int> outcomes;
    for (int round = 0; round < 1500 / kRoundsDivisor; ++round) {
        std::string bytes = s_seeds[size_t(round) % s_seeds.size()];
        std::string what;
        for (int n = 1 + int(rng() % 2); n > 0; --n) {
            std::string one;
            bytes = damageZip(bytes, layouts[size_t(round) % layouts.size()], rng, one);
            what += one + "; ";
        }
        ++outcomes[check(bytes, "round " + std::to_string(round) + " (" + what + ")")];
        if (HasFailure())
            break;
    }
    // Both outcomes occur: some damage is harmless (a time, a name's case), most is not.
    EXPECT_GT(outcomes[ReportRun::Saved], 50 / kRoundsDivisor);
    EXPECT_GT(outcomes[ReportRun::Refused], 50 / kRoundsDivisor);
    expectOpenpyxlReads(m_work.filePath(QStringLiteral("sample")), m_sampled);
    EXPECT_LT(total.elapsed(), 60000);
}

// --- Damage to the XML inside ----------------------------------------------------------------

// Fragments that change what a part means: tags, references, declarations, comments.
const char *const kFragments[] = {"<",
                                  ">",
                                  "/>",
                                  "</row>",
                                  "<row r=\"0\">",
                                  "<c r=\"A1\" t=\"s\"><v>99</v></c>",
                                  "<c r=\"XFE1\"/>",
                                  "<mergeCell ref=\"A1:XFD1048576\"/>",
                                  "<f>SUM(A1:A3)</f>",
                                  "<!-- x -->",
                                  "<![CDATA[x]]>",
                                  "<?pi x?>",
                                  "<!DOCTYPE x [<!ENTITY e \"ee\">]>",
                                  "&e;",
                                  " xmlns=\"urn:x\"",
                                  " xmlns:x=\"urn:x\"",
                                  " r=\"B2\"",
                                  " s=\"9999\"",
                                  "\xEF\xBB\xBF"};
// Attribute values: numbers out of range, references, bytes that are not text.
const char *const kValues[] = {"",
                               "-1",
                               "0",
                               "4294967296",
                               "1E308",
                               "NaN",
                               "A0",
                               "XFD1048577",
                               "A1:A0",
                               "$A$1:$",
                               "rId99",
                               "../../x.xml",
                               "/xl/worksheets/sheet1.xml",
                               "&amp;&lt;&gt;&quot;",
                               "&#0;",
                               "&#x1F600;",
                               "\xFF\xFE",
                               "\xC0\xAF",
                               "ＳＨＥＥＴ",
                               "'!'",
                               "http://schemas.openxmlformats.org/officeDocument/2006/"
                               "relationships/worksheet"};
// Entity and character references, legal and not.
const char *const kReferences[] = {
    "&amp;",    "&lt;",      "&#65;",  "&#x41;", "&#0;", "&#x1;", "&#xD800;",      "&#x110000;",
    "&#xFFFE;", "&#x1F600;", "&nope;", "&amp",   "&#;",  "&#x;",  "&#99999999999;"};
const char *const kTagNames[] = {"row", "c",     "v",         "f",           "is",   "t",
                                 "si",  "sheet", "xf",        "font",        "fill", "definedName",
                                 "x:c", "1c",    "mergeCell", "Relationship"};

// One piece of damage to an XML text.
void damageXml(std::string &x, std::mt19937 &rng, std::string &what) {
    if (x.empty()) {
        x = kFragments[rng() % std::size(kFragments)];
        what += "filled; ";
        return;
    }
    const size_t at = rng() % (x.size() + 1);
    switch (rng() % 9) {
    case 0: {
        static const char kBytes[] = {'<',  '>',    '&',    '"',    '\'',   '/',    '=', ' ',
                                      '\0', '\x01', '\x80', '\xC3', '\xE3', '\xFF', 'a'};
        x.insert(at, 1, kBytes[rng() % sizeof kBytes]);
        what += "byte; ";
        break;
    }
    case 1:
        x.insert(at, kFragments[rng() % std::size(kFragments)]);
        what += "fragment; ";
        break;
    case 2: {
        // An attribute value replaced.
        const size_t q = x.find("=\"", at);
        const size_t end = q == std::string::npos ? q : x.find('"', q + 2);
        if (end != std::string::npos)
            x.replace(q + 2, end - q - 2, kValues[rng() % std::size(kValues)]);
        what += "value; ";
        break;
    }
    case 3: {
        // An element name replaced, in a start or an end tag.
        const size_t lt = x.find('<', at);
        if (lt != std::string::npos) {
            const size_t from = lt + 1 + (lt + 1 < x.size() && x[lt + 1] == '/');
            size_t to = from;
            while (to < x.size() && !std::strchr(" />\t\r\n", x[to]))
                ++to;
            x.replace(from, to - from, kTagNames[rng() % std::size(kTagNames)]);
        }
        what += "tag name; ";
        break;
    }
    case 4:
        x.insert(at, kReferences[rng() % std::size(kReferences)]);
        what += "reference; ";
        break;
    case 5:
        x.resize(at);
        what += "truncated; ";
        break;
    case 6:
        x.erase(at, 1 + rng() % 40);
        what += "cut; ";
        break;
    case 7: {
        // An element repeated: from a '<' to the next '>'.
        const size_t lt = x.find('<', at);
        const size_t gt = lt == std::string::npos ? lt : x.find('>', lt);
        if (gt != std::string::npos)
            x.insert(lt, x.substr(lt, gt - lt + 1));
        what += "element repeated; ";
        break;
    }
    default: {
        // A run of digits made long or negative.
        size_t d = at;
        while (d < x.size() && !std::isdigit(uint8_t(x[d])))
            ++d;
        if (d < x.size())
            x.insert(d, rng() % 2 ? "-" : "99999999999");
        what += "number; ";
    }
    }
}

TEST_F(TemplateFuzz, DamagedXmlPartsAreRefusedOrMakeASoundWorkbook) {
    ASSERT_EQ(s_seeds.size(), 2u);
    std::vector<std::map<std::string, std::string>> seeds;
    for (const std::string &s : s_seeds)
        seeds.push_back(partsOf(s));
    std::mt19937 rng(20261211u);
    QElapsedTimer total;
    total.start();
    std::map<ReportRun::Outcome, int> outcomes;
    for (int round = 0; round < 1000 / kRoundsDivisor; ++round) {
        std::map<std::string, std::string> parts = seeds[size_t(round) % seeds.size()];
        std::string what;
        // Mostly one part, sometimes two.
        for (int p = rng() % 4 ? 1 : 2; p > 0; --p) {
            auto it = parts.begin();
            std::advance(it, long(rng() % parts.size()));
            what += it->first + ": ";
            for (int n = 1 + int(rng() % 3); n > 0; --n)
                damageXml(it->second, rng, what);
        }
        ++outcomes[check(packageOf(parts), "round " + std::to_string(round) + " (" + what + ")")];
        if (HasFailure())
            break;
    }
    EXPECT_GT(outcomes[ReportRun::Saved], 100 / kRoundsDivisor);
    EXPECT_GT(outcomes[ReportRun::Refused], 100 / kRoundsDivisor);
    expectOpenpyxlReads(m_work.filePath(QStringLiteral("sample")), m_sampled);
    EXPECT_LT(total.elapsed(), 60000);
}

// --- Inputs the mutations found --------------------------------------------------------------

const char *const kRegressionStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "</fonts><fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
    "<borders count=\"1\"><border/></borders><cellXfs count=\"1\"><xf numFmtId=\"0\" "
    "fontId=\"0\" fillId=\"0\" borderId=\"0\"><alignment horizontal=\"center\"/></xf></cellXfs>"
    "<colors><indexedColors><rgbColor rgb=\"FF00CCFF\"/></indexedColors></colors></styleSheet>";
const char *const kRegressionSheet =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<sheetFormatPr baseColWidth=\"8\" defaultRowHeight=\"15\"/><sheetData><row r=\"1\"><c "
    "r=\"A1\"><v>7</v></c></row></sheetData><pageMargins left=\"0.7\" right=\"0.7\" "
    "top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>";
const char *const kRegressionWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

// Each case changes one text of a sound template the way a mutation did. A value written out
// as it was read (a style name, the palette, a sheet's margins) made a workbook that openpyxl,
// like the spreadsheet, refuses; now a modelled part is refused naming the part, and a sheet's
// element kept as text is left out with a notice.
TEST(TemplateFuzzRegression, ValuesWrittenOutAsReadAreChecked) {
    const struct {
        const char *what;
        std::string part;
        std::string from, to;
        bool opens;
        std::string named; // in the refusal or in a notice
    } cases[] = {
        {"palette colour of eleven digits", "xl/styles.xml", "FF00CCFF", "9999999999900CCFFFF",
         false, "xl/styles.xml"},
        {"palette colour with an unknown attribute", "xl/styles.xml", "rgbColor rgb",
         "rgbColor rgba", false, "xl/styles.xml"},
        {"alignment that is no choice", "xl/styles.xml", "horizontal=\"center\"",
         "horizontal=\"centre\"", false, "xl/styles.xml"},
        {"font family beyond 14", "xl/styles.xml", "family val=\"2\"", "family val=\"15\"", false,
         "xl/styles.xml"},
        {"font size that is no number", "xl/styles.xml", "sz val=\"11\"", "sz val=\"NaN\"", false,
         "xl/styles.xml"},
        {"sheet name with a slash", "xl/workbook.xml", "name=\"S\"", "name=\"S/T\"", false,
         "xl/workbook.xml"},
        {"sheet name with a colon", "xl/workbook.xml", "name=\"S\"", "name=\"S:T\"", false,
         "xl/workbook.xml"},
        {"margin that is a path", "xl/worksheets/sheet1.xml", "left=\"0.7\"",
         "left=\"../../x.xml\"", true, "pageMargins"},
        {"margin with an unknown attribute", "xl/worksheets/sheet1.xml", "top=\"0.75\"",
         "b=\"0.75\"", true, "pageMargins"},
        {"column width with a quote", "xl/worksheets/sheet1.xml", "baseColWidth=\"8\"",
         "baseColWidth=\"8'\"", true, "sheetFormatPr"},
    };
    QTemporaryDir dir;
    int written = 0;
    for (const auto &c : cases) {
        auto parts = test::minimalParts("");
        parts["xl/worksheets/sheet1.xml"] = kRegressionSheet;
        parts["xl/workbook.xml"] = kRegressionWorkbook;
        parts["xl/styles.xml"] = kRegressionStyles;
        std::string &rels = parts["xl/_rels/workbook.xml.rels"];
        rels.insert(rels.rfind("</Relationships>"),
                    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
                    "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>");
        // The undamaged template opens, so what follows is the damage's doing.
        ASSERT_TRUE(xlsx::readWorkbook(packageOf(parts)).isOk()) << c.what;
        std::string &text = parts[c.part];
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.what;
        text.replace(at, c.from.size(), c.to);

        const auto read = xlsx::readWorkbook(packageOf(parts));
        EXPECT_EQ(read.isOk(), c.opens) << c.what;
        if (read.isOk() != c.opens)
            continue;
        if (!c.opens) {
            EXPECT_NE(read.error().message.toStdString().find(c.named), std::string::npos)
                << c.what << ": " << read.error().message.toStdString();
            continue;
        }
        bool noticed = false;
        for (const std::string &n : read.value()->notices)
            noticed = noticed || n.find(c.named) != std::string::npos;
        EXPECT_TRUE(noticed) << c.what;
        xlsx::MemorySink sink;
        std::string error;
        ASSERT_TRUE(xlsx::PackageWriter::write(*read.value(), sink, error)) << error;
        ASSERT_TRUE(
            writeFile(dir.filePath(QStringLiteral("%1.xlsx").arg(written++)), sink.bytes()));
    }
    const QJsonObject o = test::readBack(QStringLiteral(R"PY(
import sys, json, glob, os, warnings, openpyxl
warnings.simplefilter('ignore')
out = {}
for p in sorted(glob.glob(os.path.join(sys.argv[1], '*.xlsx'))):
    try:
        out[os.path.basename(p)] = openpyxl.load_workbook(p).worksheets[0]['A1'].value
    except Exception as e:
        out[os.path.basename(p)] = repr(e)
print(json.dumps(out))
)PY"),
                                         dir.path());
    ASSERT_EQ(o.size(), written);
    for (auto it = o.begin(); it != o.end(); ++it)
        EXPECT_EQ(it.value().toInt(), 7)
            << it.key().toStdString() << ": " << it.value().toString().toStdString();
}

} // namespace

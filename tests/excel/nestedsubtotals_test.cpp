// Group subtotals of two keys on one column (branch within region): every subtotal is the sum
// or average of its group's records, at every level, whichever order the codes stand in.
#include "excel/reportdriver.h"

#include "db/selectanalysis.h"
#include "report/userinteraction.h"
#include "tests/excel/xlsxtesthelpers.h"

#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <ostream>
#include <string>
#include <vector>

using namespace kelvoran;
using kelvoran::test::readBack;

namespace {

// Fills as openpyxl reads them: the palette index of the code plus 7.
constexpr int kRegionFill = 40 + 7;
constexpr int kBranchFill = 36 + 7;
constexpr int kFooterFill = 20 + 7;

struct AmountRow {
    int row;
    double value;
    int fill; // -1: no fill (a record)
};

struct NestedCase {
    const char *name;
    const char *codes; // format codes of the amount column
    const char *keys;  // their group keys, in the same order
    std::vector<AmountRow> rows;
};

// Amounts are powers of two, so a subtotal that takes in another subtotal or loses a record
// cannot come out right by chance. Regions: E = 1 + 2 + 4 = 7, W = 8 + 16 + 32 = 56;
// branches: e1 = 3, e2 = 4, w1 = 8, w2 = 48.
const std::vector<NestedCase> &nestedCases() {
    static const std::vector<NestedCase> all = {
        {"region item first",
         "103/ 40/   /   /,103/ 36/   /   /,101/   /   /   /,",
         "region******,branch******,",
         {{2, 1, -1},
          {3, 2, -1},
          {4, 3, kBranchFill},
          {5, 4, -1},
          {6, 7, kRegionFill},
          {7, 4, kBranchFill},
          {8, 8, -1},
          {9, 8, kBranchFill},
          {10, 16, -1},
          {11, 32, -1},
          {12, 56, kRegionFill},
          {13, 48, kBranchFill},
          {14, 63, kFooterFill}}},
        {"branch item first",
         "103/ 36/   /   /,103/ 40/   /   /,105/   /   /   /,",
         "branch******,region******,",
         {{2, 1, -1},
          {3, 2, -1},
          {4, 3, kBranchFill},
          {5, 4, -1},
          {6, 4, kBranchFill},
          {7, 7, kRegionFill},
          {8, 8, -1},
          {9, 8, kBranchFill},
          {10, 16, -1},
          {11, 32, -1},
          {12, 48, kBranchFill},
          {13, 56, kRegionFill},
          {14, 63, kFooterFill}}},
        // Averages divide by the group's own records; the footer is the grand average.
        {"averages, region item first",
         "104/ 40/   /   /,104/ 36/   /   /,102/   /   /   /,",
         "region******,branch******,",
         {{2, 1, -1},
          {3, 2, -1},
          {4, 1.5, kBranchFill},
          {5, 4, -1},
          {6, 7.0 / 3, kRegionFill},
          {7, 4, kBranchFill},
          {8, 8, -1},
          {9, 8, kBranchFill},
          {10, 16, -1},
          {11, 32, -1},
          {12, 56.0 / 3, kRegionFill},
          {13, 24, kBranchFill},
          {14, 63.0 / 6, kFooterFill}}},
    };
    return all;
}

void PrintTo(const NestedCase &c, std::ostream *os) {
    *os << c.name;
}

ReportDefinition definition(const NestedCase &c) {
    ReportDefinition def;
    const std::map<QString, QString> values{
        {"PROCFLG", "1"},         {"DATAFASTCOL", "1"},     {"DATAFASTROW", "1"},
        {"TITLEFLG", "FALSE"},    {"SHEETFLG", "FALSE"},    {"MAKEDATEFLG", "FALSE"},
        {"KOUMOKUNAME", "TRUE"},  {"AFORMATDATA", "0"},     {"RF", "0"},
        {"PTOUT", "FALSE"},       {"KOTEIFLG", "FALSE"},    {"KCFLG", "FALSE"},
        {"TITLEHOLD", "FALSE"},   {"TITLEBACKCOLOR", "15"}, {"TITLEFONTCOLOR", "1"},
        {"TITLEITALIC", "FALSE"}, {"TITLEBOLD", "FALSE"}};
    for (const auto &[k, v] : values)
        def.setValue(k, v);
    def.columns.clear();
    def.pivotFields.clear();
    for (const char *name : {"region", "branch", "amount"}) {
        ColumnSetting s;
        s.PhysicalName = QString::fromLatin1(name);
        if (s.PhysicalName == QStringLiteral("amount")) {
            s.FormatCodes = QString::fromLatin1(c.codes);
            s.GroupKeys = QString::fromLatin1(c.keys);
        }
        s.PivotLink = QString::number(def.columns.size() + 1);
        def.columns.push_back(s);
        PivotFieldSetting f;
        f.PhysicalName = s.PhysicalName;
        f.Link = s.PivotLink;
        def.pivotFields.push_back(f);
    }
    return def;
}

class NestedSubtotals : public ::testing::TestWithParam<NestedCase> {};

TEST_P(NestedSubtotals, CountEachRecordOnceAtEveryLevel) {
    const NestedCase &c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    static int serial = 0;
    const QString connection = QStringLiteral("nested_subtotals_%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(dir.filePath(QStringLiteral("t.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE sales (region TEXT, branch TEXT, amount INTEGER, seq INTEGER)")));
        ASSERT_TRUE(q.exec(QStringLiteral(
            "INSERT INTO sales VALUES ('E','e1',1,1), ('E','e1',2,2), ('E','e2',4,3),"
            " ('W','w1',8,4), ('W','w2',16,5), ('W','w2',32,6)")))
            << q.lastError().text().toStdString();

        ReportSource source;
        source.editorLines = QStringList{QStringLiteral("SELECT region, branch, amount"),
                                         QStringLiteral("FROM sales ORDER BY seq")};
        source.analysis = AnalyzeSelect(source.editorLines, false);
        ReportRunOptions options;
        options.prefix = u'C';
        options.database = db;
        options.outputPath = dir.filePath(QStringLiteral("nested.xlsx"));
        RecordingInteraction ui;
        ui.defaultConfirm = true;
        const ReportRunResult r = runExcelReport(definition(c), source, options, ui);
        db.close();
        ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
        EXPECT_EQ(r.dataCount, 6);
    }
    QSqlDatabase::removeDatabase(connection);

    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, json, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
rows = []
for r in range(2, ws.max_row + 1):
    c = ws.cell(r, 3)
    fill = c.fill.fgColor.indexed if c.fill is not None and c.fill.fill_type == "solid" else -1
    rows.append([r, c.value, fill])
print(json.dumps({"rows": rows}))
)PY"),
                                   dir.filePath(QStringLiteral("nested.xlsx")));
    const QJsonArray rows = o[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), qsizetype(c.rows.size()));
    for (size_t i = 0; i < c.rows.size(); ++i) {
        const QJsonArray got = rows[qsizetype(i)].toArray();
        const AmountRow &want = c.rows[i];
        EXPECT_EQ(got[0].toInt(), want.row);
        EXPECT_NEAR(got[1].toDouble(), want.value, 1e-9) << "row " << want.row;
        EXPECT_EQ(got[2].toInt(), want.fill) << "row " << want.row;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, NestedSubtotals, ::testing::ValuesIn(nestedCases()),
                         [](const ::testing::TestParamInfo<NestedCase> &param) {
                             std::string name;
                             for (const char *p = param.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

} // namespace

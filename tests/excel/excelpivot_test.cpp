// Pivot tables made through the session and read back by openpyxl.
#include "excel/excelpivot.h"
#include "excel/excelsession.h"
#include "tests/excel/xlsxtesthelpers.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using kelvoran::test::readBack;

namespace {

ExcelRange at(const ExcelSheet &s, const char *a1) {
    return s.range(QString::fromUtf8(a1)).value();
}

// A list with a heading row: region, product code (text with leading zeros), amount.
void writeList(const ExcelSheet &s) {
    at(s, "A1").setValue(QStringLiteral("地域"));
    at(s, "B1").setValue(QStringLiteral("商品"));
    at(s, "C1").setValue(QStringLiteral("金額"));
    at(s, "B2:B6").setNumberFormat(QStringLiteral("@"));
    const char *rows[][3] = {{"東京", "001", "100"},
                             {"大阪", "002", "50"},
                             {"東京", "002", "25"},
                             {"東京", "001", "10"},
                             {"大阪", "001", "5.5"}};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c)
            s.cells(r + 2, c + 1).setValue(QString::fromUtf8(rows[r][c]));
}

} // namespace

TEST(ExcelPivotTest, PivotOnItsOwnSheetReadsBackInOpenpyxl) {
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KELVORAN_KEEP_TEST_FILES"));
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet data = xl.sheet(book, 1);
    ASSERT_TRUE(data.setName(QStringLiteral("データ")));
    writeList(data);
    Result<ExcelSheet> second = xl.addSheetAfter(book, 1);
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->setName(QStringLiteral("集計")));

    PivotWizardOptions options;
    options.name = QStringLiteral("売上集計");
    options.columnGrandTotals = true;
    Result<ExcelPivotTable> pivot =
        pivotTableWizard(*data.range(QStringLiteral("A1:C6")), second->cells(4, 2), options);
    ASSERT_TRUE(pivot) << pivot.error().message.toStdString();
    ASSERT_TRUE(pivot->setOrientation(QStringLiteral("地域"), 1));
    ASSERT_TRUE(pivot->setOrientation(QStringLiteral("商品"), 3));
    // "No aggregation" is refused, and the report falls back to orientation 4 (a sum).
    EXPECT_FALSE(pivot->addDataField(QStringLiteral("金額"), 0));
    ASSERT_TRUE(pivot->setOrientation(QStringLiteral("金額"), 4));
    ASSERT_TRUE(pivot->addDataField(QStringLiteral("金額"), -4106));
    ASSERT_TRUE(pivot->format(12));
    EXPECT_FALSE(pivot->format(99));
    EXPECT_EQ(pivot->tableRange().address(), QStringLiteral("B4:D10"));

    // The source sheet is renamed after the table was made: the cache must follow.
    ASSERT_TRUE(data.setName(QStringLiteral("明細")));
    Result<QString> saved = xl.saveAs(book, dir.filePath(QStringLiteral("pivot.xlsx")));
    ASSERT_TRUE(saved) << saved.error().message.toStdString();

    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, json, zipfile, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb["集計"]
p = ws._pivots[0]
cache = p.cache
out = {
  "name": p.name,
  "location": p.location.ref,
  "rowFields": [int(f.x) for f in p.rowFields],
  "pageFields": [int(f.fld) for f in p.pageFields],
  "dataFields": [[d.name, int(d.fld), d.subtotal] for d in p.dataFields],
  "source": [cache.cacheSource.worksheetSource.sheet, cache.cacheSource.worksheetSource.ref],
  "fields": [f.name for f in cache.cacheFields],
  "records": len(cache.records.r) if cache.records is not None else -1,
  "recordCount": int(cache.recordCount),
  "cells": [[ws.cell(r, c).value for c in range(2, 5)] for r in range(2, 11)],
  "fill": int(ws["B4"].fill.fgColor.indexed),
}
names = zipfile.ZipFile(sys.argv[1]).namelist()
out["parts"] = sorted(n for n in names if "pivot" in n)
print(json.dumps(out, ensure_ascii=False))
)PY"),
                                   *saved);
    EXPECT_EQ(o[QStringLiteral("name")].toString(), QStringLiteral("売上集計"));
    EXPECT_EQ(o[QStringLiteral("location")].toString(), QStringLiteral("B4:D10"));
    EXPECT_EQ(o[QStringLiteral("rowFields")].toArray(), QJsonArray({0, -2}));
    EXPECT_EQ(o[QStringLiteral("pageFields")].toArray(), QJsonArray({1}));
    const QJsonArray dataFields = o[QStringLiteral("dataFields")].toArray();
    ASSERT_EQ(dataFields.size(), 2);
    EXPECT_EQ(dataFields[0].toArray(),
              QJsonArray({QStringLiteral("合計 / 金額"), 2, QStringLiteral("sum")}));
    EXPECT_EQ(dataFields[1].toArray(),
              QJsonArray({QStringLiteral("平均 / 金額"), 2, QStringLiteral("average")}));
    EXPECT_EQ(o[QStringLiteral("source")].toArray(),
              QJsonArray({QStringLiteral("明細"), QStringLiteral("A1:C6")}));
    EXPECT_EQ(o[QStringLiteral("fields")].toArray(),
              QJsonArray({QStringLiteral("地域"), QStringLiteral("商品"), QStringLiteral("金額")}));
    EXPECT_EQ(o[QStringLiteral("records")].toInt(), 5);
    EXPECT_EQ(o[QStringLiteral("recordCount")].toInt(), 5);
    // Page field two rows above the table; the codes stay text.
    const QJsonArray cells = o[QStringLiteral("cells")].toArray();
    EXPECT_EQ(cells[0].toArray(),
              QJsonArray({QStringLiteral("商品"), QStringLiteral("(すべて)"), QJsonValue()}));
    EXPECT_EQ(cells[2].toArray(), QJsonArray({QStringLiteral("地域"), QStringLiteral("データ"),
                                              QStringLiteral("集計")}));
    EXPECT_EQ(cells[3].toArray(),
              QJsonArray({QStringLiteral("大阪"), QStringLiteral("合計 / 金額"), 55.5}));
    EXPECT_EQ(cells[4].toArray(), QJsonArray({QJsonValue(), QStringLiteral("平均 / 金額"), 27.75}));
    EXPECT_EQ(cells[5].toArray(),
              QJsonArray({QStringLiteral("東京"), QStringLiteral("合計 / 金額"), 135}));
    EXPECT_EQ(cells[7].toArray(),
              QJsonArray({QStringLiteral("総計 合計 / 金額"), QJsonValue(), 190.5}));
    EXPECT_EQ(cells[8].toArray(),
              QJsonArray({QStringLiteral("総計 平均 / 金額"), QJsonValue(), 38.1}));
    // Table format 2 (constant 12) fills the headings.
    EXPECT_EQ(o[QStringLiteral("fill")].toInt(), 40 + 7);
    EXPECT_EQ(o[QStringLiteral("parts")].toArray(),
              QJsonArray({QStringLiteral("xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels"),
                          QStringLiteral("xl/pivotCache/pivotCacheDefinition1.xml"),
                          QStringLiteral("xl/pivotCache/pivotCacheRecords1.xml"),
                          QStringLiteral("xl/pivotTables/_rels/pivotTable1.xml.rels"),
                          QStringLiteral("xl/pivotTables/pivotTable1.xml")}));
}

TEST(ExcelPivotTest, WizardRefusesBadSources) {
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet s = xl.sheet(book, 1);
    writeList(s);
    struct Case {
        const char *source;
        const char *destination;
    };
    const std::vector<Case> cases{
        {"A1:C1", "F1"}, // no record under the headings
        {"A1:D6", "F1"}, // column D has no field name
        {"A1:C6", "B3"}, // destination inside the source
    };
    for (const Case &c : cases) {
        Result<ExcelPivotTable> p = pivotTableWizard(at(s, c.source), at(s, c.destination), {});
        EXPECT_FALSE(p) << c.source << " -> " << c.destination;
    }
    PivotWizardOptions named;
    named.name = QStringLiteral("P");
    ASSERT_TRUE(pivotTableWizard(at(s, "A1:C6"), at(s, "F3"), named));
    EXPECT_FALSE(pivotTableWizard(at(s, "A1:C6"), at(s, "F20"), named)); // name taken
}

TEST(ExcelPivotTest, CopiedSheetKeepsValuesAndSaysThePivotWasNotCarried) {
    QTemporaryDir dir;
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet s = xl.sheet(book, 1);
    writeList(s);
    Result<ExcelPivotTable> p = pivotTableWizard(at(s, "A1:C6"), at(s, "F3"), {});
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->setOrientation(QStringLiteral("地域"), 1));
    ASSERT_TRUE(p->addDataField(QStringLiteral("金額"), -4157));
    Result<ExcelSheet> copy = xl.copySheetAfter(book, 1, book, 1);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->cells(4, 6).text(), QStringLiteral("大阪"));
    EXPECT_TRUE(xl.notices(book).join(u'\n').contains(QStringLiteral("ピボットテーブル")));
    // Only the original sheet carries the table's parts.
    Result<QString> saved = xl.saveAs(book, dir.filePath(QStringLiteral("copy.xlsx")));
    ASSERT_TRUE(saved);
    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(json.dumps({"pivots": [len(ws._pivots) for ws in wb.worksheets]}))
)PY"),
                                   *saved);
    EXPECT_EQ(o[QStringLiteral("pivots")].toArray(), QJsonArray({1, 0}));
}

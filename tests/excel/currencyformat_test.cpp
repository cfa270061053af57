// The currency formats of the column format codes: the yen sign written in the file syntax in
// every section, what the sheet shows for positive and negative amounts, and what openpyxl
// reads back from the saved workbook.
#include "excel/excelsession.h"
#include "excel/formatapply.h"
#include "tests/excel/xlsxtesthelpers.h"

#include "excel/engine/styles.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <iterator>

#include <gtest/gtest.h>

using namespace kelvoran;
using kelvoran::test::readBack;

namespace {

struct CurrencyCase {
    int style;            // parameter 1 of code 008
    const char *fileCode; // the number format the file carries
    const char *positive; // 1234.56 as the sheet shows it
    const char *negative; // -1234.56 as the sheet shows it
};

const CurrencyCase kCurrency[] = {
    {0, "\"¥\"#,###", "¥1,235", "-¥1,235"},
    {1, "\"¥\"#,###.0", "¥1,234.6", "-¥1,234.6"},
    {2, "\"¥\"#,###.00", "¥1,234.56", "-¥1,234.56"},
    {3, "\"¥\"#,###;[Red]\"¥\"\\-#,###", "¥1,235", "¥-1,235"},
    {4, "\"¥\"#,###.0;[Red]\"¥\"\\-#,###.0", "¥1,234.6", "¥-1,234.6"},
    {5, "\"¥\"#,###.00;[Red]\"¥\"\\-#,###.00", "¥1,234.56", "¥-1,234.56"},
    {6, "\"¥\"#,###;[Red]\"¥\"#,###", "¥1,235", "¥1,235"},
    {7, "\"¥\"#,###.0;[Red]\"¥\"#,###.0", "¥1,234.6", "¥1,234.6"},
    {8, "\"¥\"#,###.00;[Red]\"¥\"#,###.00", "¥1,234.56", "¥1,234.56"},
    {9, "$#,###.00", "$1,234.56", "-$1,234.56"},
    {10, "$#,###.00;[Red]-$#,###.00", "$1,234.56", "-$1,234.56"},
    {11, "$#,###.00;[Red]$#,###.00", "$1,234.56", "$1,234.56"},
    {12, "\"△\" \"¥\"#,###;\"▲\" \"¥\"#,###", "△ ¥1,235", "▲ ¥1,235"},
    {13, "\"△\" \"¥\"#,###.0;\"▲\" \"¥\"#,###.0", "△ ¥1,234.6", "▲ ¥1,234.6"},
    {14, "\"△\" \"¥\"#,###.00;\"▲\" \"¥\"#,###.00", "△ ¥1,234.56", "▲ ¥1,234.56"},
    {15, "\"△\" $#,###.00;\"▲\" $#,###.00", "△ $1,234.56", "▲ $1,234.56"},
};

QString currencyCode(int style) {
    return QStringLiteral("008/%1/   /   /,").arg(style, 3);
}

TEST(CurrencyFormatTest, EveryStyleKeepsItsSignsInTheFileAndOnScreen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ExcelSession xl;
    const int book = xl.addWorkbook();
    const ExcelSheet sheet = xl.sheet(book, 1);
    // One row per style: the amount in A, its negative in B.
    for (const CurrencyCase &c : kCurrency) {
        const int row = c.style + 1;
        const ExcelRange pair = sheet.range(sheet.cells(row, 1), sheet.cells(row, 2));
        ASSERT_TRUE(applyFormatCodes(pair, currencyCode(c.style), FormatSweep::Pass2, pair).isOk());
        sheet.cells(row, 1).setNumber(1234.56);
        sheet.cells(row, 2).setNumber(-1234.56);
        EXPECT_EQ(sheet.cells(row, 1).text(), QString::fromUtf8(c.positive)) << c.style;
        EXPECT_EQ(sheet.cells(row, 2).text(), QString::fromUtf8(c.negative)) << c.style;
    }
    const Result<QString> saved = xl.saveAs(book, dir.filePath(QStringLiteral("currency.xlsx")));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();

    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, json, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(json.dumps({"formats": [[r[0].number_format, r[1].number_format, r[1].value]
                              for r in ws.iter_rows(max_col=2)]}, ensure_ascii=False))
)PY"),
                                   saved.value());
    const QJsonArray rows = o[QStringLiteral("formats")].toArray();
    ASSERT_EQ(rows.size(), qsizetype(std::size(kCurrency)));
    for (const CurrencyCase &c : kCurrency) {
        const QJsonArray row = rows[c.style].toArray();
        EXPECT_EQ(row[0].toString(), QString::fromUtf8(c.fileCode)) << c.style;
        EXPECT_EQ(row[1].toString(), QString::fromUtf8(c.fileCode)) << c.style;
        EXPECT_EQ(row[2].toDouble(), -1234.56) << c.style;
    }
}

// The backslash of a locale format is the yen sign wherever it stands; quoted text stays as
// typed.
TEST(CurrencyFormatTest, LocaleYenSignBecomesAQuotedYenInEverySection) {
    const struct {
        const char *local;
        const char *file;
    } cases[] = {
        {"\\-0", "\"¥\"\\-0"},      {"0;\\-0;\\0", "0;\"¥\"\\-0;\"¥\"0"},
        {"\\ 0", "\"¥\"\\ 0"},      {"\\\\0", "\"¥\"\"¥\"0"},
        {"0\\", "0\"¥\""},          {"\\\"円\"0", "\"¥\"\"円\"0"},
        {"\\[赤]0", "\"¥\"[Red]0"}, {"\"\\\"0", "\"\\\"0"},
        {"\\円0", "\"¥\"\\円0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(xlsx::localFormatToFile(c.local), c.file) << c.local;
}

} // namespace

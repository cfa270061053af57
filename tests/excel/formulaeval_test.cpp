// Formula results computed for the cached values of written workbooks: what is computed and to
// which value, what is refused (the file then carries no value and its reader computes it), and
// the recalculation of a whole workbook before it is saved.
#include "excel/engine/formulaeval.h"
#include "excel/engine/formularecalc.h"

#include "excel/engine/packagereader.h"
#include "excel/engine/workbook.h"
#include "tests/support/testsupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

using namespace kelvoran::xlsx;

namespace {

Formula formulaCached(const std::string &text, double value) {
    Formula f;
    f.text = text;
    f.number = value;
    return f;
}

Formula formulaWithoutValue(const std::string &text) {
    Formula f;
    f.text = text;
    f.cachedType = CellType::Blank;
    return f;
}

// A1:A10 one cell of each kind, B1:B4 and C1:C3 numbers that round or cancel awkwardly.
void fillInputs(Worksheet &ws) {
    ws.setNumber(1, 1, 10);
    ws.setNumber(2, 1, 20);
    ws.setNumber(3, 1, 30.5);
    ws.setString(4, 1, "text");
    ws.setBool(5, 1, true);
    ws.setError(6, 1, "#N/A");
    ws.at(7, 1); // A7: a styled cell without a value
    ws.setFormula(8, 1, formulaCached("A1-3", 7));
    Formula text;
    text.text = "A4&\"!\"";
    text.cachedType = CellType::String;
    text.cachedText = "text!";
    ws.setFormula(9, 1, text);
    ws.setFormula(10, 1, formulaWithoutValue("VLOOKUP(A1,A1:B3,2,0)"));
    ws.setNumber(1, 2, -4);
    ws.setNumber(2, 2, 0.1);
    ws.setNumber(3, 2, 0.2);
    ws.setNumber(4, 2, -0.3);
    ws.setNumber(1, 3, 2.675);
    ws.setNumber(2, 3, -2.5);
    ws.setNumber(3, 3, 1234.5);
}

struct EvalCase {
    const char *formula;
    std::optional<double> expected; // nothing: the formula must be refused
};

void PrintTo(const EvalCase &c, std::ostream *os) {
    *os << c.formula;
}

class FormulaValue : public testing::TestWithParam<EvalCase> {};

TEST_P(FormulaValue, ComputedExactlyOrRefused) {
    const EvalCase &c = GetParam();
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    fillInputs(ws);
    const std::optional<double> got = evaluateOnSheet(ws, c.formula);
    if (!c.expected) {
        EXPECT_FALSE(got.has_value()) << "computed " << got.value_or(0);
        return;
    }
    ASSERT_TRUE(got.has_value());
    EXPECT_DOUBLE_EQ(*got, *c.expected);
}

const EvalCase kComputed[] = {
    // Ranges: blanks skipped, absolute and relative references alike, any letter case.
    {"SUM(A1:A3)", 60.5},
    {"sum($A$1:A3)", 60.5},
    {"SUM(A1,A2,5)", 35},
    {"SUM(C:C)", 2.675 - 2.5 + 1234.5},
    {"SUM(2:2)", 20 + 0.1 - 2.5},
    {"SUM(A1:A3,A7)", 60.5},
    {"AVERAGE(A1:A3,A7)", 60.5 / 3},
    {"MIN(A1:A3,B1)", -4},
    {"MAX(A1:A3)", 30.5},
    {"MIN(A7)", 0},
    // COUNT leaves out text and logical values, COUNTA counts every cell that is not empty.
    {"COUNT(A1:A5)", 3},
    {"COUNT(A1:A5,7)", 4},
    {"COUNTA(A1:A10)", 9},
    {"COUNTA(A7)", 0},
    // Half away from zero, on the decimal digits the cell shows.
    {"ROUND(C1,2)", 2.68},
    {"ROUND(C2,0)", -3},
    {"ROUND(C3,-2)", 1200},
    {"ROUND(A3/3,1.9)", 10.2},
    {"ROUND(-C1*100,-1)", -270},
    // IF: only the branch taken is computed.
    {"IF(A1>5,A1*2,0)", 20},
    {"IF(A1<5,1,2)", 2},
    {"IF(A7,1,2)", 2},
    {"IF(B1,1,2)", 1},
    {"IF(A1>=10,IF(A2<>20,1,2),3)", 2},
    {"IF(A7=0,0,A1/A7)", 0},
    {"IF(A1<=A2,A3)", 30.5},
    // Arithmetic and its precedence: the sign binds before ^, ^ runs left to right.
    {"-A1^2", 100},
    {"2^3^2", 64},
    {"1+2*3", 7},
    {"(1+2)*3", 9},
    {"50%*A1", 5},
    {"A1 - -A2", 30},
    {"1.5E3 / 3", 500},
    {".5*4", 2},
    {"A8+1", 8},
    {"A7+1", 1},
    {"A1", 10},
    {"A1+B1-6", 0},
    {"SUM(A1,B1)", 6},
    {"+A1", 10},
};
INSTANTIATE_TEST_SUITE_P(Computed, FormulaValue, testing::ValuesIn(kComputed));

const EvalCase kRefused[] = {
    // Text, logical values and errors in what is read: programs treat them differently.
    {"SUM(A1:A4)", std::nullopt},
    {"SUM(A5)", std::nullopt},
    {"A5+1", std::nullopt},
    {"SUM(A6)", std::nullopt},
    {"COUNT(A6)", std::nullopt},
    {"A6*1", std::nullopt},
    {"A4*1", std::nullopt},
    {"A9+1", std::nullopt},
    {"A10+1", std::nullopt},
    {"SUM(A8:A10)", std::nullopt},
    {"A4&\"x\"", std::nullopt},
    {"\"5\"+1", std::nullopt},
    // What lies beyond this sheet's cells.
    {"Sheet2!A1+1", std::nullopt},
    {"'My Sheet'!A1", std::nullopt},
    {"SUM(Sheet2!A1:A3)", std::nullopt},
    {"Costs*2", std::nullopt},
    {"SUM(Costs)", std::nullopt},
    {"TRUE", std::nullopt},
    {"Table1[Sales]", std::nullopt},
    {"SUBTOTAL(101,[Column3])", std::nullopt},
    {"VLOOKUP(A1,A1:B3,2,0)", std::nullopt},
    {"_xlfn.STDEV.S(A1:A3)", std::nullopt},
    {"TODAY()", std::nullopt},
    {"{1,2}", std::nullopt},
    {"#REF!+1", std::nullopt},
    // Results that are errors or not numbers.
    {"A1/0", std::nullopt},
    {"A1/A7", std::nullopt},
    {"AVERAGE(A7)", std::nullopt},
    {"0^0", std::nullopt},
    {"(-8)^0.5", std::nullopt},
    {"A1>5", std::nullopt},
    {"IF(A1<5,1)", std::nullopt},
    {"A1:A3*2", std::nullopt},
    {"IF(A1:A3,1,2)", std::nullopt},
    {"ROUND(A1,16)", std::nullopt},
    {"1E400", std::nullopt},
    // Cancellation noise and near ties, where programs round differently.
    {"SUM(B2:B4)", std::nullopt},
    {"B2+B3-0.3", std::nullopt},
    {"IF(B2+B3=0.3,1,2)", std::nullopt},
    // Text that is not a complete formula.
    {"", std::nullopt},
    {"SUM(A1:A3", std::nullopt},
    {"SUM()", std::nullopt},
    {"SUM(A1,)", std::nullopt},
    {"ROUND(A1)", std::nullopt},
    {"IF(1,2,3,4)", std::nullopt},
    {"A1 A2", std::nullopt},
    {"1+", std::nullopt},
    {"1.2.3", std::nullopt},
    {"SUM (A1)", std::nullopt},
    {"A1:B2:C3", std::nullopt},
};
INSTANTIATE_TEST_SUITE_P(Refused, FormulaValue, testing::ValuesIn(kRefused));

// Nesting within what programs accept is computed; nesting far beyond is refused, not followed
// down the stack.
TEST(FormulaValueNesting, DeepNestingIsRefused) {
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    auto nested = [](int depth) {
        return std::string(size_t(depth), '(') + "1" + std::string(size_t(depth), ')');
    };
    EXPECT_EQ(evaluateOnSheet(ws, nested(20)), 1.0);
    EXPECT_FALSE(evaluateOnSheet(ws, nested(5000)).has_value());
    EXPECT_FALSE(evaluateOnSheet(ws, std::string(5000, '-') + "1").has_value());
}

std::optional<double> cachedNumber(const Worksheet &ws, int row, int column) {
    const Cell *c = ws.find(row, column);
    EXPECT_TRUE(c && c->type == CellType::Formula);
    if (!c || c->type != CellType::Formula)
        return std::nullopt;
    const Formula &f = ws.formula(*c);
    EXPECT_TRUE(f.cachedType == CellType::Number || f.cachedType == CellType::Blank);
    EXPECT_TRUE(f.cachedText.empty());
    if (f.cachedType != CellType::Number)
        return std::nullopt;
    return f.number;
}

// Every formula ends with the value its inputs give or none: stale cached values of any kind
// are replaced, formulas read the formulas they depend on (above or below them) first.
TEST(RecalculateFormulas, StaleResultsGiveWayToComputedOnesOrNone) {
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    ws.setNumber(1, 2, 5);
    ws.setNumber(2, 2, 7);
    ws.setFormula(3, 2, formulaCached("SUM(B1:B2)", 999));
    ws.setFormula(4, 2, formulaCached("B3*2", 999));
    ws.setFormula(1, 1, formulaCached("B4+1", 999)); // reads cells below it
    ws.setFormula(1, 3, formulaCached("C2+1", 3));   // C1 and C2 read each other
    ws.setFormula(2, 3, formulaCached("C1+1", 3));
    ws.setFormula(3, 3, formulaCached("TODAY()", 45000));
    Formula text;
    text.text = "B1&\"x\"";
    text.cachedType = CellType::String;
    text.cachedText = "old";
    ws.setFormula(4, 3, text);
    Formula error = formulaCached("B1/B9", 0);
    error.cachedType = CellType::Error;
    error.cachedText = "#DIV/0!";
    ws.setFormula(5, 3, error);
    Formula array = formulaCached("SUM(B1:B2*2)", 1);
    array.arrayRef = "C6";
    ws.setFormula(6, 3, array);
    ws.setFormula(7, 3, formulaWithoutValue("COUNT(B1:B4)"));
    Worksheet &other = book.insertSheet(1);
    other.setNumber(1, 1, 2);
    other.setFormula(2, 1, formulaCached("A1*21", 0));

    recalculateFormulas(book);

    struct Expect {
        int row, column;
        std::optional<double> value;
    };
    const Expect expected[] = {
        {3, 2, 12},           {4, 2, 24},
        {1, 1, 25},           {1, 3, std::nullopt},
        {2, 3, std::nullopt}, {3, 3, std::nullopt},
        {4, 3, std::nullopt}, {5, 3, std::nullopt},
        {6, 3, std::nullopt}, {7, 3, 4},
    };
    for (const Expect &e : expected) {
        SCOPED_TRACE(cellAddress(e.row, e.column));
        EXPECT_EQ(cachedNumber(ws, e.row, e.column), e.value);
    }
    EXPECT_EQ(cachedNumber(other, 2, 1), 42.0);
}

// Long chains: a running total down 5000 rows is computed row by row; a chain that reads
// downwards may stop being computed past a depth, but no cell keeps its old value.
TEST(RecalculateFormulas, LongChainsStayCorrectOrEmpty) {
    constexpr int kRows = 5000;
    Workbook book;
    Worksheet &ws = book.insertSheet(0);
    for (int r = 1; r <= kRows; ++r) {
        ws.setNumber(r, 1, 1);
        ws.setFormula(
            r, 2,
            formulaCached(r == 1 ? "A1" : "B" + std::to_string(r - 1) + "+A" + std::to_string(r),
                          -1));
        ws.setFormula(
            r, 3,
            formulaCached(r == kRows ? "A" + std::to_string(r) : "C" + std::to_string(r + 1) + "+1",
                          -1));
    }
    recalculateFormulas(book);
    for (int r = 1; r <= kRows; ++r) {
        EXPECT_EQ(cachedNumber(ws, r, 2), double(r)) << r;
        const std::optional<double> down = cachedNumber(ws, r, 3);
        if (down) {
            EXPECT_EQ(*down, double(kRows - r + 1)) << r;
        }
    }
    EXPECT_EQ(cachedNumber(ws, kRows, 3), 1.0);
}

// Excel as the judge: in the workbooks Excel saved, every formula the engine computes from the
// cells as saved gives the result Excel cached with it.
TEST(FormulaValueAgainstExcel, ComputedFormulasMatchExcelsResults) {
    const QString dir = kelvoran::test::corpusDir();
    if (dir.isEmpty())
        GTEST_SKIP() << "no corpus of Excel-made workbooks beside the tree";
    int computed = 0;
    for (const QString &name : QDir(dir).entryList({QStringLiteral("*.xlsx")}, QDir::Files)) {
        auto bytes = readFileBytes((dir + u'/' + name).toStdString());
        ASSERT_TRUE(bytes.isOk()) << name.toStdString();
        auto book = readWorkbook(bytes.value());
        ASSERT_TRUE(book.isOk()) << name.toStdString();
        for (int s = 0; s < book.value()->sheetCount(); ++s) {
            const Worksheet &ws = book.value()->sheet(s);
            for (int r = 1; r <= ws.lastRow(); ++r)
                for (const Cell &c : ws.row(r)->cells) {
                    if (c.type != CellType::Formula)
                        continue;
                    const Formula &f = ws.formula(c);
                    const std::optional<double> got = evaluateOnSheet(ws, f.text);
                    if (!got)
                        continue;
                    ++computed;
                    SCOPED_TRACE(name.toStdString() + " " + cellAddress(r, c.column) + " " +
                                 f.text);
                    ASSERT_EQ(f.cachedType, CellType::Number);
                    EXPECT_NEAR(*got, f.number, std::fabs(f.number) * 1e-12);
                }
        }
    }
    EXPECT_GT(computed, 0);
}

} // namespace

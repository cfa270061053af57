#include "excel/engine/formularecalc.h"

#include "excel/engine/formulaeval.h"
#include "excel/engine/workbook.h"
#include "excel/engine/worksheet.h"

#include <algorithm>
#include <vector>

namespace kelvoran::xlsx {

namespace {

// Cells (and rows) read in one workbook, at most: whole-column sums in thousands of blocks stay
// bounded; what is left over is computed by the file's reader.
constexpr long kWorkLimit = 50'000'000;
// Formulas computed inside one another, at most (a chain of running totals that reads
// downwards); sheet order keeps the usual upward chains shallow.
constexpr int kMaxDepth = 32;

CellInput cachedInput(const Formula &f) {
    switch (f.cachedType) {
    case CellType::Number:
        return {CellInput::Number, f.number};
    case CellType::String:
        return {CellInput::Text, 0};
    case CellType::Bool:
        return {CellInput::Bool, f.number};
    case CellType::Error:
        return {CellInput::Error, 0};
    default:
        return {CellInput::Unknown, 0};
    }
}

// The cells of one sheet as formulas read them. With a writable sheet, a formula cell that is
// read is computed first and its result stored; otherwise its cached result is read.
class SheetInputs : public FormulaInputs {
public:
    SheetInputs(const Worksheet &sheet, Worksheet *writable, long &work)
        : m_sheet(sheet), m_writable(writable), m_work(work),
          m_state(writable ? writable->formulaCount() : 0, NotComputed) {}

    CellInput cell(int row, int column) override {
        const Cell *c = m_sheet.find(row, column);
        return c ? input(*c) : CellInput();
    }

    bool visitCells(const CellRect &rect,
                    const std::function<bool(const CellInput &)> &visit) override {
        const int last = std::min(rect.bottom, m_sheet.lastRow());
        for (int r = rect.top; r <= last; ++r) {
            if (--m_work < 0)
                return false;
            const std::vector<Cell> &cells = m_sheet.row(r)->cells;
            auto it = std::lower_bound(cells.begin(), cells.end(), rect.left,
                                       [](const Cell &c, int column) { return c.column < column; });
            for (; it != cells.end() && it->column <= rect.right; ++it) {
                if (--m_work < 0)
                    return false;
                if (it->type != CellType::Blank && !visit(input(*it)))
                    return true; // the visitor has seen enough
            }
        }
        return true;
    }

    // Computes a formula cell of the writable sheet and stores its result as the cached one.
    CellInput compute(const Cell &c) {
        uint8_t &state = m_state[c.index];
        Formula &f = m_writable->formula(c);
        if (state == Computed)
            return cachedInput(f);
        if (state == Computing || m_depth >= kMaxDepth)
            return {CellInput::Unknown, 0}; // a cycle; or computed later, from the sheet's order
        state = Computing;
        ++m_depth;
        // An array formula fills several cells; its parts are not computed here.
        const std::optional<double> value =
            --m_work >= 0 && f.arrayRef.empty() ? evaluateFormula(f.text, *this) : std::nullopt;
        --m_depth;
        f.cachedText.clear();
        f.cachedType = value ? CellType::Number : CellType::Blank;
        f.number = value ? *value : 0;
        state = Computed;
        return cachedInput(f);
    }

private:
    enum : uint8_t { NotComputed, Computing, Computed };

    CellInput input(const Cell &c) {
        switch (c.type) {
        case CellType::Number:
            return {CellInput::Number, c.number};
        case CellType::String:
            return {CellInput::Text, 0};
        case CellType::Bool:
            return {CellInput::Bool, c.number};
        case CellType::Error:
            return {CellInput::Error, 0};
        case CellType::Formula:
            return m_writable ? compute(c) : cachedInput(m_sheet.formula(c));
        default:
            return CellInput();
        }
    }

    const Worksheet &m_sheet;
    Worksheet *m_writable;
    long &m_work;
    std::vector<uint8_t> m_state; // by formula index
    int m_depth = 0;
};

} // namespace

std::optional<double> evaluateOnSheet(const Worksheet &ws, std::string_view formula) {
    long work = kWorkLimit;
    SheetInputs inputs(ws, nullptr, work);
    return evaluateFormula(formula, inputs);
}

void recalculateFormulas(Workbook &book) {
    long work = kWorkLimit;
    for (int s = 0; s < book.sheetCount(); ++s) {
        Worksheet &ws = book.sheet(s);
        SheetInputs inputs(ws, &ws, work);
        for (int r = 1; r <= ws.lastRow(); ++r)
            for (const Cell &c : ws.row(r)->cells)
                if (c.type == CellType::Formula)
                    inputs.compute(c);
    }
}

} // namespace kelvoran::xlsx

#include "excel/engine/worksheet.h"

#include "excel/engine/formularefs.h"
#include "excel/engine/workbook.h"

#include <algorithm>
#include <unordered_map>

namespace kelvoran::xlsx {

namespace {

// Maps style and string indexes of one workbook into another, each distinct index once.
class Remap {
public:
    Remap(const Workbook &from, Workbook &to) : m_from(from), m_to(to), m_same(&from == &to) {}

    uint32_t style(uint32_t s) {
        if (m_same)
            return s;
        const auto it = m_styles.find(s);
        if (it != m_styles.end())
            return it->second;
        const uint32_t mapped = m_to.styles().intern(m_from.styles().at(s));
        m_styles.emplace(s, mapped);
        return mapped;
    }
    uint32_t string(uint32_t s) {
        if (m_same)
            return s;
        const auto it = m_strings.find(s);
        if (it != m_strings.end())
            return it->second;
        const std::string &rich = m_from.strings().runsXml(s);
        const uint32_t mapped = rich.empty()
                                    ? m_to.strings().intern(m_from.strings().text(s))
                                    : m_to.strings().internRich(m_from.strings().text(s), rich);
        m_strings.emplace(s, mapped);
        return mapped;
    }

private:
    const Workbook &m_from;
    Workbook &m_to;
    bool m_same;
    std::unordered_map<uint32_t, uint32_t> m_styles;
    std::unordered_map<uint32_t, uint32_t> m_strings;
};

// The highest row a formula refers to, cached in the formula: row shifts skip the formulas
// that refer to nothing at or below the shifted rows.
int maxReferencedRow(Formula &f) {
    if (f.maxRow < 0) {
        int top = 0;
        rewriteReferences(f.text, [&](FormulaRef &r) {
            top = std::max(top, r.row);
            return true;
        });
        f.maxRow = top;
    }
    return f.maxRow;
}

bool overlaps(const CellRect &a, const CellRect &b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

} // namespace

Worksheet::Worksheet(Workbook *book, std::string name) : m_book(book), m_name(std::move(name)) {}

const Cell *Worksheet::find(int row, int column) const {
    if (row < 1 || row > int(m_rows.size()))
        return nullptr;
    const std::vector<Cell> &cells = m_rows[size_t(row - 1)].cells;
    const auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                     [](const Cell &c, int col) { return c.column < col; });
    return it != cells.end() && it->column == column ? &*it : nullptr;
}

Row &Worksheet::rowAt(int r) {
    if (r > int(m_rows.size()))
        m_rows.resize(size_t(r));
    return m_rows[size_t(r - 1)];
}

Cell &Worksheet::insertCell(Row &r, int column) {
    std::vector<Cell> &cells = r.cells;
    if (cells.empty() || cells.back().column < column) {
        cells.emplace_back();
        cells.back().column = uint16_t(column);
        return cells.back();
    }
    const auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                     [](const Cell &c, int col) { return c.column < col; });
    if (it != cells.end() && it->column == column)
        return *it;
    Cell cell;
    cell.column = uint16_t(column);
    return *cells.insert(it, cell);
}

Cell &Worksheet::at(int row, int column) {
    Row &r = rowAt(row);
    const size_t before = r.cells.size();
    Cell &cell = insertCell(r, column);
    if (r.cells.size() != before) { // new cell: takes the row's or the column's style
        if (r.customFormat) {
            cell.style = r.style;
        } else if (!m_columns.empty()) {
            const auto it = m_columns.find(column);
            if (it != m_columns.end())
                cell.style = it->second.style;
        }
    }
    return cell;
}

void Worksheet::setNumber(int row, int column, double value) {
    Cell &c = at(row, column);
    c.type = CellType::Number;
    c.number = value;
}

void Worksheet::setString(int row, int column, std::string_view text) {
    Cell &c = at(row, column);
    c.type = CellType::String;
    c.index = m_book->strings().intern(text);
}

void Worksheet::setBool(int row, int column, bool value) {
    Cell &c = at(row, column);
    c.type = CellType::Bool;
    c.number = value ? 1 : 0;
}

void Worksheet::setError(int row, int column, std::string_view text) {
    m_texts.emplace_back(text);
    Cell &c = at(row, column);
    c.type = CellType::Error;
    c.index = uint32_t(m_texts.size() - 1);
}

uint32_t Worksheet::addFormula(Formula f) {
    m_formulas.push_back(std::move(f));
    return uint32_t(m_formulas.size() - 1);
}

void Worksheet::setFormula(int row, int column, Formula formula) {
    const uint32_t index = addFormula(std::move(formula));
    Cell &c = at(row, column);
    c.type = CellType::Formula;
    c.index = index;
}

void Worksheet::clearValue(int row, int column) {
    if (row < 1 || row > int(m_rows.size()))
        return;
    Cell *c = const_cast<Cell *>(find(row, column));
    if (c) {
        c->type = CellType::Blank;
        c->number = 0;
    }
}

uint32_t Worksheet::styleAt(int row, int column) const {
    if (const Cell *c = find(row, column))
        return c->style;
    if (const Row *r = this->row(row); r && r->customFormat)
        return r->style;
    const auto it = m_columns.find(column);
    return it != m_columns.end() ? it->second.style : 0;
}

const std::string &Worksheet::stringText(const Cell &cell) const {
    return m_book->strings().text(cell.index);
}

int Worksheet::lastColumn() const {
    int last = 0;
    for (const Row &r : m_rows)
        if (!r.cells.empty())
            last = std::max(last, int(r.cells.back().column));
    return last;
}

void Worksheet::changeStyle(const CellRect &rect, const std::function<void(CellStyle &)> &change) {
    StyleTable &styles = m_book->styles();
    std::unordered_map<uint32_t, uint32_t> cache;
    auto mapped = [&](uint32_t s) {
        const auto it = cache.find(s);
        if (it != cache.end())
            return it->second;
        CellStyle st = styles.at(s);
        change(st);
        const uint32_t n = styles.intern(st);
        cache.emplace(s, n);
        return n;
    };
    const bool wholeColumns = rect.top == 1 && rect.bottom == kMaxRows;
    const bool wholeRows = rect.left == 1 && rect.right == kMaxColumns;
    if (wholeColumns || wholeRows) {
        if (wholeColumns && !wholeRows)
            for (int c = rect.left; c <= rect.right; ++c) {
                ColumnInfo &info = m_columns[c];
                info.style = mapped(info.style);
            }
        const int lastRowNo = std::min(rect.bottom, int(m_rows.size()));
        for (int r = rect.top; r <= lastRowNo; ++r) {
            Row &row = m_rows[size_t(r - 1)];
            if (wholeRows && !wholeColumns) {
                row.style = mapped(row.style);
                row.customFormat = true;
            }
            for (Cell &c : row.cells)
                if (c.column >= rect.left && c.column <= rect.right)
                    c.style = mapped(c.style);
        }
        return;
    }
    for (int r = rect.top; r <= rect.bottom; ++r)
        for (int col = rect.left; col <= rect.right; ++col) {
            Cell &c = at(r, col);
            c.style = mapped(c.style);
        }
}

void Worksheet::setStyle(const CellRect &rect, uint32_t style) {
    for (int r = rect.top; r <= rect.bottom; ++r)
        for (int col = rect.left; col <= rect.right; ++col)
            at(r, col).style = style;
}

double Worksheet::columnWidth(int column) const {
    const auto it = m_columns.find(column);
    if (it != m_columns.end() && it->second.width > 0)
        return it->second.width;
    return defaultColumnWidth > 0 ? defaultColumnWidth : 8.43;
}

void Worksheet::setColumnWidth(int column, double width) {
    m_columns[column].width = width;
}

void Worksheet::copyFrom(const Worksheet &src, const CellRect &rectIn, int row, int column,
                         bool entireRows) {
    CellRect rect = rectIn;
    if (entireRows) {
        rect.left = 1;
        rect.right = kMaxColumns;
        column = 1;
    }
    const int dRows = row - rect.top;
    const int dCols = column - rect.left;
    // Conditional formats and validations also cover rows without cells.
    CellRect ruleRect = rect;
    ruleRect.bottom = std::min(ruleRect.bottom, kMaxRows - dRows);
    rect.bottom = std::min(rect.bottom, std::max(src.lastRow(), rect.top));
    if (row + rect.rows() - 1 > kMaxRows)
        rect.bottom = kMaxRows - dRows;
    Remap remap(src.book(), *m_book);

    // Gather first: source and destination may be the same sheet.
    std::vector<Row> gathered(size_t(rect.rows()));
    std::vector<Formula> formulas;
    std::vector<std::string> errors;
    for (int r = rect.top; r <= rect.bottom; ++r) {
        const Row *sr = src.row(r);
        if (!sr)
            continue;
        Row &g = gathered[size_t(r - rect.top)];
        g.height = sr->height;
        g.style = remap.style(sr->style);
        g.customFormat = sr->customFormat;
        g.hidden = sr->hidden;
        g.outlineLevel = sr->outlineLevel;
        for (const Cell &c : sr->cells) {
            if (c.column < rect.left || c.column > rect.right)
                continue;
            Cell n = c;
            n.column = uint16_t(c.column + dCols);
            n.style = remap.style(c.style);
            if (c.type == CellType::String) {
                n.index = remap.string(c.index);
            } else if (c.type == CellType::Formula) {
                Formula f = src.m_formulas[c.index];
                f.text = shiftFormula(f.text, dRows, dCols);
                f.maxRow = -1;
                if (!f.arrayRef.empty()) {
                    CellRect ar;
                    if (parseRect(f.arrayRef, ar))
                        f.arrayRef = rectAddress(
                            {ar.top + dRows, ar.left + dCols, ar.bottom + dRows, ar.right + dCols});
                }
                formulas.push_back(std::move(f));
                n.index = uint32_t(formulas.size() - 1);
            } else if (c.type == CellType::Error) {
                errors.push_back(src.m_texts[c.index]);
                n.index = uint32_t(errors.size() - 1);
            }
            g.cells.push_back(n);
        }
    }
    std::vector<CellRect> newMerges;
    for (const CellRect &m : src.merges)
        if (rect.contains(m.top, m.left) && rect.contains(m.bottom, m.right))
            newMerges.push_back({m.top + dRows, m.left + dCols, m.bottom + dRows, m.right + dCols});

    const int left = rect.left + dCols, right = rect.right + dCols;
    for (int i = 0; i < rect.rows(); ++i) {
        const int r = row + i;
        Row &g = gathered[size_t(i)];
        if (r > int(m_rows.size()) && g.cells.empty() && !entireRows)
            continue;
        Row &dst = rowAt(r);
        auto &cells = dst.cells;
        cells.erase(
            std::remove_if(cells.begin(), cells.end(),
                           [&](const Cell &c) { return c.column >= left && c.column <= right; }),
            cells.end());
        if (entireRows) {
            dst.height = g.height;
            dst.style = g.style;
            dst.customFormat = g.customFormat;
            dst.hidden = g.hidden;
            dst.outlineLevel = g.outlineLevel;
        }
        for (Cell &c : g.cells) {
            if (c.type == CellType::Formula) {
                c.index = addFormula(std::move(formulas[c.index]));
            } else if (c.type == CellType::Error) {
                m_texts.push_back(std::move(errors[c.index]));
                c.index = uint32_t(m_texts.size() - 1);
            }
            insertCell(dst, c.column) = c;
        }
    }
    const CellRect target{row, left, row + rect.rows() - 1, right};
    copyRangeRules(src.rangeRules, ruleRect, dRows, dCols, rangeRules, src.book().styles(),
                   m_book->styles());
    merges.erase(std::remove_if(merges.begin(), merges.end(),
                                [&](const CellRect &m) { return overlaps(m, target); }),
                 merges.end());
    merges.insert(merges.end(), newMerges.begin(), newMerges.end());
    copyHyperlinks(src.hyperlinks, rect, dRows, dCols, hyperlinks);
}

void Worksheet::insertShiftDown(const CellRect &rect) {
    const int h = rect.rows();
    const bool whole = rect.left == 1 && rect.right == kMaxColumns;
    if (rect.top <= int(m_rows.size())) {
        if (whole) {
            m_rows.insert(m_rows.begin() + (rect.top - 1), size_t(h), Row());
        } else {
            for (int r = int(m_rows.size()); r >= rect.top; --r) {
                std::vector<Cell> moving;
                auto &cells = m_rows[size_t(r - 1)].cells;
                for (const Cell &c : cells)
                    if (c.column >= rect.left && c.column <= rect.right)
                        moving.push_back(c);
                if (moving.empty())
                    continue;
                cells.erase(std::remove_if(cells.begin(), cells.end(),
                                           [&](const Cell &c) {
                                               return c.column >= rect.left &&
                                                      c.column <= rect.right;
                                           }),
                            cells.end());
                Row &dst = rowAt(r + h);
                for (const Cell &c : moving)
                    insertCell(dst, c.column) = c;
            }
        }
        if (int(m_rows.size()) > kMaxRows)
            m_rows.resize(kMaxRows);
    }
    for (Formula &f : m_formulas) {
        if (maxReferencedRow(f) < rect.top)
            continue;
        f.maxRow = -1;
        f.text = rewriteReferences(f.text, [&](FormulaRef &ref) {
            if (!ref.qualified && ref.row >= rect.top && ref.column >= rect.left &&
                ref.column <= rect.right)
                ref.row += h;
            return true;
        });
    }
    for (CellRect &m : merges)
        if (m.top >= rect.top && m.left >= rect.left && m.right <= rect.right) {
            m.top += h;
            m.bottom += h;
        }
    insertRangeRulesShiftDown(rangeRules, rect);
    shiftHyperlinksDown(hyperlinks, rect);
    if (whole)
        for (int &b : rowBreaks)
            if (b >= rect.top)
                b += h;
}

void Worksheet::deleteShiftUp(const CellRect &rect) {
    const int h = rect.rows();
    const bool whole = rect.left == 1 && rect.right == kMaxColumns;
    if (rect.top <= int(m_rows.size())) {
        if (whole) {
            const int end = std::min(rect.bottom, int(m_rows.size()));
            m_rows.erase(m_rows.begin() + (rect.top - 1), m_rows.begin() + end);
        } else {
            for (int r = rect.top; r <= int(m_rows.size()); ++r) {
                auto &cells = m_rows[size_t(r - 1)].cells;
                cells.erase(std::remove_if(cells.begin(), cells.end(),
                                           [&](const Cell &c) {
                                               return c.column >= rect.left &&
                                                      c.column <= rect.right;
                                           }),
                            cells.end());
                if (r + h > int(m_rows.size()))
                    continue;
                for (const Cell &c : m_rows[size_t(r + h - 1)].cells)
                    if (c.column >= rect.left && c.column <= rect.right)
                        insertCell(m_rows[size_t(r - 1)], c.column) = c;
            }
        }
        while (!m_rows.empty() && m_rows.back().cells.empty() && m_rows.back().height == 0 &&
               !m_rows.back().customFormat)
            m_rows.pop_back();
    }
    for (Formula &f : m_formulas) {
        if (maxReferencedRow(f) < rect.top)
            continue;
        f.maxRow = -1;
        f.text = rewriteReferences(f.text, [&](FormulaRef &ref) {
            if (ref.qualified || ref.column < rect.left || ref.column > rect.right ||
                ref.row < rect.top)
                return true;
            if (ref.row <= rect.bottom)
                return false;
            ref.row -= h;
            return true;
        });
    }
    std::vector<CellRect> kept;
    for (CellRect m : merges) {
        if (overlaps(m, rect))
            continue;
        if (m.top > rect.bottom && m.left >= rect.left && m.right <= rect.right) {
            m.top -= h;
            m.bottom -= h;
        }
        kept.push_back(m);
    }
    merges = std::move(kept);
    deleteRangeRulesShiftUp(rangeRules, rect);
    removeHyperlinksShiftUp(hyperlinks, rect);
    if (whole) {
        std::vector<int> breaks;
        for (int b : rowBreaks) {
            if (b >= rect.top && b <= rect.bottom)
                continue;
            breaks.push_back(b > rect.bottom ? b - h : b);
        }
        rowBreaks = std::move(breaks);
    }
}

void Worksheet::rewriteFormulas(const std::function<std::string(const std::string &)> &rewrite) {
    for (Formula &f : m_formulas) {
        f.text = rewrite(f.text);
        f.maxRow = -1;
    }
    for (RangeRule &rule : rangeRules)
        for (RuleField &field : rule.fields)
            if (field.kind == RuleField::Formula)
                field.text = rewrite(field.text);
}

void Worksheet::rewriteCellFormulas(
    const std::function<std::string(const std::string &, int row, int column)> &rewrite) {
    for (size_t r = 0; r < m_rows.size(); ++r)
        for (const Cell &c : m_rows[r].cells)
            if (c.type == CellType::Formula) {
                Formula &f = m_formulas[c.index];
                f.text = rewrite(f.text, int(r) + 1, c.column);
                f.maxRow = -1;
            }
}

std::unique_ptr<Worksheet> Worksheet::cloneFor(Workbook &target, std::string name) const {
    auto copy = std::make_unique<Worksheet>(&target, std::move(name));
    Remap remap(*m_book, target);
    copy->m_rows = m_rows;
    copy->m_formulas = m_formulas;
    copy->m_texts = m_texts;
    if (&target != m_book) {
        for (Row &r : copy->m_rows) {
            r.style = remap.style(r.style);
            for (Cell &c : r.cells) {
                c.style = remap.style(c.style);
                if (c.type == CellType::String)
                    c.index = remap.string(c.index);
            }
        }
    }
    copy->m_columns = m_columns;
    for (auto &entry : copy->m_columns)
        entry.second.style = remap.style(entry.second.style);
    copy->merges = merges;
    copy->hyperlinks = hyperlinks;
    copy->printArea = printArea;
    copy->localNames = localNames;
    copy->rowBreaks = rowBreaks;
    copy->columnBreaks = columnBreaks;
    copy->frozenRows = frozenRows;
    copy->frozenColumns = frozenColumns;
    copy->showGridLines = showGridLines;
    copy->zoomScale = zoomScale;
    copy->defaultColumnWidth = defaultColumnWidth;
    copy->rawXml = rawXml;
    copy->rangeRules = rangeRules;
    copy->validationOptions = validationOptions;
    // Conditional formats point at the workbook's list of differential formats.
    if (&target != m_book)
        moveRangeRuleFormats(copy->rangeRules, m_book->styles(), target.styles());
    return copy;
}

} // namespace kelvoran::xlsx

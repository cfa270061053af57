#include "excel/engine/rangerules.h"

#include "excel/engine/formularefs.h"
#include "excel/engine/styles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

namespace kelvoran::xlsx {

namespace {

// XML escaping that keeps the text as it was read: the rule's texts are written back unchanged.
void appendXmlText(std::string &out, std::string_view text, bool attribute) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        case '\t':
            out += attribute ? "&#9;" : "\t";
            break;
        case '\n':
            out += attribute ? "&#10;" : "\n";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
}

bool isFormulaElement(std::string_view name) {
    return name == "formula" || name == "formula1" || name == "formula2";
}

// Prints a rule element into pieces and fields. Attributes and elements of other namespaces
// (extensions whose prefixes the written part does not declare) are left out, as are extension
// lists.
class RulePrinter {
public:
    RulePrinter(RangeRule &rule, std::string prefix) : m_rule(rule), m_prefix(std::move(prefix)) {
        m_rule.pieces.assign(1, std::string());
        m_rule.fields.clear();
    }

    void element(pugi::xml_node n, bool top) {
        const std::string_view name = ownName(n.name());
        if (!top) {
            out() += '<';
            out() += name;
        }
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view an = a.name();
            if ((an.find(':') != std::string_view::npos && an != "xml:space") || an == "xmlns" ||
                (top && an == "sqref"))
                continue;
            out() += ' ';
            out() += an;
            out() += "=\"";
            if (an == "dxfId" && name == "cfRule") {
                field(RuleField::FormatId, a.value());
            } else {
                appendXmlText(out(), a.value(), true);
            }
            out() += '"';
        }
        if (isFormulaElement(name)) {
            out() += '>';
            field(RuleField::Formula, n.child_value());
            closeTag(name);
            return;
        }
        bool content = false;
        for (pugi::xml_node k = n.first_child(); k; k = k.next_sibling()) {
            if (k.type() == pugi::node_element) {
                const std::string_view own = ownName(k.name());
                if (own.empty() || own == "extLst")
                    continue;
                startContent(content);
                element(k, false);
            } else if (k.type() == pugi::node_pcdata || k.type() == pugi::node_cdata) {
                startContent(content);
                appendXmlText(out(), k.value(), false);
            }
        }
        if (content)
            closeTag(name);
        else
            out() += "/>";
    }

private:
    std::string &out() { return m_rule.pieces.back(); }

    void field(RuleField::Kind kind, const char *text) {
        m_rule.fields.push_back({kind, text});
        m_rule.pieces.emplace_back();
    }

    void startContent(bool &content) {
        if (!content)
            out() += '>';
        content = true;
    }

    void closeTag(std::string_view name) {
        out() += "</";
        out() += name;
        out() += '>';
    }

    // The name without the element's own prefix; empty for a name of another namespace.
    std::string_view ownName(const char *name) const {
        const std::string_view n = name;
        if (!m_prefix.empty())
            return n.substr(0, m_prefix.size()) == m_prefix ? n.substr(m_prefix.size())
                                                            : std::string_view();
        return n.find(':') == std::string_view::npos ? n : std::string_view();
    }

    RangeRule &m_rule;
    std::string m_prefix; // "x:" when the sheet's elements carry one
};

bool intersect(const CellRect &a, const CellRect &b, CellRect &out) {
    out = {std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
           std::min(a.right, b.right)};
    return out.top <= out.bottom && out.left <= out.right;
}

CellRect moved(const CellRect &r, int rows, int columns) {
    return {r.top + rows, r.left + columns, r.bottom + rows, r.right + columns};
}

// The parts of a outside b: at most four rectangles.
void subtract(const CellRect &a, const CellRect &b, std::vector<CellRect> &out) {
    CellRect common;
    if (!intersect(a, b, common)) {
        out.push_back(a);
        return;
    }
    if (a.top < common.top)
        out.push_back({a.top, a.left, common.top - 1, a.right});
    if (a.bottom > common.bottom)
        out.push_back({common.bottom + 1, a.left, a.bottom, a.right});
    if (a.left < common.left)
        out.push_back({common.top, a.left, common.bottom, common.left - 1});
    if (a.right > common.right)
        out.push_back({common.top, common.right + 1, common.bottom, a.right});
}

void shiftFormulas(RangeRule &rule, int rows, int columns) {
    if (rows == 0 && columns == 0)
        return;
    for (RuleField &s : rule.fields)
        if (s.kind == RuleField::Formula)
            s.text = shiftFormula(s.text, rows, columns);
}

// After the ranges changed with the cells they cover staying put (or all moving together with
// the anchor to its new place anchorRow/anchorColumn): the formulas follow a new top-left corner.
void reanchor(RangeRule &rule, int anchorRow, int anchorColumn) {
    shiftFormulas(rule, rule.anchorRow() - anchorRow, rule.anchorColumn() - anchorColumn);
}

// Removes the parts of the rules inside area.
void clearArea(std::vector<RangeRule> &rules, const CellRect &area) {
    std::vector<RangeRule> kept;
    kept.reserve(rules.size());
    for (RangeRule &rule : rules) {
        CellRect common;
        const bool touched =
            std::any_of(rule.ranges.begin(), rule.ranges.end(),
                        [&](const CellRect &r) { return intersect(r, area, common); });
        if (touched) {
            const int row = rule.anchorRow(), column = rule.anchorColumn();
            std::vector<CellRect> left;
            for (const CellRect &r : rule.ranges)
                subtract(r, area, left);
            if (left.empty())
                continue;
            rule.ranges = std::move(left);
            reanchor(rule, row, column);
        }
        kept.push_back(std::move(rule));
    }
    rules = std::move(kept);
}

// Adds a range after the others, joined to the last one when it continues it downwards.
void appendRange(RangeRule &rule, const CellRect &r) {
    if (!rule.ranges.empty()) {
        CellRect &last = rule.ranges.back();
        if (last.left == r.left && last.right == r.right && last.bottom + 1 == r.top) {
            last.bottom = r.bottom;
            return;
        }
    }
    rule.ranges.push_back(r);
}

// The index of a differential format equal to the source's entry, added when the target has
// none.
std::string carriedFormatId(const std::string &id, const StyleTable &from, StyleTable &to) {
    const unsigned long n = std::strtoul(id.c_str(), nullptr, 10);
    const std::string entry = n < from.dxfs.size() ? from.dxfs[n] : std::string("<dxf/>");
    const auto it = std::find(to.dxfs.begin(), to.dxfs.end(), entry);
    if (it != to.dxfs.end())
        return std::to_string(it - to.dxfs.begin());
    to.dxfs.push_back(entry);
    return std::to_string(to.dxfs.size() - 1);
}

void carryFormats(RangeRule &rule, const StyleTable &from, StyleTable &to) {
    for (RuleField &s : rule.fields)
        if (s.kind == RuleField::FormatId)
            s.text = carriedFormatId(s.text, from, to);
}

std::string sqrefText(const std::vector<CellRect> &ranges) {
    std::string out;
    for (const CellRect &r : ranges) {
        if (!out.empty())
            out += ' ';
        out += rectAddress(r);
    }
    return out;
}

void writeRule(XmlWriter &xml, const char *tag, const RangeRule &rule) {
    std::string text = "<";
    text += tag;
    text += " sqref=\"";
    text += sqrefText(rule.ranges);
    text += '"';
    for (size_t i = 0; i < rule.pieces.size(); ++i) {
        text += rule.pieces[i];
        if (i < rule.fields.size()) {
            if (rule.fields[i].kind == RuleField::Formula)
                appendXmlText(text, rule.fields[i].text, false);
            else
                text += rule.fields[i].text;
        }
    }
    xml.raw(text);
}

// The columns of r inside [left, right] (false when none) and the parts of r beside them.
bool splitColumns(const CellRect &r, int left, int right, CellRect &inside,
                  std::vector<CellRect> &beside) {
    if (r.left < left)
        beside.push_back({r.top, r.left, r.bottom, std::min(r.right, left - 1)});
    if (r.right > right)
        beside.push_back({r.top, std::max(r.left, right + 1), r.bottom, r.right});
    inside = {r.top, std::max(r.left, left), r.bottom, std::min(r.right, right)};
    return inside.left <= inside.right;
}

// Applies a row shift to a rule. The formulas are first re-based on the top-left corner of the
// cells that stay (the old corner may be deleted), then their references follow the cells they
// name, and last they are re-based again when the new corner is not where that one went.
// firstKept gives the first row of a range that stays (0: none), changeRange cuts and moves a
// range (false: none left), moveRow moves a row of the shifted columns.
template <typename FirstKept, typename ChangeRef, typename ChangeRange, typename MoveRow>
bool shiftRule(RangeRule &rule, const CellRect &rect, FirstKept firstKept, ChangeRef changeRef,
               ChangeRange changeRange, MoveRow moveRow) {
    int keptRow = std::numeric_limits<int>::max(), keptColumn = keptRow;
    for (const CellRect &r : rule.ranges) {
        std::vector<CellRect> parts;
        CellRect inside;
        if (splitColumns(r, rect.left, rect.right, inside, parts)) {
            if (const int first = firstKept(inside)) {
                keptRow = std::min(keptRow, first);
                keptColumn = std::min(keptColumn, inside.left);
            }
        }
        for (const CellRect &p : parts) {
            keptRow = std::min(keptRow, p.top);
            keptColumn = std::min(keptColumn, p.left);
        }
    }
    if (keptRow == std::numeric_limits<int>::max())
        return false;
    shiftFormulas(rule, keptRow - rule.anchorRow(), keptColumn - rule.anchorColumn());
    const int movedRow =
        keptColumn >= rect.left && keptColumn <= rect.right ? moveRow(keptRow) : keptRow;
    for (RuleField &s : rule.fields)
        if (s.kind == RuleField::Formula)
            s.text = rewriteReferences(s.text, [&](FormulaRef &ref) {
                if (ref.qualified || ref.column < rect.left || ref.column > rect.right)
                    return true;
                return changeRef(ref);
            });
    std::vector<CellRect> ranges;
    for (const CellRect &r : rule.ranges) {
        CellRect inside;
        if (splitColumns(r, rect.left, rect.right, inside, ranges) && changeRange(inside))
            ranges.push_back(inside);
    }
    if (ranges.empty())
        return false;
    rule.ranges = std::move(ranges);
    reanchor(rule, movedRow, keptColumn);
    return true;
}

} // namespace

int RangeRule::anchorRow() const {
    int row = std::numeric_limits<int>::max();
    for (const CellRect &r : ranges)
        row = std::min(row, r.top);
    return ranges.empty() ? 1 : row;
}

int RangeRule::anchorColumn() const {
    int column = std::numeric_limits<int>::max();
    for (const CellRect &r : ranges)
        column = std::min(column, r.left);
    return ranges.empty() ? 1 : column;
}

bool readRangeRule(pugi::xml_node element, RangeRuleKind kind, RangeRule &rule, std::string &why) {
    rule = RangeRule();
    rule.kind = kind;
    std::string_view sqref;
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(a.name(), "sqref") == 0)
            sqref = a.value();
    size_t pos = 0;
    while (pos < sqref.size()) {
        const size_t end = std::min(sqref.find(' ', pos), sqref.size());
        if (end > pos) {
            CellRect r;
            if (!parseRect(sqref.substr(pos, end - pos), r)) {
                why = "range \"" + std::string(sqref.substr(pos, end - pos)) + "\"";
                return false;
            }
            rule.ranges.push_back(r);
        }
        pos = end + 1;
    }
    if (rule.ranges.empty()) {
        why = "no range";
        return false;
    }
    const std::string_view name = element.name();
    const size_t colon = name.find(':');
    RulePrinter printer(rule, colon == std::string_view::npos
                                  ? std::string()
                                  : std::string(name.substr(0, colon + 1)));
    printer.element(element, true);
    return true;
}

void writeConditionalFormats(XmlWriter &xml, const std::vector<RangeRule> &rules) {
    for (const RangeRule &r : rules)
        if (r.kind == RangeRuleKind::ConditionalFormat)
            writeRule(xml, "conditionalFormatting", r);
}

void writeValidations(XmlWriter &xml, const std::vector<RangeRule> &rules,
                      const std::string &options) {
    const long long count = std::count_if(rules.begin(), rules.end(), [](const RangeRule &r) {
        return r.kind == RangeRuleKind::Validation;
    });
    if (count == 0)
        return;
    std::string head = "<dataValidations count=\"" + std::to_string(count) + '"';
    head += options;
    head += '>';
    xml.raw(head);
    for (const RangeRule &r : rules)
        if (r.kind == RangeRuleKind::Validation)
            writeRule(xml, "dataValidation", r);
    xml.raw("</dataValidations>");
}

void copyRangeRules(const std::vector<RangeRule> &from, const CellRect &rect, int rows, int columns,
                    std::vector<RangeRule> &to, const StyleTable &fromStyles,
                    StyleTable &toStyles) {
    struct Copied {
        RangeRule rule;
        int sourceRow, sourceColumn; // the source rule's top-left corner
    };
    std::vector<Copied> copies;
    for (const RangeRule &rule : from) {
        Copied c{RangeRule(), rule.anchorRow(), rule.anchorColumn()};
        for (const CellRect &r : rule.ranges) {
            CellRect part;
            if (intersect(r, rect, part))
                c.rule.ranges.push_back(moved(part, rows, columns));
        }
        if (c.rule.ranges.empty())
            continue;
        c.rule.kind = rule.kind;
        c.rule.pieces = rule.pieces;
        c.rule.fields = rule.fields;
        if (&fromStyles != &toStyles)
            carryFormats(c.rule, fromStyles, toStyles);
        copies.push_back(std::move(c));
    }
    // A copy replaces what the target cells had, as pasting does.
    clearArea(to, moved(rect, rows, columns));
    for (Copied &c : copies) {
        const int top = c.rule.anchorRow(), left = c.rule.anchorColumn();
        // A rule with the same XML and corner reads the same on the copied cells: the copy
        // only widens it. Else the copy is a rule of its own, its formulas re-based.
        const auto same = std::find_if(to.begin(), to.end(), [&](const RangeRule &t) {
            return t.sameContent(c.rule) && t.anchorRow() == c.sourceRow &&
                   t.anchorColumn() == c.sourceColumn && top >= c.sourceRow &&
                   left >= c.sourceColumn;
        });
        if (same != to.end()) {
            for (const CellRect &r : c.rule.ranges)
                appendRange(*same, r);
            continue;
        }
        shiftFormulas(c.rule, top - c.sourceRow, left - c.sourceColumn);
        to.push_back(std::move(c.rule));
    }
}

void insertRangeRulesShiftDown(std::vector<RangeRule> &rules, const CellRect &rect) {
    const int h = rect.rows();
    std::vector<RangeRule> kept;
    for (RangeRule &rule : rules) {
        const bool any = shiftRule(
            rule, rect, [](const CellRect &r) { return r.top; },
            [&](FormulaRef &ref) {
                if (ref.row >= rect.top)
                    ref.row += h;
                return ref.row <= kMaxRows;
            },
            [&](CellRect &r) {
                if (r.top >= rect.top)
                    r.top += h;
                if (r.bottom >= rect.top)
                    r.bottom = std::min(r.bottom + h, kMaxRows);
                return r.top <= kMaxRows;
            },
            [&](int row) { return row >= rect.top ? row + h : row; });
        if (any)
            kept.push_back(std::move(rule));
    }
    rules = std::move(kept);
}

void deleteRangeRulesShiftUp(std::vector<RangeRule> &rules, const CellRect &rect) {
    const int h = rect.rows();
    auto moveRow = [&](int row) { return row > rect.bottom ? row - h : row; };
    // The first row of r that is not deleted, 0 when all are.
    auto firstKept = [&](const CellRect &r) {
        if (r.top < rect.top)
            return r.top;
        return r.bottom > rect.bottom ? std::max(r.top, rect.bottom + 1) : 0;
    };
    std::vector<RangeRule> kept;
    for (RangeRule &rule : rules) {
        const bool any = shiftRule(
            rule, rect, firstKept,
            [&](FormulaRef &ref) {
                if (ref.row < rect.top)
                    return true;
                if (ref.row <= rect.bottom)
                    return false;
                ref.row -= h;
                return true;
            },
            [&](CellRect &r) {
                // The rows of r that stay, moved up.
                const int first = r.top < rect.top ? r.top : std::max(r.top, rect.bottom + 1);
                const int last =
                    r.bottom > rect.bottom ? r.bottom : std::min(r.bottom, rect.top - 1);
                if (first > last)
                    return false;
                r.top = moveRow(first);
                r.bottom = moveRow(last);
                return true;
            },
            moveRow);
        if (any)
            kept.push_back(std::move(rule));
    }
    rules = std::move(kept);
}

void moveRangeRuleFormats(std::vector<RangeRule> &rules, const StyleTable &fromStyles,
                          StyleTable &toStyles) {
    for (RangeRule &rule : rules)
        carryFormats(rule, fromStyles, toStyles);
}

} // namespace kelvoran::xlsx

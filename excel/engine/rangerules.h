// Conditional formats and data validations of a sheet: rules over ranges of cells whose formulas
// are written as if in the top-left cell of those ranges. Each is kept as its XML split at its
// formulas and style ids, so that a copy of a block of cells carries the rules along re-based as
// cell formulas are, and row shifts move them with their cells.
#pragma once

#include "excel/engine/cellref.h"
#include "excel/engine/xmlwriter.h"

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace kelvoran::xlsx {

class StyleTable;

enum class RangeRuleKind : uint8_t { ConditionalFormat, Validation };

// A value inside a rule's XML that copies change: a formula, or the id of a differential format
// (which is the workbook's, so a copy into another workbook carries the format).
struct RuleField {
    enum Kind : uint8_t { Formula, FormatId } kind = Formula;
    std::string text; // formula text as read (no leading "="), or the id in decimal
    bool operator==(const RuleField &o) const { return kind == o.kind && text == o.text; }
};

struct RangeRule {
    RangeRuleKind kind = RangeRuleKind::ConditionalFormat;
    std::vector<CellRect> ranges;
    // The element's XML after its name, without sqref, cut at its fields:
    // pieces[0] fields[0] pieces[1] ... fields[n-1] pieces[n].
    std::vector<std::string> pieces;
    std::vector<RuleField> fields;

    // The cell the formulas are written for: the top-left corner of the ranges.
    int anchorRow() const;
    int anchorColumn() const;
    // Same XML apart from the ranges.
    bool sameContent(const RangeRule &o) const {
        return kind == o.kind && pieces == o.pieces && fields == o.fields;
    }
};

// Reads a <conditionalFormatting> or <dataValidation> element. False, with why, when its sqref
// names no range this sheet can hold.
bool readRangeRule(pugi::xml_node element, RangeRuleKind kind, RangeRule &rule, std::string &why);

// Writes the conditional formats, one element each.
void writeConditionalFormats(XmlWriter &xml, const std::vector<RangeRule> &rules);
// Writes the validations in their <dataValidations> list; options are the list's attributes
// other than count, as read (" disablePrompts=\"1\"").
void writeValidations(XmlWriter &xml, const std::vector<RangeRule> &rules,
                      const std::string &options);

// Copies the parts of from's rules that lie in rect to rect moved by (rows, columns) in to,
// replacing what to had there; from and to may be the same list. fromStyles and toStyles are
// the two workbooks' styles (the same table for a copy inside one workbook).
void copyRangeRules(const std::vector<RangeRule> &from, const CellRect &rect, int rows, int columns,
                    std::vector<RangeRule> &to, const StyleTable &fromStyles, StyleTable &toStyles);
// Rules after cells of rect were inserted, the cells below moved down by its height.
void insertRangeRulesShiftDown(std::vector<RangeRule> &rules, const CellRect &rect);
// Rules after the cells of rect were deleted, the cells below moved up by its height.
void deleteRangeRulesShiftUp(std::vector<RangeRule> &rules, const CellRect &rect);
// Points the rules' formatting ids at entries of another workbook's styles.
void moveRangeRuleFormats(std::vector<RangeRule> &rules, const StyleTable &fromStyles,
                          StyleTable &toStyles);

} // namespace kelvoran::xlsx

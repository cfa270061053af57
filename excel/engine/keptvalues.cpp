#include "excel/engine/keptvalues.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

namespace kelvoran::xlsx {

namespace {

enum class Type { Bool, UInt, Int, Double, Argb, Text, Choice, FontFamily };

struct Rule {
    const char *name;
    Type type;
    const char *choices = nullptr; // Choice: the allowed values, each between '|'
};

const char *const kPatterns =
    "|none|solid|mediumGray|darkGray|lightGray|darkHorizontal|darkVertical|darkDown|darkUp|"
    "darkGrid|darkTrellis|lightHorizontal|lightVertical|lightDown|lightUp|lightGrid|"
    "lightTrellis|gray125|gray0625|";
const char *const kBorderStyles =
    "|none|thin|medium|dashed|dotted|thick|double|hair|mediumDashed|dashDot|mediumDashDot|"
    "dashDotDot|mediumDashDotDot|slantDashDot|";

using Rules = std::vector<Rule>;

// Every attribute of these elements; another one is unknown.
const std::map<std::string_view, Rules> &elementRules() {
    static const Rules color = {{"auto", Type::Bool},
                                {"indexed", Type::UInt},
                                {"rgb", Type::Argb},
                                {"theme", Type::UInt},
                                {"tint", Type::Double}};
    static const Rules side = {{"style", Type::Choice, kBorderStyles}};
    static const Rules boolValue = {{"val", Type::Bool}};
    static const Rules none = {};
    static const std::map<std::string_view, Rules> rules = {
        {"color", color},
        {"fgColor", color},
        {"bgColor", color},
        {"tabColor", color},
        {"rgbColor", {{"rgb", Type::Argb}}},
        {"colors", none},
        {"indexedColors", none},
        {"mruColors", none},
        {"pageMargins",
         {{"left", Type::Double},
          {"right", Type::Double},
          {"top", Type::Double},
          {"bottom", Type::Double},
          {"header", Type::Double},
          {"footer", Type::Double}}},
        {"pageSetup",
         {{"paperSize", Type::UInt},
          {"paperHeight", Type::Text},
          {"paperWidth", Type::Text},
          {"scale", Type::UInt},
          {"firstPageNumber", Type::UInt},
          {"fitToWidth", Type::UInt},
          {"fitToHeight", Type::UInt},
          {"pageOrder", Type::Choice, "|downThenOver|overThenDown|"},
          {"orientation", Type::Choice, "|default|portrait|landscape|"},
          {"usePrinterDefaults", Type::Bool},
          {"blackAndWhite", Type::Bool},
          {"draft", Type::Bool},
          {"cellComments", Type::Choice, "|none|asDisplayed|atEnd|"},
          {"useFirstPageNumber", Type::Bool},
          {"errors", Type::Choice, "|displayed|blank|dash|NA|"},
          {"horizontalDpi", Type::UInt},
          {"verticalDpi", Type::UInt},
          {"copies", Type::UInt}}},
        {"sheetFormatPr",
         {{"baseColWidth", Type::UInt},
          {"defaultColWidth", Type::Double},
          {"defaultRowHeight", Type::Double},
          {"customHeight", Type::Bool},
          {"zeroHeight", Type::Bool},
          {"thickTop", Type::Bool},
          {"thickBottom", Type::Bool},
          {"outlineLevelRow", Type::UInt},
          {"outlineLevelCol", Type::UInt}}},
        {"printOptions",
         {{"horizontalCentered", Type::Bool},
          {"verticalCentered", Type::Bool},
          {"headings", Type::Bool},
          {"gridLines", Type::Bool},
          {"gridLinesSet", Type::Bool}}},
        {"headerFooter",
         {{"differentOddEven", Type::Bool},
          {"differentFirst", Type::Bool},
          {"scaleWithDoc", Type::Bool},
          {"alignWithMargins", Type::Bool}}},
        {"sheetPr",
         {{"syncHorizontal", Type::Bool},
          {"syncVertical", Type::Bool},
          {"syncRef", Type::Text},
          {"transitionEvaluation", Type::Bool},
          {"transitionEntry", Type::Bool},
          {"published", Type::Bool},
          {"codeName", Type::Text},
          {"filterMode", Type::Bool},
          {"enableFormatConditionsCalculation", Type::Bool}}},
        {"outlinePr",
         {{"applyStyles", Type::Bool},
          {"summaryBelow", Type::Bool},
          {"summaryRight", Type::Bool},
          {"showOutlineSymbols", Type::Bool}}},
        {"pageSetUpPr", {{"autoPageBreaks", Type::Bool}, {"fitToPage", Type::Bool}}},
        {"gradientFill",
         {{"type", Type::Choice, "|linear|path|"},
          {"degree", Type::Double},
          {"left", Type::Double},
          {"right", Type::Double},
          {"top", Type::Double},
          {"bottom", Type::Double}}},
        {"stop", {{"position", Type::Double}}},
        {"patternFill", {{"patternType", Type::Choice, kPatterns}}},
        {"alignment",
         {{"horizontal", Type::Choice,
           "|general|left|center|right|fill|justify|centerContinuous|distributed|"},
          {"vertical", Type::Choice, "|top|center|bottom|justify|distributed|"},
          {"textRotation", Type::UInt},
          {"wrapText", Type::Bool},
          {"indent", Type::UInt},
          {"relativeIndent", Type::Int},
          {"justifyLastLine", Type::Bool},
          {"shrinkToFit", Type::Bool},
          {"readingOrder", Type::UInt}}},
        {"protection", {{"locked", Type::Bool}, {"hidden", Type::Bool}}},
        {"border",
         {{"diagonalUp", Type::Bool}, {"diagonalDown", Type::Bool}, {"outline", Type::Bool}}},
        {"left", side},
        {"right", side},
        {"top", side},
        {"bottom", side},
        {"diagonal", side},
        {"vertical", side},
        {"horizontal", side},
        {"start", side},
        {"end", side},
        {"numFmt", {{"numFmtId", Type::UInt}, {"formatCode", Type::Text}}},
        {"dxf", none},
        {"font", none},
        {"fill", none},
        {"r", none},
        {"rPr", none},
        {"sz", {{"val", Type::Double}}},
        {"b", boolValue},
        {"i", boolValue},
        {"strike", boolValue},
        {"condense", boolValue},
        {"extend", boolValue},
        {"outline", boolValue},
        {"shadow", boolValue},
        {"u", {{"val", Type::Choice, "|single|double|singleAccounting|doubleAccounting|none|"}}},
        {"vertAlign", {{"val", Type::Choice, "|superscript|subscript|baseline|"}}},
        {"scheme", {{"val", Type::Choice, "|none|major|minor|"}}},
        {"family", {{"val", Type::FontFamily}}},
        {"charset", {{"val", Type::UInt}}},
        {"rFont", {{"val", Type::Text}}},
        {"name", {{"val", Type::Text}}},
    };
    return rules;
}

// Attributes of one type wherever they appear, for elements not listed above (conditional
// formats, validations, protection, ignored errors).
const Rules &anywhereRules() {
    static const Rules rules = {
        {"stopIfTrue", Type::Bool},
        {"aboveAverage", Type::Bool},
        {"percent", Type::Bool},
        {"equalAverage", Type::Bool},
        {"allowBlank", Type::Bool},
        {"showDropDown", Type::Bool},
        {"showInputMessage", Type::Bool},
        {"showErrorMessage", Type::Bool},
        {"dxfId", Type::UInt},
        {"priority", Type::Int},
        {"rank", Type::UInt},
        {"spinCount", Type::UInt},
        {"numberStoredAsText", Type::Bool},
        {"formula", Type::Bool},
        {"twoDigitTextYear", Type::Bool},
        {"evalError", Type::Bool},
        {"sheet", Type::Bool},
        {"objects", Type::Bool},
        {"scenarios", Type::Bool},
        {"formatCells", Type::Bool},
        {"formatColumns", Type::Bool},
        {"formatRows", Type::Bool},
        {"insertColumns", Type::Bool},
        {"insertRows", Type::Bool},
        {"deleteColumns", Type::Bool},
        {"deleteRows", Type::Bool},
        {"selectLockedCells", Type::Bool},
        {"selectUnlockedCells", Type::Bool},
        {"sort", Type::Bool},
        {"autoFilter", Type::Bool},
        {"pivotTables", Type::Bool},
        {"insertHyperlinks", Type::Bool},
    };
    return rules;
}

bool isUnsigned(std::string_view v, unsigned long long max) {
    if (v.empty() || v.size() > 10)
        return false;
    unsigned long long n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + unsigned(c - '0');
    }
    return n <= max;
}

bool valueFits(const Rule &rule, std::string_view v) {
    switch (rule.type) {
    case Type::Bool:
        return v == "0" || v == "1" || v == "true" || v == "false";
    case Type::UInt:
        return isUnsigned(v, 4294967295ull);
    case Type::Int:
        return isUnsigned(v.substr(!v.empty() && v[0] == '-'), 2147483647ull);
    case Type::FontFamily:
        return isUnsigned(v, 14);
    case Type::Double: {
        double d = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
        return !v.empty() && ec == std::errc() && end == v.data() + v.size() && std::isfinite(d);
    }
    case Type::Argb:
        if (v.size() != 8)
            return false;
        for (char c : v)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        return true;
    case Type::Choice:
        return !v.empty() && v.find('|') == std::string_view::npos &&
               std::strstr(rule.choices, ("|" + std::string(v) + "|").c_str()) != nullptr;
    case Type::Text:
        return true;
    }
    return false;
}

const Rule *findRule(const Rules &rules, std::string_view name) {
    for (const Rule &r : rules)
        if (name == r.name)
            return &r;
    return nullptr;
}

} // namespace

bool hasKnownValues(pugi::xml_node element, std::string &why) {
    std::vector<pugi::xml_node> pending{element};
    while (!pending.empty()) {
        const pugi::xml_node n = pending.back();
        pending.pop_back();
        // Prefixed elements and extension lists are dropped when the element is written.
        if (n.type() != pugi::node_element || std::strchr(n.name(), ':') ||
            std::strcmp(n.name(), "extLst") == 0)
            continue;
        const auto known = elementRules().find(n.name());
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            if (std::strchr(a.name(), ':') || std::strcmp(a.name(), "xmlns") == 0)
                continue;
            const Rule *rule = known != elementRules().end() ? findRule(known->second, a.name())
                                                             : findRule(anywhereRules(), a.name());
            if (!rule && known != elementRules().end()) {
                why = std::string("unknown attribute ") + a.name() + " of <" + n.name() + ">";
                return false;
            }
            if (rule && !valueFits(*rule, a.value())) {
                why = std::string("attribute ") + a.name() + " of <" + n.name() +
                      "> has the value \"" + a.value() + "\"";
                return false;
            }
        }
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
            pending.push_back(c);
    }
    return true;
}

} // namespace kelvoran::xlsx

#include "excel/autoformat.h"

#include "excel/engine/worksheet.h"

namespace kelvoran {

namespace {

// The presets. Each keeps the character of the spreadsheet's classic gallery entry of the same
// name (heading emphasis, bands, rules) in palette colours; they are this program's own
// definitions, documented here, not pixel copies.
const AutoFormatPreset kPresets[] = {
    // constant name              hFill hFont bold  ital  body strp headRule  outline   total num
    // clear
    {-4142, "None", 0, 0, false, false, 0, 0, "", "", "", false, true},
    {42, "PTNone", 0, 0, false, false, 0, 0, "", "", "", false, true},
    {13, "3DEffects1", 15, 1, true, false, 15, 0, "medium", "medium", "thin", false, false},
    {14, "3DEffects2", 16, 2, true, false, 15, 0, "medium", "medium", "thin", false, false},
    {4, "Accounting1", 0, 0, true, false, 0, 0, "thin", "", "double", true, false},
    {5, "Accounting2", 0, 0, true, false, 0, 0, "medium", "", "double", true, false},
    {6, "Accounting3", 0, 0, true, true, 0, 0, "thin", "", "double", true, false},
    {17, "Accounting4", 0, 0, true, false, 0, 0, "thin", "", "thin", true, false},
    {1, "Classic1", 0, 0, true, true, 0, 0, "thin", "", "thin", false, false},
    {2, "Classic2", 11, 2, true, false, 0, 0, "thin", "thin", "thin", false, false},
    {3, "Classic3", 11, 2, true, true, 15, 0, "thin", "thin", "thin", false, false},
    {31, "ClassicPivotTable", 0, 0, true, false, 0, 0, "thin", "thin", "thin", false, false},
    {7, "Color1", 9, 2, true, false, 0, 0, "", "", "thin", false, false},
    {8, "Color2", 11, 2, true, false, 19, 0, "", "", "thin", false, false},
    {9, "Color3", 53, 2, true, false, 36, 0, "", "", "thin", false, false},
    {10, "List1", 0, 0, true, false, 0, 15, "thin", "", "thin", false, false},
    {11, "List2", 11, 2, true, false, 0, 35, "thin", "", "thin", false, false},
    {12, "List3", 0, 0, true, false, 0, 15, "thin", "thin", "thin", false, false},
    {15, "LocalFormat1", 0, 0, true, false, 0, 0, "thin", "thin", "thin", false, false},
    {16, "LocalFormat2", 15, 0, true, false, 0, 0, "thin", "thin", "thin", false, false},
    {19, "LocalFormat3", 0, 0, true, false, 0, 0, "double", "", "", false, false},
    {20, "LocalFormat4", 55, 2, true, false, 0, 0, "thin", "medium", "thin", false, false},
};

xlsx::Color palette(int index) {
    return index > 0 ? xlsx::Color::indexed(index + 7) : xlsx::Color();
}

void fill(xlsx::CellStyle &s, int index) {
    if (index > 0) {
        s.fill.pattern = "solid";
        s.fill.fg = palette(index);
        s.fill.bg = xlsx::Color::indexed(64);
    }
}

} // namespace

const AutoFormatPreset *autoFormatPreset(int constant) {
    for (const AutoFormatPreset &p : kPresets)
        if (p.constant == constant)
            return &p;
    return nullptr;
}

Status applyAutoFormat(const ExcelRange &range, int constant) {
    const AutoFormatPreset *p = autoFormatPreset(constant);
    if (!p)
        return Error{
            QStringLiteral("オートフォーマットの指定が正しくありません。：%1").arg(constant), {}};
    if (!range.isValid())
        return Error{QStringLiteral("オートフォーマットの範囲がありません。"), {}};
    xlsx::Worksheet &ws = *range.sheet();
    const xlsx::CellRect r = range.rect();
    if (p->clear) {
        ws.changeStyle(r, [](xlsx::CellStyle &s) {
            const bool text = s.numberFormat == "@";
            s = xlsx::CellStyle();
            if (text)
                s.numberFormat = "@";
        });
        return Status::ok();
    }
    const bool hasTotal = r.rows() >= 3 && p->totalRule[0];
    for (int row = r.top; row <= r.bottom; ++row) {
        const bool head = row == r.top;
        const bool total = hasTotal && row == r.bottom;
        const int bodyIndex = row - r.top - 1;
        ws.changeStyle({row, r.left, row, r.right}, [&](xlsx::CellStyle &s) {
            s.fill = xlsx::Fill();
            s.border = xlsx::Border();
            s.font.bold = false;
            s.font.italic = false;
            s.font.color = xlsx::Color();
            if (head) {
                fill(s, p->headFill);
                s.font.color = palette(p->headFont);
                s.font.bold = p->headBold;
                s.font.italic = p->headItalic;
                s.alignment.horizontal = "center";
                if (p->headRule[0])
                    s.border.bottom = {p->headRule, xlsx::Color::automatic()};
            } else {
                fill(s, p->stripeFill && bodyIndex % 2 == 1 ? p->stripeFill : p->bodyFill);
                if (p->numbers && s.numberFormat == "General")
                    s.numberFormat = "#,##0";
                if (total) {
                    s.font.bold = true;
                    s.border.top = {p->totalRule, xlsx::Color::automatic()};
                }
            }
            if (p->outline[0]) {
                const xlsx::BorderSide side{p->outline, xlsx::Color::automatic()};
                if (head)
                    s.border.top = side;
                if (row == r.bottom)
                    s.border.bottom = side;
            }
        });
        if (p->outline[0]) {
            const xlsx::BorderSide side{p->outline, xlsx::Color::automatic()};
            ws.changeStyle({row, r.left, row, r.left},
                           [&](xlsx::CellStyle &s) { s.border.left = side; });
            ws.changeStyle({row, r.right, row, r.right},
                           [&](xlsx::CellStyle &s) { s.border.right = side; });
        }
    }
    return Status::ok();
}

} // namespace kelvoran

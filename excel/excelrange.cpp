#include "excel/excelrange.h"

#include "excel/autoformat.h"

#include "excel/engine/formularecalc.h"
#include "excel/engine/numberformat.h"
#include "excel/engine/textwidth.h"
#include "excel/engine/typedinput.h"
#include "excel/engine/workbook.h"
#include "excel/engine/worksheet.h"

#include <cmath>

namespace kelvoran {

using namespace xlsx;

namespace {

std::string utf8(const QString &s) {
    return s.toStdString();
}

const char *horizontalName(int c) {
    switch (c) {
    case xl::HAlignGeneral:
        return "";
    case xl::HAlignLeft:
        return "left";
    case xl::HAlignCenter:
        return "center";
    case xl::HAlignRight:
        return "right";
    case xl::HAlignFill:
        return "fill";
    case xl::HAlignJustify:
        return "justify";
    case xl::HAlignCenterAcrossSelection:
        return "centerContinuous";
    case xl::HAlignDistributed:
        return "distributed";
    default:
        return nullptr;
    }
}

const char *verticalName(int c) {
    switch (c) {
    case xl::VAlignTop:
        return "top";
    case xl::VAlignCenter:
        return "center";
    case xl::VAlignBottom:
        return "";
    case xl::VAlignJustify:
        return "justify";
    case xl::VAlignDistributed:
        return "distributed";
    default:
        return nullptr;
    }
}

const char *patternName(int p) {
    switch (p) {
    case xl::PatternSolid:
        return "solid";
    case xl::PatternNone:
        return "none";
    case -4125:
        return "mediumGray";
    case -4126:
        return "darkGray";
    case -4124:
        return "lightGray";
    case 17:
        return "gray125";
    case 18:
        return "gray0625";
    case -4128:
        return "darkHorizontal";
    case -4166:
        return "darkVertical";
    case -4121:
        return "darkDown";
    case -4162:
        return "darkUp";
    case 9:
        return "darkGrid";
    case 10:
        return "darkTrellis";
    case 11:
        return "lightHorizontal";
    case 12:
        return "lightVertical";
    case 13:
        return "lightDown";
    case 14:
        return "lightUp";
    case 15:
        return "lightGrid";
    case 16:
        return "lightTrellis";
    default:
        return nullptr;
    }
}

// The file's border style for a line style and weight, or nullptr when not a valid pair.
const char *borderStyle(int lineStyle, int weight) {
    const bool medium = weight == xl::Medium || weight == xl::Thick;
    switch (lineStyle) {
    case xl::LineStyleNone:
        return "";
    case xl::Continuous:
        switch (weight) {
        case xl::Hairline:
            return "hair";
        case xl::Thin:
            return "thin";
        case xl::Medium:
            return "medium";
        case xl::Thick:
            return "thick";
        default:
            return nullptr;
        }
    case xl::Dash:
        return medium ? "mediumDashed" : "dashed";
    case xl::DashDot:
        return medium ? "mediumDashDot" : "dashDot";
    case xl::DashDotDot:
        return medium ? "mediumDashDotDot" : "dashDotDot";
    case xl::Dot:
        return "dotted";
    case xl::Double:
        return "double";
    case xl::SlantDashDot:
        return "slantDashDot";
    default:
        return nullptr;
    }
}

bool paletteColor(int index, Color &out) {
    if (index == xl::ColorIndexAutomatic) {
        out = Color::automatic();
        return true;
    }
    if (index == xl::ColorIndexNone || index == 0) {
        out = Color();
        return true;
    }
    if (index < 1 || index > 56)
        return false;
    out = Color::indexed(index + 7);
    return true;
}

Error badConstant(const char *what, int value) {
    return Error{
        QStringLiteral("%1の指定が正しくありません。：%2").arg(QString::fromUtf8(what)).arg(value),
        {}};
}

// The cell's displayed text.
std::string cellText(const Worksheet &ws, int row, int column) {
    const Cell *c = ws.find(row, column);
    if (!c)
        return std::string();
    const CellStyle &style = ws.book().styles().at(c->style);
    switch (c->type) {
    case CellType::Blank:
        return std::string();
    case CellType::Number:
        return formatNumber(c->number, style.numberFormat);
    case CellType::String:
        return formatText(ws.stringText(*c), style.numberFormat);
    case CellType::Bool:
        return c->number != 0 ? "TRUE" : "FALSE";
    case CellType::Error:
        return ws.errorText(*c);
    case CellType::Formula: {
        const Formula &f = ws.formula(*c);
        switch (f.cachedType) {
        case CellType::Number:
            return formatNumber(f.number, style.numberFormat);
        case CellType::Bool:
            return f.number != 0 ? "TRUE" : "FALSE";
        case CellType::String:
        case CellType::Error:
            return f.cachedText;
        default:
            return std::string();
        }
    }
    }
    return std::string();
}

} // namespace

QString ExcelRange::address() const {
    return QString::fromStdString(rectAddress(m_rect));
}

ExcelRange ExcelRange::entireRow() const {
    return ExcelRange(m_sheet, {m_rect.top, 1, m_rect.bottom, kMaxColumns});
}

ExcelRange ExcelRange::entireColumn() const {
    return ExcelRange(m_sheet, {1, m_rect.left, kMaxRows, m_rect.right});
}

void ExcelRange::setValue(const QString &typed) const {
    if (!m_sheet)
        return;
    Worksheet &ws = *m_sheet;
    StyleTable &styles = ws.book().styles();
    const std::string text = utf8(typed);
    TypedValue parsed;
    bool parsedOnce = false;
    const int bottom = std::min(m_rect.bottom, kMaxRows),
              right = std::min(m_rect.right, kMaxColumns);
    for (int r = m_rect.top; r <= bottom; ++r)
        for (int c = m_rect.left; c <= right; ++c) {
            const uint32_t style = ws.styleAt(r, c);
            if (styles.isText(style)) {
                if (text.empty())
                    ws.clearValue(r, c);
                else
                    ws.setString(r, c, text);
                continue;
            }
            if (!parsedOnce) {
                parsed = parseTypedInput(text);
                parsedOnce = true;
            }
            switch (parsed.kind) {
            case TypedValue::Empty:
                ws.clearValue(r, c);
                break;
            case TypedValue::Number:
                ws.setNumber(r, c, parsed.number);
                if (!parsed.format.empty() && styles.at(style).numberFormat == "General") {
                    const std::string fmt = parsed.format;
                    ws.changeStyle({r, c, r, c}, [&](CellStyle &s) { s.numberFormat = fmt; });
                }
                break;
            case TypedValue::Bool:
                ws.setBool(r, c, parsed.number != 0);
                break;
            case TypedValue::Text:
                ws.setString(r, c, parsed.text);
                if (parsed.quotePrefix)
                    ws.changeStyle({r, c, r, c}, [](CellStyle &s) { s.quotePrefix = true; });
                break;
            case TypedValue::Formula: {
                Formula f;
                f.text = parsed.text;
                if (const std::optional<double> v = evaluateOnSheet(ws, f.text)) {
                    f.cachedType = CellType::Number;
                    f.number = *v;
                } else {
                    f.cachedType = CellType::Blank; // the reader computes it on open
                }
                ws.setFormula(r, c, std::move(f));
                break;
            }
            }
        }
}

void ExcelRange::setNumber(double value) const {
    if (!m_sheet)
        return;
    for (int r = m_rect.top; r <= m_rect.bottom; ++r)
        for (int c = m_rect.left; c <= m_rect.right; ++c)
            m_sheet->setNumber(r, c, value);
}

QVariant ExcelRange::value() const {
    if (!m_sheet)
        return QVariant();
    const Cell *c = m_sheet->find(m_rect.top, m_rect.left);
    if (!c)
        return QVariant();
    switch (c->type) {
    case CellType::Number:
        return c->number;
    case CellType::String:
        return QString::fromStdString(m_sheet->stringText(*c));
    case CellType::Bool:
        return c->number != 0;
    case CellType::Error:
        return QString::fromStdString(m_sheet->errorText(*c));
    case CellType::Formula: {
        const Formula &f = m_sheet->formula(*c);
        if (f.cachedType == CellType::Number)
            return f.number;
        if (f.cachedType == CellType::Bool)
            return f.number != 0;
        if (f.cachedType == CellType::String || f.cachedType == CellType::Error)
            return QString::fromStdString(f.cachedText);
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QString ExcelRange::formula() const {
    if (!m_sheet)
        return QString();
    const Cell *c = m_sheet->find(m_rect.top, m_rect.left);
    if (!c || c->type != CellType::Formula)
        return QString();
    return QStringLiteral("=") + QString::fromStdString(m_sheet->formula(*c).text);
}

QString ExcelRange::text() const {
    return m_sheet ? QString::fromStdString(cellText(*m_sheet, m_rect.top, m_rect.left))
                   : QString();
}

void ExcelRange::setNumberFormat(const QString &code) const {
    if (!m_sheet)
        return;
    std::string fileCode = localFormatToFile(utf8(code));
    if (fileCode.empty())
        fileCode = "General";
    m_sheet->changeStyle(m_rect, [&](CellStyle &s) {
        s.numberFormat = fileCode;
        s.builtinId = -1;
    });
}

void ExcelRange::setNumberFormatLocal(const QString &code) const {
    setNumberFormat(code);
}

QString ExcelRange::numberFormat() const {
    if (!m_sheet)
        return QString();
    return QString::fromStdString(
        m_sheet->book().styles().at(m_sheet->styleAt(m_rect.top, m_rect.left)).numberFormat);
}

Status ExcelRange::setHorizontalAlignment(int constant) const {
    const char *name = horizontalName(constant);
    if (!name)
        return badConstant("横位置", constant);
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.alignment.horizontal = name; });
    return Status::ok();
}

Status ExcelRange::setVerticalAlignment(int constant) const {
    const char *name = verticalName(constant);
    if (!name)
        return badConstant("縦位置", constant);
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.alignment.vertical = name; });
    return Status::ok();
}

void ExcelRange::setWrapText(bool on) const {
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.alignment.wrapText = on; });
}

void ExcelRange::setShrinkToFit(bool on) const {
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.alignment.shrinkToFit = on; });
}

void ExcelRange::setFontSize(double points) const {
    if (m_sheet && points >= 1 && points <= 409)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.font.size = points; });
}

void ExcelRange::setFontName(const QString &name) const {
    const std::string n = utf8(name);
    if (m_sheet && !n.empty())
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) {
            s.font.name = n;
            s.font.scheme.clear();
        });
}

Status ExcelRange::setFontColorIndex(int index) const {
    Color color;
    if (!paletteColor(index, color))
        return badConstant("文字色", index);
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.font.color = color; });
    return Status::ok();
}

void ExcelRange::setFontBold(bool on) const {
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.font.bold = on; });
}

void ExcelRange::setFontItalic(bool on) const {
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) { s.font.italic = on; });
}

Status ExcelRange::setInteriorColorIndex(int index) const {
    Color color;
    if (!paletteColor(index, color) || index == xl::ColorIndexAutomatic)
        return badConstant("背景色", index);
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) {
            if (color.kind == Color::None) {
                s.fill = Fill();
                return;
            }
            if (s.fill.pattern == "none" || s.fill.pattern.empty())
                s.fill.pattern = "solid";
            s.fill.fg = color;
            s.fill.bg = Color::indexed(64);
            s.fill.gradientXml.clear();
        });
    return Status::ok();
}

Status ExcelRange::setInteriorPattern(int pattern) const {
    const char *name = patternName(pattern);
    if (!name)
        return badConstant("パターン", pattern);
    if (m_sheet)
        m_sheet->changeStyle(m_rect, [&](CellStyle &s) {
            s.fill.pattern = name;
            if (s.fill.pattern == "none") {
                s.fill.fg = Color();
                s.fill.bg = Color();
            } else if (s.fill.fg.kind == Color::None) {
                s.fill.fg = Color::indexed(64);
            }
        });
    return Status::ok();
}

Status ExcelRange::setBorder(int edge, int lineStyle, int weight, int colorIndex) const {
    const char *style = borderStyle(lineStyle, weight);
    if (!style)
        return badConstant("罫線", lineStyle);
    Color color;
    if (!paletteColor(colorIndex, color))
        return badConstant("罫線の色", colorIndex);
    if (colorIndex == xl::ColorIndexNone)
        color = Color::automatic();
    if (!m_sheet)
        return Status::ok();
    const BorderSide side{style, style[0] ? color : Color()};
    const CellRect r = m_rect;
    switch (edge) {
    case xl::EdgeLeft:
        m_sheet->changeStyle({r.top, r.left, r.bottom, r.left},
                             [&](CellStyle &s) { s.border.left = side; });
        break;
    case xl::EdgeRight:
        m_sheet->changeStyle({r.top, r.right, r.bottom, r.right},
                             [&](CellStyle &s) { s.border.right = side; });
        break;
    case xl::EdgeTop:
        m_sheet->changeStyle({r.top, r.left, r.top, r.right},
                             [&](CellStyle &s) { s.border.top = side; });
        break;
    case xl::EdgeBottom:
        m_sheet->changeStyle({r.bottom, r.left, r.bottom, r.right},
                             [&](CellStyle &s) { s.border.bottom = side; });
        break;
    case xl::InsideVertical:
        if (r.right > r.left)
            m_sheet->changeStyle({r.top, r.left, r.bottom, r.right - 1},
                                 [&](CellStyle &s) { s.border.right = side; });
        break;
    case xl::InsideHorizontal:
        if (r.bottom > r.top)
            m_sheet->changeStyle({r.top, r.left, r.bottom - 1, r.right},
                                 [&](CellStyle &s) { s.border.bottom = side; });
        break;
    default:
        return badConstant("罫線の位置", edge);
    }
    return Status::ok();
}

void ExcelRange::setColumnWidth(double width) const {
    if (!m_sheet)
        return;
    width = std::clamp(width, 0.0, 255.0);
    for (int c = m_rect.left; c <= std::min(m_rect.right, kMaxColumns); ++c)
        m_sheet->setColumnWidth(c, width);
}

double ExcelRange::columnWidth() const {
    return m_sheet ? m_sheet->columnWidth(m_rect.left) : 0;
}

void ExcelRange::autoFit() const {
    if (!m_sheet)
        return;
    const Worksheet &ws = *m_sheet;
    const StyleTable &styles = ws.book().styles();
    const int right = std::min(m_rect.right, std::max(ws.lastColumn(), m_rect.left));
    std::vector<double> widest(size_t(right - m_rect.left + 1), 0);
    const int bottom = std::min(m_rect.bottom, ws.lastRow());
    for (int r = m_rect.top; r <= bottom; ++r) {
        for (const Cell &c : ws.row(r)->cells) {
            if (c.column < m_rect.left || c.column > right || c.type == CellType::Blank)
                continue;
            const double px =
                textPixelWidth(cellText(ws, r, c.column), styles.at(c.style).font.size);
            double &w = widest[size_t(c.column - m_rect.left)];
            w = std::max(w, px);
        }
    }
    for (size_t i = 0; i < widest.size(); ++i)
        if (widest[i] > 0)
            m_sheet->setColumnWidth(m_rect.left + int(i), widthForPixels(widest[i] + 7));
}

Status ExcelRange::autoFormat(int constant) const {
    return applyAutoFormat(*this, constant);
}

void ExcelRange::copyTo(const ExcelRange &destination) const {
    if (!m_sheet || !destination.m_sheet)
        return;
    const bool rows = m_rect.left == 1 && m_rect.right == kMaxColumns;
    destination.m_sheet->copyFrom(*m_sheet, m_rect, destination.m_rect.top,
                                  rows ? 1 : destination.m_rect.left, rows);
}

void ExcelRange::deleteShiftUp() const {
    if (m_sheet)
        m_sheet->deleteShiftUp(m_rect);
}

void ExcelRange::insertShiftDown() const {
    if (m_sheet)
        m_sheet->insertShiftDown(m_rect);
}

} // namespace kelvoran

#include "excel/engine/stylesreader.h"

#include "excel/engine/keptvalues.h"
#include "excel/engine/packagexml.h"

#include <cstdlib>
#include <unordered_map>

namespace kelvoran::xlsx {

namespace {

Color readColor(pugi::xml_node n) {
    Color c;
    if (!n)
        return c;
    if (n.attribute("auto").as_bool()) {
        c.kind = Color::Auto;
    } else if (auto a = n.attribute("indexed")) {
        c.kind = Color::Indexed;
        c.value = a.as_uint();
    } else if (auto r = n.attribute("rgb")) {
        c.kind = Color::Rgb;
        c.value = uint32_t(std::strtoul(r.value(), nullptr, 16));
    } else if (auto t = n.attribute("theme")) {
        c.kind = Color::Theme;
        c.value = t.as_uint();
    }
    c.tint = n.attribute("tint").as_double();
    return c;
}

// A font without a name takes the name of the workbook's default font, the one of its
// Normal style; a reader shows a font named "" as it likes, or refuses it.
void fillMissingFontNames(pugi::xml_node styles, std::vector<Font> &fonts) {
    const size_t normal =
        childNamed(childNamed(styles, "cellStyleXfs"), "xf").attribute("fontId").as_uint();
    std::string name = normal < fonts.size() ? fonts[normal].name : std::string();
    if (name.empty())
        for (const Font &f : fonts)
            if (!f.name.empty()) {
                name = f.name;
                break;
            }
    if (name.empty())
        name = Font().name;
    for (Font &f : fonts)
        if (f.name.empty())
            f.name = name;
}

} // namespace

bool readStylesPart(pugi::xml_node root, StyleTable &table, std::vector<uint32_t> &cellStyles,
                    std::string &why) {
    // Style names (alignments, border and fill patterns, underlines), the palette and the
    // differential formats are written out as they are.
    if (!hasKnownValues(root, why))
        return false;
    std::unordered_map<long, std::string> formats;
    for (pugi::xml_node f : childNamed(root, "numFmts").children())
        formats[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").value();
    std::vector<Font> fonts;
    for (pugi::xml_node f : childNamed(root, "fonts").children()) {
        Font font;
        font.name = childNamed(f, "name").attribute("val").value();
        font.size = childNamed(f, "sz").attribute("val").as_double(11);
        auto flag = [&](const char *n) {
            pugi::xml_node e = childNamed(f, n);
            return e && e.attribute("val").as_bool(true);
        };
        font.bold = flag("b");
        font.italic = flag("i");
        font.strike = flag("strike");
        if (pugi::xml_node u = childNamed(f, "u"))
            font.underline = u.attribute("val") ? u.attribute("val").value() : "single";
        font.vertAlign = childNamed(f, "vertAlign").attribute("val").value();
        font.scheme = childNamed(f, "scheme").attribute("val").value();
        font.family = childNamed(f, "family").attribute("val").as_int(0);
        font.charset =
            childNamed(f, "charset") ? childNamed(f, "charset").attribute("val").as_int() : -1;
        font.color = readColor(childNamed(f, "color"));
        fonts.push_back(font);
    }
    fillMissingFontNames(root, fonts);
    std::vector<Fill> fills;
    for (pugi::xml_node f : childNamed(root, "fills").children()) {
        Fill fill;
        if (pugi::xml_node p = childNamed(f, "patternFill")) {
            fill.pattern = p.attribute("patternType") ? p.attribute("patternType").value() : "none";
            fill.fg = readColor(childNamed(p, "fgColor"));
            fill.bg = readColor(childNamed(p, "bgColor"));
        } else if (pugi::xml_node g = childNamed(f, "gradientFill")) {
            fill.gradientXml = sanitizedXml(g);
        }
        fills.push_back(fill);
    }
    std::vector<Border> borders;
    for (pugi::xml_node b : childNamed(root, "borders").children()) {
        Border border;
        auto side = [&](const char *n, BorderSide &s) {
            pugi::xml_node e = childNamed(b, n);
            s.style = e.attribute("style").value();
            s.color = readColor(childNamed(e, "color"));
        };
        side("left", border.left);
        side("right", border.right);
        side("top", border.top);
        side("bottom", border.bottom);
        side("diagonal", border.diagonal);
        border.diagonalUp = b.attribute("diagonalUp").as_bool();
        border.diagonalDown = b.attribute("diagonalDown").as_bool();
        borders.push_back(border);
    }
    for (pugi::xml_node xf : childNamed(root, "cellXfs").children()) {
        CellStyle s;
        const int fmt = xf.attribute("numFmtId").as_int();
        const auto custom = formats.find(fmt);
        if (custom != formats.end()) {
            s.numberFormat = custom->second;
        } else {
            s.numberFormat = builtinFormatCode(fmt);
            if (s.numberFormat.empty())
                s.numberFormat = "General";
            else if (builtinFormatId(s.numberFormat) < 0)
                s.builtinId = fmt;
        }
        const size_t fontId = xf.attribute("fontId").as_uint();
        const size_t fillId = xf.attribute("fillId").as_uint();
        const size_t borderId = xf.attribute("borderId").as_uint();
        if (fontId < fonts.size())
            s.font = fonts[fontId];
        if (fillId < fills.size())
            s.fill = fills[fillId];
        if (borderId < borders.size())
            s.border = borders[borderId];
        if (pugi::xml_node a = childNamed(xf, "alignment")) {
            s.alignment.horizontal = a.attribute("horizontal").value();
            if (s.alignment.horizontal == "general")
                s.alignment.horizontal.clear();
            s.alignment.vertical = a.attribute("vertical").value();
            if (s.alignment.vertical == "bottom")
                s.alignment.vertical.clear();
            s.alignment.wrapText = a.attribute("wrapText").as_bool();
            s.alignment.shrinkToFit = a.attribute("shrinkToFit").as_bool();
            s.alignment.indent = a.attribute("indent").as_int();
            s.alignment.textRotation = a.attribute("textRotation").as_int();
            s.alignment.readingOrder = a.attribute("readingOrder").as_int();
        }
        if (pugi::xml_node p = childNamed(xf, "protection")) {
            s.locked = p.attribute("locked").as_bool(true);
            s.hidden = p.attribute("hidden").as_bool();
        }
        s.quotePrefix = xf.attribute("quotePrefix").as_bool();
        cellStyles.push_back(table.intern(s));
    }
    for (pugi::xml_node d : childNamed(root, "dxfs").children())
        table.dxfs.push_back(sanitizedXml(d));
    if (pugi::xml_node colors = childNamed(root, "colors"))
        table.colorsXml = sanitizedXml(colors);
    return true;
}

} // namespace kelvoran::xlsx

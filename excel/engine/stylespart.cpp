#include "excel/engine/stylespart.h"

#include <cstdio>
#include <unordered_map>

namespace kelvoran::xlsx {

void writeColor(XmlWriter &xml, const char *tag, const Color &c) {
    if (c.kind == Color::None)
        return;
    xml.open(tag);
    switch (c.kind) {
    case Color::Auto:
        xml.attrInt("auto", 1);
        break;
    case Color::Indexed:
        xml.attrInt("indexed", c.value);
        break;
    case Color::Rgb: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08X", c.value);
        xml.attr("rgb", buf);
        break;
    }
    case Color::Theme:
        xml.attrInt("theme", c.value);
        break;
    default:
        break;
    }
    if (c.tint != 0)
        xml.attrNumber("tint", c.tint);
    xml.close();
}

namespace {

// <tag val="value"/>
void valElement(XmlWriter &xml, const char *tag, std::string_view value) {
    xml.open(tag);
    xml.attr("val", value);
    xml.close();
}

void valElement(XmlWriter &xml, const char *tag, long long value) {
    xml.open(tag);
    xml.attrInt("val", value);
    xml.close();
}

void writeSide(XmlWriter &xml, const char *tag, const BorderSide &s) {
    xml.open(tag);
    if (!s.style.empty()) {
        xml.attr("style", s.style);
        xml.startContent(); // a side with a line has an end tag, even without a colour
        writeColor(xml, "color", s.color);
    }
    xml.close();
}

// The entries of one kind (fonts, fills, borders) numbered in order of first use.
struct EntryList {
    std::unordered_map<std::string, int> ids;
    int count = 0;
    XmlWriter xml;

    template <typename Write> int idOf(const std::string &key, Write write) {
        const auto it = ids.find(key);
        if (it != ids.end())
            return it->second;
        ids.emplace(key, count);
        write(xml);
        return count++;
    }
};

bool hasAlignment(const Alignment &a) {
    return !a.horizontal.empty() || !a.vertical.empty() || a.wrapText || a.shrinkToFit ||
           a.indent || a.textRotation || a.readingOrder;
}

void writeAlignment(XmlWriter &xml, const Alignment &a) {
    xml.open("alignment");
    if (!a.horizontal.empty())
        xml.attr("horizontal", a.horizontal);
    if (!a.vertical.empty())
        xml.attr("vertical", a.vertical);
    if (a.textRotation)
        xml.attrInt("textRotation", a.textRotation);
    if (a.wrapText)
        xml.attrInt("wrapText", 1);
    if (a.indent)
        xml.attrInt("indent", a.indent);
    if (a.shrinkToFit)
        xml.attrInt("shrinkToFit", 1);
    if (a.readingOrder)
        xml.attrInt("readingOrder", a.readingOrder);
    xml.close();
}

// <tag count="n">entries</tag>
void countedList(XmlWriter &xml, const char *tag, long long count, const std::string &entries) {
    xml.open(tag);
    xml.attrInt("count", count);
    xml.startContent();
    xml.raw(entries);
    xml.close();
}

} // namespace

void writeFont(XmlWriter &xml, const Font &f) {
    xml.open("font");
    if (f.bold)
        xml.empty("b");
    if (f.italic)
        xml.empty("i");
    if (f.strike)
        xml.empty("strike");
    if (!f.underline.empty()) {
        xml.open("u");
        if (f.underline != "single")
            xml.attr("val", f.underline);
        xml.close();
    }
    if (!f.vertAlign.empty())
        valElement(xml, "vertAlign", f.vertAlign);
    xml.open("sz");
    xml.attrNumber("val", f.size);
    xml.close();
    writeColor(xml, "color", f.color);
    valElement(xml, "name", f.name);
    if (f.family > 0)
        valElement(xml, "family", f.family);
    if (f.charset >= 0)
        valElement(xml, "charset", f.charset);
    if (!f.scheme.empty())
        valElement(xml, "scheme", f.scheme);
    xml.close();
}

void writeFill(XmlWriter &xml, const Fill &f) {
    xml.open("fill");
    if (!f.gradientXml.empty()) {
        xml.raw(f.gradientXml);
        xml.close();
        return;
    }
    xml.open("patternFill");
    xml.attr("patternType", f.pattern);
    writeColor(xml, "fgColor", f.fg);
    writeColor(xml, "bgColor", f.bg);
    xml.close();
    xml.close();
}

void writeBorder(XmlWriter &xml, const Border &b) {
    xml.open("border");
    if (b.diagonalUp)
        xml.attrInt("diagonalUp", 1);
    if (b.diagonalDown)
        xml.attrInt("diagonalDown", 1);
    writeSide(xml, "left", b.left);
    writeSide(xml, "right", b.right);
    writeSide(xml, "top", b.top);
    writeSide(xml, "bottom", b.bottom);
    writeSide(xml, "diagonal", b.diagonal);
    xml.close();
}

void writeStylesPart(XmlWriter &xml, const StyleTable &styles) {
    XmlWriter numFmts, xfs;
    int numFmtCount = 0;
    std::unordered_map<std::string, int> fmtIds;
    int nextFmt = kFirstCustomFormatId;
    EntryList fonts, fills, borders;
    // Fills 0 and 1 are fixed: every reader takes them as "none" and "gray125".
    fills.idOf(fillKey(Fill()), [](XmlWriter &x) { writeFill(x, Fill()); });
    Fill gray;
    gray.pattern = "gray125";
    fills.idOf(fillKey(gray), [&](XmlWriter &x) { writeFill(x, gray); });
    const std::string defaultFontName =
        styles.at(0).font.name.empty() ? Font().name : styles.at(0).font.name;
    for (size_t i = 0; i < styles.size(); ++i) {
        const CellStyle &s = styles.at(uint32_t(i));
        int fmtId = s.builtinId;
        if (fmtId < 0)
            fmtId = builtinFormatId(s.numberFormat);
        if (fmtId < 0) {
            const auto it = fmtIds.find(s.numberFormat);
            if (it != fmtIds.end()) {
                fmtId = it->second;
            } else {
                fmtId = nextFmt++;
                fmtIds.emplace(s.numberFormat, fmtId);
                numFmts.open("numFmt");
                numFmts.attrInt("numFmtId", fmtId);
                numFmts.attr("formatCode", s.numberFormat);
                numFmts.close();
                ++numFmtCount;
            }
        }
        // A font always has a name: one set to nothing takes the default style's.
        Font font = s.font;
        if (font.name.empty())
            font.name = defaultFontName;
        const int fontId = fonts.idOf(fontKey(font), [&](XmlWriter &x) { writeFont(x, font); });
        const int fillId = fills.idOf(fillKey(s.fill), [&](XmlWriter &x) { writeFill(x, s.fill); });
        const int borderId =
            borders.idOf(borderKey(s.border), [&](XmlWriter &x) { writeBorder(x, s.border); });
        const bool align = hasAlignment(s.alignment);
        const bool protection = !s.locked || s.hidden;
        xfs.open("xf");
        xfs.attrInt("numFmtId", fmtId);
        xfs.attrInt("fontId", fontId);
        xfs.attrInt("fillId", fillId);
        xfs.attrInt("borderId", borderId);
        xfs.attrInt("xfId", 0);
        // The default style applies nothing; the others say which of their parts differ.
        if (i > 0) {
            if (fmtId)
                xfs.attrInt("applyNumberFormat", 1);
            if (fontId)
                xfs.attrInt("applyFont", 1);
            if (fillId)
                xfs.attrInt("applyFill", 1);
            if (borderId)
                xfs.attrInt("applyBorder", 1);
            if (align)
                xfs.attrInt("applyAlignment", 1);
            if (protection)
                xfs.attrInt("applyProtection", 1);
        }
        if (s.quotePrefix)
            xfs.attrInt("quotePrefix", 1);
        if (align)
            writeAlignment(xfs, s.alignment);
        if (protection) {
            xfs.open("protection");
            if (!s.locked)
                xfs.attrInt("locked", 0);
            if (s.hidden)
                xfs.attrInt("hidden", 1);
            xfs.close();
        }
        xfs.close();
    }
    xml.declaration();
    xml.open("styleSheet");
    xml.attr("xmlns", xmlns::kMain);
    if (numFmtCount)
        countedList(xml, "numFmts", numFmtCount, numFmts.str());
    countedList(xml, "fonts", fonts.count, fonts.xml.str());
    countedList(xml, "fills", fills.count, fills.xml.str());
    countedList(xml, "borders", borders.count, borders.xml.str());
    xml.raw("<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
            "borderId=\"0\"/></cellStyleXfs>");
    countedList(xml, "cellXfs", (long long)styles.size(), xfs.str());
    xml.raw("<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
            "builtinId=\"0\"/></cellStyles>");
    std::string dxfs;
    for (const std::string &d : styles.dxfs)
        dxfs += d;
    countedList(xml, "dxfs", (long long)styles.dxfs.size(), dxfs);
    xml.raw(styles.colorsXml);
    xml.closeAll();
}

} // namespace kelvoran::xlsx

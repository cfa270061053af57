// The styles part (xl/styles.xml): number formats, fonts, fills, borders and the cell formats
// that combine them, each distinct entry written once.
#pragma once

#include "excel/engine/styles.h"
#include "excel/engine/xmlwriter.h"

namespace kelvoran::xlsx {

// The first number format id a workbook may define for itself; lower ids are built in.
constexpr int kFirstCustomFormatId = 164;

// One <font> entry.
void writeFont(XmlWriter &xml, const Font &font);
// One <fill> entry.
void writeFill(XmlWriter &xml, const Fill &fill);
// One <border> entry.
void writeBorder(XmlWriter &xml, const Border &border);
// A colour element (<color>, <fgColor>, ...); nothing for a colour that is not set.
void writeColor(XmlWriter &xml, const char *tag, const Color &color);

// The whole part. Style i of the table is cell format i (cellXfs), the index cells refer to.
void writeStylesPart(XmlWriter &xml, const StyleTable &styles);

} // namespace kelvoran::xlsx

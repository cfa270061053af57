// Estimated display width of cell text, for fitting column widths.
#pragma once

#include <string_view>

namespace kelvoran::xlsx {

// Pixel width of text at a font size: a per-character table for ASCII (11-point metrics),
// full-width characters twice a digit, half-width katakana one digit, other characters 8 px.
// Multi-line text counts its longest line.
double textPixelWidth(std::string_view utf8, double fontSize);
// Column width in characters for a pixel width including the cell padding, capped at 255.
double widthForPixels(double pixels);

} // namespace kelvoran::xlsx

// Renders a cell value as text through its number format, the way a Japanese-locale
// spreadsheet shows it (the cell's Text).
#pragma once

#include <string>

namespace kelvoran::xlsx {

// The text of a number under a format code.
std::string formatNumber(double value, const std::string &code);
// The text of a string under a format code (the text section, "@" replaced by the string).
std::string formatText(const std::string &text, const std::string &code);
// "General" rendering of a number.
std::string generalNumber(double value);

} // namespace kelvoran::xlsx

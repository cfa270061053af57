// Escaping of text for the XML parts of a package.
#pragma once

#include <string>
#include <string_view>

namespace kelvoran::xlsx {

// Appends text escaped for element content or, with attribute, for an attribute value: &, <, >
// and " as entities. Characters XML cannot hold (control characters) are written as _xHHHH_,
// and a literal "_xHHHH_" is protected as _x005F_xHHHH_, as the file format's string escape
// requires. In an attribute, tab, line feed and carriage return become character references,
// since a reader turns them into spaces there.
void appendEscaped(std::string &out, std::string_view text, bool attribute);
// Reverses the _xHHHH_ escape in text read from a package.
std::string unescapeOoxml(std::string_view text);
// Appends the shortest decimal text that reads back to the same double.
void appendNumber(std::string &out, double value);

} // namespace kelvoran::xlsx

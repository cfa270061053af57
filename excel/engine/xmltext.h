// Escaping of text for the XML parts of a package.
#pragma once

#include <string>
#include <string_view>

namespace kelvoran::xlsx {

// Appends text escaped for element content or attribute values. Characters XML cannot hold
// (control characters) are written as _xHHHH_, and a literal "_xHHHH_" is protected, as the
// file format's string escape requires.
void appendEscaped(std::string &out, std::string_view text);
// Reverses the _xHHHH_ escape in text read from a package.
std::string unescapeOoxml(std::string_view text);
// Appends the shortest decimal text that reads back to the same double.
void appendNumber(std::string &out, double value);

} // namespace kelvoran::xlsx

// Checks the values of an element that a written package carries as text (sheet properties,
// margins, page setup, print options, the palette, differential formats, gradient fills, rich
// text runs). The engine does not model these elements, so it cannot mend them; a reader that
// checks the schema refuses a whole workbook over one margin of "../x.xml", one colour of
// eleven digits or one attribute it does not know.
#pragma once

#include <pugixml.hpp>

#include <string>

namespace kelvoran::xlsx {

// True when every attribute of the element and of the elements below it that the engine writes
// out (prefixed ones are dropped on the way) has a value of its type: a boolean, a whole or
// decimal number, an ARGB colour or one of its named choices; and, for the elements whose
// attributes are known here, is one of them. Else why names the element, the attribute and
// the value.
bool hasKnownValues(pugi::xml_node element, std::string &why);

} // namespace kelvoran::xlsx

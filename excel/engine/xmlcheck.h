// Checks that XML the engine copies into a written package is sound: every name a legal XML
// name and every character a legal, well-encoded XML character. A parser accepts more than a
// spreadsheet reader does (stray bytes, control characters), and whatever passes here is
// written out verbatim.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace kelvoran::xlsx {

// True when the text is valid UTF-8 holding only characters XML 1.0 allows; else why says
// what was found and at which byte offset.
bool isLegalXmlText(std::string_view text, std::string &why);
// True when every reference in the raw text of a part is one XML defines without a document
// type: one of the five named entities, or a character reference to a character XML allows.
// A lenient parser keeps an unknown entity as text and decodes "&#0;" to a NUL that ends the
// value, so neither shows in the parsed tree; else why says what was found and where.
bool hasOnlyLegalReferences(std::string_view text, std::string &why);
// True when the text is a legal XML 1.0 name (prefixed names included).
bool isLegalXmlName(std::string_view name);
// Checks a parsed element and everything below it: names, attribute values and text.
bool isSoundXmlTree(pugi::xml_node node, std::string &why);

} // namespace kelvoran::xlsx

// XML helpers for reading package parts: prefix-blind lookups, checked parsing, and the
// cleaned copy of an element that is carried into a written package as text.
#pragma once

#include <pugixml.hpp>

#include <string>

namespace kelvoran::xlsx {

// Local name of an element or attribute ("x:row" -> "row").
const char *localName(const char *name);
// First child element with that local name.
pugi::xml_node childNamed(pugi::xml_node n, const char *name);
// Unprefixed (or relationship-prefixed) attribute with that local name.
pugi::xml_attribute attributeNamed(pugi::xml_node n, const char *name);
// Keeps an element as text for writing back: attributes and children in other namespaces
// (extensions whose prefixes the written part does not declare) and relationship ids go.
std::string sanitizedXml(pugi::xml_node n);
// Parses a part and checks everything in it that may be written out again (names, encoding,
// characters); false with why naming the part.
bool parseXml(const std::string &text, pugi::xml_document &doc, std::string &why,
              const std::string &part);

} // namespace kelvoran::xlsx

// Relationship parts (_rels/.rels, xl/_rels/workbook.xml.rels, ...): the links from a part to
// the parts it uses.
#pragma once

#include "excel/engine/xmlwriter.h"

#include <string>
#include <vector>

namespace kelvoran::xlsx {

// One link: its id ("rId<id>"), its type (the last segment of the office document relationship
// type, "worksheet", "styles", ...) and its target relative to the linking part's folder, or,
// when external, an address outside the package (a hyperlink's URL).
struct Relationship {
    int id;
    const char *type;
    std::string target;
    bool external = false;
};

// The whole part.
void writeRelationshipsPart(XmlWriter &xml, const std::vector<Relationship> &relationships);

} // namespace kelvoran::xlsx

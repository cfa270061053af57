#include "excel/engine/relationships.h"

namespace kelvoran::xlsx {

namespace {

const char *kTypeBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

} // namespace

void writeRelationshipsPart(XmlWriter &xml, const std::vector<Relationship> &relationships) {
    xml.declaration();
    xml.open("Relationships");
    xml.attr("xmlns", xmlns::kPackageRelationships);
    xml.startContent();
    for (const Relationship &r : relationships) {
        xml.open("Relationship");
        xml.attr("Id", "rId" + std::to_string(r.id));
        xml.attr("Type", std::string(kTypeBase) + r.type);
        xml.attr("Target", r.target);
        if (r.external)
            xml.attr("TargetMode", "External");
        xml.close();
    }
    xml.close();
}

} // namespace kelvoran::xlsx

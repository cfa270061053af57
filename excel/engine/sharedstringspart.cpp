#include "excel/engine/sharedstringspart.h"

namespace kelvoran::xlsx {

void writeSharedString(XmlWriter &xml, const std::string &text, const std::string &runsXml) {
    xml.raw("<si>");
    if (!runsXml.empty()) {
        xml.raw(runsXml);
    } else {
        const std::string &t = text;
        const bool keepSpace =
            !t.empty() && (t.front() == ' ' || t.back() == ' ' || t.front() == '\t' ||
                           t.back() == '\t' || t.find('\n') != std::string::npos);
        xml.raw(keepSpace ? "<t xml:space=\"preserve\">" : "<t>");
        xml.text(t);
        xml.raw("</t>");
    }
    xml.raw("</si>");
}

void writeSharedStringsPart(XmlWriter &xml, const SharedStrings &strings, long long cellCount) {
    xml.declaration();
    xml.open("sst");
    xml.attr("xmlns", xmlns::kMain);
    xml.attrInt("count", cellCount);
    xml.attrInt("uniqueCount", (long long)strings.size());
    xml.startContent();
    for (size_t i = 0; i < strings.size(); ++i) {
        writeSharedString(xml, strings.text(uint32_t(i)), strings.runsXml(uint32_t(i)));
        xml.flushIfFull();
    }
    xml.close();
    xml.flush();
}

} // namespace kelvoran::xlsx

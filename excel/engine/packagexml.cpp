#include "excel/engine/packagexml.h"

#include "excel/engine/xmlcheck.h"

#include <cstring>
#include <vector>

namespace kelvoran::xlsx {

namespace {

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void *data, size_t size) override {
        out.append(static_cast<const char *>(data), size);
    }
};

} // namespace

const char *localName(const char *name) {
    const char *colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node childNamed(pugi::xml_node n, const char *name) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (std::strcmp(localName(c.name()), name) == 0)
            return c;
    return pugi::xml_node();
}

pugi::xml_attribute attributeNamed(pugi::xml_node n, const char *name) {
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(localName(a.name()), name) == 0 &&
            (std::strchr(a.name(), ':') == nullptr || std::strncmp(a.name(), "r:", 2) == 0 ||
             std::strcmp(name, "id") == 0))
            return a;
    return pugi::xml_attribute();
}

std::string sanitizedXml(pugi::xml_node n) {
    pugi::xml_document copy;
    pugi::xml_node c = copy.append_copy(n);
    std::vector<pugi::xml_node> stack{c};
    while (!stack.empty()) {
        pugi::xml_node e = stack.back();
        stack.pop_back();
        for (pugi::xml_attribute a = e.first_attribute(); a;) {
            pugi::xml_attribute next = a.next_attribute();
            if ((std::strchr(a.name(), ':') && std::strcmp(a.name(), "xml:space") != 0) ||
                std::strcmp(a.name(), "xmlns") == 0)
                e.remove_attribute(a);
            a = next;
        }
        for (pugi::xml_node k = e.first_child(); k;) {
            pugi::xml_node next = k.next_sibling();
            if (k.type() == pugi::node_element &&
                (std::strchr(k.name(), ':') || std::strcmp(k.name(), "extLst") == 0))
                e.remove_child(k);
            else if (k.type() == pugi::node_element)
                stack.push_back(k);
            k = next;
        }
    }
    StringWriter w;
    c.print(w, "", pugi::format_raw);
    return w.out;
}

bool parseXml(const std::string &text, pugi::xml_document &doc, std::string &why,
              const std::string &part) {
    // Package parts never carry a document type declaration; one is taken as hostile input.
    if (text.find("<!DOCTYPE") != std::string::npos || text.find("<!ENTITY") != std::string::npos) {
        why = part + ": document type declarations are not accepted";
        return false;
    }
    if (!hasOnlyLegalReferences(text, why)) {
        why = part + ": " + why;
        return false;
    }
    const pugi::xml_parse_result r = doc.load_buffer(
        text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!r) {
        why = part + ": " + r.description() + " at offset " + std::to_string(r.offset);
        return false;
    }
    if (!isSoundXmlTree(doc, why)) {
        why = part + ": " + why;
        return false;
    }
    return true;
}

} // namespace kelvoran::xlsx

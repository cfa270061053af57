#include "excel/engine/xmlwriter.h"

#include "excel/engine/xmltext.h"

namespace kelvoran::xlsx {

XmlWriter::XmlWriter(ChunkSink sink, size_t chunkSize)
    : m_sink(std::move(sink)), m_chunkSize(chunkSize) {}

void XmlWriter::open(const char *name) {
    endStartTag();
    m_out += '<';
    m_out += name;
    m_open.push_back(name);
    m_startOpen = true;
}

void XmlWriter::close() {
    if (m_startOpen) {
        m_out += "/>";
        m_startOpen = false;
    } else {
        m_out += "</";
        m_out += m_open.back();
        m_out += '>';
    }
    m_open.pop_back();
}

void XmlWriter::closeAll() {
    while (!m_open.empty())
        close();
}

void XmlWriter::empty(const char *name) {
    endStartTag();
    m_out += '<';
    m_out += name;
    m_out += "/>";
}

void XmlWriter::attr(const char *name, std::string_view value) {
    m_out += ' ';
    m_out += name;
    m_out += "=\"";
    appendEscaped(m_out, value, true);
    m_out += '"';
}

void XmlWriter::attrNumber(const char *name, double value) {
    m_out += ' ';
    m_out += name;
    m_out += "=\"";
    appendNumber(m_out, value);
    m_out += '"';
}

void XmlWriter::text(std::string_view value) {
    endStartTag();
    appendEscaped(m_out, value, false);
}

void XmlWriter::number(double value) {
    endStartTag();
    appendNumber(m_out, value);
}

std::string XmlWriter::take() {
    std::string out;
    out.swap(m_out);
    return out;
}

void XmlWriter::flush() {
    if (m_sink && !m_out.empty()) {
        m_sink(m_out);
        m_out.clear();
    }
}

} // namespace kelvoran::xlsx

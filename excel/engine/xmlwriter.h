// The XML text writer every part of a package is written through: elements, attributes and
// text appended to one buffer, escaped in one place, and handed on in chunks when a part is too
// large to hold whole (worksheets, shared strings).
#pragma once

#include <charconv>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvoran::xlsx {

// Namespaces and the declaration the parts start with.
namespace xmlns {
inline constexpr const char *kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char *kOfficeRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char *kPackageRelationships =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr const char *kContentTypes =
    "http://schemas.openxmlformats.org/package/2006/content-types";
} // namespace xmlns
inline constexpr const char *kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// Writes XML text into a buffer. Two ways of use, freely mixed:
//  - open()/attr()/close() keeps a stack of open elements and writes "<a/>" for an element
//    closed without content;
//  - raw() and the attribute and value helpers append directly, for fixed markup and for the
//    cells of a sheet, where every call counts.
// With a chunk sink, flushIfFull() hands the buffer on once it holds a chunk's worth.
class XmlWriter {
public:
    using ChunkSink = std::function<void(const std::string &chunk)>;

    XmlWriter() = default;
    // chunkSize: the buffer size at which flushIfFull() hands the text to sink.
    explicit XmlWriter(ChunkSink sink, size_t chunkSize = size_t(1) << 19);

    // Appends the XML declaration.
    void declaration() { raw(kXmlDeclaration); }

    // Starts an element; its attributes follow, then content or close(). The name is kept
    // until the element is closed, so it must outlive it (a literal).
    void open(const char *name);
    // Ends the innermost open element: "/>" when it got no content, else "</name>".
    void close();
    // Closes every open element.
    void closeAll();
    // An element without attributes or content: "<name/>".
    void empty(const char *name);

    // Ends the start tag in progress, so that the element gets an end tag even when nothing
    // follows ("<a x=\"1\"></a>").
    void startContent() { endStartTag(); }

    // name="value", value escaped.
    void attr(const char *name, std::string_view value);
    // name="123".
    void attrInt(const char *name, long long value) {
        m_out += ' ';
        m_out += name;
        m_out += "=\"";
        appendInt(value);
        m_out += '"';
    }
    // name="1.5", the shortest text that reads back to the same double.
    void attrNumber(const char *name, double value);

    // Markup appended as it is (the start tag in progress is ended first).
    void raw(std::string_view markup) {
        endStartTag();
        m_out.append(markup.data(), markup.size());
    }
    void raw(char c) {
        endStartTag();
        m_out += c;
    }
    // Element content, escaped (appendEscaped() of xmltext.h: the file format's rules, in
    // attributes also for tab and line ends).
    void text(std::string_view value);
    // Element content: an integer, or the shortest text of a double.
    void integer(long long value) {
        endStartTag();
        appendInt(value);
    }
    void number(double value);

    // Room for that many bytes, so that a large part grows its buffer once.
    void reserve(size_t bytes) { m_out.reserve(bytes); }
    // Bytes held in the buffer.
    size_t size() const { return m_out.size(); }
    // The text written so far (what was not handed to the sink).
    const std::string &str() const { return m_out; }
    // Takes the text out, leaving the writer empty.
    std::string take();
    // Hands the buffer to the sink when it holds at least a chunk.
    void flushIfFull() {
        if (m_out.size() >= m_chunkSize)
            flush();
    }
    // Hands whatever the buffer holds to the sink.
    void flush();

private:
    void appendInt(long long value) {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, value);
        m_out.append(buf, r.ptr);
    }
    void endStartTag() {
        if (m_startOpen) {
            m_out += '>';
            m_startOpen = false;
        }
    }

    std::string m_out;
    std::vector<const char *> m_open;
    bool m_startOpen = false;
    ChunkSink m_sink;
    size_t m_chunkSize = size_t(-1);
};

} // namespace kelvoran::xlsx

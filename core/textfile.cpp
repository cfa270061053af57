#include "core/textfile.h"

#include "core/atomicfile.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

#include <unicode/ucnv.h>

namespace kelvoran {

namespace {

// ICU's name for Microsoft's code page 932; its default callbacks substitute silently, so both
// directions switch to the STOP callbacks and report the failing position instead.
constexpr const char *kConverterName = "windows-31j";

struct ConverterCloser {
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread: ICU converters keep state and must not be shared.
UConverter *converter() {
    thread_local ConverterPtr conv;
    if (!conv) {
        UErrorCode status = U_ZERO_ERROR;
        conv.reset(ucnv_open(kConverterName, &status));
        if (U_FAILURE(status))
            conv.reset();
        else {
            status = U_ZERO_ERROR;
            ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                &status);
            ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                  &status);
        }
    }
    if (conv)
        ucnv_reset(conv.get());
    return conv.get();
}

QString where(const QString &fileName, int line) {
    if (fileName.isEmpty())
        return QStringLiteral("%1行目").arg(line);
    return QStringLiteral("%1 の %2行目").arg(QFileInfo(fileName).fileName()).arg(line);
}

bool isAscii(const QString &text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

Error converterMissing() {
    return {QStringLiteral("Shift_JIS の変換器を開けませんでした。"), QString()};
}

} // namespace

Result<QString> decodeShiftJis(const QByteArray &bytes, const QString &fileName,
                               int firstLineNumber) {
    bool ascii = true;
    for (char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return QString::fromLatin1(bytes);

    UConverter *conv = converter();
    if (!conv)
        return converterMissing();
    QString out(bytes.size() + 1, Qt::Uninitialized);
    UChar *target = reinterpret_cast<UChar *>(out.data());
    UChar *const targetStart = target;
    const char *source = bytes.constData();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(conv, &target, targetStart + out.size(), &source,
                   bytes.constData() + bytes.size(), nullptr, true, &status);
    if (U_FAILURE(status)) {
        // The source pointer stands just past the bytes that failed.
        char errBytes[8];
        int8_t errLen = sizeof(errBytes);
        UErrorCode st2 = U_ZERO_ERROR;
        ucnv_getInvalidChars(conv, errBytes, &errLen, &st2);
        const qsizetype failedAt = (source - bytes.constData()) - (U_SUCCESS(st2) ? errLen : 1);
        int line = firstLineNumber;
        for (qsizetype i = 0; i < failedAt && i < bytes.size(); ++i) {
            if (bytes[i] == '\n' ||
                (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
                ++line;
        }
        QString hex;
        for (int i = 0; i < (U_SUCCESS(st2) ? errLen : 0); ++i)
            hex += QStringLiteral("%1 ")
                       .arg(static_cast<unsigned char>(errBytes[i]), 2, 16, QLatin1Char('0'))
                       .toUpper();
        return Error{QStringLiteral("%1 に Shift_JIS として読めないバイト列 %2があります。")
                         .arg(where(fileName, line), hex),
                     QString()};
    }
    out.truncate(target - targetStart);
    return out;
}

Result<QByteArray> encodeShiftJis(const QString &text, const QString &fileName,
                                  int firstLineNumber) {
    if (isAscii(text))
        return text.toLatin1();

    UConverter *conv = converter();
    if (!conv)
        return converterMissing();
    QByteArray out(text.size() * 2 + 2, Qt::Uninitialized);
    char *target = out.data();
    const UChar *source = reinterpret_cast<const UChar *>(text.constData());
    const UChar *const sourceStart = source;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(conv, &target, out.data() + out.size(), &source, sourceStart + text.size(),
                     nullptr, true, &status);
    if (U_FAILURE(status)) {
        UChar bad[4];
        int8_t badLen = 4;
        UErrorCode st2 = U_ZERO_ERROR;
        ucnv_getInvalidUChars(conv, bad, &badLen, &st2);
        if (U_FAILURE(st2))
            badLen = 1;
        const qsizetype failedAt = (source - sourceStart) - badLen;
        int line = firstLineNumber;
        for (qsizetype i = 0; i < failedAt; ++i) {
            const QChar c = text[i];
            if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
                ++line;
        }
        const QString ch = text.mid(failedAt > 0 ? failedAt : 0, badLen);
        return Error{QStringLiteral("%1 に Shift_JIS で表せない文字「%2」(U+%3) があります。")
                         .arg(where(fileName, line), ch)
                         .arg(QString::number(ch.isEmpty() ? 0u : ch.toUcs4().value(0), 16)
                                  .toUpper()
                                  .rightJustified(4, QLatin1Char('0'))),
                     QString()};
    }
    out.truncate(target - out.data());
    return out;
}

QStringList splitLines(const QString &text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

Result<QString> readText(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{QStringLiteral("ファイル %1 を開けません: %2").arg(path, file.errorString()),
                     QString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error{QStringLiteral("ファイル %1 を読めません: %2").arg(path, file.errorString()),
                     QString()};
    return decodeShiftJis(bytes, path);
}

Result<QStringList> readTextLines(const QString &path) {
    Result<QString> text = readText(path);
    if (!text)
        return text.error();
    return splitLines(*text);
}

Status writeTextLines(const QString &path, const QStringList &lines) {
    TextFileWriter writer(path);
    if (Status st = writer.open(); !st)
        return st;
    for (const QString &line : lines)
        if (Status st = writer.writeLine(line); !st)
            return st;
    return writer.commit();
}

// ---- TextFileWriter

TextFileWriter::TextFileWriter(const QString &path) : m_path(path) {}
TextFileWriter::~TextFileWriter() = default;

Status TextFileWriter::open() {
    m_file = std::make_unique<AtomicFileWriter>(m_path);
    return m_file->open();
}

Status TextFileWriter::writeLine(const QString &line, InnerBreaks inner) {
    ++m_lineNumber;
    // Fast path for the common all-ASCII line: one pass, bytes appended in place.
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + line.size() + 2);
    char *out = m_buffer.data() + start;
    bool ascii = true;
    for (QChar c : line) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || u == u'\r' || u == u'\n') {
            ascii = false;
            break;
        }
        *out++ = static_cast<char>(u);
    }
    if (ascii) {
        *out++ = '\r';
        *out = '\n';
    } else {
        m_buffer.truncate(start);
        if (inner == InnerBreaks::Refused && (line.contains(u'\r') || line.contains(u'\n'))) {
            // A line break inside a line would end the line early on reading back.
            return Error{QStringLiteral("%1 に書き込む行に改行文字が含まれています。")
                             .arg(where(m_path, m_lineNumber)),
                         QString()};
        }
        Result<QByteArray> bytes = encodeShiftJis(line, m_path, m_lineNumber);
        if (!bytes)
            return bytes.error();
        m_buffer += *bytes;
        m_buffer += "\r\n";
    }
    if (m_buffer.size() >= (1 << 20))
        return flushBuffer();
    return {};
}

Status TextFileWriter::writeEncodedLine(QByteArrayView bytes) {
    ++m_lineNumber;
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + bytes.size() + 2);
    char *out = m_buffer.data() + start;
    if (!bytes.isEmpty())
        std::memcpy(out, bytes.data(), size_t(bytes.size()));
    out[bytes.size()] = '\r';
    out[bytes.size() + 1] = '\n';
    if (m_buffer.size() >= (1 << 20))
        return flushBuffer();
    return {};
}

Status TextFileWriter::flushBuffer() {
    if (!m_buffer.isEmpty()) {
        if (Status st = m_file->write(m_buffer.constData(), size_t(m_buffer.size())); !st)
            return st;
        m_buffer.truncate(0); // keeps the allocation for the next lines
    }
    return {};
}

Status TextFileWriter::commit() {
    if (Status st = flushBuffer(); !st)
        return st;
    const Status committed = m_file->commit();
    m_file.reset();
    return committed;
}

// ---- TextFileReader

struct TextFileReader::Impl {
    QFile file;
};

TextFileReader::TextFileReader(const QString &path) : m_path(path) {}
TextFileReader::~TextFileReader() = default;

Status TextFileReader::open() {
    m_impl = std::make_unique<Impl>();
    m_impl->file.setFileName(m_path);
    if (!m_impl->file.open(QIODevice::ReadOnly))
        return Error{
            QStringLiteral("ファイル %1 を開けません: %2").arg(m_path, m_impl->file.errorString()),
            QString()};
    return {};
}

bool TextFileReader::fillBuffer() {
    if (m_eof)
        return false;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    const QByteArray chunk = m_impl->file.read(1 << 20);
    if (chunk.isEmpty()) {
        if (m_impl->file.error() != QFileDevice::NoError)
            m_error = Error{QStringLiteral("ファイル %1 を読めません: %2")
                                .arg(m_path, m_impl->file.errorString()),
                            QString()};
        m_eof = true;
        return false;
    }
    m_buffer += chunk;
    return true;
}

bool TextFileReader::takeLine(const QByteArray &raw, QString &line) {
    ++m_lineNumber;
    Result<QString> text = decodeShiftJis(raw, m_path, m_lineNumber);
    if (!text) {
        m_error = text.error();
        return false;
    }
    line = *text;
    return true;
}

bool TextFileReader::readLine(QString &line) {
    if (!m_impl || m_error)
        return false;
    for (;;) {
        // Find a line end in the buffer; a CR at the buffer's end needs the next byte to know
        // whether an LF follows.
        const qsizetype n = m_buffer.size();
        qsizetype i = m_pos;
        for (; i < n; ++i) {
            const char c = m_buffer[i];
            if (c == '\n' || c == '\r')
                break;
        }
        const bool crAtEnd = i < n && m_buffer[i] == '\r' && i + 1 >= n && !m_eof;
        if (i < n && !crAtEnd) {
            const QByteArray raw = m_buffer.mid(m_pos, i - m_pos);
            qsizetype next = i + 1;
            m_lastLineEnd = m_buffer[i] == '\r' ? "\r" : "\n";
            if (m_buffer[i] == '\r' && next < n && m_buffer[next] == '\n') {
                ++next;
                m_lastLineEnd = "\r\n";
            }
            m_pos = next;
            return takeLine(raw, line);
        }
        if (m_eof) {
            if (m_pos >= m_buffer.size())
                return false;
            // The last line without a line end.
            const QByteArray raw = m_buffer.mid(m_pos);
            m_pos = m_buffer.size();
            m_lastLineEnd = "";
            return takeLine(raw, line);
        }
        if (!fillBuffer() && m_error)
            return false;
    }
}

} // namespace kelvoran

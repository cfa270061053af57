// Shift_JIS (code page 932) text with CR LF line ends: the encoding of every data file.
#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <optional>

namespace kelvoran {

class AtomicFileWriter;

// Decodes Shift_JIS bytes. A byte sequence that is not Shift_JIS is an error naming the line
// (1-based, counted by line ends) and, when given, the file.
Result<QString> decodeShiftJis(const QByteArray &bytes, const QString &fileName = QString(),
                               int firstLineNumber = 1);

// Encodes text as Shift_JIS. A character that Shift_JIS cannot hold is an error naming the
// character, the line (1-based) and, when given, the file; nothing is ever replaced by "?".
Result<QByteArray> encodeShiftJis(const QString &text, const QString &fileName = QString(),
                                  int firstLineNumber = 1);

// Splits text at CR LF, LF or CR. A line end at the very end starts no further line.
QStringList splitLines(const QString &text);

// Reads a whole Shift_JIS text file as lines.
Result<QStringList> readTextLines(const QString &path);
// Reads a whole Shift_JIS text file as one text.
Result<QString> readText(const QString &path);

// Writes lines as Shift_JIS, each followed by CR LF, replacing the file atomically: the new
// content goes to a temporary file that is renamed over the old one only when all is written,
// so a failed write leaves the previous file as it was.
Status writeTextLines(const QString &path, const QStringList &lines);

// Streams lines into a Shift_JIS file, for outputs too big to hold as one list. Nothing appears
// under the path until commit() succeeds; destroying the writer without commit() discards it.
class TextFileWriter {
public:
    explicit TextFileWriter(const QString &path);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter &) = delete;
    TextFileWriter &operator=(const TextFileWriter &) = delete;

    // Opens the temporary file; call once before writing.
    Status open();
    // Whether a line may hold line breaks (quoted values whose reader keeps them together).
    enum class InnerBreaks { Refused, Allowed };
    // Encodes and buffers one line followed by CR LF. A line break inside the line fails unless
    // allowed.
    Status writeLine(const QString &line, InnerBreaks inner = InnerBreaks::Refused);
    // Buffers one line already encoded as Shift_JIS (ASCII text is), followed by CR LF.
    Status writeEncodedLine(QByteArrayView bytes);
    // Flushes and renames the temporary file over the target.
    Status commit();
    int linesWritten() const { return m_lineNumber; }

private:
    Status flushBuffer();

    QString m_path;
    std::unique_ptr<AtomicFileWriter> m_file;
    QByteArray m_buffer;
    int m_lineNumber = 0;
};

// Reads a Shift_JIS file line by line with constant memory (CR LF, LF or CR line ends).
class TextFileReader {
public:
    explicit TextFileReader(const QString &path);
    ~TextFileReader();
    TextFileReader(const TextFileReader &) = delete;
    TextFileReader &operator=(const TextFileReader &) = delete;

    Status open();
    // Reads the next line into line; returns false at the end of the file. A decoding or read
    // failure sets error() and returns false.
    bool readLine(QString &line);
    // Set when readLine() stopped on a failure rather than at the end.
    const std::optional<Error> &error() const { return m_error; }
    // 1-based number of the line last returned.
    int lineNumber() const { return m_lineNumber; }
    // The line end that ended the line last returned: "\r\n", "\n", "\r", or empty for a last
    // line without one (for readers that keep line breaks inside a value).
    QString lastLineEnd() const { return QString::fromLatin1(m_lastLineEnd); }

private:
    bool fillBuffer();
    bool takeLine(const QByteArray &raw, QString &line);

    QString m_path;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
    int m_lineNumber = 0;
    const char *m_lastLineEnd = "";
    std::optional<Error> m_error;
};

} // namespace kelvoran

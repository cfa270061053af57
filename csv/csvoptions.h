// The options of a CSV export or import and the line rules. A field is written as it is, or,
// when it holds the separator, a double quote or a line break, between double quotes with each
// inner double quote doubled, so that it reads back as one field.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kelvoran {

// What an import does with empty and blank fields.
enum class BlankRule {
    NullInsert = 0, // "Nullインサート": empty or blank fields stay NULL, others as they are
    TrimInsert = 1, // "Trimインサート": every field trimmed; empty or blank ones as empty text
    AsIs = 2,       // "そのままインサート": every field as it is
};

// The options shared by the interactive commands, the settings file and scheduled jobs.
struct CsvOptions {
    QString separator = QStringLiteral(","); // as stored: "#9" stands for a tab
    int blankRule = 0;                       // index; -1 (nothing chosen) acts as 0
    bool headingLine = true;                 // export writes names; import skips line 1
    QString tableName;
    QString fileName;

    // The separator to write and split with: "#9" is a tab and "#8" one blank.
    QString effectiveSeparator() const;
    BlankRule rule() const;
};

// A separator as read back from a settings file: "#9" becomes a tab and "#8" a blank.
QString separatorFromSetting(const QString &stored);

// Splits a line at each occurrence of the separator, left to right (a separator of several
// characters is one separator); n separators give n + 1 fields.
QStringList splitCsvLine(const QString &line, const QString &separator);

// Applies the blank rule: a missing value (nullopt) means the column is left NULL.
std::vector<std::optional<QString>> applyBlankRule(const QStringList &fields, BlankRule rule);

// The same two rules on views, without copying the text (for the import's hot loop):
// splitCsvLineViews() fills fields with views into line (an empty separator gives the whole
// line); blankRuleView() gives the text a field is set to, or nullopt when it stays NULL.
void splitCsvLineViews(QStringView line, QStringView separator, std::vector<QStringView> &fields);
std::optional<QStringView> blankRuleView(QStringView field, BlankRule rule);

// Appends field to line as the file holds it: as it is, or quoted when it holds the separator,
// a double quote, CR or LF.
void appendCsvField(QString &line, QStringView field, QStringView separator);
// appendCsvField() on ASCII bytes with an ASCII separator; false (line unchanged) when field
// holds a byte that is not ASCII.
bool appendAsciiCsvField(QByteArray &line, QByteArrayView field, QByteArrayView separator);
// The same written at out, which has room for 2 * field.size() + 2 bytes: the end of what was
// written, or null when field holds a byte that is not ASCII.
char *writeAsciiCsvField(char *out, QByteArrayView field, QByteArrayView separator);
// The fields joined by the separator, each as appendCsvField() writes it.
QString joinCsvFields(const QStringList &fields, const QString &separator);

// How the text of a record splits into fields.
enum class CsvRecordState {
    Complete,  // the fields are all there
    OpenQuote, // a quoted field goes on: the next line (after its line end) belongs to it
    Malformed, // a closing double quote is followed by something other than the separator
};

// Splits a record at the separator like splitCsvLineViews(), reading a field that starts with a
// double quote as a quoted field (up to the double quote that closes it; a doubled one inside is
// one double quote; separators and line breaks inside belong to the value). A double quote
// elsewhere is an ordinary character. fields get views into record, or into storage for values
// that held doubled quotes (storage must outlive the views). Fields are complete only when the
// state is Complete.
CsvRecordState splitCsvRecordViews(QStringView record, QStringView separator,
                                   std::vector<QStringView> &fields, std::vector<QString> &storage);

// splitCsvRecordViews() with copies, for simple callers; the separator as stored ("#9": a tab).
struct CsvRecordFields {
    CsvRecordState state = CsvRecordState::Complete;
    QStringList fields;
};
CsvRecordFields splitCsvRecord(const QString &record, const QString &separator);

} // namespace kelvoran

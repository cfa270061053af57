// Format codes of report columns: the fixed 17-character entries, their display names, the style
// lists behind their parameters, and the format lists that concatenate them.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kelvoran {

// What the parameters of a format kind hold.
enum class FormatParam {
    None,        // no parameter
    ZeroPadding, // padding character and count
    Alignment,   // index into alignmentStyles()
    FontSize,    // font size in points
    Number,      // index into numberStyles()
    Currency,    // index into currencyStyles()
    Date,        // index into dateStyles()
    Percent,     // index into percentStyles()
    GroupColour  // Excel colour index of the subtotal or average row, plus a key column
};

// One kind of format as the chooser offers it.
struct FormatKind {
    int number;          // the 3-digit kind, 1 to 203
    QString listItem;    // the chooser's item text
    QString displayText; // the bracketed name appended to a column's format text
    FormatParam param;
};

// Where the chooser is opened; each context offers its own list of kinds.
enum class FormatContext {
    Column,         // a report column: all 20 kinds
    HeaderOrTotal,  // the column-name row or the row total: the first 14
    FixedOrExtended // a report column while the fixed or extended list report is on: 13
};

// One 17-character entry: "kkk/p1 /p2 /p3 /,".
class FormatCode {
public:
    static constexpr int Length = 17;

    // The kinds in the chooser's order for a context.
    static std::vector<FormatKind> kinds(FormatContext context);
    // The kind with this number, or nothing.
    static std::optional<FormatKind> kind(int number);

    // Joins a kind and three parameter fields, each already 3 characters, into a code.
    static QString join(int kind, const QString &field1, const QString &field2,
                        const QString &field3);
    // A code without parameters ("002/   /   /   /,").
    static QString plain(int kind);
    // A code whose first parameter is a number (style index, font size, colour index), trimmed
    // and right-aligned in 3 characters. Nothing when it does not fit.
    static std::optional<QString> withNumber(int kind, const QString &number);
    // The zero-padding code: character + two blanks, count left-aligned. Nothing when the
    // character is not exactly one or the count is empty, not digits, or longer than 3.
    static std::optional<QString> zeroPadding(const QString &character, const QString &count);

    // The kind number of a code text, or nothing for a text shorter than 17 characters or of
    // an unknown kind.
    static std::optional<int> kindOf(const QString &code);
    // True for the group total and group average kinds (103, 104), which own a group key.
    static bool isGroupKind(int kind) { return kind == 103 || kind == 104; }
    // True for the total kinds 101-106, which the column-name row and row total lists drop.
    static bool isTotalKind(int kind) { return kind >= 101 && kind <= 106; }
};

// One parsed entry of a code string, for code that applies formats.
struct ParsedFormat {
    int kind = 0;
    QString param1, param2, param3; // the raw 3-character fields
    QString groupKey;               // for kinds 103/104: the key column's physical name
};

// Splits a column's code string into entries for applying them. Entries that are short (a
// trailing piece under 17 characters) or of an unknown kind are skipped, never read past the
// end. Group keys are taken from groupKeys in order of the group codes.
std::vector<ParsedFormat> parseFormatCodes(const QString &codes,
                                           const QString &groupKeys = QString());

// One row of the format list editor.
struct FormatListEntry {
    QString displayText; // up to and including its "〕"
    QString code;        // its 17 characters (shorter when the list was short)
    QString groupKey;    // its "name******," piece for a group code, else empty
};

// Splits a format list (display text, codes, group keys) into editor rows: the display text
// after each "〕", the k-th 17 characters as code, and the j-th "******," piece for the j-th
// group code. withTotals false drops the total kinds 101-106 (column-name row, row total).
std::vector<FormatListEntry> splitFormatList(const QString &displayText, const QString &codes,
                                             const QString &groupKeys, bool withTotals = true);

// The inputs of the format chooser when "決定" is pressed.
struct FormatChoice {
    int kind = 0;
    QString padCharacter = QStringLiteral("0"); // zero padding: the character (one)
    QString padCount;                           // zero padding: the count
    QString fontSize = QStringLiteral("10");    // font size (up to 3 characters)
    int styleIndex = 0;  // alignment, number, currency, date, percent: the list's index
    int colourIndex = 0; // group total/average: the row colour
    QString keyName;     // group total/average: the key column's physical name
};

// The entry the chooser appends for a choice: display text, code and, for a group kind, the
// key piece. Nothing for incomplete input (zero padding without a valid count, a group kind
// without a key name, a font size longer than 3 characters) or an unknown kind.
std::optional<FormatListEntry> buildFormatEntry(const FormatChoice &choice);

// Rebuilds display text, codes and group keys from editor rows in their order.
void joinFormatList(const std::vector<FormatListEntry> &entries, QString &displayText,
                    QString &codes, QString &groupKeys);

// The group-key piece of a key column: physical name + "******,".
QString groupKeyPiece(const QString &physicalName);

// The style lists whose item index is the parameter of kinds 011, 010, 008, 007 and 009.
const QStringList &alignmentStyles();
const QStringList &numberStyles();
const QStringList &currencyStyles();
const QStringList &dateStyles();
const QStringList &percentStyles();

// The Excel colour indexes of the palette in swatch order (40 entries, 8 per row).
const std::vector<int> &paletteOrder();
// The on-screen colour (0xRRGGBB) of a palette index, or -1 for index 2 (the window colour)
// and for indexes the palette does not hold.
int paletteColour(int index);

} // namespace kelvoran

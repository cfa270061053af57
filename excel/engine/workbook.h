// A workbook: its sheets, shared strings and styles, names and carried-over parts.
#pragma once

#include "excel/engine/sharedstrings.h"
#include "excel/engine/styles.h"
#include "excel/engine/worksheet.h"

#include "core/result.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvoran::xlsx {

// A workbook-level defined name.
struct DefinedName {
    std::string name;
    std::string value;
    int localSheet = -1;
    bool hidden = false;
};

// The write-reservation ("password to modify") entry of workbook.xml.
struct FileSharing {
    std::string userName;
    std::string algorithmName;
    std::string hashValue;
    std::string saltValue;
    unsigned spinCount = 0;
    std::string reservationPassword; // legacy 16-bit hash in hex
    bool isSet() const { return !hashValue.empty() || !reservationPassword.empty(); }
};

// Replaces references to a sheet by name ("'Old Name'!A1", "Old!A1") with the new name, outside
// string literals.
std::string renameSheetReferences(const std::string &text, const std::string &oldName,
                                  const std::string &newName);

class Workbook {
public:
    Workbook();
    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    SharedStrings &strings() { return m_strings; }
    const SharedStrings &strings() const { return m_strings; }
    StyleTable &styles() { return m_styles; }
    const StyleTable &styles() const { return m_styles; }

    int sheetCount() const { return int(m_sheets.size()); }
    // Sheet by 0-based position.
    Worksheet &sheet(int index) { return *m_sheets[size_t(index)]; }
    const Worksheet &sheet(int index) const { return *m_sheets[size_t(index)]; }
    // 0-based position of a sheet, or -1.
    int indexOf(const Worksheet *sheet) const;
    // Position of the sheet with that name ignoring case, or -1.
    int indexOfName(const std::string &name) const;

    // Adds an empty sheet at position (0-based, clamped), named "Sheet<n>" with the first free n.
    Worksheet &insertSheet(int position);
    // Inserts a copy of a sheet of this or another workbook at position; the copy gets the
    // source's name, made unique as "Name (2)" when taken; the workbook-level names it relies
    // on come along (carryDefinedNames).
    Worksheet &insertCopy(const Worksheet &source, int position);
    // Removes a sheet; the last sheet cannot be removed.
    Status removeSheet(int index);
    // Renames a sheet after checking the name.
    Status renameSheet(int index, const std::string &name);
    // Takes a sheet already built for this workbook (the reader's path).
    void appendSheet(std::unique_ptr<Worksheet> sheet);

    // The check of a sheet name: 1 to 31 characters, none of []:*?/\, not starting or ending
    // with an apostrophe, unique ignoring case (except against the sheet at 'self').
    Status checkSheetName(const std::string &name, int self = -1) const;

    std::vector<DefinedName> definedNames; // workbook-level names only
    std::string themeXml;                  // carried from a template, or empty
    bool date1904 = false;
    FileSharing fileSharing;
    int activeSheet = 0;
    // What the reader or a copy did not carry over, in the program's words.
    std::vector<std::string> notices;

private:
    std::vector<std::unique_ptr<Worksheet>> m_sheets;
    SharedStrings m_strings;
    StyleTable m_styles;
};

} // namespace kelvoran::xlsx

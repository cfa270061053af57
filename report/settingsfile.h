// Settings files (.kvr): an SQL text followed by a format block of "KEY= value" lines inside
// SQL comments, read into and written from a ReportDefinition.
//
// Reading:
//  1. load the Shift_JIS lines and find the last begin and end markers;
//  2. the lines before the begin marker are the SQL part;
//  3. each block line is trimmed and framed by one blank; key lines store their value by key,
//     DBNAME selects the alias, VERSION checks that PROCFLG, the alias and MAKEDATE came first;
//  4. the packed passwords are unpacked and checked;
//  5. for an Excel report (PROCFLG "1") the designer's rules are applied to the values and the
//     column setting lines after SETTING fill the column and pivot rows.
// Writing builds the SQL part from the rows, the key lines in their fixed order, SETTING, the
// column setting lines, MAKEDATE and VERSION, and replaces the file atomically.
#pragma once

#include "db/selectanalysis.h"
#include "report/reportdefinition.h"

#include "core/result.h"
#include "core/stepcode.h"

#include <QString>
#include <QStringList>

namespace kelvoran {

// The version this program writes.
inline constexpr const char *SettingsFileVersion = "2.2.0.0";

// The five writing modes ("1" to "5").
enum class SettingsFileMode {
    Excel = 1,                 // designer, PROCFLG "1"
    CsvExportFromMain = 2,     // main window's select list, PROCFLG "2", no column lines
    CsvExportFromDesigner = 3, // designer's grid, PROCFLG "2", column lines with fields 1-3
    CsvImport = 4,             // PROCFLG "3", no SQL part
    Sql = 5                    // PROCFLG "0", the SQL editor's lines
};

// Where the SQL part of a written file comes from.
struct SqlSource {
    enum Kind {
        Analysis,       // rebuilt from the rows, the select head and the kept FROM/WHERE lines
        GeneratedTable, // "SELECT " ... " FROM " + table + " " (statement built for a table)
        ShowStatement   // the editor text unchanged; names travel in field 4 of each line
    };
    Kind kind = Analysis;
    QString selectHead = QStringLiteral("SELECT ");
    QStringList fromLines;
    QStringList whereLines;
    QString tableName;
    QStringList editorLines; // ShowStatement, and the SQL editor for mode "5"
    // The main window's select list: the rows of mode "2" (the other modes take the designer's
    // column rows).
    std::vector<SelectItem> selectList;

    // The source of a scanned SQL text: a SHOW statement keeps the text, anything else is
    // rebuilt from the head and the kept FROM/WHERE lines.
    static SqlSource fromAnalysis(const SelectAnalysis &analysis, const QStringList &editorLines);
    // A statement the program generated for a table.
    static SqlSource forTable(const QString &tableName);
};

// The format block's begin and end marker lines as written (one blank before, two after).
QString beginMarkerLine();
QString endMarkerLine();

// Applies the designer's reading of flags, indexes and dependent fields to the values, as the
// designer shows them after loading: flags become "TRUE"/"FALSE", texts and cells of an unticked
// check box are cleared, combo indexes that are empty, not numbers or out of range become "0",
// KOTEIHINACELL stays only with the fixed or extended list report, RFNAME/RFCODE go when RF is
// below 1.
void applyDesignerRules(ReportDefinition &def);

// Builds the lines of a settings file. The values, MAKEDATE and the packed password keys are
// taken from def as they are (after the writer's rules: dependent values of unticked features
// are cleared, files other than Excel reports carry empty Excel keys). Blank rows (physical name
// blank) are dropped first.
QStringList buildSettingsLines(const ReportDefinition &def, SettingsFileMode mode,
                               const SqlSource &sql);

// The SQL part alone, as buildSettingsLines() writes it for a mode.
QStringList buildSqlPart(const std::vector<ColumnSetting> &columns, SettingsFileMode mode,
                         const SqlSource &sql);

// Writes def as a settings file (lines of buildSettingsLines()), replacing the file atomically.
Status writeSettingsFile(const QString &path, const ReportDefinition &def, SettingsFileMode mode,
                         const SqlSource &sql);

// Sets the values of key lines inside the format block (between the last begin and end
// markers) to " /* KEY= value ", leaving every other line as it is. Keys without a line are not
// added. Lines outside the block are never touched.
QStringList setKeyLineValues(const QStringList &lines, const std::map<QString, QString> &values);

// Options of the reader.
struct SettingsReadOptions {
    QChar prefix = u'P';       // stage-code prefix: 'P' interactive, 'C' scheduler
    QStringList aliases;       // alias names known to the program (the object tree)
    QString currentAlias;      // the alias current before reading, empty when none
    bool keepDatabase = false; // store DATABASE (the scheduler keeps it)
    bool oracleHints = false;  // the alias is an Oracle one (hints in the select head)
};

// Reads settings files. One reader serves the interactive program and the scheduler; only the
// prefix of its stage codes differs.
class SettingsFileReader {
public:
    explicit SettingsFileReader(SettingsReadOptions options = {});

    // Reads a file into def (cleared first). On failure def holds what was read up to the
    // failure and the error's message is the load error text followed by the code.
    Status readFile(const QString &path, ReportDefinition &def);
    // The same for lines already loaded.
    Status readLines(const QStringList &lines, ReportDefinition &def);

    // False when the file had no begin marker: nothing was parsed and sqlLines holds the whole
    // text.
    bool hasFormatBlock() const { return m_hasBlock; }
    // The alias current after reading.
    const QString &currentAlias() const { return m_currentAlias; }
    // The format family ("1.0.0.0", "2.0.0.0", "2.1.0.0") and its number (1000, 2000, 2100).
    const QString &versionFamily() const { return m_family; }
    int versionNumber() const { return m_versionNumber; }
    // The sum of MAKEDATE (the scrambler's seed).
    int makeDateSeed() const { return m_seed; }
    // The scan of the SQL part (for a SHOW statement: its items are the names read from the
    // column setting lines).
    const SelectAnalysis &analysis() const { return m_analysis; }
    // The step code current at the end (the failing step after an error).
    const StepCode &stepCode() const { return m_step; }

private:
    Status fail(const QString &code);
    Status failHere();
    Status readPasswords(ReportDefinition &def);
    Status readBlock(const QStringList &work, ReportDefinition &def);
    Status readColumnLines(const QStringList &work, int settingLine, ReportDefinition &def);

    SettingsReadOptions m_options;
    StepCode m_step;
    bool m_hasBlock = false;
    QString m_currentAlias;
    QString m_family;
    int m_versionNumber = 0;
    int m_seed = 0;
    SelectAnalysis m_analysis;
};

// Trims the characters a settings file treats as blank (code 0x20 and below) at both ends.
QString trimBlanks(const QString &text);

} // namespace kelvoran

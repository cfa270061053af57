// Saving a settings file in one of the five modes, with the questions each mode asks.
#pragma once

#include "report/reportdefinition.h"
#include "report/settingsfile.h"

#include "core/result.h"

namespace kelvoran {

class Clock;
class UserInteraction;

// What a save starts from besides the definition.
struct SaveRequest {
    SettingsFileMode mode = SettingsFileMode::Excel;
    SqlSource sql;       // where the SQL part comes from
    QString presetAlias; // the alias selected in the object tree, preset in the connection prompt
};

// Saves def in the request's mode:
//  - mode "3" asks whether the Excel settings may be ignored (No: "中止しました。");
//  - mode "5" asks whether the file is for the scheduler (message 7); No writes the SQL lines
//    alone to a .sql/.txt file;
//  - modes "1" and "3" drop blank rows and write nothing when no row is left;
//  - mode "4" asks for the CSV file to import;
//  - then the save file, the connection (alias, user name, database password) and the packed
//    passwords under a new MAKEDATE; the file is replaced atomically.
// The CSV options of modes "2" and "4" are taken from def as the CSV options dialog left them.
// Returns the path written, or an empty path when the user cancelled or there was nothing to
// write; a failure is an Error whose message starts with the save error text, and no file is
// touched. def receives the values written (connection, MAKEDATE, packed copies).
Result<QString> saveSettingsFile(ReportDefinition &def, const SaveRequest &request,
                                 UserInteraction &ui, const Clock &clock);

} // namespace kelvoran

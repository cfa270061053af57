// Settings files and schedules for the scheduler tests.
#pragma once

#include "db/aliases.h"
#include "report/reportdefinition.h"
#include "report/settingsfile.h"
#include "schedule/scheduleentry.h"

#include <QString>
#include <QStringList>

#include <ostream>

namespace kelvoran::test {

// What a test settings file holds.
struct EntryFile {
    QString procFlag = QStringLiteral("0");
    QString alias = QStringLiteral("DEMO");
    QStringList sql;                 // the SQL part (Sql entries; the query of others)
    QString outputRead, outputWrite; // QWORD / TWORD passwords
    QString csvSeparator = QStringLiteral(",");
    bool csvHeading = true;
    QString csvTable; // import table
    QString csvFile;  // CSVFILENAME of an import
};

// Writes a settings file that the program itself would write for the kind (Sql: the SQL lines
// as they are; CSV export and Excel report: the select list of the query rebuilt; CSV import:
// no SQL part), with the passwords packed under a fixed MAKEDATE. Returns false on failure.
bool writeEntryFile(const QString &path, const EntryFile &file);

// An entry for a settings file in folder (ending in "/"), Ready with the connection DEMO/user.
ScheduleEntry readyEntry(const QString &folder, const QString &fileName,
                         const QString &targetPath = QString(),
                         const QString &alias = QStringLiteral("DEMO"));

// A SQLite alias named name on the database file.
AliasInfo sqliteAlias(const QString &name, const QString &databaseFile);

} // namespace kelvoran::test

inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

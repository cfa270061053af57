// The checks that decide whether a schedule entry, or a batch command standing for one, can run
// its settings file. They are made here only, with the texts and step codes the run records:
//  1. CES_270004 the entry's connection was confirmed (it is not Unchecked);
//  2. CES_270005 the folder of the settings file exists;
//  3. CES_270006 the settings file exists;
//  4. CES_270007 its lines can be read;
//  5. CES_270008 its format block parses with the scheduler's reader ("C" codes, the entry's
//     alias standing for the connection, the passwords decoded).
// checkEntry() makes these and hands back the parsed settings. Two rules belong to later moments
// of a run and are made on their own: the output password rule (CES_270016) after the entry's
// checks, and the target checks of the job (CES_270013 to CES_270015) once it is connected.
// A failure is an Error: the failure text and the step code of the failing check.
#pragma once

#include "schedule/excelreportjob.h"
#include "schedule/scheduleentry.h"

#include "core/result.h"
#include "db/selectanalysis.h"
#include "report/reportdefinition.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kelvoran {

class AliasList;

// An entry whose settings file passed the checks.
struct CheckedEntry {
    QStringList lines; // the settings file's lines as read
    ReportDefinition definition;
    SelectAnalysis analysis;
    QString lastStep; // the reader's step code at its end (the last parsing step)
    // The alias the reader ended on: the file's DBNAME when it is registered, else the entry's.
    QString fileAlias;

    // The entry's kind by its PROCFLG; nothing for a PROCFLG other than 0 to 3 (such an entry
    // runs nothing and completes).
    std::optional<EntryKind> kind() const;
};

// What checkEntry() checks besides the settings file.
struct EntryCheckOptions {
    // Check 1: refuse an entry whose connection was not confirmed. The schedule window's editing
    // commands check files of rows that have no connection yet.
    bool requireConfirmedConnection = true;
};

// Checks 1 to 5 on the entry's folder + file name. The reader takes the entry's alias as the
// current alias; the optimizer hints stay in the select head when the alias the entry runs on
// is an Oracle one (the entry's alias, or the file's when the entry has none). A reader failure
// with one of its own codes (CST_...) fails as "データ解析エラー " + that code at CES_270008; any
// other as "データ解析エラー" at the reader's step. A file without the format block's start
// marker is refused ("データ解析エラー" at CES_270008) instead of running with settings it does
// not have.
Result<CheckedEntry> checkEntry(const ScheduleEntry &entry, const AliasList &aliases,
                                const EntryCheckOptions &options = EntryCheckOptions());

// The check a failure of checkEntry() stopped at.
enum class EntryCheckStage { Connection, Folder, File, Load, Parse };
EntryCheckStage failedStage(const Error &failure);

// For a Parse failure of checkEntry(): the reader's code, or its message when it gave none.
QString readerText(const Error &failure);

// CES_270016, the output password rule: consecutive ExcelReport entries writing one workbook
// (the entry's non-empty target path equals the target path of the entry above, given as
// targetAbove) must carry the passwords the chain recorded for the entry above. A mismatch
// fails and invalidates the chain; otherwise the chain takes the entry's passwords.
Status checkOutputPasswords(const CheckedEntry &checked, const ScheduleEntry &entry,
                            const std::optional<QString> &targetAbove, PasswordChainRecord &chain);

// The target checks of the job of the kind (CES_270013 ExcelReport, CES_270014 CsvExport,
// CES_270015 CsvImport; nothing for Sql): an ExcelReport needs a target that is not blank and
// its settings file still there; a CsvExport a target in an existing folder; a CsvImport's
// target, when it has one, an existing folder.
Status checkEntryTarget(EntryKind kind, const ScheduleEntry &entry);

} // namespace kelvoran

// A schedule entry's settings file as the scheduler reads it: the shared reader with the "C"
// stage codes, the entry's own alias standing for the connection.
#pragma once

#include "scheduleentry.h"

#include "reportdefinition.h"
#include "result.h"
#include "selectanalysis.h"

#include <QStringList>

#include <optional>

namespace kelvoran {

class AliasList;

// What an entry's settings file holds.
struct EntrySettings {
    ReportDefinition definition;
    SelectAnalysis analysis;
    QString lastStep; // the reader's step code at its end (the last parsing step)
};

// Reads the lines of an entry's settings file. The connection keys do not choose the
// connection (the entry's alias stands as the current alias); the passwords are decoded. A file
// without the format block's start marker is refused ("データ解析エラー", no step code of its
// own) instead of being run with settings it does not have. Other failures are the reader's
// (stepCode "CST_..." for the reader's own codes, else the step where it broke).
Status readEntrySettings(const QStringList &lines, const ScheduleEntry &entry,
                         const AliasList &aliases, EntrySettings &out);

// The EntryKind of the entry's settings file, or nothing when it cannot be read or its
// PROCFLG is none of 0-3.
std::optional<EntryKind> peekEntryKind(const ScheduleEntry &entry, const AliasList &aliases);

} // namespace kelvoran

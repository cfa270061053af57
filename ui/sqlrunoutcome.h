// What the SQL tab shows after a run: the name box, the row-count box, the AnalyzeCol tab and
// the new ReportSourceMode, worked out from what the runner did.
#pragma once

#include "db/sqlrunner.h"

#include <QString>

#include <optional>

namespace kelvoran {

// What the main window shows after a run.
struct SqlRunOutcome {
    static const QString NameBoxData;  // "ＳＱＬ実行データ"
    static const QString NameBoxError; // "ＳＱＬ実行エラー"

    // The table/view name box: a new text, or nothing when it stays.
    std::optional<QString> nameBox;
    // The row-count box: cleared, or showing rowCount (a count of -1 clears it).
    bool rowCountBoxChanged = false;
    qint64 rowCount = -1;
    bool emptyAnalyzeCol = false;
    // SHOW: fill AnalyzeCol from the grid's columns (as "抽出項目名に置換え").
    bool analyzeColFromGrid = false;
    std::optional<int> reportSourceMode;
};

// The outcome of a run; tableOpen: the grid's table (Table_Kelvoran) was open for the run.
// A run that did not happen (no alias) changes nothing.
SqlRunOutcome sqlRunOutcome(const SqlRunResult &run, bool tableOpen);

// True for the messages that report success (shown as information, the others as errors).
bool isCompletionMessage(const QString &message);

} // namespace kelvoran

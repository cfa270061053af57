// TDataModule_Kelvoran: the state the main window's parts share (session, SQL runner, history,
// file paths, step code, settings, tree context, the report source mode, the grid's table, and
// where messages and user commands go). UI thread only.
#pragma once

#include "core/appsettings.h"
#include "core/openpaths.h"
#include "core/stepcode.h"
#include "db/dbsession.h"
#include "db/selectanalysis.h"
#include "db/sqlrunner.h"
#include "report/reportdefinition.h"
#include "report/userinteraction.h"
#include "ui/keyedtablemodel.h"
#include "ui/sqlhistory.h"

#include <functional>
#include <memory>

class QTreeWidgetItem;

namespace kelvoran {

struct TDataModule_Kelvoran {
    explicit TDataModule_Kelvoran(AliasList aliases)
        : session(QStringLiteral("SessionDB"), std::move(aliases)), runner(session) {}

    DbSession session;
    SqlRunner runner;     // Query_Main, Query_DataCnt, Query_ExecSQL, StoredProc_Procedure
    SqlHistory history;   // the SQL tab's statement history
    OpenPaths paths;      // PendingOpenPath, LastFilePath
    StepCode step;        // current step code
    AppSettings settings; // values read at start-up, saved at close
    SelectAnalysis analysis;
    ReportDefinition definition; // the settings of the SQL tab and the designer

    // Tree context.
    QTreeWidgetItem *currentAliasNode = nullptr;
    QTreeWidgetItem *currentFolderNode = nullptr;
    QTreeWidgetItem *clickedFolderNode = nullptr;
    QTreeWidgetItem *selectedNode = nullptr;
    QString lastClickedText;
    bool clickedOnce = false;
    DbKind kind = DbKind::Other; // of the current alias, from its driver name
    QString driverName;
    // 1 object under Table/View/Synonym, 2 other click, 3 after a query run, 0 no result.
    int reportSourceMode = 2;
    // True from a run of the SQL tab until the next tree click.
    bool gridShowsSqlResult = false;

    // Table_Kelvoran: the table shown in the grid (null when closed).
    std::unique_ptr<KeyedTableModel> table;
    QString tableAlias;

    // Where messages and questions go (the main window's current answerer).
    UserInteraction *ui = nullptr;
    // The main window's runner of user commands: a database error that escapes a command shows
    // its DbErrorText boxes.
    std::function<void(const std::function<void()> &)> runCommand;

    void inform(const QString &text, MessageIcon icon = MessageIcon::Information) {
        ui->inform(icon, text);
    }
    // Reads the alias's driver name into driverName and kind; an unknown alias throws.
    void readDriverName(const QString &alias);
    // Table_Kelvoran on a table of the alias with its row key, selected; a failed connection or
    // select throws.
    std::unique_ptr<KeyedTableModel> selectTable(const QString &alias, const QString &table);
    // Drops Table_Kelvoran (the grid must not show it any more).
    void closeTable() {
        table.reset();
        tableAlias.clear();
    }
};

} // namespace kelvoran

// Compilation errors of a stored PL/SQL unit: the error messages, the error rows with the
// unit's source, and stepping through the errors as the error source viewer does.
#pragma once

#include "db/dberror.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kelvoran {

// Catalog statements of the error viewer. The folder text is "Procedure", "Function",
// "Package" or "Package Body"; each statement ends with the kind type line.
namespace ErrorSourceSql {
// "  AND TYPE = 'PROCEDURE' " etc.; empty for a folder without stored source.
QString typeLine(const QString &folderText);
// True for the four folders whose objects can have compilation errors.
bool hasErrors(const QString &folderText);
QStringList errorCount(const QString &name, const QString &folderText);
QStringList errorMessages(const QString &name, const QString &folderText);
QStringList errorRows(const QString &name, const QString &folderText);
QStringList source(const QString &name, const QString &folderText);
} // namespace ErrorSourceSql

// The lines of the error message window: every TEXT split at its line feeds.
QStringList errorMessageLines(const QStringList &texts);

// One row of the error grid; texts as the catalog gives them.
struct ErrorRow {
    QString line;
    QString position;
    // The error text with its line feeds removed.
    QString text;
};

// What the error source viewer shows for one unit.
struct ErrorSourceData {
    QString objectName;
    std::vector<ErrorRow> errors;
    // The source lines, then one empty line.
    QStringList sourceLines;
    int errorCount() const { return int(errors.size()); }
};

// A failing statement gives its database error, which the windows show as DbErrorText boxes.
// Error count of a unit (enables the two commands when at least 1).
DbResult<int> loadErrorCount(const QSqlDatabase &db, const QString &name,
                             const QString &folderText);
// The error message window's lines, rows in the server's order.
DbResult<QStringList> loadErrorMessages(const QSqlDatabase &db, const QString &name,
                                        const QString &folderText);
// The unit's source and error rows.
DbResult<ErrorSourceData> loadErrorSource(const QSqlDatabase &db, const QString &name,
                                          const QString &folderText);

// Caret target in the source editor, both counted from 1.
struct CaretTarget {
    int line = 0;
    int column = 0;
};

// Next/previous error stepping over the error grid. Rows are 1-based below the heading; the
// grid's row count includes the heading row (errors + 1, or 2 when there are none).
class ErrorStepper {
public:
    // Rows the grid shows at once; the list "fits" when fewer than this many rows remain.
    static constexpr int FitRows = 7;

    explicit ErrorStepper(std::vector<ErrorRow> errors = {}, int visibleRows = FitRows);

    // Grid click: the clicked row becomes the current one.
    void choose(int row);
    // F3. Returns true when the current row changed (select it and move the caret).
    bool next();
    // F4. Returns true when the current row changed.
    bool previous();

    // The current error row, 0 before any was chosen.
    int current() const { return m_current; }
    // First grid row shown below the heading; the view reports user scrolling through setTopRow.
    int topRow() const { return m_top; }
    void setTopRow(int row) { m_top = row; }
    int gridRowCount() const { return m_errors.empty() ? 2 : int(m_errors.size()) + 1; }
    // Where the caret goes for the current row; nothing when its line or position is empty or
    // not a number.
    std::optional<CaretTarget> caretTarget() const;

private:
    std::vector<ErrorRow> m_errors;
    int m_visibleRows;
    int m_current = 0;
    int m_top = 1;
};

} // namespace kelvoran

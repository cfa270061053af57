// The CSV options dialog (TCSVSettingForm) without its widgets: the separator chosen from the
// list or typed, the blank rule and the heading flag, when "決定" may be pressed and what it
// stores. Also the rules of the main window's CSV commands that need no window: which aliases
// take an import, the file name an export proposes, and the settings-file values of the options.
#pragma once

#include "csv/csvoptions.h"
#include "db/dbkind.h"
#include "report/reportdefinition.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kelvoran {

// The dialog's two uses: options of an export, or of an import (with the blank rule).
enum class CsvDialogMode { Export, Import };

// What the dialog's controls hold.
struct CsvSettingState {
    CsvDialogMode mode = CsvDialogMode::Export;
    bool fromList = true;    // "区切り文字一覧選択"; false: "区切り文字指定"
    int listIndex = -1;      // the chosen row of the separator list, -1 when none
    QString typed;           // the free separator text
    int blankRule = -1;      // "空白データの扱い" index, -1 when nothing was chosen
    bool headingLine = true; // "項目名出力"

    // The separator as stored: ",", "#9", " ", "@" from the list (none chosen: ","), or the
    // typed text.
    QString separator() const;
    // "決定" is enabled unless the typed separator is chosen and empty.
    bool canDecide() const;
    // "決定": the separator, blank rule and heading flag go into options; an empty separator
    // leaves options as they were and gives the warning to show.
    std::optional<QString> decide(CsvOptions &options) const;
};

// The rows of the separator list and of the blank rules, in index order.
QStringList csvSeparatorCaptions();
QStringList csvBlankRuleCaptions();
// The heading check box's caption while the dialog is open in a mode.
QString csvHeadingCaption(CsvDialogMode mode);
// The dialog's height in a mode (the blank rules show only for an import).
int csvDialogHeight(CsvDialogMode mode);
// "区切り文字が設定されていません。設定してください。"
QString csvSeparatorMissingText();

// The file dialogs' filter of CSV files.
QString csvFileFilter();

// Whether "CSVインポート" is offered for an alias of a kind and driver name: ORACLE, ACCESS,
// MYSQL, EXCEL, and also POSTGRE and SQLite aliases, whose tables the import serves in
// schedules and batch runs.
bool csvImportAllowed(DbKind kind, const QString &driverName);

// The name an export's save dialog proposes. Without a last file path: the name box's text.
// After a .csv file: the name box's text when the grid shows a table (the text holds no
// "実行"), else that file when it and its folder still exist, else nothing. After a file of
// another kind or without an extension: nothing.
QString proposedCsvExportName(const QString &lastFilePath, const QString &nameBoxText);
// A chosen export path with ".csv" added when it has no extension.
QString withCsvExtension(const QString &path);

// The CSV keys of a settings file from the options: CSVSEPCHAR, CSVTREAT, CSVCOLNAME ("TRUE"
// or "FALSE") and CSVTABLENAME; CSVFILENAME is cleared (an import's save asks for it).
void storeCsvSettings(const CsvOptions &options, const QString &tableName, ReportDefinition &def);

} // namespace kelvoran

// The numbered message table of the report designer and of statement execution, and the other
// fixed texts of the stages, one namespace per stage: the settings file (SettingsText), the
// Excel report driver (ReportText), the scheduled CSV jobs (CsvJobText), a schedule entry's
// checks and jobs (EntryText) and the batch commands that run a settings file (BatchText).
// Every text shown by these stages comes from here; each is written once.
#pragma once

#include <QString>

namespace kelvoran {

class UserInteraction;

// The text of message (kind, number); empty for a pair the table does not hold. Kind 1 holds
// numbers 2 and 3, kind 2 numbers 0 to 48.
QString messageText(int kind, int number);

// Shows message (kind, number): kind 1 as information, kind 2 as a warning except numbers 2,
// 3 and 5, which are information; number 7 is a Yes/No question and returns 0 for Yes, 1 for
// No. Returns 0 otherwise. A pair the table does not hold shows nothing.
int ShowMessageNo(UserInteraction &ui, int kind, int number);

// Fixed texts of the settings file stages.
namespace SettingsText {
// Shown when a save fails.
QString saveError();
// A file read as a settings file that has no format block.
QString noFormatBlock();
// The start of every load error; the code (or one blank) follows directly.
QString loadError();
// Mode "3" question, and the answer to No.
QString csvExportQuestion();
QString cancelled();
// Open dialog of mode "4".
QString importFileTitle();
QString importFileFilter();
// Save dialog of mode "5" when the file is not meant for the scheduler.
QString sqlFileFilter();
// The column-name check box caption while the CSV options dialog is open for an import.
QString importColumnNameCaption();
// Settings file dialogs.
QString settingsFileFilter();
QString openFileFilter();
// The format block markers, without the blanks around them.
QString beginMarker();
QString endMarker();
} // namespace SettingsText

// Settings the numbered table has no message for, refused by the report checks because the
// output could not use them as written.
namespace RangeText {
// The first or last column of the column-name row format (1 to 251).
QString headerFormatColumn(const QString &value);
// A colour index of the column-name row (fill or font).
QString headerColour(const QString &value);
// A column width (0 to 255 characters) of report column row.
QString columnWidth(const QString &value, int row);
// A group total colour carried by a format code of report column row.
QString groupColour(const QString &value, int row);
// Rows per page of the extended list report (a whole number from 1).
QString rowsPerPage(const QString &value);
} // namespace RangeText

// Fixed texts of the Excel report driver (stages CEO_/PEO_, CME_/PME_ and the writers).
namespace ReportText {
QString columnLimit(); // "項目表示位置が251列目を超えています。..."
QString rowLimit();    // "データ表示位置が65535行目をを超えています。..."
QString noDataPivotQuestion(); // "データが無いため、ピボットテーブルは..."
QString confirmOutput(int itemCount, qint64 dataCount);
QString writerError(); // "エクセル作成中にエラーが発生しました。："
QString status(qint64 record, qint64 dataCount); // "Excelﾃﾞｰﾀ作成中… [n/m]"
QString madeAt();                                // " 現在データ"
// The failure texts of the driver's steps: building the extraction SELECT, counting and
// opening it, writing the workbook.
QString queryBuildError(); // "SQL作成エラー"
QString queryError();      // "SQLエラー"
QString excelError();      // "Excel作成エラー"
// The extraction SELECT: no select list, a group total without its key column.
QString noSelectClause();
QString noGroupKey();
// The scheduled status around a failure: "データ抽出エラー <<inner>>" and "エラー <<inner>>".
QString extractionFailure(const QString &inner);
QString failure(const QString &inner);
// Notices of a report that wrote database values otherwise than typed input would: one per
// column, naming it.
QString formulaTextKept(const QString &column);
QString longNumberKept(const QString &column);
// The heading of a finished report's notices, naming the workbook written.
QString noticesHeading(const QString &fileName);
} // namespace ReportText

// Fixed texts of the scheduled CSV jobs (stages CEC_360001.. and CIC_350001..).
namespace CsvJobText {
QString separatorError(); // "区切り文字指定エラー"
QString exportError();    // "CSVファイル出力エラー"
QString importError();    // "CSVファイルインポートエラー"
QString settingsNotKvr(); // the settings file is not a .kvr file
QString sourceNotCsv();   // CSVFILENAME is not a .csv file
// The status bar while an entry's job runs: line, total, the entry's row label and file name.
QString exportStatus(qint64 line, qint64 total, const QString &rowLabel, const QString &fileName);
QString importStatus(qint64 line, const QString &rowLabel, const QString &fileName);
} // namespace CsvJobText

// Texts of a schedule entry's checks and jobs (stage CES_270001..CES_270017) and of the run
// around them; the batch commands that run a settings file as an entry record the same.
namespace EntryText {
QString completed();                // "正常終了"
QString unprocessed();              // "未処理"
QString runEnded(int errorCount);   // "スケジュール終了〔エラー件数 n〕"
QString workbookDiscarded(int row); // an earlier sheet of a workbook closed unsaved
QString unchecked();                // CES_270004
QString folderMissing();            // CES_270005, and the target's folder (CES_270014/15)
QString fileMissing();              // CES_270006
QString loadError();                // CES_270007
QString parseError();               // CES_270008, or the reader's own step
QString parseError(const QString &readerCode);   // "データ解析エラー " + the reader's code
QString passwordsDiffer();                       // CES_270016; ends in a blank
QString aliasError();                            // CES_270009
QString connectionFailed();                      // CES_270010 and the connection test
QString sqlError();                              // CES_270012
QString procedureNotFound();                     // CES_270012, the detail of an unknown procedure
QString parameterCount(int declared, int given); // CES_270012, too few arguments
QString noSaveTarget();                          // CES_270013, no target path
QString badSaveTarget();                         // CES_270013, a blank target or the file gone
QString noCsvTarget();                           // CES_270014, no target path
QString csvExportError();                        // CES_270014 failure text of the job
QString csvImportError();                        // CES_270015 failure text of the job
// The status bar suffix of an ExcelReport entry: "  実行スケジュール：「   row」：<file>".
QString excelStatusSuffix(int row, const QString &fileName);
// The warning (never a status) when the entries rows wrote path over the output the entries
// earlierRows wrote further up in the same run; rows as "3" or "3〜4".
QString overwroteEarlierOutput(const QString &rows, const QString &path,
                               const QString &earlierRows);
} // namespace EntryText

// Texts of the batch commands that run one settings file as a schedule entry.
namespace BatchText {
// report: the file is not an Excel report (its PROCFLG follows).
QString notExcelReport(const QString &procFlag);
// csv-export / csv-import: the file is of another kind than the command needs.
QString wrongKind(const QString &procFlag, const QString &command, const QString &wanted);
// The alias given or named by the file is not registered.
QString unknownAlias(const QString &alias);
// The detail of a connection that needs a password when none is given.
QString noPassword();
// describe: the folder of the alias holds no object of that name.
QString objectNotFound(const QString &folder, const QString &name, const QString &alias);
// The lines printed after a CSV job: status, data count and the file.
QString csvDone(qint64 dataCount, const QString &path);
} // namespace BatchText

} // namespace kelvoran

// The schedule window's editing commands without the window: adding and checking an entry,
// changing its connection (F9), changing the Excel passwords of its settings file (F11) and
// setting the target path of one row or a group of rows. Questions and messages go through
// UserInteraction; the scheduler's window answers them with dialogs, tests with scripts.
#pragma once

#include "schedule/scheduleentry.h"

#include "core/result.h"
#include "report/credentials.h"

#include <QString>

#include <functional>
#include <optional>

namespace kelvoran {

class AliasList;
class Clock;
class SchedulerConnection;
class UserInteraction;

// The dialog folders the commands read and update (AppSettings ExcelSettingDataDir and
// ExcelDataDir): the last settings file chosen and the last Excel output path.
struct ScheduleEditPaths {
    QString lastSettingsFile;
    QString lastExcelOutput;
};

// The failure status of a connection test: "データベースに接続できないか...確認してください。",
// one ideographic space (U+3000) and the step code (empty after F9).
QString connectionTestFailedText(const QString &stepCode);

// Tests the entry's connection (alias, user name, password) on the scheduler's connection:
// success clears the status and marks the entry Ready; failure sets connectionTestFailedText()
// and marks it Failed. Never raises.
bool testEntryConnection(ScheduleEntry &entry, SchedulerConnection &connection,
                         const QString &stepCode);

// Adding an entry (double-click on the grid). Asks for a settings file (.kvr; another kind of
// file asks again), appends the entry and checks it in order: the folder exists, the file
// exists, it can be read, its format block parses, its SQL text analyses. A failed check marks
// the row Failed and ends the command (the row stays, without status); a format block that does
// not parse shows "ロードファイル解析中にエラーが発生しました。 " + the reader's code and
// removes the row. Then asks for the connection (the file's DBNAME preset; cancel removes the
// row) and, by kind, the workbook to write, the CSV file to write or the CSV file to read
// (cancel removes the row); stores the connection and tests it. Returns the new row (1-based),
// or 0 when no row was added or it was removed again.
int addScheduleEntry(Schedule &schedule, UserInteraction &ui, SchedulerConnection &connection,
                     ScheduleEditPaths &paths);

// "DBパスワード等変更" (F9) on a row with a file name: asks for the connection with the row's
// alias preset; OK stores and tests it (no step code), cancel clears the connection and marks
// the row Unchecked, leaving its status. Returns false when the row has no file name.
bool changeEntryConnection(ScheduleEntry &entry, UserInteraction &ui,
                           SchedulerConnection &connection);

// The nine boxes of the password dialog: old, new and confirmation for each password.
struct PasswordBoxes {
    struct Group {
        QString oldPassword, newPassword, confirmation;
        bool isEmpty() const {
            return oldPassword.isEmpty() && newPassword.isEmpty() && confirmation.isEmpty();
        }
    };
    Group templateRead; // "雛形ファイル読み取りパスワード" (KWORD)
    Group outputRead;   // "出力ファイル読み取りパスワード" (QWORD)
    Group outputWrite;  // "出力ファイル書き込みパスワード" (TWORD)

    bool isEmpty() const {
        return templateRead.isEmpty() && outputRead.isEmpty() && outputWrite.isEmpty();
    }
};

// A refused password dialog: the warning and the box that gets the focus.
struct PasswordBoxWarning {
    enum class Box { TemplateOld, TemplateConfirm, ReadOld, ReadConfirm, WriteOld, WriteConfirm };
    QString text;
    Box focus;
};

// Checks the dialog's groups in the order template, output read, output write; a group whose
// three boxes are empty is skipped. The old password must equal the stored one, the new one its
// confirmation.
std::optional<PasswordBoxWarning> checkPasswordBoxes(const PasswordBoxes &boxes,
                                                     const Passwords &stored);

// Asks the password dialog: given the warning of the previous attempt (none the first time),
// returns the boxes on 決定 or nothing on キャンセル.
using PasswordDialog =
    std::function<std::optional<PasswordBoxes>(const std::optional<PasswordBoxWarning> &)>;

// "Excelパスワード設定・変更" (F11) on the row (1-based row number for the messages): loads and
// parses the settings file (failures and files that are not Excel reports are reported with
// their messages), runs the dialog until its boxes pass the checks, and, unless all nine boxes
// are empty, rewrites the password keys in place under a new MAKEDATE after the confirmation
// "変更を上書き保存します。よろしいですか？", then shows "         保存しました。         ".
// Returns true when the file was saved.
bool changeEntryExcelPasswords(const ScheduleEntry &entry, int row, const AliasList &aliases,
                               UserInteraction &ui, const PasswordDialog &dialog,
                               const Clock &clock);

// "保存場所編集" (one row) and "保存場所編集(グループ)" (rows firstRow..lastRow in either order;
// 1-based), when the cursor row has a file name: every row must be an ExcelReport entry whose
// settings file reads; otherwise "下記のエラーがあるため設定できません。確認してください。" lists
// the failing rows and nothing changes. Then asks for the workbook (the cursor row's target
// offered) and sets it as the target of every row. Returns true when the targets changed.
bool editTargetPaths(Schedule &schedule, int firstRow, int lastRow, int cursorRow,
                     const AliasList &aliases, UserInteraction &ui);

} // namespace kelvoran

// The numbered message table of the report designer and of statement execution, and the other
// fixed texts of the settings file stages. Every text shown by these stages comes from here.
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

} // namespace kelvoran

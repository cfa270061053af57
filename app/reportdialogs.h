// The report designer's dialogs as a set: each is created once under the window that opens it
// and kept, so it remembers its last choices; all of them can be closed as cancelled at once
// (before a file handed over by a second start is opened). UI thread only.
#pragma once

#include <QWidget>

namespace kelvoran {

// Runs use(form) on parent's dialog of class Form, created under parent on first use. Without a
// parent the dialog lives only for this call.
template <class Form, class Use> auto withReportDialog(QWidget *parent, Use use) {
    if (!parent) {
        Form form;
        return use(form);
    }
    auto *form = parent->findChild<Form *>(QString(), Qt::FindDirectChildrenOnly);
    if (!form)
        form = new Form(parent);
    return use(*form);
}

// Closes every open format chooser, format list editor, palette, pivot field dialog, Excel
// password dialog and SQL condition editor, and the preferences dialog with its log folder
// chooser, as cancelled.
void closeReportDialogs();

} // namespace kelvoran

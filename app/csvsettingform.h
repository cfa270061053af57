// TCSVSettingForm: the options of a CSV export or import (separator from the list or typed, the
// blank rule of an import, the heading line), asked before each CSV command and before the CSV
// settings files are saved. The state and its rules live in CsvSettingState. UI thread only.
#pragma once

#include "ui/csvsettingstate.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kelvoran {

class UserInteraction;

class TCSVSettingForm : public QDialog {
    Q_OBJECT
public:
    explicit TCSVSettingForm(QWidget *parent = nullptr);

    // Opens the dialog modally in a mode (the separator cleared first, the heading caption
    // changed for an import while it is open). "決定" stores the options and gives true;
    // "キャンセル" or the title bar clears options' separator and gives false. The warning about
    // an empty separator goes to ui.
    bool ask(CsvDialogMode mode, CsvOptions &options, UserInteraction &ui);

    // What the controls hold now.
    CsvSettingState state() const;

private:
    void updateDecide();
    void decide();

    CsvDialogMode m_mode = CsvDialogMode::Export;
    CsvOptions *m_options = nullptr;
    UserInteraction *m_ui = nullptr;
    QRadioButton *m_fromList = nullptr;
    QListWidget *m_list = nullptr;
    QRadioButton *m_typed = nullptr;
    QLineEdit *m_edit = nullptr;
    QGroupBox *m_blankBox = nullptr;
    QButtonGroup *m_blankRules = nullptr;
    QCheckBox *m_heading = nullptr;
    QPushButton *m_decide = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvoran

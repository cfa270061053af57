// TExcelFormatForm: the format chooser. One kind from the context's list, its parameter inputs
// (padding, font size, a style list, or the key column and row colour of a group total or
// average), and on "決定" one entry appended to a format list. The kinds, codes and style lists
// are report/formatcode's; the inputs each kind shows come from ui/formatchooserstate.
// UI thread only.
#pragma once

#include "report/formatcode.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kelvoran {

// The Excel colour indexes of the group total and group average rows (GpSumColor and
// GpAvgColor), shown by the chooser's colour sample and changed with its "行色" button.
struct GroupRowColours {
    int total = 36;
    int average = 40;
};

class TExcelFormatForm : public QDialog {
    Q_OBJECT
public:
    explicit TExcelFormatForm(QWidget *parent = nullptr);

    // A report column's chooser (context Column, or FixedOrExtended while the fixed or the
    // extended list report is on). "決定" with complete input appends the kind's display text
    // to formatText and its code to formatCodes; a group total or average also appends the key
    // piece to groupKeys and stores a colour picked with "行色" in colours. Gives true then.
    // "キャンセル", Esc or the title bar change nothing (colours included) and give false. The
    // dialog is created once per parent and kept, so the last kind stays chosen.
    static bool chooseColumnFormat(QWidget *parent, FormatContext context, QString &formatText,
                                   QString &formatCodes, QString &groupKeys,
                                   GroupRowColours &colours);
    // The column-name row's or the row total's chooser (the first 14 kinds). "決定" appends the
    // display text to formatText and the code to formatCodes and gives true; cancel changes
    // nothing and gives false.
    static bool chooseListFormat(QWidget *parent, QString &formatText, QString &formatCodes);

    // The same on this instance.
    bool choose(FormatContext context, QString &formatText, QString &formatCodes,
                QString &groupKeys, GroupRowColours &colours);

private:
    void kindChosen(int row);
    void chooseRowColour();
    void showColourSample();
    void decide();

    std::vector<FormatKind> m_kinds;
    int m_lastKind = 0;
    GroupRowColours m_colours;
    FormatListEntry m_entry;
    QListWidget *m_list = nullptr;
    QLabel *m_param1Label = nullptr;
    QLineEdit *m_param1 = nullptr;
    QLabel *m_param2Label = nullptr;
    QLineEdit *m_param2 = nullptr;
    QLabel *m_styleLabel = nullptr;
    QComboBox *m_style = nullptr;
    QLineEdit *m_colourSample = nullptr;
    QPushButton *m_rowColour = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_decide = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvoran

// FindDialog1 and ReplaceDialog1: the modeless find and replace dialogs (search down by
// default, no whole-word option).
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kelvoran {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    // replace: the replace dialog (always searches down), else the find dialog.
    explicit FindDialog(bool replace, QWidget *parent = nullptr);

    QString findText() const;
    QString replaceText() const;
    bool matchCase() const;
    bool down() const;

    QLineEdit *findEdit() const { return m_find; }
    QLineEdit *replaceEdit() const { return m_replace; }
    QCheckBox *matchCaseBox() const { return m_case; }
    QRadioButton *upButton() const { return m_up; }

signals:
    void findNextClicked();
    void replaceClicked();
    void replaceAllClicked();

private:
    QLineEdit *m_find;
    QLineEdit *m_replace = nullptr;
    QCheckBox *m_case;
    QRadioButton *m_up = nullptr;
    QRadioButton *m_down = nullptr;
};

} // namespace kelvoran

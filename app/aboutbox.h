// TAboutBox: the version window, modal.
#pragma once

#include <QDialog>

class QPushButton;

namespace kelvoran {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    // The OK button that closes the window.
    QPushButton *okButton() const { return m_ok; }

private:
    QPushButton *m_ok;
};

} // namespace kelvoran

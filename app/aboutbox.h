// TAboutBox: the version window, modal. Shows the program's version, the Qt version, the
// database drivers found with the client libraries under them, and the licence when the program
// ships one (none is shown otherwise).
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kelvoran {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    // The OK button that closes the window.
    QPushButton *okButton() const { return m_ok; }

protected:
    // The versions and drivers are collected on the first showing, not at start-up: listing
    // the SQL drivers reads every driver plugin.
    void showEvent(QShowEvent *event) override;

private:
    void fill();

    QLabel *m_version;
    QLabel *m_qtVersion;
    QLabel *m_drivers;
    QLabel *m_libraries;
    QLabel *m_licenceCaption;
    QPlainTextEdit *m_licence;
    QPushButton *m_ok;
    bool m_filled = false;
};

} // namespace kelvoran

// TInstructionManualForm: the feature overview, modal. Shows the overview kept with the program
// (what each menu does, the keys, where settings and logs live, the batch commands), filled with
// this user's places when it opens. A link into the README opens the README at that section
// with the desktop's viewer and names the section below the text. UI thread only.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTextBrowser;
class QUrl;

namespace kelvoran {

struct AppSettings;

class TInstructionManualForm : public QDialog {
    Q_OBJECT
public:
    // settings: the program's values (read for the log folder each time the window opens);
    // settingsPath: the file AppSettings live in.
    TInstructionManualForm(const AppSettings &settings, const QString &settingsPath,
                           QWidget *parent = nullptr);

    QTextBrowser *browser() const { return m_browser; }
    QPushButton *closeButton() const { return m_close; }
    // What became of the last README link: the section opened, or why nothing was opened.
    QLabel *linkLabel() const { return m_linkLabel; }
    // The README the links open (empty when none is found on this machine).
    QString readmePath() const { return m_readmePath; }
    // Where README links are opened: the desktop's default application unless replaced.
    void setUrlOpener(std::function<bool(const QUrl &)> opener) { m_openUrl = std::move(opener); }
    // Follows a link of the text as a click on it does.
    void followLink(const QUrl &url);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillText();
    void followReadmeLink(const QString &href);

    const AppSettings &m_settings;
    QString m_settingsPath;
    QString m_readmePath;
    QTextBrowser *m_browser;
    QLabel *m_linkLabel;
    QPushButton *m_close;
    std::function<bool(const QUrl &)> m_openUrl;
};

} // namespace kelvoran

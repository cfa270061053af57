// TLogShowForm: the log viewer. In log mode it shows a run log (one row per entry, the header
// line left out) with the counts of its entries, drawing failed and unprocessed rows red; in
// schedule mode it shows the entries of a schedule file. Double-clicking a row that names a
// settings file opens it in the report designer. Created once with the main window; closing it
// only hides it. The rows and counts come from LogShowContents. UI thread only.
#pragma once

#include "ui/logshowview.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QTableWidget;

namespace kelvoran {

class DialogInteraction;
class LayoutPlacement;
struct TDataModule_Kelvoran;

// What the viewer needs from the main window.
struct LogShowLinks {
    // Loads a settings file into the report designer as the designer's own loading does.
    std::function<void(const QString &path)> openSettingsFile;
    // The program's dialogs, whose open dialog takes a preset file or folder (may be null).
    DialogInteraction *dialogs = nullptr;
};

class TLogShowForm : public QWidget {
    Q_OBJECT
public:
    explicit TLogShowForm(TDataModule_Kelvoran &dm, QWidget *parent = nullptr);

    void setLinks(LogShowLinks links) { m_links = std::move(links); }

    // "Logファイル表示" and "スケジュール設定表示": the caption, grid and counts of the mode;
    // the window is shown and brought to the front.
    void showMode(LogShowMode mode);
    LogShowMode mode() const { return m_mode; }
    // The file menu's command: the open dialog of the mode, then the file chosen.
    void openFile();
    // Shows a run log; a log that cannot be read leaves the grid empty, the counts "0" and
    // says so in an error box.
    void loadLog(const QString &path);
    // Shows the entries of a schedule file, which becomes the last schedule file.
    void loadSchedule(const QString &path);
    // Position, size and schedule-grid widths of a layout mode (0 XGA, 1 SVGA).
    void applyLayoutMode(int xgaSvgaMode);

    QTableWidget *logGrid() const { return m_logGrid; }
    QTableWidget *scheduleGrid() const { return m_scheduleGrid; }
    QAction *openAction() const { return m_open; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // The caption, grid, counts and open command of a mode.
    void setMode(LogShowMode mode);
    void showContents(QTableWidget *grid, const LogShowContents &contents);
    void padHeadings(QTableWidget *grid);
    void openRow(QTableWidget *grid, int row);
    void layoutControls();

    TDataModule_Kelvoran &m_dm;
    LogShowLinks m_links;
    LayoutPlacement *m_placement;
    LogShowMode m_mode = LogShowMode::Log;
    QString m_lastLog;
    bool m_scheduleOpened = false;

    QMenuBar *m_menuBar;
    QAction *m_open;
    QTableWidget *m_logGrid;
    QTableWidget *m_scheduleGrid;
    QWidget *m_bottom;
    QLabel *m_countLabels[4];
    QLineEdit *m_counts[4];
    QPushButton *m_ok;
};

} // namespace kelvoran

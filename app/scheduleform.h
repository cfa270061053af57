// TScheduleForm: the schedule window. Builds a schedule in its grid (entries added from settings
// files, each with the connection it runs on), saves and loads schedule files, and arms the
// schedule for its start time. The run itself goes on a worker thread with its own connection
// (ui/backgroundschedulerun) while the grid shows each entry's result as it ends; the editing
// commands are off meanwhile. The window's widget-free rules live in ui/schedulewindowstate.
#pragma once

#include "core/result.h"
#include "csv/csvoptions.h"
#include "db/dbsession.h"
#include "schedule/scheduleentry.h"
#include "schedule/schedulerunner.h"
#include "schedule/scheduletimer.h"
#include "ui/schedulewindowstate.h"

#include <QColor>
#include <QDateTime>
#include <QKeySequence>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QTableWidget;

namespace kelvoran {

class BackgroundScheduleRun;
class Clock;
class ExcelReportJob;
class LayoutPlacement;
class ScheduleFormInteraction;
class TDataModule_Kelvoran;
class TPassWordSetForm;
class TSaveDBParamSetForm;

class TScheduleForm : public QWidget {
    Q_OBJECT
public:
    TScheduleForm(TDataModule_Kelvoran &dm, TSaveDBParamSetForm &connectionForm,
                  QWidget *parent = nullptr);
    ~TScheduleForm() override;

    // Loads a schedule file as the current schedule (the load command without its dialog).
    // quiet: the file came from the command line or another instance, so a file without
    // entries is not reported. A file that is not a schedule file is an error.
    Status loadScheduleFile(const QString &path, bool quiet = false);
    // Fills the start fields with a time ("yyyy", "MM", "dd", "HH", "mm").
    void setStartFields(const QDateTime &now);
    // Re-lays the window out for a layout mode (XGASVGAMode: 0 XGA, 1 SVGA): place, size,
    // column widths, buttons and headings.
    void applyLayoutMode(int xgaSvgaMode);

    ScheduleState scheduleState() const { return m_state; }
    bool isRunning() const { return m_state == ScheduleState::Running; }
    // When the program quits: a run still going stops after its entry, writes its log and
    // hands its results back before this returns.
    void stopRunAndWait();

    const QString &scheduleFile() const { return m_file; }
    const Schedule &schedule() const { return m_schedule; }
    QStringList startFields() const;
    QTableWidget *grid() const { return m_grid; }
    // The entry the lime fill marks while a run goes on (0 none).
    int highlightedRow() const;
    // The colour a row is filled with (invalid: the grid's own).
    QColor rowColour(int row) const;
    const RunSummary &lastRun() const { return m_lastRun; }

    // Test seams: the clock of the start fields, the timer and the run's times, and the Excel
    // report driver of the run. Both must outlive the window's runs.
    void setClock(Clock *clock);
    void setExcelReportJob(ExcelReportJob *job) { m_excelJob = job; }

signals:
    void runningChanged(bool running);
    // The CSV options the last entry of a run left (the program's CSV commands start from them).
    void csvOptionsChanged(const CsvOptions &options);
    void runFinished(const RunSummary &summary);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    QAction *addCommand(QMenu *menu, QMenu *popup, ScheduleCommand command, const QString &name,
                        const QString &text, const QString &popupText, const QKeySequence &key,
                        void (TScheduleForm::*slot)());
    void updateCommands();
    void refreshGrid();
    void writeHeadings();
    void placeFooterButtons(bool centred);
    int cursorRow() const;
    void selectRow(int row);
    void showRange();
    void setState(ScheduleState state);

    // Commands.
    void loadCommand();
    void saveCommand();
    void addEntryCommand();
    void addRowCommand();
    void deleteRowCommand();
    void changeConnectionCommand();
    void excelPasswordsCommand();
    void editTargetCommand();
    void deleteAllCommand();
    void execCommand();
    void closeCommand();
    void startRun();
    void startFieldLeft(int field);

    TDataModule_Kelvoran &m_dm;
    TSaveDBParamSetForm &m_connectionForm;
    std::unique_ptr<Clock> m_systemClock;
    Clock *m_clock;
    std::unique_ptr<ScheduleTimer> m_timer;
    SchedulerConnection m_connection; // Database1: the connection tests of the entries
    std::unique_ptr<ScheduleFormInteraction> m_interaction;
    std::unique_ptr<BackgroundScheduleRun> m_run;
    ExcelReportJob *m_excelJob = nullptr;
    TPassWordSetForm *m_passwordForm;
    LayoutPlacement *m_placement;

    QString m_file;
    Schedule m_schedule;
    ScheduleState m_state = ScheduleState::Idle;
    int m_runCursor = 0;
    RowRange m_range;
    int m_moveFrom = 0;
    bool m_selecting = false;
    RunSummary m_lastRun;
    int m_layoutMode = 0;

    QMenuBar *m_menuBar;
    QMenu *m_popup;
    std::map<ScheduleCommand, std::vector<QAction *>> m_commands;
    QTableWidget *m_grid;
    QLineEdit *m_startFields[5];
    QCheckBox *m_errorStop;
    QLineEdit *m_endTime;
    QLineEdit *m_entryCount;
    QLineEdit *m_entryNumber;
    QWidget *m_footer;
    QPushButton *m_exec;
    QPushButton *m_deleteAll;
    QPushButton *m_close;
    QStatusBar *m_statusBar;
};

} // namespace kelvoran

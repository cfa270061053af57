// ExcelReportCommand: "Excel出力" of the report designer. It runs the one report driver
// (excel/reportdriver.h) with the interactive stage prefix "P" and binds it to the windows:
//  1. blank rows are dropped and nothing happens without a first column; the report's source
//     is the alias selected in the object tree with the SQL tab's analysis, or the table opened
//     from the tree; its connection is opened (with the login) on the UI thread;
//  2. the driver runs on a worker thread, on a connection of its own to the same alias with the
//     same user and password, so that both windows keep repainting while records are written
//     and the workbook is saved;
//  3. each question and message of the driver is asked on the UI thread through the current
//     answerer (the program's dialogs, parented to the designer); the save dialog starts from
//     ExcelDataDir and the name the workbook is written under (.xlsx) becomes ExcelDataDir;
//  4. while it runs the status bar shows the driver's progress text and input to the windows
//     on screen is discarded (the run's own dialogs take input), so no second output or
//     settings save can start, neither during the run nor after it;
//  5. afterwards the written workbook is handed to the desktop's application for it, and the
//     driver's notices are shown in one dialog (TReportNoticeForm).
// UI thread only.
#pragma once

#include "app/reportnoticeform.h"
#include "excel/extractionquery.h"
#include "excel/reportdriver.h"
#include "report/reportdefinition.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QStatusBar;
class QWidget;

namespace kelvoran {

struct TDataModule_Kelvoran;

// Where a report's records come from.
struct ExcelReportSource {
    QString alias;            // the alias the extraction query runs on
    ReportSource report;      // analysis, SQL editor lines, generated table
    QString settingsFilePath; // a relative PATTERNFILE is taken from this file's folder
};

class ExcelReportCommand : public QObject {
    Q_OBJECT
public:
    // dm: the shared state (session, analysis, tree context, settings, current answerer).
    explicit ExcelReportCommand(TDataModule_Kelvoran &dm, QObject *parent = nullptr);
    ~ExcelReportCommand() override;

    // The source of the report the designer shows: the alias selected in the object tree, the
    // SQL tab's analysis with the SQL editor's lines, and the tree's table when the statement is
    // the one generated for a table opened from the tree.
    static ExcelReportSource currentSource(const TDataModule_Kelvoran &dm,
                                           const QStringList &sqlEditorLines,
                                           const QString &settingsFilePath = QString());

    // "Excel出力": runs the report of def. Blank rows are dropped first; when no column is left
    // nothing happens. window: the designer (owner of the dialogs, repainted while the report
    // runs); statusBar: where the progress text goes (may be null). Returns the driver's result
    // (start and end time, outcome, the path written); nothing to output, or a second call
    // while one runs, returns at once with outcome Cancelled and no message.
    ReportRunResult run(const ReportDefinition &def, const ExcelReportSource &source,
                        QWidget *window, QStatusBar *statusBar);

    // True while a report runs.
    bool isRunning() const { return m_running; }

    // What a written workbook is handed to (the desktop's default application unless replaced;
    // tests replace it).
    void setWorkbookOpener(std::function<void(const QString &path)> opener);

    // The notices dialog (created with the first report that has notices; null before).
    TReportNoticeForm *noticeForm() const { return m_noticeForm; }
    // Closes the command's dialog as cancelled (before a handed-off file opens).
    void closeDialogs();

signals:
    // A report started (true) or ended (false).
    void runningChanged(bool running);

private:
    void showNotices(const QString &path, const QStringList &notices, QWidget *window);

    TDataModule_Kelvoran &m_dm;
    std::function<void(const QString &)> m_opener;
    QPointer<TReportNoticeForm> m_noticeForm;
    bool m_running = false;
};

} // namespace kelvoran

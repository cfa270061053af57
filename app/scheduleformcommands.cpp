// The schedule window's commands: loading and saving schedule files, the editing commands,
// arming and the run on its worker thread.
#include "app/scheduleform.h"

#include "app/datamodule.h"
#include "app/passwordsetform.h"
#include "app/scheduleforminteraction.h"
#include "core/clock.h"
#include "core/pathrules.h"
#include "schedule/scheduleediting.h"
#include "schedule/schedulefile.h"
#include "ui/backgroundschedulerun.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

namespace kelvoran {

namespace {
const QString kNoEntries = QStringLiteral("設定が記述されていません。確認してください。");
const QString kScheduleFilter = QStringLiteral("Schedule files (*.kvs)|*.kvs");

// A remembered schedule file is offered when it is a .kvs file that still exists.
QString offeredScheduleFile(const QString &last) {
    return hasExtension(QStringLiteral("KVS"), last) && QFileInfo(last).isFile() ? last : QString();
}
} // namespace

Status TScheduleForm::loadScheduleFile(const QString &path, bool quiet) {
    if (isRunning())
        return Error{QStringLiteral("スケジュールの実行中は読み込めません。"), QString()};
    Result<Schedule> read = readScheduleFile(path);
    if (!read) {
        // Nothing of the file is taken; what was shown stays.
        m_statusBar->clearMessage();
        refreshGrid();
        return Error{kNoEntries + u' ' + read.error().message, read.error().stepCode};
    }
    m_timer->disarm();
    setState(ScheduleState::Idle);
    m_schedule = std::move(read).value();
    m_endTime->clear();
    m_entryCount->clear();
    m_entryNumber->clear();
    m_errorStop->setChecked(m_schedule.errorStop);
    const bool hasEntries = !m_schedule.entries.empty();
    if (hasEntries)
        keepTrailingEmptyRow(m_schedule);
    else if (!quiet)
        m_interaction->inform(MessageIcon::Information, kNoEntries);
    m_file = path;
    m_dm.settings.scheduleDataDir = path;
    refreshGrid();
    m_grid->scrollToBottom();
    writeHeadings();
    selectRow(1);
    return {};
}

void TScheduleForm::loadCommand() {
    if (isRunning())
        return;
    m_interaction->offerPaths(offeredScheduleFile(m_dm.settings.scheduleDataDir), QString());
    const QString chosen = m_interaction->chooseOpenFile(QString(), kScheduleFilter);
    if (chosen.isEmpty())
        return;
    if (const Status loaded = loadScheduleFile(chosen); !loaded)
        m_interaction->inform(MessageIcon::Information, loaded.error().message);
}

void TScheduleForm::saveCommand() {
    if (isRunning())
        return;
    m_schedule.compact();
    m_schedule.errorStop = m_errorStop->isChecked();
    const bool any = !m_schedule.entries.empty();
    refreshGrid();
    if (!any)
        return;
    m_interaction->offerPaths(QString(), offeredScheduleFile(m_dm.settings.scheduleDataDir));
    QString chosen = m_interaction->chooseSaveFile(QString(), kScheduleFilter);
    if (chosen.isEmpty())
        return;
    if (!chosen.contains(QStringLiteral(".kvs")) && !chosen.contains(QStringLiteral(".KVS")))
        chosen += QStringLiteral(".kvs");
    const Result<bool> written = writeScheduleFile(chosen, m_schedule);
    if (!written) {
        m_interaction->inform(MessageIcon::Warning, written.error().message);
        return;
    }
    m_file = chosen;
    m_dm.settings.scheduleDataDir = chosen;
}

void TScheduleForm::addEntryCommand() {
    if (isRunning())
        return;
    m_connection.setAliases(m_dm.session.aliases());
    ScheduleEditPaths paths{m_dm.settings.excelSettingDataDir, m_dm.settings.excelDataDir};
    m_interaction->offerPaths(paths.lastSettingsFile, paths.lastExcelOutput);
    const int row = addScheduleEntry(m_schedule, *m_interaction, m_connection, paths);
    m_dm.settings.excelSettingDataDir = paths.lastSettingsFile;
    m_dm.settings.excelDataDir = paths.lastExcelOutput;
    keepTrailingEmptyRow(m_schedule);
    refreshGrid();
    if (row > 0)
        selectRow(row);
}

void TScheduleForm::addRowCommand() {
    if (isRunning())
        return;
    const int row = insertEmptyRow(m_schedule, cursorRow());
    refreshGrid();
    selectRow(row);
}

void TScheduleForm::deleteRowCommand() {
    if (isRunning())
        return;
    const int row = deleteRow(m_schedule, cursorRow());
    refreshGrid();
    selectRow(row);
}

void TScheduleForm::changeConnectionCommand() {
    const int row = cursorRow();
    if (isRunning() || row > int(m_schedule.entries.size()))
        return;
    ScheduleEntry &entry = m_schedule.entries[size_t(row - 1)];
    const ScheduleEntry before = entry;
    m_connection.setAliases(m_dm.session.aliases());
    if (!changeEntryConnection(entry, *m_interaction, m_connection))
        return;
    // The title bar's close box is neither 決定 nor キャンセル: nothing changes.
    if (m_interaction->connectionDialogClosed())
        entry = before;
    refreshGrid();
}

void TScheduleForm::excelPasswordsCommand() {
    const int row = cursorRow();
    if (isRunning() || row > int(m_schedule.entries.size()))
        return;
    changeEntryExcelPasswords(
        m_schedule.entries[size_t(row - 1)], row, m_dm.session.aliases(), *m_interaction,
        [this](const std::optional<PasswordBoxWarning> &warning) {
            return m_passwordForm->ask(warning);
        },
        *m_clock);
}

void TScheduleForm::editTargetCommand() {
    const int row = cursorRow();
    if (isRunning() || row > int(m_schedule.entries.size()))
        return;
    const int first = m_range.isRange() ? m_range.first() : row;
    const int last = m_range.isRange() ? m_range.last() : row;
    m_interaction->offerPaths(QString(), m_schedule.entries[size_t(row - 1)].targetPath);
    if (editTargetPaths(m_schedule, first, last, row, m_dm.session.aliases(), *m_interaction))
        refreshGrid();
}

void TScheduleForm::deleteAllCommand() {
    if (isRunning())
        return;
    m_schedule.entries.clear();
    refreshGrid();
    selectRow(1);
}

void TScheduleForm::setState(ScheduleState state) {
    const bool wasRunning = isRunning();
    m_state = state;
    m_exec->setText(state == ScheduleState::Idle ? QStringLiteral("実行") : QStringLiteral("中止"));
    updateCommands();
    if (wasRunning != isRunning())
        emit runningChanged(isRunning());
}

void TScheduleForm::execCommand() {
    if (isRunning()) {
        // Stops after the entry in progress; the run's end says so.
        m_run->requestStop();
        return;
    }
    const Result<ScheduleStart> start = scheduleStartFromFields(startFields());
    if (!start) {
        m_interaction->inform(MessageIcon::Warning, start.error().message);
        return;
    }
    const bool arming = m_state == ScheduleState::Idle;
    m_schedule.compact();
    m_schedule.errorStop = m_errorStop->isChecked();
    m_statusBar->clearMessage();
    m_entryCount->clear();
    m_entryNumber->clear();
    m_endTime->clear();
    m_runCursor = 0;
    if (arming && !m_schedule.entries.empty()) {
        setState(ScheduleState::Armed);
        m_timer->arm(*start, [this] { startRun(); });
    } else {
        m_timer->disarm();
        setState(ScheduleState::Idle);
    }
    refreshGrid();
}

void TScheduleForm::closeCommand() {
    if (!isRunning()) {
        m_timer->disarm();
        setState(ScheduleState::Idle);
        m_connection.close();
    }
    hide();
}

void TScheduleForm::startRun() {
    setState(ScheduleState::Running);
    m_runCursor = 0;
    m_entryCount->setText(QString::number(m_schedule.entries.size()));
    refreshGrid();
    m_grid->scrollToTop();

    ScheduleRunSetup setup;
    setup.schedule = m_schedule;
    setup.aliases = m_dm.session.aliases();
    setup.clock = m_clock;
    setup.logDir = m_dm.settings.logFileDir;
    setup.installDir = m_dm.settings.installDir;
    setup.excelJob = m_excelJob;
    ScheduleRunListeners listeners;
    listeners.repaint = [this](const ScheduleRunSnapshot &snapshot) {
        m_schedule.entries = snapshot.entries;
        m_runCursor = snapshot.runCursor;
        const int rows = int(m_schedule.entries.size());
        if (m_runCursor >= 1 && m_runCursor <= rows)
            m_entryNumber->setText(QString::number(m_runCursor));
        refreshGrid();
        if (const int lime = highlightedRow(); lime > 0)
            m_grid->scrollToItem(m_grid->item(lime - 1, 0));
    };
    listeners.status = [this](const QString &text) { m_statusBar->showMessage(text); };
    listeners.finished = [this](const Schedule &schedule, const RunSummary &summary) {
        const bool errorStop = m_schedule.errorStop;
        m_schedule = schedule;
        m_schedule.errorStop = errorStop;
        m_lastRun = summary;
        m_endTime->setText(summary.runEnd);
        m_statusBar->showMessage(runEndStatusText(summary));
        setState(ScheduleState::Idle);
        refreshGrid();
        if (summary.lastCsvOptions)
            emit csvOptionsChanged(*summary.lastCsvOptions);
        emit runFinished(summary);
    };
    m_run->start(std::move(setup), std::move(listeners));
}

void TScheduleForm::stopRunAndWait() {
    m_timer->disarm();
    if (!m_run->isRunning())
        return;
    m_run->requestStop();
    m_run->waitForEnd();
}

} // namespace kelvoran

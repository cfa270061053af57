#include "app/csvcommands.h"

#include "app/csvsettingform.h"
#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/gridpane.h"
#include "core/clock.h"
#include "core/openpaths.h"
#include "csv/csvexport.h"
#include "csv/csvimport.h"
#include "report/settingssave.h"
#include "ui/analyzecol.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTableView>
#include <QTreeWidgetItem>

namespace kelvoran {

namespace {

const QString kMessage = QStringLiteral("Message     :");
// How often the window repaints while lines are written or read.
constexpr qint64 kRepaintMs = 40;

// The grid stays hidden while the rows are walked, and shows again whatever happens.
class HiddenWhileWorking {
public:
    explicit HiddenWhileWorking(QWidget *w) : m_w(w) { m_w->setVisible(false); }
    ~HiddenWhileWorking() { m_w->setVisible(true); }
    HiddenWhileWorking(const HiddenWhileWorking &) = delete;
    HiddenWhileWorking &operator=(const HiddenWhileWorking &) = delete;

private:
    QWidget *m_w;
};

DbKind kindOfAlias(const TDataModule_Kelvoran &dm, const QString &alias) {
    const Result<QString> driver = dm.session.driverName(alias);
    return driver ? dbKindFromDriverName(*driver) : DbKind::Other;
}

} // namespace

CsvCommands::CsvCommands(QMainWindow *window, TDataModule_Kelvoran &dm, GridPane &grid,
                         DialogInteraction &dialogs)
    : QObject(window), m_window(window), m_dm(dm), m_grid(grid), m_dialogs(dialogs),
      m_form(new TCSVSettingForm(window)) {}

void CsvCommands::command(const QString &actionName) {
    if (actionName == u"CsvExport")
        exportCsv();
    else if (actionName == u"CsvExportSave")
        saveExportSettings();
    else if (actionName == u"CsvImport")
        importCsv();
    else if (actionName == u"CsvImportSave")
        saveImportSettings();
}

QString CsvCommands::gridTableName() const {
    const KeyedTableModel *table = m_dm.table.get();
    return table && m_grid.model() == table ? table->tableName() : QString();
}

QString CsvCommands::currentAlias() const {
    return m_dm.currentAliasNode ? m_dm.currentAliasNode->text(0) : QString();
}

void CsvCommands::showStatus(const QString &text) {
    m_window->statusBar()->showMessage(text);
}

void CsvCommands::showProgress(const QString &text, qint64 line) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (line > 1 && now - m_lastRepaint < kRepaintMs)
        return;
    m_lastRepaint = now;
    showStatus(text);
    // Repaint only: no other command may start while the rows are walked.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CsvCommands::exportCsv() {
    CsvExportSource source;
    QString alias;
    if (!gridTableName().isEmpty()) {
        source.tableName = gridTableName();
        alias = m_dm.tableAlias;
    } else if (m_grid.model() == m_dm.runner.resultModel() && m_dm.runner.resultModel()->isOpen()) {
        if (m_dm.runner.resultText().isEmpty()) {
            // Running the statement again to walk its rows could change data twice.
            m_dm.inform(kMessage + QStringLiteral("この結果は問合せ以外の文が返した行のため、"
                                                  "CSVエクスポートできません。"),
                        MessageIcon::Error);
            return;
        }
        source.statementLines = QStringList{m_dm.runner.resultText()};
        alias = m_dm.runner.resultAlias();
    } else {
        return;
    }
    if (!m_form->ask(CsvDialogMode::Export, m_options, *m_dm.ui)) {
        showStatus(csvExportDoneText(0));
        return;
    }

    const auto *nameBox = m_grid.findChild<QLineEdit *>(QStringLiteral("EditTblViewName"));
    m_dialogs.setPreselectedPath(
        proposedCsvExportName(m_dm.paths.lastFilePath, nameBox ? nameBox->text() : QString()));
    QString path = m_dm.ui->chooseSaveFile(QString(), csvFileFilter());
    if (path.isEmpty()) {
        showStatus(csvExportDoneText(0));
        return;
    }
    path = withCsvExtension(path);

    const DbResult<QSqlDatabase> db = m_dm.session.connection(alias);
    if (!db)
        throw DbException(db.error());
    Result<CsvExportResult> written = Error{};
    {
        HiddenWhileWorking hidden(m_grid.grid());
        written = kelvoran::exportCsv(
            *db, kindOfAlias(m_dm, alias), source, m_options, path, m_dm.step,
            [this](qint64 line, qint64) { showProgress(csvExportProgressText(line), line); });
    }
    if (!written) {
        m_dm.inform(kMessage + written.error().message, MessageIcon::Error);
        m_window->statusBar()->clearMessage();
        return;
    }
    m_dm.paths.lastFilePath = written->path;
    showStatus(csvExportDoneText(written->dataRows));
}

void CsvCommands::importCsv() {
    const QString table = gridTableName();
    if (table.isEmpty())
        return;
    m_dialogs.setPreselectedPath(canPreselect(m_dm.paths.lastFilePath, {QStringLiteral("CSV")})
                                     ? m_dm.paths.lastFilePath
                                     : QString());
    const QString file = m_dm.ui->chooseOpenFile(QString(), csvFileFilter());
    if (file.isEmpty()) {
        showStatus(csvImportDoneText(0));
        return;
    }
    m_options.fileName = file;
    if (!m_form->ask(CsvDialogMode::Import, m_options, *m_dm.ui)) {
        showStatus(csvImportDoneText(0));
        return;
    }

    const DbResult<QSqlDatabase> db = m_dm.session.connection(m_dm.tableAlias);
    if (!db)
        throw DbException(db.error());
    Result<CsvImportResult> imported = Error{};
    {
        HiddenWhileWorking hidden(m_grid.grid());
        imported = kelvoran::importCsv(
            *db, m_options, table, file, m_dm.step,
            [this](qint64 line, qint64) { showProgress(csvImportProgressText(line), line); });
        // The grid shows what is stored now: every line before a failing one stays.
        m_dm.table->refresh();
    }
    if (!imported) {
        m_dm.inform(kMessage + imported.error().message, MessageIcon::Error);
        m_window->statusBar()->clearMessage();
        return;
    }
    m_dm.paths.lastFilePath = file;
    showStatus(csvImportDoneText(imported->linesProcessed));
}

void CsvCommands::saveExportSettings() {
    if (!m_form->ask(CsvDialogMode::Export, m_options, *m_dm.ui))
        return;
    const QString table = gridTableName();
    SaveRequest request;
    request.mode = SettingsFileMode::CsvExportFromMain;
    request.presetAlias = currentAlias();
    if (!table.isEmpty()) {
        // The select list of a table is its columns, as AnalyzeCol shows them.
        QStringList fields;
        const QSqlRecord record = m_dm.table->record();
        for (int i = 0; i < record.count(); ++i)
            fields << record.fieldName(i);
        request.sql = SqlSource::forTable(table);
        request.sql.selectList = fieldNameItems(fields);
    } else {
        request.sql = SqlSource::fromAnalysis(
            m_dm.analysis, m_dm.runner.resultText().split(u'\n', Qt::SkipEmptyParts));
    }
    ReportDefinition def;
    storeCsvSettings(m_options, table, def);
    SystemClock clock;
    const Result<QString> saved = saveSettingsFile(def, request, *m_dm.ui, clock);
    if (!saved)
        m_dm.inform(QStringLiteral("設定保存中にエラーが発生しました。"));
    else if (!saved->isEmpty())
        m_dm.paths.lastFilePath = *saved;
}

void CsvCommands::saveImportSettings() {
    if (!m_form->ask(CsvDialogMode::Import, m_options, *m_dm.ui))
        return;
    SaveRequest request;
    request.mode = SettingsFileMode::CsvImport;
    request.presetAlias = currentAlias();
    ReportDefinition def;
    storeCsvSettings(m_options, gridTableName(), def);
    SystemClock clock;
    const Result<QString> saved = saveSettingsFile(def, request, *m_dm.ui, clock);
    if (!saved)
        m_dm.inform(QStringLiteral("設定保存中にエラーが発生しました。"));
    else if (!saved->isEmpty())
        m_dm.paths.lastFilePath = *saved;
}

} // namespace kelvoran

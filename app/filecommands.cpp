#include "app/filecommands.h"

#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/scheduleform.h"
#include "app/singleinstance.h"
#include "app/sqlpane.h"
#include "core/clock.h"
#include "core/pathrules.h"
#include "core/textfile.h"
#include "editor/texteditor.h"
#include "report/settingsfile.h"
#include "report/settingssave.h"

#include <QDateTime>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTreeWidgetItem>

namespace kelvoran {

namespace {

const QString kOpenError = QStringLiteral(
    "Message     "
    ":設定ファイル読み出し中にエラーが発生しました。設定ファイルにエラーがある可能性があります。");

QString rightTrimmed(QString s) {
    int n = int(s.size());
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    s.truncate(n);
    return s;
}

} // namespace

FileCommands::FileCommands(QWidget *window, TDataModule_Kelvoran &dm, SqlPane &pages,
                           HandOffStore &handOff, DialogInteraction &dialogs,
                           TScheduleForm &scheduleForm)
    : QObject(window), m_window(window), m_dm(dm), m_pages(pages), m_handOff(handOff),
      m_dialogs(dialogs), m_scheduleForm(scheduleForm) {}

void FileCommands::activation() {
    m_dm.paths.pendingOpenPath = m_handOff.take();
    const QString path = m_dm.paths.pendingOpenPath.trimmed();
    if (path.isEmpty())
        return;
    if (m_window->isMinimized())
        m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    emit secondaryWindowsClosing();
    openPath(path);
    m_dm.paths.pendingOpenPath.clear();
}

void FileCommands::openPath(const QString &path) {
    const OpenKind kind = handOffKindOf(path);
    if (kind == OpenKind::SettingsFile) {
        m_scheduleForm.close();
        m_dm.paths.lastFilePath = path;
        m_dm.paths.pendingOpenPath = path;
        m_handOffOpen = true;
        openFile();
        m_handOffOpen = false;
    } else if (kind == OpenKind::ScheduleFile) {
        emit scheduleFileArriving();
        Status loaded = m_scheduleForm.loadScheduleFile(path, true);
        if (!loaded)
            m_dm.inform(kOpenError + loaded.error().message, MessageIcon::Error);
        else
            m_scheduleForm.show();
    }
    m_dm.paths.pendingOpenPath.clear();
}

bool FileCommands::openSettingsFile(const QString &path) {
    m_dm.paths.pendingOpenPath = path;
    m_handOffOpen = true;
    const bool opened = openFile();
    m_handOffOpen = false;
    return opened;
}

bool FileCommands::openFile() {
    if (!m_window->isActiveWindow() && !m_handOffOpen)
        return false;
    if (m_dm.paths.pendingOpenPath.isEmpty()) {
        const QString filter = QStringLiteral(
            "Kelvoran/Schedule/SQL/TXT files (*.kvr;*.kvs;*.sql;*.txt)|*.kvr;*.kvs;*.sql;*.txt|"
            "Kelvoran files (*.kvr)|*.kvr|Schedule files (*.kvs)|*.kvs|SQL files (*.sql)|*.sql|"
            "Text files (*.txt)|*.txt");
        const QStringList kinds{QStringLiteral("SQL"), QStringLiteral("TXT"), QStringLiteral("KVR"),
                                QStringLiteral("KVS")};
        m_dialogs.setPreselectedPath(
            canPreselect(m_dm.paths.lastFilePath, kinds) ? m_dm.paths.lastFilePath : QString());
        for (;;) {
            const QString chosen = m_dm.ui->chooseOpenFile(QString(), filter);
            if (chosen.isEmpty())
                return false;
            if (openKindOf(chosen) != OpenKind::None) {
                m_dm.paths.pendingOpenPath = chosen;
                break;
            }
        }
    }
    const QString path = m_dm.paths.takePending();
    QString error;
    bool excelReport = false;
    switch (openKindOf(path)) {
    case OpenKind::SettingsFile: {
        SettingsReadOptions options;
        options.aliases = m_dm.session.aliasNames();
        options.currentAlias = m_dm.currentAliasNode ? m_dm.currentAliasNode->text(0) : QString();
        options.oracleHints = m_dm.kind == DbKind::Oracle;
        SettingsFileReader reader(options);
        ReportDefinition def;
        Status read = reader.readFile(path, def);
        m_pages.loadSql(def.sqlLines, false);
        m_dm.definition = def;
        m_dm.analysis = reader.analysis();
        m_pages.fillAnalyzeCol(m_dm.analysis.items);
        if (!read)
            error = read.error().message;
        else
            excelReport = reader.hasFormatBlock() && def.value(QStringLiteral("PROCFLG")) == u"1";
        break;
    }
    case OpenKind::ScheduleFile: {
        Status loaded = m_scheduleForm.loadScheduleFile(path);
        if (!loaded) {
            error = kOpenError + loaded.error().message;
        } else {
            m_scheduleForm.setStartFields(QDateTime::currentDateTime());
            m_scheduleForm.show();
        }
        break;
    }
    case OpenKind::SqlText: {
        m_dm.definition.clear();
        Result<QStringList> lines = readTextLines(path);
        if (!lines) {
            error = kOpenError + lines.error().message;
            break;
        }
        m_pages.loadSql(*lines, true);
        break;
    }
    case OpenKind::None:
        return false;
    }
    if (!error.isEmpty()) {
        m_dm.inform(error, MessageIcon::Error);
        return false;
    }
    m_dm.paths.lastFilePath = path;
    if (excelReport)
        emit excelSettingsLoaded();
    return true;
}

void FileCommands::saveFile() {
    TextEditor *editor = m_pages.activeEditor();
    if (!m_window->isActiveWindow() || !editor || linesBlank(editor->lines()) ||
        editor->toPlainText().isEmpty())
        return;
    const int tab = m_pages.currentTab();
    if (tab == SqlPane::SqlTab) {
        const QStringList lines = editor->lines();
        const bool oracle = m_dm.kind == DbKind::Oracle;
        SaveRequest request;
        request.mode = SettingsFileMode::Sql;
        request.sql = SqlSource::fromAnalysis(AnalyzeSelect(lines, oracle), lines);
        request.sql.editorLines = lines;
        request.presetAlias = m_dm.currentAliasNode ? m_dm.currentAliasNode->text(0) : QString();
        ReportDefinition def = m_dm.definition;
        def.sqlLines = lines;
        SystemClock clock;
        Result<QString> saved = saveSettingsFile(def, request, *m_dm.ui, clock);
        if (!saved)
            m_dm.inform(QStringLiteral("設定保存中にエラーが発生しました。"), MessageIcon::Error);
        else if (!saved->isEmpty())
            m_dm.paths.lastFilePath = *saved;
        return;
    }
    const QString filter = tab == SqlPane::DefinitionTab
                               ? QStringLiteral("Text files (*.txt)|*.txt")
                               : QStringLiteral("Text files (*.txt)|*.txt|SQL files (*.sql)|*.sql");
    m_dialogs.setPreselectedPath(canPreselect(m_dm.paths.lastFilePath, {QStringLiteral("TXT")})
                                     ? m_dm.paths.lastFilePath
                                     : QString());
    const QString path = m_dm.ui->chooseSaveFile(QString(), filter);
    if (path.isEmpty())
        return;
    QStringList lines;
    for (const QString &l : editor->lines())
        lines << rightTrimmed(l);
    Status written = writeTextLines(path, lines);
    if (!written)
        m_dm.inform(written.error().message, MessageIcon::Error);
    else
        m_dm.paths.lastFilePath = path;
}

void FileCommands::printFile() {
    TextEditor *e = m_pages.activeEditor();
    if (!m_window->isActiveWindow() || !e || e->toPlainText().isEmpty())
        return;
    QPrinter printer;
    QPrintDialog dialog(&printer, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printActiveEditor(&printer);
}

bool FileCommands::printActiveEditor(QPrinter *printer) {
    TextEditor *e = m_pages.activeEditor();
    if (!e || e->toPlainText().isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    painter.setFont(e->font());
    const QFontMetrics fm(painter.font(), printer);
    const int pageHeight = painter.viewport().height();
    int y = fm.ascent();
    for (const QString &line : e->lines()) {
        if (y > pageHeight) {
            printer->newPage();
            y = fm.ascent();
        }
        painter.drawText(0, y, line);
        y += fm.lineSpacing();
    }
    return painter.end();
}

} // namespace kelvoran

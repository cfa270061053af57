// kelvoran-batch report: runs an Excel report settings file as a scheduled ExcelReport entry
// does ("C" step codes, no questions, the limits as failures) and writes the workbook.
#include "batchcommand.h"

#include "aliases.h"
#include "dbsession.h"
#include "excelsession.h"
#include "reportdriver.h"
#include "settingsfile.h"
#include "userinteraction.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace kelvoran::batch {

namespace {

int runReport(const QStringList &args);

const BatchCommand kCommand{
    QStringLiteral("report"),
    QStringLiteral("write an Excel report from a settings file (.kvr), as the scheduler does"),
    QStringLiteral(
        "kelvoran-batch report FILE.kvr [--alias ALIAS] [--user USER] --output OUT.xlsx\n"
        "  Reads the settings file as the scheduler does and runs its Excel report on ALIAS\n"
        "  (default: the file's DBNAME) with USER (default: the alias's stored user) and the\n"
        "  password from KELVORAN_PASSWORD; the password stored in the file is not used.\n"
        "  Nothing is asked (confirmations are answered yes); a position limit fails the run.\n"
        "  OUT is written as .xlsx (\"x\" added to .xls, \".xlsx\" to any other name), with the\n"
        "  output read and write passwords of the file, and never opened; its real path is\n"
        "  printed. On a terminal, progress goes to stderr.\n"
        "  Exit 1 with the status text (message and step code) on stderr when the job fails."),
    &runReport};

const CommandRegistrar kRegistrar(kCommand);

// The scheduler's status of a failed step: text, one blank, step code.
int failedWith(const QString &text, const QString &stepCode) {
    printErr(text + QLatin1Char(' ') + stepCode + QLatin1Char('\n'));
    return ExitFailed;
}

int runReport(const QStringList &arguments) {
    const BatchArgs args(
        arguments, {QStringLiteral("alias"), QStringLiteral("user"), QStringLiteral("output")});
    if (const auto exit = handleCommonArgs(kCommand, args))
        return *exit;
    if (args.positionals().size() != 1)
        return usageError(kCommand, QStringLiteral("exactly one settings FILE is required"));
    const std::optional<QString> output = args.value(QStringLiteral("output"));
    if (!output || output->trimmed().isEmpty())
        return usageError(kCommand, QStringLiteral("--output is required"));
    const QString file = args.positionals().first();

    const Result<AliasList> aliases = AliasList::load();
    if (!aliases) {
        printErr(aliases.error().text() + QLatin1Char('\n'));
        return ExitFailed;
    }

    // Entry checks and the settings file, as a scheduled entry reads it.
    const QFileInfo info(file);
    if (!info.dir().exists())
        return failedWith(QStringLiteral("パスが存在しません。確認してください。"),
                          QStringLiteral("CES_270005"));
    if (!info.exists())
        return failedWith(QStringLiteral("ファイルが存在しません。確認してください。"),
                          QStringLiteral("CES_270006"));
    SettingsReadOptions options;
    options.prefix = u'C';
    options.keepDatabase = true;
    options.aliases = aliases->names();
    options.currentAlias = args.value(QStringLiteral("alias"), QString());
    SettingsFileReader reader(options);
    ReportDefinition def;
    Status st = reader.readFile(file, def);
    QString alias = args.value(QStringLiteral("alias"), QString());
    if (alias.isEmpty())
        alias = reader.currentAlias();
    const std::optional<AliasInfo> aliasInfo = aliases->find(alias);
    if (st && aliasInfo && aliasInfo->kind() == DbKind::Oracle) {
        // Optimizer hints stay in the select head on an Oracle alias.
        options.oracleHints = true;
        reader = SettingsFileReader(options);
        st = reader.readFile(file, def);
    }
    if (!st) {
        // The reader's error carries its code (CST_...); a file that cannot be read at all is a
        // load error.
        const QString code = st.error().stepCode;
        if (code.startsWith(QStringLiteral("CST_")))
            return failedWith(QStringLiteral("データ解析エラー ") + code,
                              QStringLiteral("CES_270008"));
        if (code.startsWith(QStringLiteral("CLA_")) || code.isEmpty())
            return failedWith(QStringLiteral("データロードエラー"), QStringLiteral("CES_270007"));
        return failedWith(QStringLiteral("データ解析エラー"), QStringLiteral("CES_270008"));
    }
    if (!reader.hasFormatBlock())
        return failedWith(QStringLiteral("データ解析エラー"), QStringLiteral("CES_270008"));
    if (def.value(QStringLiteral("PROCFLG")) != u"1")
        return failedWith(QStringLiteral("Excel帳票の設定ファイルではありません（PROCFLG=") +
                              def.value(QStringLiteral("PROCFLG")) + QLatin1Char(')'),
                          QStringLiteral("CES_270013"));
    if (!aliasInfo)
        return failedWith(QStringLiteral("設定情報解析エラー"), QStringLiteral("CES_270009"));

    // The scheduler's own connection, with the entry's user and the password from the
    // environment.
    SchedulerConnection connection(*aliases);
    const QString user = args.value(QStringLiteral("user"), aliasInfo->user);
    const DbResult<QSqlDatabase> db =
        connection.open(alias, user, qEnvironmentVariable("KELVORAN_PASSWORD"));
    if (!db) {
        printErr(db.error().message() + QLatin1Char('\n'));
        return failedWith(QStringLiteral("データベースに接続できないかデータベース名・ユーザー名・"
                                         "パスワード情報にエラーがあります。確認してください。"),
                          QStringLiteral("CES_270010"));
    }

    ReportSource source;
    source.analysis = reader.analysis();
    source.editorLines = def.sqlLines;

    ReportRunOptions run;
    run.prefix = u'C';
    run.database = *db;
    run.kind = aliasInfo->kind();
    run.outputPath = *output;
    run.settingsFilePath = file;
    const bool terminal = isatty(fileno(stderr)) != 0;
    QElapsedTimer shown;
    shown.start();
    bool progressShown = false;
    if (terminal) {
        run.progress = [&](const QString &text, qint64 record, qint64 total, bool) {
            // At most five lines a second, and the last record.
            if (record != total && shown.elapsed() < 200)
                return;
            shown.restart();
            std::fputs(("\r" + text).toUtf8().constData(), stderr);
            std::fflush(stderr);
            progressShown = true;
        };
    }

    RecordingInteraction ui;
    ui.defaultConfirm = true;
    const ReportRunResult result = runExcelReport(def, source, run, ui);
    if (progressShown)
        std::fputs("\n", stderr);
    if (!result.ok()) {
        printErr(result.statusText() + QLatin1Char('\n'));
        return ExitFailed;
    }
    printOut(result.savedPath + QLatin1Char('\n'));
    return ExitOk;
}

} // namespace

} // namespace kelvoran::batch

// kelvoran-batch schedule: loads a schedule file, gives each entry its connection from a
// credentials file, waits for the start time by the scheduler's timer rule, runs the entries and
// writes the run log.
#include "cli/batchcommand.h"

#include "core/appsettings.h"
#include "core/clock.h"
#include "core/textfile.h"
#include "db/aliases.h"
#include "db/dbsession.h"
#include "report/settingsfile.h"
#include "schedule/runlog.h"
#include "schedule/schedulefile.h"
#include "schedule/schedulerunner.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace kelvoran::batch {

namespace {

int runSchedule(const QStringList &arguments);

const BatchCommand kCommand{
    QStringLiteral("schedule"),
    QStringLiteral("run a schedule file (.kvs) at a start time and write its run log"),
    QStringLiteral(
        "kelvoran-batch schedule FILE.kvs --credentials CREDS.ini [--log-dir DIR|-]\n"
        "                        [--at \"yyyy/mm/dd HH:NN\"] [--json]\n"
        "  Gives every entry the connection of its settings file's alias (DBNAME) from\n"
        "  CREDS.ini, an INI file with one group per alias holding user= and password=, which\n"
        "  must belong to the user running the command and have mode 0600 (or 0400); another\n"
        "  owner or any other mode is refused with exit 1. An alias without login=true needs\n"
        "  no group (it connects with its stored user); an entry whose alias requires a login\n"
        "  and has no group stays unchecked and fails. The run starts at --at (now when\n"
        "  omitted); a later start is noticed as the scheduler's timer notices it (up to 10\n"
        "  minutes late for a later hour, an hour for a later day). ERRCHECK of the file\n"
        "  decides whether the first failure stops the run. The log goes to --log-dir\n"
        "  (default: LogFileDir of the settings). Prints one tab-separated line per entry:\n"
        "  number, file name, target path, start, end, data count, status; then \"log: \" and\n"
        "  the log file. The notices of a report entry (template features left out, database\n"
        "  values kept as text) follow its line on stderr, one line each after its number and\n"
        "  a tab; they are never part of the status. An entry that replaced a file an earlier\n"
        "  entry of the run wrote further up still completes; stderr warns about it. The log\n"
        "  is Shift_JIS: a status character it cannot hold is written there as \"?\" and\n"
        "  stderr says how many.\n"
        "  --log-dir - writes no log file: the log's lines go to stdout in UTF-8 instead of\n"
        "  the entry lines (for a container's or the journal's log). --json ends stderr of a\n"
        "  run with a one-line summary: the number of entries, ok, failed and unprocessed ones\n"
        "  and log, the log file's path or null when none was written. A run refused before\n"
        "  it starts (credentials, schedule file) prints no summary.\n"
        "  Exit 1 when any entry failed or the credentials file is refused, 2 on a usage error."),
    &runSchedule};

const CommandRegistrar kRegistrar(kCommand);

struct Credential {
    QString user;
    QString password;
};

// Reads the credentials file: "[ALIAS]" groups with "user=" and "password=" lines. Lines
// starting with ";" or "#" are comments; a value may be put in double quotes. The rest of a
// value is kept as it is, so a password may hold ";", "#", "," or "=".
Result<std::map<QString, Credential>> readCredentials(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{QStringLiteral("%1: %2").arg(path, file.errorString()), QString()};
    const QStringList lines = splitLines(QString::fromUtf8(file.readAll()));
    std::map<QString, Credential> groups;
    QString group;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2).trimmed();
            groups[group];
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || group.isEmpty())
            return Error{QStringLiteral("%1:%2: \"[ALIAS]\" または key=value の行ではありません")
                             .arg(path)
                             .arg(i + 1),
                         QString()};
        const QString key = line.left(eq).trimmed().toLower();
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        if (key == u"user")
            groups[group].user = value;
        else if (key == u"password")
            groups[group].password = value;
    }
    return groups;
}

// The DBNAME of an entry's settings file, or nothing when the file cannot be read.
std::optional<QString> settingsAlias(const ScheduleEntry &entry, const AliasList &aliases) {
    const Result<QStringList> lines = readTextLines(entry.folder + entry.fileName);
    if (!lines)
        return std::nullopt;
    SettingsReadOptions options;
    options.prefix = u'C';
    options.aliases = aliases.names();
    // Any alias stands as current so that an alias unknown here still reads; its name is what
    // the credentials are looked up by.
    options.currentAlias = QStringLiteral("-");
    SettingsFileReader reader(options);
    ReportDefinition def;
    if (!reader.readLines(*lines, def) || !reader.hasFormatBlock())
        return std::nullopt;
    return def.value(QStringLiteral("DBNAME"));
}

// The --at value: the whole text must be "yyyy/mm/dd HH:NN" (ASCII digits, nothing after it),
// each field passes the schedule window's field rule, and the date must exist (the window's
// fields take a day 1-31 in any month; a command line has no one to notice "2000/02/30").
Result<ScheduleStart> parseStart(const QString &text) {
    static const QRegularExpression shape(QRegularExpression::anchoredPattern(
        QStringLiteral("([0-9]{4})/([0-9]{1,2})/([0-9]{1,2}) ([0-9]{1,2}):([0-9]{1,2})")));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return Error{QStringLiteral("--at \"%1\" is not \"yyyy/mm/dd HH:NN\"").arg(text),
                     QString()};
    const Result<ScheduleStart> start = scheduleStartFromFields(
        {m.captured(1), m.captured(2), m.captured(3), m.captured(4), m.captured(5)});
    if (!start)
        return Error{QStringLiteral("--at \"%1\": %2").arg(text, start.error().message), QString()};
    if (!QDate(start->year, start->month, start->day).isValid())
        return Error{QStringLiteral("--at \"%1\": 日付「%2/%3/%4」は存在しません。")
                         .arg(text)
                         .arg(start->year)
                         .arg(start->month)
                         .arg(start->day),
                     QString()};
    return start;
}

// Why the credentials file may not be used, or nothing. It holds database passwords in plain
// text, so it must belong to the user running the schedule (also when that is root, who could
// read anyone's file) and have no group or other permission bits nor any execute bit: only
// 0600 or 0400.
std::optional<QString> credentialsFileRefusal(const QString &path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("credentials file \"%1\": %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (st.st_uid != ::geteuid())
        return QStringLiteral("credentials file \"%1\" belongs to user id %2, not to the user "
                              "running the schedule (%3); chown it to that user")
            .arg(path)
            .arg(st.st_uid)
            .arg(::geteuid());
    if ((st.st_mode & 0177) != 0)
        return QStringLiteral("credentials file \"%1\" has mode %2; make it readable and "
                              "writable by its owner only (chmod 600)")
            .arg(path)
            .arg(QString::number(st.st_mode & 07777, 8).rightJustified(4, u'0'));
    return std::nullopt;
}

// The run on one JSON line: the number of entries, how many completed, failed and stayed
// unprocessed, and the log file's path (null when no file was written).
QString runSummaryJson(const Schedule &schedule, const RunSummary &summary) {
    int ok = 0;
    int failed = 0;
    int unprocessed = 0;
    for (const ScheduleEntry &e : schedule.entries) {
        switch (entryOutcome(e.status)) {
        case EntryOutcome::Completed:
            ++ok;
            break;
        case EntryOutcome::Failed:
            ++failed;
            break;
        case EntryOutcome::Unprocessed:
            ++unprocessed;
            break;
        }
    }
    QJsonObject object;
    object.insert(QStringLiteral("entries"), int(schedule.entries.size()));
    object.insert(QStringLiteral("ok"), ok);
    object.insert(QStringLiteral("failed"), failed);
    object.insert(QStringLiteral("unprocessed"), unprocessed);
    object.insert(QStringLiteral("log"), summary.logPath.isEmpty() ? QJsonValue(QJsonValue::Null)
                                                                   : QJsonValue(summary.logPath));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A refusal of the command's input: its message, exit 1 (the usage text is for wrong arguments).
int refuse(const QString &message) {
    printErr(QStringLiteral("kelvoran-batch %1: %2\n").arg(kCommand.name, message));
    return ExitFailed;
}

int runSchedule(const QStringList &arguments) {
    const BatchArgs args(
        arguments, {QStringLiteral("credentials"), QStringLiteral("log-dir"), QStringLiteral("at")},
        {QStringLiteral("json")});
    if (const auto exit = handleCommonArgs(kCommand, args))
        return *exit;
    if (args.positionals().size() != 1)
        return usageError(kCommand, QStringLiteral("exactly one schedule FILE is required"));
    const QString scheduleFile = args.positionals().first();
    const std::optional<QString> credentialsFile = args.value(QStringLiteral("credentials"));
    if (!credentialsFile || credentialsFile->isEmpty())
        return usageError(kCommand, QStringLiteral("--credentials is required"));
    if (!QFileInfo(scheduleFile).isFile())
        return usageError(kCommand,
                          QStringLiteral("schedule file \"%1\" does not exist").arg(scheduleFile));
    if (!QFileInfo(*credentialsFile).isFile())
        return usageError(
            kCommand,
            QStringLiteral("credentials file \"%1\" does not exist").arg(*credentialsFile));
    if (const std::optional<QString> refusal = credentialsFileRefusal(*credentialsFile))
        return refuse(*refusal);
    ScheduleStart start;
    if (const std::optional<QString> at = args.value(QStringLiteral("at"))) {
        const Result<ScheduleStart> parsed = parseStart(*at);
        if (!parsed)
            return usageError(kCommand, parsed.error().message);
        start = *parsed;
    } else {
        const QDateTime now = QDateTime::currentDateTime();
        start = {now.date().year(), now.date().month(), now.date().day(), now.time().hour(),
                 now.time().minute()};
    }

    const Result<std::map<QString, Credential>> credentials = readCredentials(*credentialsFile);
    if (!credentials)
        return refuse(credentials.error().message);
    Result<Schedule> loaded = readScheduleFile(scheduleFile);
    if (!loaded) {
        printErr(loaded.error().text() + u'\n');
        return ExitFailed;
    }
    Schedule schedule = std::move(loaded).value();
    if (schedule.entries.empty()) {
        printErr(
            QStringLiteral("%1: 設定が記述されていません。確認してください。\n").arg(scheduleFile));
        return ExitFailed;
    }
    const Result<AliasList> aliases = AliasList::load();
    if (!aliases) {
        printErr(aliases.error().text() + u'\n');
        return ExitFailed;
    }

    QString logDir = args.value(QStringLiteral("log-dir"), QString());
    QString installDir;
    {
        AppSettingsStore store;
        if (store.programKeyExists()) {
            const Result<AppSettings> settings = store.load(FirstRunWindowValues{});
            if (settings) {
                installDir = settings->installDir;
                if (!args.value(QStringLiteral("log-dir")))
                    logDir = settings->logFileDir;
            }
        }
    }

    for (ScheduleEntry &e : schedule.entries) {
        const std::optional<QString> alias = settingsAlias(e, *aliases);
        if (!alias) {
            // The settings file cannot be read here: the run reports why (folder, file,
            // contents) instead of a missing connection.
            e.mark = EntryMark::Ready;
            continue;
        }
        const auto found = credentials->find(*alias);
        if (found != credentials->end()) {
            e.alias = *alias;
            e.userName = found->second.user;
            e.password = found->second.password;
            e.mark = EntryMark::Ready;
            continue;
        }
        // An alias that asks for no login (an SQLite file, a trusted server) connects as the
        // interactive session does: with its stored user and no password.
        const std::optional<AliasInfo> info = aliases->find(*alias);
        if (!info || info->loginRequired)
            continue; // stays Unchecked and fails as an entry without a connection
        e.alias = *alias;
        e.userName = info->user;
        e.mark = EntryMark::Ready;
    }

    SchedulerConnection connection(*aliases);
    SystemClock clock;
    ScheduleRunner runner(schedule, connection, clock);
    // "-" sends the log's lines to stdout in place of the entry lines, and writes no file.
    const bool logToStdout = logDir == u"-";
    if (logToStdout) {
        runner.setLogLineSink([](const QStringList &lines) {
            for (const QString &line : lines)
                printOut(line + u'\n');
        });
    } else {
        runner.setLogFolders(logDir, installDir);
    }
    QEventLoop loop;
    runner.setFinishedListener([&loop](const RunSummary &) { loop.quit(); });
    if (runner.toggleArmed(start) != ScheduleState::Armed) {
        printErr(
            QStringLiteral("%1: 設定が記述されていません。確認してください。\n").arg(scheduleFile));
        return ExitFailed;
    }
    loop.exec();
    connection.close();

    const RunSummary &summary = runner.lastRun();
    // Each entry's notices follow its line on stderr, marked with its number.
    int row = 0;
    for (const ScheduleEntry &e : schedule.entries) {
        ++row;
        if (logToStdout) {
            printNotices(e.notices, QString::number(row) + u'\t');
            continue;
        }
        printOut(QStringList{QString::number(row), e.fileName,
                             e.writtenPath.isEmpty() ? e.targetPath : e.writtenPath, e.startTime,
                             e.endTime, e.dataCount.trimmed(), oneLine(e.status)}
                     .join(u'\t') +
                 u'\n');
        printNotices(e.notices, QString::number(row) + u'\t');
    }
    if (!logToStdout)
        printOut(QStringLiteral("log: ") + summary.logPath + u'\n');
    QString notes;
    for (const QString &warning : summary.warnings)
        notes += warning + u'\n';
    if (!summary.logNotice.isEmpty())
        notes += summary.logNotice + u'\n';
    if (summary.logReplacedCharacters > 0)
        notes += runLogReplacedNotice(summary.logReplacedCharacters) + u'\n';
    if (args.flag(QStringLiteral("json")))
        notes += runSummaryJson(schedule, summary) + u'\n';
    if (!notes.isEmpty())
        printErr(notes);
    return summary.errorCount > 0 ? ExitFailed : ExitOk;
}

} // namespace

} // namespace kelvoran::batch

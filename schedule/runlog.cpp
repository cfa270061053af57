#include "schedule/runlog.h"

#include "core/pathrules.h"
#include "core/textfile.h"
#include "report/messagetable.h"

#include <QDir>
#include <QFileInfo>

#include <iterator>
#include <optional>

namespace kelvoran {

namespace {

QString field(const char *label, const QString &value) {
    return QString::fromUtf8(label) + QStringLiteral("「") + value + QStringLiteral("」");
}

QString withoutLineBreaks(QString text) {
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

QString withSeparator(const QString &folder) {
    if (folder.isEmpty() || isPathSeparator(folder.back()))
        return folder;
    return folder + QDir::separator();
}

} // namespace

QString shiftJisStatusText(const QString &status, int *replaced) {
    if (encodeShiftJis(status))
        return status;
    QString safe;
    // Code points, so that an emoji (two UTF-16 units) becomes one "?".
    for (const char32_t cp : status.toUcs4()) {
        const QString ch = QString::fromUcs4(&cp, 1);
        if (encodeShiftJis(ch)) {
            safe += ch;
        } else {
            safe += u'?';
            if (replaced)
                ++*replaced;
        }
    }
    return safe;
}

QString runLogReplacedNotice(int replacedCharacters) {
    return QStringLiteral("ログのステータスに Shift_JIS で表せない文字が %1 文字あったため、"
                          "「?」に置き換えて保存しました。")
        .arg(replacedCharacters);
}

QStringList runLogLines(const QString &runStart, const QString &runEnd,
                        const std::vector<RunLogEntry> &entries, int *replacedCharacters) {
    int replaced = 0;
    const QString sep = QStringLiteral("@/");
    QStringList lines;
    lines << field("スケジュール開始時間:", runStart) + sep +
                 field("スケジュール終了時間:", runEnd) + sep +
                 field("Version:", QString::fromLatin1(kLogProductText)) + sep + u';';
    int n = 0;
    for (const RunLogEntry &e : entries) {
        ++n;
        QString count = e.dataCount;
        while (count.startsWith(u' '))
            count.remove(0, 1);
        lines << field("スケジュール番号:", QString::number(n)) + sep +
                     field("ファイル名：", e.fileName) + sep + field("ファイルパス：", e.folder) +
                     sep + field("保存場所：", e.targetPath) + sep +
                     field("開始時間：", e.startTime) + sep + field("終了時間：", e.endTime) + sep +
                     field("レコード数：", count) + sep +
                     field("ステータス：",
                           shiftJisStatusText(withoutLineBreaks(e.status), &replaced)) +
                     sep + u';';
    }
    if (replacedCharacters)
        *replacedCharacters = replaced;
    return lines;
}

Result<RunLogWritten> writeRunLog(const QString &logDir, const QString &installDir,
                                  const QDateTime &writtenAt, const QStringList &lines) {
    const QString stamp = writtenAt.toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
    RunLogWritten written;
    if (!logDir.isEmpty() && QFileInfo(logDir).isDir()) {
        written.path = withSeparator(logDir) + stamp + QStringLiteral(".log");
    } else if (!installDir.isEmpty() && QFileInfo(installDir).isDir()) {
        written.path = withSeparator(installDir) + stamp + QStringLiteral(".log");
        written.notice =
            QStringLiteral(
                "ログの出力先が存在しません。「%1」にログを保存しました。確認してください。")
                .arg(installDir);
    } else {
        written.path =
            QDir::current().filePath(QStringLiteral("KVRLog") + stamp + QStringLiteral(".log"));
        written.notice = QStringLiteral("ログの出力先が存在しません。アプリケーション実行ディレクト"
                                        "リにログを保存しました。確認してください。");
    }
    // Two runs that end in the same second (two schedules started by one cron minute) must not
    // replace each other's log: a name already taken gets "_2", "_3", ... before ".log".
    if (QFileInfo::exists(written.path)) {
        const QString base = written.path.chopped(4);
        int n = 2;
        while (QFileInfo::exists(base + QStringLiteral("_%1.log").arg(n)))
            ++n;
        written.path = base + QStringLiteral("_%1.log").arg(n);
    }
    if (Status st = writeTextLines(written.path, lines); !st)
        return Error{QStringLiteral("ログの出力に失敗しました。") + QStringLiteral(" ") +
                         st.error().message,
                     QString()};
    return written;
}

namespace {

// The labels of an entry line, in field order.
const char *const kEntryLabels[] = {"スケジュール番号:", "ファイル名：", "ファイルパス：",
                                    "保存場所：",        "開始時間：",   "終了時間：",
                                    "レコード数：",      "ステータス："};

// An entry line as runLogLines() writes it, read by its labels, so that a value may itself hold
// "「", "」" or "@/" (a CSV failure names the item 「...」 it stopped at). Nothing when the record
// does not have that shape.
std::optional<QStringList> entryCells(const QString &text) {
    const QString open = QStringLiteral("「");
    const QString close = QStringLiteral("」@/");
    QStringList cells;
    qsizetype at = 0;
    for (size_t i = 0; i < std::size(kEntryLabels); ++i) {
        const QString head = QString::fromUtf8(kEntryLabels[i]) + open;
        if (!QStringView(text).mid(at).startsWith(head))
            return std::nullopt;
        at += head.size();
        qsizetype end = -1;
        if (i + 1 < std::size(kEntryLabels)) {
            end = text.indexOf(close + QString::fromUtf8(kEntryLabels[i + 1]) + open, at);
        } else if (text.endsWith(close + u';')) {
            end = text.size() - close.size() - 1;
        }
        if (end < at)
            return std::nullopt;
        cells << text.mid(at, end - at);
        at = end + close.size();
    }
    return cells;
}

// Any other record: split at "@/", each cell the text between the first "「" and the last "」"
// of its piece.
QStringList pieceCells(const QString &text, bool terminated) {
    const QStringList pieces = text.split(QStringLiteral("@/"));
    const qsizetype fields = terminated ? pieces.size() - 1 : pieces.size();
    QStringList cells;
    for (qsizetype p = 0; p < fields; ++p) {
        const QString &piece = pieces[p];
        const qsizetype open = piece.indexOf(QStringLiteral("「"));
        const qsizetype close = open < 0 ? -1 : piece.lastIndexOf(QStringLiteral("」"));
        cells << (open >= 0 && close > open ? piece.mid(open + 1, close - open - 1) : QString());
    }
    return cells;
}

} // namespace

EntryOutcome entryOutcome(const QString &status) {
    if (status == EntryText::completed())
        return EntryOutcome::Completed;
    if (status == EntryText::unprocessed())
        return EntryOutcome::Unprocessed;
    return EntryOutcome::Failed;
}

Result<RunLogContents> readRunLog(const QString &path) {
    const Error failure{QStringLiteral("ログファイルの読み込みに失敗しました。"), QString()};
    Result<QStringList> lines = readTextLines(path);
    if (!lines)
        return failure;
    RunLogContents log;
    // Splits one record's text into its eight cells.
    auto addRecord = [&log](const QString &text, bool terminated) {
        std::optional<QStringList> cells = terminated ? entryCells(text) : std::nullopt;
        if (!cells)
            cells = pieceCells(text, terminated);
        while (cells->size() < 8)
            *cells << QString();
        log.records.push_back(*cells);
    };
    QString pending;
    for (qsizetype i = 1; i < lines->size(); ++i) {
        pending += lines->at(i);
        if (!pending.endsWith(QStringLiteral("@/;")))
            continue; // the record goes on on the next line
        addRecord(pending, true);
        pending.clear();
    }
    // A last record without its end marker is still shown rather than dropped.
    if (!pending.trimmed().isEmpty())
        addRecord(pending, false);
    log.total = static_cast<int>(log.records.size());
    for (const QStringList &r : log.records) {
        if (r[1].isEmpty())
            continue;
        switch (entryOutcome(r[7])) {
        case EntryOutcome::Completed:
            ++log.completed;
            break;
        case EntryOutcome::Unprocessed:
            ++log.unprocessed;
            break;
        case EntryOutcome::Failed:
            ++log.failed;
            break;
        }
    }
    if (log.total != log.completed + log.failed + log.unprocessed)
        log.completed = log.failed = log.unprocessed = log.total = 0;
    return log;
}

} // namespace kelvoran

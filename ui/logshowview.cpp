#include "ui/logshowview.h"

#include "core/pathrules.h"
#include "report/messagetable.h"

#include <algorithm>

namespace kelvoran {

namespace {

QString count(int n) {
    return QString::number(n);
}

bool allEmpty(const QStringList &row) {
    return std::all_of(row.begin(), row.end(), [](const QString &c) { return c.isEmpty(); });
}

} // namespace

LogShowContents logShowContents(const RunLogContents &log) {
    LogShowContents shown;
    shown.rows = log.records;
    if (!shown.rows.empty() && allEmpty(shown.rows.back()))
        shown.rows.pop_back();
    shown.total = count(log.total);
    shown.completed = count(log.completed);
    shown.failed = count(log.failed);
    shown.unprocessed = count(log.unprocessed);
    return shown;
}

LogShowContents scheduleShowContents(const Schedule &schedule) {
    LogShowContents shown;
    int n = 0;
    for (const ScheduleEntry &e : schedule.entries) {
        if (e.fileName.isEmpty())
            continue;
        shown.rows.push_back({count(++n), e.fileName, e.folder});
    }
    shown.total = count(n);
    return shown;
}

bool isRedLogRow(const QStringList &row) {
    if (row.size() < 8)
        return false;
    const QString &status = row[7];
    return !status.isEmpty() && status != EntryText::completed();
}

QStringList logGridHeadings() {
    return {QStringLiteral("スケジュール番号"), QStringLiteral("ファイル名"),
            QStringLiteral("ファイルパス"),     QStringLiteral("保存場所"),
            QStringLiteral("開始時間"),         QStringLiteral("終了時間"),
            QStringLiteral("レコード数"),       QStringLiteral("ステータス")};
}

QStringList scheduleGridHeadings(bool fileOpened) {
    if (fileOpened)
        return {QStringLiteral("スケジュール番号"), QStringLiteral("スケジュールデータ"),
                QStringLiteral("データパス")};
    return {QStringLiteral("スケジュール番号"), QStringLiteral("ファイル名"),
            QStringLiteral("ファイルパス")};
}

QString logShowCaption(LogShowMode mode) {
    return mode == LogShowMode::Log ? QStringLiteral("LogShowForm")
                                    : QStringLiteral("ScheduleShowForm");
}

QString logShowOpenCaption(LogShowMode mode) {
    return mode == LogShowMode::Log ? QStringLiteral("ログファイルを開く")
                                    : QStringLiteral("スケジュールファイルを開く");
}

QString logShowFilter(LogShowMode mode) {
    return mode == LogShowMode::Log ? QStringLiteral("Log files (*.log)|*.log")
                                    : QStringLiteral("Schedule files (*.kvs)|*.kvs");
}

bool acceptsLogShowFile(LogShowMode mode, const QString &path) {
    return hasExtension(mode == LogShowMode::Log ? QStringLiteral("LOG") : QStringLiteral("KVS"),
                        path);
}

QString settingsFileOfRow(const QString &folder, const QString &fileName) {
    const QString path = folder + fileName;
    return !fileName.isEmpty() && hasExtension(QStringLiteral("KVR"), path) ? path : QString();
}

LogShowLayout logShowLayout(int xgaSvgaMode) {
    if (xgaSvgaMode == 1)
        return {6, 9, 556, 760, {110, 110, 122}};
    return {15, 54, 640, 1000, {157, 164, 214}};
}

std::array<int, 8> logGridWidths() {
    return {126, 144, 136, 111, 104, 106, 103, 130};
}

int logShowMinimumWidth(int okButtonWidth) {
    return okButtonWidth + 100;
}

} // namespace kelvoran

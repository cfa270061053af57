#include "ui/schedulewindowstate.h"

#include "core/textfile.h"
#include "report/messagetable.h"
#include "schedule/runlog.h"
#include "schedule/schedulefile.h"

#include <algorithm>

namespace kelvoran {

QStringList scheduleHeadings() {
    return {QString(),
            QStringLiteral("スケジュールデータ"),
            QStringLiteral("データパス"),
            QStringLiteral("セーブ・ロードデータパス"),
            QStringLiteral("開始時刻"),
            QStringLiteral("終了時刻"),
            QStringLiteral("データ数"),
            QStringLiteral("ステータス")};
}

QString scheduleHeadingText(const QString &heading, int columnWidth) {
    const Result<QByteArray> bytes = encodeShiftJis(heading);
    const int length = bytes ? int(bytes->size()) : int(heading.toUtf8().size());
    const int room = columnWidth - 6 * length;
    if (room <= 7)
        return heading;
    return QString(room / 8, u' ') + heading;
}

ScheduleWindowLayout scheduleWindowLayout(int xgaSvgaMode) {
    if (xgaSvgaMode == 1)
        return {QRect(6, 9, 760, 556), {40, 110, 110, 122, 79, 73, 59, 115}};
    return {QRect(15, 54, 1000, 640), {40, 157, 164, 214, 90, 83, 59, 152}};
}

FooterButtonLefts buttonLeftsForLayout(int windowWidth) {
    const int half = windowWidth / 2;
    return {half - 176, half - 38, half + 100};
}

FooterButtonLefts centredButtonLefts(int footerWidth, int execWidth, int deleteAllWidth,
                                     int closeWidth) {
    return {footerWidth / 4 - execWidth / 2, footerWidth / 2 - deleteAllWidth / 2,
            footerWidth * 3 / 4 - closeWidth / 2};
}

int minimumScheduleWindowWidth(int execWidth, int deleteAllWidth, int closeWidth) {
    return execWidth + deleteAllWidth + closeWidth + 100;
}

RowFill rowFill(EntryMark mark, bool isRunningRow) {
    if (isRunningRow)
        return RowFill::Running;
    switch (mark) {
    case EntryMark::Failed:
        return RowFill::Failed;
    case EntryMark::Unchecked:
        return RowFill::Unchecked;
    case EntryMark::Ready:
        break;
    }
    return RowFill::Normal;
}

QString rowNumberText(int row, bool armedOrRunning) {
    return armedOrRunning ? QStringLiteral("   ") + QString::number(row) : QString::number(row);
}

bool scheduleCommandVisible(ScheduleCommand command, bool rangeSelected) {
    switch (command) {
    case ScheduleCommand::ChangeConnection:
    case ScheduleCommand::ExcelPasswords:
    case ScheduleCommand::EditTarget:
        return !rangeSelected;
    case ScheduleCommand::EditTargetGroup:
        return rangeSelected;
    default:
        return true;
    }
}

bool scheduleCommandEnabled(ScheduleCommand, ScheduleState state) {
    return state != ScheduleState::Running;
}

bool RowRange::rightClick(int row) {
    if (isRange() && contains(row))
        return false;
    reset(row);
    return true;
}

void keepOneRow(Schedule &schedule) {
    if (schedule.entries.empty())
        schedule.entries.emplace_back();
}

void keepTrailingEmptyRow(Schedule &schedule) {
    if (schedule.entries.empty() || !schedule.entries.back().isEmpty())
        schedule.entries.emplace_back();
}

int insertEmptyRow(Schedule &schedule, int cursorRow) {
    keepOneRow(schedule);
    const int rows = int(schedule.entries.size());
    const int row = std::clamp(cursorRow, 1, rows);
    if (row == rows) {
        schedule.entries.emplace_back();
        return row;
    }
    schedule.entries.insert(schedule.entries.begin() + (row - 1), ScheduleEntry());
    return row;
}

int deleteRow(Schedule &schedule, int cursorRow) {
    keepOneRow(schedule);
    const int rows = int(schedule.entries.size());
    const int row = std::clamp(cursorRow, 1, rows);
    if (rows == 1) {
        schedule.entries.front() = ScheduleEntry();
        return 1;
    }
    schedule.entries.erase(schedule.entries.begin() + (row - 1));
    return std::min(row, rows - 1);
}

void moveRow(Schedule &schedule, int from, int to) {
    const int rows = int(schedule.entries.size());
    if (from < 1 || from > rows || to < 1 || to > rows || from == to)
        return;
    ScheduleEntry moved = schedule.entries[size_t(from - 1)];
    schedule.entries.erase(schedule.entries.begin() + (from - 1));
    schedule.entries.insert(schedule.entries.begin() + (to - 1), moved);
}

QStringList startFieldsFor(const QDateTime &now) {
    return {now.toString(QStringLiteral("yyyy")), now.toString(QStringLiteral("MM")),
            now.toString(QStringLiteral("dd")), now.toString(QStringLiteral("HH")),
            now.toString(QStringLiteral("mm"))};
}

StartFieldCheck checkLeftStartField(const QStringList &fields, int left, const QDateTime &now) {
    static const StartField order[] = {StartField::Year, StartField::Month, StartField::Day,
                                       StartField::Hour, StartField::Minute};
    StartFieldCheck check;
    check.fields = fields;
    while (check.fields.size() < 5)
        check.fields << QString();
    for (int i = 0; i < 5; ++i) {
        if (check.fields[i].isEmpty()) {
            check.warning = startFieldMissingMessage(order[i]);
            check.focusField = i;
            return check;
        }
    }
    if (left < 0 || left > 4)
        return check;
    const Result<QString> normalised = normaliseStartField(order[left], check.fields[left]);
    if (normalised) {
        check.fields[left] = *normalised;
        return check;
    }
    check.warning = normalised.error().message;
    check.focusField = left;
    check.fields[left] = startFieldsFor(now)[left];
    return check;
}

QString runEndStatusText(const RunSummary &summary) {
    QStringList parts{EntryText::runEnded(summary.errorCount)};
    parts << summary.warnings;
    if (!summary.logNotice.isEmpty())
        parts << summary.logNotice;
    if (summary.logReplacedCharacters > 0)
        parts << runLogReplacedNotice(summary.logReplacedCharacters);
    return parts.join(QStringLiteral("  "));
}

} // namespace kelvoran

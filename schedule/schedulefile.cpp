#include "schedule/schedulefile.h"

#include "core/textfile.h"

namespace kelvoran {

Result<Schedule> readScheduleFile(const QString &path) {
    Result<QStringList> lines = readTextLines(path);
    if (!lines)
        return lines.error();
    const QString startMarker = QString::fromUtf8(kScheduleStartMarker);
    const QString endMarker = QString::fromUtf8(kScheduleEndMarker);
    qsizetype start = -1;
    for (qsizetype i = 0; i < lines->size() && start < 0; ++i)
        if (lines->at(i).contains(startMarker))
            start = i;
    if (start < 0)
        return Error{
            QStringLiteral(
                "%1 はスケジュールファイルではありません（フォーマット設定の開始行がありません）。")
                .arg(path),
            QString()};

    Schedule schedule;
    for (qsizetype i = 0; i < start; ++i) {
        const QStringList pieces = lines->at(i).split(u',');
        ScheduleEntry e;
        e.fileName = pieces.value(0);
        e.folder = pieces.value(1);
        // Further commas fill further columns; the third column keeps its own piece only.
        e.targetPath = pieces.value(2);
        e.mark = EntryMark::Unchecked;
        schedule.entries.push_back(e);
    }
    schedule.errorStop = false;
    for (qsizetype i = start + 1; i < lines->size(); ++i) {
        const QString &line = lines->at(i);
        if (line.contains(endMarker))
            break;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (line.mid(4, eq - 4).trimmed() == u"ERRCHECK")
            schedule.errorStop = line.mid(eq + 1).trimmed() == u"1";
    }
    schedule.compact();
    for (ScheduleEntry &e : schedule.entries)
        e.mark = EntryMark::Unchecked;
    return schedule;
}

QStringList scheduleFileLines(const Schedule &schedule) {
    QStringList lines;
    for (const ScheduleEntry &e : schedule.entries)
        if (!e.isEmpty())
            lines << e.fileName + u',' + e.folder + u',' + e.targetPath;
    lines << QStringLiteral(" ") + QString::fromUtf8(kScheduleStartMarker) + QStringLiteral("  ");
    lines << (schedule.errorStop ? QStringLiteral(" /* ERRCHECK= 1")
                                 : QStringLiteral(" /* ERRCHECK= 0"));
    lines << QStringLiteral(" ") + QString::fromUtf8(kScheduleEndMarker) + QStringLiteral("  ");
    return lines;
}

Result<bool> writeScheduleFile(const QString &path, const Schedule &schedule) {
    int row = 0;
    bool any = false;
    for (const ScheduleEntry &e : schedule.entries) {
        if (e.isEmpty())
            continue;
        ++row;
        any = true;
        for (const QString *text : {&e.fileName, &e.folder, &e.targetPath})
            if (text->contains(u','))
                return Error{QStringLiteral("スケジュール番号「%1」のパス「%2」に「,"
                                            "」が含まれているため保存できません。")
                                 .arg(row)
                                 .arg(*text),
                             QString()};
    }
    if (!any)
        return false;
    if (Status st = writeTextLines(path, scheduleFileLines(schedule)); !st)
        return st.error();
    return true;
}

QString startFieldMissingMessage(StartField field) {
    static const char *const names[] = {"年", "月", "日", "時", "分"};
    return QStringLiteral("開始時間「%1」項目が未入力です。入力してください。")
        .arg(QString::fromUtf8(names[static_cast<int>(field)]));
}

Result<QString> normaliseStartField(StartField field, const QString &text) {
    struct Range {
        int min, max;
        const char *name;
    };
    static const Range ranges[] = {
        {1900, 3000, "年"}, {1, 12, "月"}, {1, 31, "日"}, {0, 23, "時間"}, {0, 59, "分"}};
    const Range &r = ranges[static_cast<int>(field)];
    bool ok = !text.isEmpty();
    for (QChar c : text)
        ok = ok && c >= u'0' && c <= u'9';
    const int value = ok ? text.toInt(&ok) : 0;
    if (!ok || value < r.min || value > r.max)
        return Error{QStringLiteral("入力された「%1」が不正です。確認してください。")
                         .arg(QString::fromUtf8(r.name)),
                     QString()};
    if (field == StartField::Year)
        return QString::number(value);
    return QString::number(value).rightJustified(2, u'0');
}

} // namespace kelvoran

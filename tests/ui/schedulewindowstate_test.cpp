#include "ui/schedulewindowstate.h"

#include "schedule/runlog.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

Schedule named(std::initializer_list<const char *> names) {
    Schedule s;
    for (const char *name : names) {
        ScheduleEntry e;
        e.fileName = QLatin1String(name);
        e.alias = QStringLiteral("alias of ") + e.fileName; // a hidden field moves along
        s.entries.push_back(e);
    }
    return s;
}

QStringList names(const Schedule &s) {
    QStringList out;
    for (const ScheduleEntry &e : s.entries)
        out << e.fileName;
    return out;
}

TEST(ScheduleWindowState, HeadingsArePaddedByTheirShiftJisWidth) {
    struct Case {
        QString heading;
        int width;
        int blanks;
    };
    const std::vector<Case> cases{
        {QStringLiteral("スケジュールデータ"), 157, 6}, // 18 bytes: (157 - 108) div 8
        {QStringLiteral("データ数"), 59, 1},            // 59 - 48 = 11
        {QStringLiteral("開始時刻"), 55, 0},            // 55 - 48 = 7 is not enough
        {QStringLiteral("Data"), 40, 2},                // single-byte: (40 - 24) div 8
    };
    for (const Case &c : cases)
        EXPECT_EQ(scheduleHeadingText(c.heading, c.width), QString(c.blanks, u' ') + c.heading)
            << c.heading.toStdString();
}

TEST(ScheduleWindowState, LayoutModesAndFooterButtons) {
    const ScheduleWindowLayout xga = scheduleWindowLayout(0);
    EXPECT_EQ(xga.geometry, QRect(15, 54, 1000, 640));
    EXPECT_EQ(xga.columnWidths[StatusColumn], 152);
    const ScheduleWindowLayout svga = scheduleWindowLayout(1);
    EXPECT_EQ(svga.geometry, QRect(6, 9, 760, 556));
    EXPECT_EQ(svga.columnWidths[TargetColumn], 122);
    const FooterButtonLefts laid = buttonLeftsForLayout(1001);
    EXPECT_EQ(laid.exec, 500 - 176);
    EXPECT_EQ(laid.deleteAll, 500 - 38);
    EXPECT_EQ(laid.close, 600);
    const FooterButtonLefts centred = centredButtonLefts(800, 74, 74, 74);
    EXPECT_EQ(centred.exec + 37, 200);
    EXPECT_EQ(centred.deleteAll + 37, 400);
    EXPECT_EQ(centred.close + 37, 600);
    EXPECT_EQ(minimumScheduleWindowWidth(75, 75, 75), 325);
}

TEST(ScheduleWindowState, RowFillsAndNumbers) {
    EXPECT_EQ(rowFill(EntryMark::Ready, false), RowFill::Normal);
    EXPECT_EQ(rowFill(EntryMark::Failed, false), RowFill::Failed);
    EXPECT_EQ(rowFill(EntryMark::Unchecked, false), RowFill::Unchecked);
    // The row being run is lime whatever its mark.
    EXPECT_EQ(rowFill(EntryMark::Failed, true), RowFill::Running);
    EXPECT_EQ(rowFill(EntryMark::Unchecked, true), RowFill::Running);
    EXPECT_EQ(rowNumberText(12, false), QStringLiteral("12"));
    EXPECT_EQ(rowNumberText(3, true), QStringLiteral("   3"));
}

TEST(ScheduleWindowState, CommandsShownBySelectionAndOffWhileRunning) {
    EXPECT_TRUE(scheduleCommandVisible(ScheduleCommand::ChangeConnection, false));
    EXPECT_FALSE(scheduleCommandVisible(ScheduleCommand::ChangeConnection, true));
    EXPECT_FALSE(scheduleCommandVisible(ScheduleCommand::EditTarget, true));
    EXPECT_TRUE(scheduleCommandVisible(ScheduleCommand::EditTargetGroup, true));
    EXPECT_FALSE(scheduleCommandVisible(ScheduleCommand::EditTargetGroup, false));
    EXPECT_TRUE(scheduleCommandVisible(ScheduleCommand::AddRow, true));
    for (ScheduleCommand c : {ScheduleCommand::Save, ScheduleCommand::AddEntry,
                              ScheduleCommand::DeleteAll, ScheduleCommand::MoveRow}) {
        EXPECT_TRUE(scheduleCommandEnabled(c, ScheduleState::Idle));
        EXPECT_TRUE(scheduleCommandEnabled(c, ScheduleState::Armed));
        EXPECT_FALSE(scheduleCommandEnabled(c, ScheduleState::Running));
    }
}

TEST(ScheduleWindowState, MouseRangeRules) {
    RowRange range;
    range.reset(2);
    range.dragTo(5);
    EXPECT_TRUE(range.isRange());
    EXPECT_EQ(range.first(), 2);
    EXPECT_EQ(range.last(), 5);
    EXPECT_FALSE(range.rightClick(4)); // inside the range: kept for the group command
    EXPECT_TRUE(range.isRange());
    EXPECT_TRUE(range.rightClick(7)); // outside: the range becomes the row
    EXPECT_EQ(range.first(), 7);
    EXPECT_FALSE(range.isRange());
    EXPECT_TRUE(range.rightClick(7)); // one row selected: reset to the row clicked
    range.dragTo(3);                  // upwards
    EXPECT_EQ(range.first(), 3);
    EXPECT_EQ(range.last(), 7);
}

TEST(ScheduleWindowState, RowOperations) {
    Schedule s = named({"a", "b", "c"});
    EXPECT_EQ(insertEmptyRow(s, 2), 2);
    EXPECT_EQ(names(s), (QStringList{"a", "", "b", "c"}));
    EXPECT_EQ(insertEmptyRow(s, 4), 4); // on the last row: one after it
    EXPECT_EQ(names(s), (QStringList{"a", "", "b", "c", ""}));

    EXPECT_EQ(deleteRow(s, 5), 4);
    EXPECT_EQ(deleteRow(s, 2), 2);
    EXPECT_EQ(names(s), (QStringList{"a", "b", "c"}));

    moveRow(s, 3, 1);
    EXPECT_EQ(names(s), (QStringList{"c", "a", "b"}));
    EXPECT_EQ(s.entries[0].alias, QStringLiteral("alias of c"));
    moveRow(s, 1, 9); // out of range: nothing
    EXPECT_EQ(names(s), (QStringList{"c", "a", "b"}));

    Schedule one = named({"only"});
    EXPECT_EQ(deleteRow(one, 1), 1); // the only row is emptied, not removed
    ASSERT_EQ(one.entries.size(), size_t(1));
    EXPECT_TRUE(one.entries[0].isEmpty());
    EXPECT_TRUE(one.entries[0].alias.isEmpty());

    Schedule trailing = named({"a"});
    keepTrailingEmptyRow(trailing);
    keepTrailingEmptyRow(trailing);
    EXPECT_EQ(names(trailing), (QStringList{"a", ""}));
}

TEST(ScheduleWindowState, LeavingAStartField) {
    const QDateTime now(QDate(2026, 3, 7), QTime(8, 5, 0));
    struct Case {
        const char *name;
        QStringList fields;
        int left;
        QString warning;
        int focus;
        QStringList after;
    };
    const QStringList full{"2026", "3", "7", "8", "5"};
    const std::vector<Case> cases{
        {"one-digit month padded", full, 1, QString(), -1, {"2026", "03", "7", "8", "5"}},
        {"day 31 in any month",
         {"2026", "02", "31", "08", "05"},
         2,
         QString(),
         -1,
         {"2026", "02", "31", "08", "05"}},
        {"first empty field named",
         {"2026", "", "07", "", "05"},
         4,
         QStringLiteral("開始時間「月」項目が未入力です。入力してください。"),
         1,
         {"2026", "", "07", "", "05"}},
        {"invalid hour replaced by now's",
         {"2026", "03", "07", "24", "05"},
         3,
         QStringLiteral("入力された「時間」が不正です。確認してください。"),
         3,
         {"2026", "03", "07", "08", "05"}},
        {"year out of range",
         {"1899", "03", "07", "08", "05"},
         0,
         QStringLiteral("入力された「年」が不正です。確認してください。"),
         0,
         {"2026", "03", "07", "08", "05"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const StartFieldCheck check = checkLeftStartField(c.fields, c.left, now);
        EXPECT_EQ(check.warning, c.warning);
        EXPECT_EQ(check.focusField, c.focus);
        EXPECT_EQ(check.fields, c.after);
    }
}

TEST(ScheduleWindowState, RunEndStatusText) {
    RunSummary summary;
    summary.errorCount = 2;
    EXPECT_EQ(runEndStatusText(summary), QStringLiteral("スケジュール終了〔エラー件数 2〕"));
    summary.warnings << QStringLiteral("W");
    summary.logNotice = QStringLiteral("N");
    summary.logReplacedCharacters = 3;
    const QString text = runEndStatusText(summary);
    EXPECT_TRUE(text.startsWith(QStringLiteral("スケジュール終了〔エラー件数 2〕  W  N  ")));
    EXPECT_TRUE(text.endsWith(runLogReplacedNotice(3)));
}

} // namespace

#include "schedule/scheduleediting.h"

#include "schedule/entrycheck.h"

#include "core/pathrules.h"
#include "core/stepcode.h"
#include "core/textfile.h"
#include "db/aliases.h"
#include "db/dbsession.h"
#include "report/messagetable.h"
#include "report/settingsfile.h"
#include "report/userinteraction.h"

#include <QFileInfo>

namespace kelvoran {

namespace {

const QString kKvrFilter = QStringLiteral("Kelvoran files (*.kvr)|*.kvr");
const QString kExcelSaveFilter = QStringLiteral("Excel files (*.xls)|*.XLS");
const QString kExcelGroupFilter = QStringLiteral("Excel files (*.xls)|*.xls");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)|*.csv");

// The entry checks of a row's settings file; the rows edited here may have no connection yet.
Result<CheckedEntry> checkSettingsFile(const ScheduleEntry &entry, const AliasList &aliases) {
    EntryCheckOptions options;
    options.requireConfirmedConnection = false;
    return checkEntry(entry, aliases, options);
}

// Asks for a file until one of the kind is chosen; empty when cancelled.
QString chooseFileOfKind(UserInteraction &ui, bool save, const QString &title,
                         const QString &filter, const char *kind, bool mustExist = false) {
    for (;;) {
        const QString chosen =
            save ? ui.chooseSaveFile(title, filter) : ui.chooseOpenFile(title, filter);
        if (chosen.isEmpty())
            return chosen;
        if (kind && !hasExtension(QString::fromLatin1(kind), chosen))
            continue;
        if (mustExist && !QFileInfo(chosen).isFile())
            continue;
        return chosen;
    }
}

} // namespace

QString connectionTestFailedText(const QString &stepCode) {
    return EntryText::connectionFailed() + QChar(0x3000) + stepCode;
}

bool testEntryConnection(ScheduleEntry &entry, SchedulerConnection &connection,
                         const QString &stepCode) {
    // The test only opens; the handle is let go before the connection is closed again.
    const bool opened = bool(connection.open(entry.alias, entry.userName, entry.password, true));
    connection.close();
    if (!opened) {
        entry.status = connectionTestFailedText(stepCode);
        entry.mark = EntryMark::Failed;
        return false;
    }
    entry.status.clear();
    entry.mark = EntryMark::Ready;
    return true;
}

int addScheduleEntry(Schedule &schedule, UserInteraction &ui, SchedulerConnection &connection,
                     ScheduleEditPaths &paths) {
    schedule.compact();
    const QString chosen = chooseFileOfKind(ui, false, QString(), kKvrFilter, "KVR");
    if (chosen.isEmpty())
        return 0;

    ScheduleEntry added;
    added.fileName = fileNamePart(chosen);
    added.folder = folderPart(chosen);
    schedule.entries.push_back(added);
    const int row = int(schedule.entries.size());
    auto entry = [&schedule, row]() -> ScheduleEntry & {
        return schedule.entries[size_t(row - 1)];
    };
    auto remove = [&schedule, row]() {
        schedule.entries.erase(schedule.entries.begin() + (row - 1));
        return 0;
    };

    const Result<CheckedEntry> check = checkSettingsFile(entry(), connection.aliases());
    if (!check && failedStage(check.error()) == EntryCheckStage::Parse) {
        ui.inform(MessageIcon::Information,
                  QStringLiteral("ロードファイル解析中にエラーが発生しました。 ") +
                      readerText(check.error()));
        return remove();
    }
    if (!check) {
        entry().mark = EntryMark::Failed;
        return row;
    }

    ConnectionChoice choice;
    if (!ui.chooseConnection(check->definition.value(QStringLiteral("DBNAME")), choice))
        return remove();

    const std::optional<EntryKind> kind = check->kind();
    if (kind == EntryKind::ExcelReport) {
        QString target = chooseFileOfKind(ui, true, QString(), kExcelSaveFilter, nullptr);
        if (target.isEmpty())
            return remove();
        if (!target.contains(QStringLiteral(".xls")) && !target.contains(QStringLiteral(".XLS")))
            target += QStringLiteral(".xls");
        entry().targetPath = target;
        paths.lastExcelOutput = target;
    } else if (kind == EntryKind::CsvExport) {
        QString target = chooseFileOfKind(ui, true, QString(), kCsvFilter, nullptr);
        if (target.isEmpty())
            return remove();
        if (!hasExtension(QStringLiteral("CSV"), target))
            target += QStringLiteral(".csv");
        entry().targetPath = target;
    } else if (kind == EntryKind::CsvImport) {
        const QString source = chooseFileOfKind(ui, false, QStringLiteral("Importファイルの選択"),
                                                kCsvFilter, nullptr, true);
        if (source.isEmpty())
            return remove();
        entry().targetPath = source;
    }

    entry().alias = choice.alias;
    entry().userName = choice.userName;
    entry().password = choice.password;
    testEntryConnection(entry(), connection, check->lastStep);
    paths.lastSettingsFile = chosen;
    return row;
}

bool changeEntryConnection(ScheduleEntry &entry, UserInteraction &ui,
                           SchedulerConnection &connection) {
    if (entry.isEmpty())
        return false;
    ConnectionChoice choice;
    if (!ui.chooseConnection(entry.alias, choice)) {
        entry.alias.clear();
        entry.userName.clear();
        entry.password.clear();
        entry.mark = EntryMark::Unchecked;
        return true;
    }
    entry.alias = choice.alias;
    entry.userName = choice.userName;
    entry.password = choice.password;
    testEntryConnection(entry, connection, QString());
    return true;
}

std::optional<PasswordBoxWarning> checkPasswordBoxes(const PasswordBoxes &boxes,
                                                     const Passwords &stored) {
    using Box = PasswordBoxWarning::Box;
    struct GroupCheck {
        const PasswordBoxes::Group &group;
        const QString &stored;
        const char *name;
        Box oldBox, confirmBox;
    };
    const GroupCheck groups[] = {
        {boxes.templateRead, stored.templateRead, "雛形読み込みパスワード", Box::TemplateOld,
         Box::TemplateConfirm},
        {boxes.outputRead, stored.outputRead, "出力ファイル読み込みパスワード", Box::ReadOld,
         Box::ReadConfirm},
        {boxes.outputWrite, stored.outputWrite, "出力ファイル書き込みパスワード", Box::WriteOld,
         Box::WriteConfirm},
    };
    for (const GroupCheck &g : groups) {
        if (g.group.isEmpty())
            continue;
        const QString name = QString::fromUtf8(g.name);
        if (g.group.oldPassword != g.stored)
            return PasswordBoxWarning{
                QStringLiteral("Message: 設定されている「%1」と一致しません。確認してください。")
                    .arg(name),
                g.oldBox};
        if (g.group.newPassword != g.group.confirmation)
            return PasswordBoxWarning{
                QStringLiteral(
                    "Message: 「%1」と確認用のパスワードが一致しません。確認してください。")
                    .arg(name),
                g.confirmBox};
    }
    return std::nullopt;
}

bool changeEntryExcelPasswords(const ScheduleEntry &entry, int row, const AliasList &aliases,
                               UserInteraction &ui, const PasswordDialog &dialog,
                               const Clock &clock) {
    if (entry.isEmpty())
        return false;
    const QString rowText = QStringLiteral(" スケジュール番号「%1」").arg(row);
    const Result<CheckedEntry> check = checkSettingsFile(entry, aliases);
    if (!check) {
        QString text =
            QStringLiteral("Message     :設定ファイル読み出し中にエラーが発生しました。"
                           "設定ファイルにエラーがある可能性があります。確認してください。") +
            rowText;
        if (failedStage(check.error()) == EntryCheckStage::Parse)
            text += u' ' + readerText(check.error());
        ui.inform(MessageIcon::Warning, text);
        return false;
    }
    if (check->kind() != EntryKind::ExcelReport) {
        ui.inform(
            MessageIcon::Warning,
            QStringLiteral("Message     :Excel出力設定ﾌｧｲﾙではありません。確認してください。") +
                rowText);
        return false;
    }
    const ReportDefinition &def = check->definition;
    const Passwords stored{def.dbPassword, def.templatePassword, def.outputReadPassword,
                           def.outputWritePassword};
    std::optional<PasswordBoxWarning> warning;
    PasswordBoxes boxes;
    for (;;) {
        const std::optional<PasswordBoxes> answer = dialog(warning);
        if (!answer)
            return false;
        boxes = *answer;
        warning = checkPasswordBoxes(boxes, stored);
        if (!warning)
            break;
        ui.inform(MessageIcon::Warning, warning->text);
    }
    if (boxes.isEmpty())
        return false;
    auto chosen = [](const PasswordBoxes::Group &g, const QString &current) {
        return g.isEmpty() ? current : g.newPassword;
    };
    StepCode step(u'C');
    const Result<QStringList> changed =
        ChangeExcelPasswords(check->lines, chosen(boxes.templateRead, stored.templateRead),
                             chosen(boxes.outputRead, stored.outputRead),
                             chosen(boxes.outputWrite, stored.outputWrite), clock, step);
    if (!changed) {
        ui.inform(MessageIcon::Warning, QStringLiteral("Message     :") + changed.error().text());
        return false;
    }
    if (!ui.confirm(QStringLiteral("変更を上書き保存します。よろしいですか？")))
        return false;
    if (const Status written = writeTextLines(entry.folder + entry.fileName, *changed); !written) {
        ui.inform(MessageIcon::Warning, QStringLiteral("Message     :") + written.error().text());
        return false;
    }
    ui.inform(MessageIcon::Information, QStringLiteral("         保存しました。         "));
    return true;
}

bool editTargetPaths(Schedule &schedule, int firstRow, int lastRow, int cursorRow,
                     const AliasList &aliases, UserInteraction &ui) {
    const int rows = int(schedule.entries.size());
    if (cursorRow < 1 || cursorRow > rows || schedule.entries[size_t(cursorRow - 1)].isEmpty())
        return false;
    const int from = std::max(1, std::min(firstRow, lastRow));
    const int to = std::min(rows, std::max(firstRow, lastRow));
    QString failures;
    for (int r = from; r <= to; ++r) {
        const Result<CheckedEntry> check =
            checkSettingsFile(schedule.entries[size_t(r - 1)], aliases);
        QString message;
        if (check) {
            if (check->kind() != EntryKind::ExcelReport)
                message = QStringLiteral("Excel出力ファイル以外の設定ファイルエラー。");
        } else {
            switch (failedStage(check.error())) {
            case EntryCheckStage::Connection: // not checked here
                break;
            case EntryCheckStage::Folder:
                message = EntryText::folderMissing();
                break;
            case EntryCheckStage::File:
                message = QStringLiteral("設定ファイルが存在しません。確認してください。");
                break;
            case EntryCheckStage::Load:
                message = EntryText::loadError();
                break;
            case EntryCheckStage::Parse:
                message = EntryText::parseError(readerText(check.error()));
                break;
            }
        }
        if (!message.isEmpty())
            failures += QStringLiteral("[スケジュール番号「%1」： %2]\r\n").arg(r).arg(message);
    }
    if (!failures.isEmpty()) {
        ui.inform(
            MessageIcon::Warning,
            QStringLiteral("下記のエラーがあるため設定できません。確認してください。\r\n\r\n") +
                failures);
        return false;
    }
    // The window's dialog opens on the cursor row's target path.
    const QString target = ui.chooseSaveFile(QString(), kExcelGroupFilter);
    if (target.isEmpty())
        return false;
    for (int r = from; r <= to; ++r)
        schedule.entries[size_t(r - 1)].targetPath = target;
    return true;
}

} // namespace kelvoran

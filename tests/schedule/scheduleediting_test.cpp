// The schedule window's editing commands as library functions, answered by scripted
// interactions: adding and checking an entry, F9, F11 and the target-path edits.
#include "tests/schedule/scheduletestutil.h"
#include "tests/support/testsupport.h"

#include "core/clock.h"
#include "core/textfile.h"
#include "db/dbsession.h"
#include "report/credentials.h"
#include "report/settingsfile.h"
#include "report/userinteraction.h"
#include "schedule/scheduleediting.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

class ScheduleEditing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path() + u'/';
        m_db = m_dir.filePath(QStringLiteral("demo.sqlite"));
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), m_db));
        EntryFile sql;
        sql.sql = {QStringLiteral("UPDATE products SET seq = seq")};
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("sql.kvr"), sql));
        EntryFile excel;
        excel.procFlag = QStringLiteral("1");
        excel.sql = {QStringLiteral("SELECT product_code, product_name FROM products")};
        excel.outputRead = QStringLiteral("r1");
        excel.outputWrite = QStringLiteral("w1");
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("excel.kvr"), excel));
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("excel2.kvr"), excel));
        EntryFile exportFile;
        exportFile.procFlag = QStringLiteral("2");
        exportFile.sql = excel.sql;
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("export.kvr"), exportFile));
        EntryFile importFile;
        importFile.procFlag = QStringLiteral("3");
        importFile.csvTable = QStringLiteral("products");
        importFile.csvFile = QStringLiteral("in.csv");
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("import.kvr"), importFile));
        ASSERT_TRUE(writeTextLines(m_folder + QStringLiteral("in.csv"), {QStringLiteral("a,b")}));
        // A file whose MAKEDATE line is missing: the reader stops with CST_10019.
        Result<QStringList> lines = readTextLines(m_folder + QStringLiteral("sql.kvr"));
        ASSERT_TRUE(lines);
        QStringList broken;
        for (const QString &l : *lines)
            if (!l.contains(QStringLiteral("MAKEDATE=")))
                broken << l;
        ASSERT_TRUE(writeTextLines(m_folder + QStringLiteral("broken.kvr"), broken));
    }
    AliasList aliases() const {
        return AliasList({sqliteAlias(QStringLiteral("DEMO"), m_db),
                          sqliteAlias(QStringLiteral("BROKEN"),
                                      m_dir.filePath(QStringLiteral("absent.sqlite")))});
    }
    QString path(const char *name) const { return m_folder + QString::fromLatin1(name); }

    QTemporaryDir m_dir;
    QString m_folder;
    QString m_db;
};

ConnectionChoice demoConnection(const char *alias = "DEMO") {
    return ConnectionChoice{QString::fromLatin1(alias), QStringLiteral("SQLITE"),
                            QStringLiteral("u"), QStringLiteral("p")};
}

TEST_F(ScheduleEditing, AddingAnEntryChecksItAsksAndTestsTheConnection) {
    struct Case {
        const char *name;
        QStringList files;                   // answers of the file dialogs, in order
        std::vector<ConnectionChoice> conns; // answers of the connection dialog
        int row;                             // 0: nothing added
        QString target;
        EntryMark mark;
        QString status;
        QString message; // the message shown, if any
    };
    const QString parseMessage =
        QStringLiteral("ロードファイル解析中にエラーが発生しました。 CST_10019");
    const std::vector<Case> cases{
        {"sql entry",
         {path("sql.kvr")},
         {demoConnection()},
         2,
         QString(),
         EntryMark::Ready,
         QString(),
         QString()},
        {"another kind of file asks again",
         {path("in.csv"), path("sql.kvr")},
         {demoConnection()},
         2,
         QString(),
         EntryMark::Ready,
         QString(),
         QString()},
        {"cancelled file dialog", {}, {}, 0, QString(), EntryMark::Ready, QString(), QString()},
        {"format block does not parse",
         {path("broken.kvr")},
         {demoConnection()},
         0,
         QString(),
         EntryMark::Ready,
         QString(),
         parseMessage},
        {"missing file stays red",
         {path("absent.kvr")},
         {demoConnection()},
         2,
         QString(),
         EntryMark::Failed,
         QString(),
         QString()},
        {"cancelled connection",
         {path("sql.kvr")},
         {},
         0,
         QString(),
         EntryMark::Ready,
         QString(),
         QString()},
        {"excel target gets .xls",
         {path("excel.kvr"), path("book")},
         {demoConnection()},
         2,
         path("book.xls"),
         EntryMark::Ready,
         QString(),
         QString()},
        {"cancelled target",
         {path("excel.kvr")},
         {demoConnection()},
         0,
         QString(),
         EntryMark::Ready,
         QString(),
         QString()},
        {"csv export target gets .csv",
         {path("export.kvr"), path("out.txt")},
         {demoConnection()},
         2,
         path("out.txt.csv"),
         EntryMark::Ready,
         QString(),
         QString()},
        {"csv import needs an existing file",
         {path("import.kvr"), path("none.csv"), path("in.csv")},
         {demoConnection()},
         2,
         path("in.csv"),
         EntryMark::Ready,
         QString(),
         QString()},
        {"connection test fails",
         {path("sql.kvr")},
         {demoConnection("BROKEN")},
         2,
         QString(),
         EntryMark::Failed,
         connectionTestFailedText(QStringLiteral("CDD_300181")),
         QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Schedule schedule;
        schedule.entries.push_back(readyEntry(m_folder, QStringLiteral("sql.kvr")));
        schedule.entries.push_back(ScheduleEntry()); // the grid's empty last row
        RecordingInteraction ui;
        for (const QString &f : c.files)
            ui.files.push_back(f);
        for (const ConnectionChoice &cc : c.conns)
            ui.connections.push_back(cc);
        SchedulerConnection connection(aliases());
        ScheduleEditPaths paths;
        const int row = addScheduleEntry(schedule, ui, connection, paths);
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(schedule.entries.size(), size_t(c.row == 0 ? 1 : 2));
        if (c.message.isEmpty()) {
            EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();
        } else {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages.front().text, c.message);
        }
        if (row == 0)
            continue;
        const ScheduleEntry &e = schedule.entries[size_t(row - 1)];
        EXPECT_EQ(e.folder, m_folder);
        EXPECT_EQ(e.targetPath, c.target);
        EXPECT_EQ(e.mark, c.mark);
        EXPECT_EQ(e.status, c.status) << e.status.toStdString();
        if (c.mark == EntryMark::Ready) {
            EXPECT_EQ(e.alias, QStringLiteral("DEMO"));
            EXPECT_EQ(e.userName, QStringLiteral("u"));
            EXPECT_EQ(ui.connectionPresets, QStringList{QStringLiteral("DEMO")});
        }
    }
}

TEST_F(ScheduleEditing, ConnectionChangeStoresOrClears) {
    ScheduleEntry e = readyEntry(m_folder, QStringLiteral("sql.kvr"));
    e.status = QStringLiteral("earlier status");
    e.mark = EntryMark::Unchecked;
    SchedulerConnection connection(aliases());
    RecordingInteraction ok;
    ok.connections.push_back(demoConnection("BROKEN"));
    ASSERT_TRUE(changeEntryConnection(e, ok, connection));
    EXPECT_EQ(e.mark, EntryMark::Failed);
    EXPECT_EQ(e.status, connectionTestFailedText(QString())); // F9 has no step code
    ok.connections.push_back(demoConnection());
    ASSERT_TRUE(changeEntryConnection(e, ok, connection));
    EXPECT_EQ(e.mark, EntryMark::Ready);
    EXPECT_TRUE(e.status.isEmpty());

    e.status = QStringLiteral("kept");
    RecordingInteraction cancel;
    ASSERT_TRUE(changeEntryConnection(e, cancel, connection));
    EXPECT_EQ(e.mark, EntryMark::Unchecked);
    EXPECT_TRUE(e.alias.isEmpty() && e.userName.isEmpty() && e.password.isEmpty());
    EXPECT_EQ(e.status, QStringLiteral("kept"));
}

TEST(PasswordBoxes, ChecksInOrderTemplateReadWrite) {
    const Passwords stored{QStringLiteral("db"), QStringLiteral("t"), QStringLiteral("r"),
                           QStringLiteral("w")};
    using Box = PasswordBoxWarning::Box;
    struct Case {
        PasswordBoxes boxes;
        std::optional<Box> focus;
        QString text;
    };
    const std::vector<Case> cases{
        {{}, std::nullopt, QString()},
        {{{"t", "t2", "t2"}, {"r", "r2", "r2"}, {}}, std::nullopt, QString()},
        {{{"x", "", ""}, {"x", "", ""}, {}},
         Box::TemplateOld,
         QStringLiteral(
             "Message: "
             "設定されている「雛形読み込みパスワード」と一致しません。確認してください。")},
        {{{"t", "a", "b"}, {}, {}},
         Box::TemplateConfirm,
         QStringLiteral(
             "Message: "
             "「雛形読み込みパスワード」と確認用のパスワードが一致しません。確認してください。")},
        {{{}, {"r", "a", "b"}, {"x", "", ""}},
         Box::ReadConfirm,
         QStringLiteral(
             "Message: 「出力ファイル読み込みパスワード」と確認用のパスワードが一致しません。確認"
             "してください。")},
        {{{}, {}, {"x", "a", "a"}},
         Box::WriteOld,
         QStringLiteral(
             "Message: 設定されている「出力ファイル書き込みパスワード」と一致しません。確認してくだ"
             "さい。")},
    };
    for (const Case &c : cases) {
        const std::optional<PasswordBoxWarning> w = checkPasswordBoxes(c.boxes, stored);
        ASSERT_EQ(w.has_value(), c.focus.has_value()) << c.text.toStdString();
        if (w) {
            EXPECT_EQ(w->focus, *c.focus);
            EXPECT_EQ(w->text, c.text);
        }
    }
}

TEST_F(ScheduleEditing, ExcelPasswordChangeRewritesTheFileInPlace) {
    const ScheduleEntry e = readyEntry(m_folder, QStringLiteral("excel.kvr"));
    ManualClock clock(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
    RecordingInteraction ui;
    ui.confirmAnswers.push_back(true);
    std::vector<std::optional<PasswordBoxWarning>> seen;
    PasswordBoxes wrong;
    wrong.outputRead = {QStringLiteral("bad"), QStringLiteral("new-r"), QStringLiteral("new-r")};
    PasswordBoxes right;
    right.outputRead = {QStringLiteral("r1"), QStringLiteral("new-r"), QStringLiteral("new-r")};
    int asked = 0;
    const PasswordDialog dialog = [&](const std::optional<PasswordBoxWarning> &w) {
        seen.push_back(w);
        ++asked;
        if (asked > 2)
            return std::optional<PasswordBoxes>(); // the dialog is cancelled at last
        return asked == 1 ? std::optional<PasswordBoxes>(wrong)
                          : std::optional<PasswordBoxes>(right);
    };
    ASSERT_TRUE(changeEntryExcelPasswords(e, 3, aliases(), ui, dialog, clock));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[0].has_value());
    ASSERT_TRUE(seen[1].has_value());
    EXPECT_EQ(seen[1]->focus, PasswordBoxWarning::Box::ReadOld);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("変更を上書き保存します。よろしいですか？"));
    EXPECT_EQ(ui.messages[2].text, QStringLiteral("         保存しました。         "));

    // Read back: the new output read password, the others and the database password kept.
    SettingsReadOptions options;
    options.prefix = u'C';
    options.aliases = {QStringLiteral("DEMO")};
    SettingsFileReader reader(options);
    ReportDefinition def;
    ASSERT_TRUE(reader.readFile(path("excel.kvr"), def));
    EXPECT_EQ(def.outputReadPassword, QStringLiteral("new-r"));
    EXPECT_EQ(def.outputWritePassword, QStringLiteral("w1"));
    EXPECT_EQ(def.dbPassword, QStringLiteral("stored_pw"));
    EXPECT_TRUE(
        def.value(QStringLiteral("MAKEDATE")).startsWith(QStringLiteral("2025/01/02 03:04:0")));

    // Not an Excel report; all boxes empty; answered No: the file stays as it is.
    const QByteArray before = [&] {
        QFile f(path("excel.kvr"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    RecordingInteraction other;
    EXPECT_FALSE(changeEntryExcelPasswords(readyEntry(m_folder, QStringLiteral("sql.kvr")), 1,
                                           aliases(), other, dialog, clock));
    ASSERT_EQ(other.messages.size(), 1u);
    EXPECT_EQ(other.messages[0].text,
              QStringLiteral("Message     :Excel出力設定ﾌｧｲﾙではありません。確認してください。 "
                             "スケジュール番号「1」"));
    RecordingInteraction empty;
    EXPECT_FALSE(changeEntryExcelPasswords(
        e, 3, aliases(), empty,
        [](const std::optional<PasswordBoxWarning> &) { return std::optional(PasswordBoxes()); },
        clock));
    RecordingInteraction no;
    no.confirmAnswers.push_back(false);
    PasswordBoxes again;
    again.outputWrite = {QStringLiteral("w1"), QStringLiteral("x"), QStringLiteral("x")};
    EXPECT_FALSE(changeEntryExcelPasswords(
        e, 3, aliases(), no,
        [&](const std::optional<PasswordBoxWarning> &w) {
            return w ? std::optional<PasswordBoxes>() : std::optional(again);
        },
        clock));
    EXPECT_EQ(no.messages.size(), 1u); // the question alone
    QFile f(path("excel.kvr"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);

    RecordingInteraction broken;
    EXPECT_FALSE(changeEntryExcelPasswords(readyEntry(m_folder, QStringLiteral("broken.kvr")), 2,
                                           aliases(), broken, dialog, clock));
    ASSERT_EQ(broken.messages.size(), 1u);
    EXPECT_EQ(
        broken.messages[0].text,
        QStringLiteral("Message     :設定ファイル読み出し中にエラーが発生しました。設定ファイルに"
                       "エラーがある可能性があります。確認してください。 スケジュール番号「2」 "
                       "CST_10019"));
}

TEST_F(ScheduleEditing, TargetPathOfAGroupOfExcelEntries) {
    Schedule schedule;
    for (const char *name : {"excel.kvr", "excel2.kvr", "sql.kvr", "absent.kvr"})
        schedule.entries.push_back(readyEntry(m_folder, QString::fromLatin1(name)));

    RecordingInteraction refused;
    refused.files.push_back(path("book.xls"));
    EXPECT_FALSE(editTargetPaths(schedule, 4, 1, 1, aliases(), refused));
    ASSERT_EQ(refused.messages.size(), 1u);
    EXPECT_EQ(refused.messages[0].text,
              QStringLiteral(
                  "下記のエラーがあるため設定できません。確認してください。\r\n\r\n"
                  "[スケジュール番号「3」： Excel出力ファイル以外の設定ファイルエラー。]\r\n"
                  "[スケジュール番号「4」： 設定ファイルが存在しません。確認してください。]\r\n"));
    EXPECT_TRUE(refused.fileFilters.isEmpty());
    for (const ScheduleEntry &e : schedule.entries)
        EXPECT_TRUE(e.targetPath.isEmpty());

    RecordingInteraction ok;
    ok.files.push_back(path("book.xls"));
    EXPECT_TRUE(editTargetPaths(schedule, 2, 1, 2, aliases(), ok));
    EXPECT_EQ(ok.fileFilters, QStringList{QStringLiteral("Excel files (*.xls)|*.xls")});
    EXPECT_EQ(schedule.entries[0].targetPath, path("book.xls"));
    EXPECT_EQ(schedule.entries[1].targetPath, path("book.xls"));
    EXPECT_TRUE(schedule.entries[2].targetPath.isEmpty());

    // A cursor row without a file name does nothing.
    schedule.entries.push_back(ScheduleEntry());
    RecordingInteraction none;
    EXPECT_FALSE(editTargetPaths(schedule, 5, 5, 5, aliases(), none));
    EXPECT_TRUE(none.messages.empty());
}

} // namespace

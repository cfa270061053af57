// kelvoran-batch schedule for job runners: the example schedule run with its log on stdout
// ("--log-dir -") and the one-line JSON summary on stderr ("--json"), as a container, a systemd
// service or cron would run it from a folder holding the schedule and its settings files.
#include "core/textfile.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/cli/batchrun.h"

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

class ScheduleForJobRunners : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // The examples folder as a deployment holds it: schedule, settings files, templates.
        const QDir examples(sourceDir() + QStringLiteral("/examples"));
        for (const QString &name : examples.entryList(
                 {QStringLiteral("*.kvr"), QStringLiteral("*.kvs"), QStringLiteral("*.xlsx")},
                 QDir::Files))
            ASSERT_TRUE(QFile::copy(examples.filePath(name), path(name)));
        const QString db = path(QStringLiteral("demo.sqlite"));
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), db));
        QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
        m_aliases = path(QStringLiteral("aliases.ini"));
        QFile a(m_aliases);
        ASSERT_TRUE(a.open(QIODevice::WriteOnly));
        a.write(QStringLiteral("[DEMO]\ndriver=QSQLITE\ndatabase=%1\n").arg(db).toUtf8());
        a.close();
        // DEMO asks for no login, so the credentials file has no group; it must still be
        // the runner's own, mode 0600.
        m_credentials = path(QStringLiteral("creds.ini"));
        QFile c(m_credentials);
        ASSERT_TRUE(c.open(QIODevice::WriteOnly));
        c.close();
        QFile::setPermissions(m_credentials, QFile::ReadOwner | QFile::WriteOwner);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The example schedule with extra entry lines put before its first entry and its ERRCHECK.
    QString schedule(const QStringList &entriesBefore, bool errorStop) {
        Result<QStringList> lines = readTextLines(path(QStringLiteral("nightly.kvs")));
        EXPECT_TRUE(lines.isOk());
        QStringList out = entriesBefore + lines.value();
        for (QString &line : out)
            if (line.trimmed().startsWith(QStringLiteral("/* ERRCHECK=")))
                line = errorStop ? QStringLiteral(" /* ERRCHECK= 1")
                                 : QStringLiteral(" /* ERRCHECK= 0");
        const QString file = path(QStringLiteral("run.kvs"));
        EXPECT_TRUE(writeTextLines(file, out).isOk());
        return file;
    }

    BatchRun run(const QString &kvs, const QStringList &extra) const {
        return runBatch(QStringList{QStringLiteral("schedule"), kvs,
                                    QStringLiteral("--credentials"), m_credentials} +
                            extra,
                        m_aliases,
                        {{QStringLiteral("KELVORAN_SETTINGS"), path(QStringLiteral("none.ini"))}},
                        m_dir.path(), 60000);
    }

    // The last line of stderr as a JSON object (empty when it is not one).
    static QJsonObject summary(const BatchRun &r) {
        const QStringList lines = r.err.trimmed().split(u'\n');
        return QJsonDocument::fromJson(lines.last().toUtf8()).object();
    }

    // Every .log file in the run's folder and below.
    QStringList logFiles() const {
        QStringList found;
        QDir dir(m_dir.path());
        for (const QString &sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString &f :
                 QDir(dir.filePath(sub)).entryList({QStringLiteral("*.log")}, QDir::Files))
                found << sub + u'/' + f;
        found << dir.entryList({QStringLiteral("*.log")}, QDir::Files);
        return found;
    }

    // Run times replaced, so the lines of two runs compare.
    static QString withoutTimes(QString text) {
        static const QRegularExpression time(
            QStringLiteral("[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}"));
        return text.replace(time, QStringLiteral("T"));
    }

    QTemporaryDir m_dir;
    QString m_aliases;
    QString m_credentials;
};

TEST_F(ScheduleForJobRunners, ExampleScheduleLogsToStdoutWithASummaryAndNoLogFile) {
    const BatchRun r =
        run(path(QStringLiteral("nightly.kvs")),
            {QStringLiteral("--log-dir"), QStringLiteral("-"), QStringLiteral("--json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QChar::ReplacementCharacter)) << "stdout is not UTF-8";
    const QStringList lines = r.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("スケジュール開始時間:「")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("「Kelvoran 2.2.0.0」@/;")));
    const char *const kvrs[] = {"sales_list.kvr", "sales_pivot.kvr"};
    for (int i = 0; i < 2; ++i) {
        const QString &line = lines[i + 1];
        EXPECT_TRUE(line.startsWith(QStringLiteral("スケジュール番号:「%1」@/ファイル名：「%2」")
                                        .arg(i + 1)
                                        .arg(QString::fromLatin1(kvrs[i]))))
            << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral("@/ステータス：「正常終了」@/;")))
            << line.toStdString();
    }
    EXPECT_FALSE(r.out.contains(QStringLiteral("log: ")));
    EXPECT_EQ(logFiles(), QStringList()) << "no log file is written";
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("sales_list.xlsx"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("sales_pivot.xlsx"))));

    const QStringList errLines = r.err.trimmed().split(u'\n');
    ASSERT_EQ(errLines.size(), 1) << r.err.toStdString();
    const QJsonObject json = summary(r);
    EXPECT_EQ(json.size(), 5) << r.err.toStdString();
    EXPECT_EQ(json.value(QStringLiteral("entries")).toInt(-1), 2);
    EXPECT_EQ(json.value(QStringLiteral("ok")).toInt(-1), 2);
    EXPECT_EQ(json.value(QStringLiteral("failed")).toInt(-1), 0);
    EXPECT_EQ(json.value(QStringLiteral("unprocessed")).toInt(-1), 0);
    EXPECT_TRUE(json.value(QStringLiteral("log")).isNull());
}

TEST_F(ScheduleForJobRunners, StdoutCarriesTheLinesTheLogFileHolds) {
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("logs"))));
    const QString kvs = path(QStringLiteral("nightly.kvs"));
    const BatchRun toFile = run(
        kvs, {QStringLiteral("--log-dir"), path(QStringLiteral("logs")), QStringLiteral("--json")});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err.toStdString();
    const QString logPath = summary(toFile).value(QStringLiteral("log")).toString();
    ASSERT_TRUE(toFile.out.contains(QStringLiteral("log: ") + logPath + u'\n'))
        << toFile.out.toStdString();
    ASSERT_TRUE(logPath.startsWith(path(QStringLiteral("logs/")))) << logPath.toStdString();
    const Result<QStringList> logLines = readTextLines(logPath);
    ASSERT_TRUE(logLines.isOk());

    const BatchRun toStdout = run(kvs, {QStringLiteral("--log-dir"), QStringLiteral("-")});
    ASSERT_EQ(toStdout.exitCode, 0) << toStdout.err.toStdString();
    EXPECT_EQ(toStdout.err, QString()) << "no summary without --json";
    EXPECT_EQ(withoutTimes(toStdout.out), withoutTimes(logLines->join(u'\n') + u'\n'));
}

TEST_F(ScheduleForJobRunners, AFailedEntryShowsInTheSummaryAndTheExitStatus) {
    struct Case {
        const char *name;
        bool errorStop;
        int ok;
        int unprocessed;
    };
    const Case cases[] = {
        {"the run goes on after the failure", false, 2, 0},
        {"the error stop leaves the rest unprocessed", true, 0, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString kvs =
            schedule({QStringLiteral("missing.kvr,./,./missing.xlsx")}, c.errorStop);
        const BatchRun r =
            run(kvs, {QStringLiteral("--log-dir"), QStringLiteral("-"), QStringLiteral("--json")});
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        const QStringList lines = r.out.trimmed().split(u'\n');
        ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
        EXPECT_TRUE(lines[1].contains(QStringLiteral("ファイル名：「missing.kvr」")));
        EXPECT_TRUE(lines[1].contains(QStringLiteral("CES_270006」@/;"))) << lines[1].toStdString();
        const QString later =
            c.errorStop ? QStringLiteral("「未処理」@/;") : QStringLiteral("「正常終了」@/;");
        EXPECT_TRUE(lines[2].endsWith(later)) << lines[2].toStdString();
        EXPECT_TRUE(lines[3].endsWith(later)) << lines[3].toStdString();
        const QJsonObject json = summary(r);
        EXPECT_EQ(json.value(QStringLiteral("entries")).toInt(-1), 3) << r.err.toStdString();
        EXPECT_EQ(json.value(QStringLiteral("ok")).toInt(-1), c.ok);
        EXPECT_EQ(json.value(QStringLiteral("failed")).toInt(-1), 1);
        EXPECT_EQ(json.value(QStringLiteral("unprocessed")).toInt(-1), c.unprocessed);
        EXPECT_TRUE(json.value(QStringLiteral("log")).isNull());
        EXPECT_EQ(logFiles(), QStringList());
    }
}

} // namespace

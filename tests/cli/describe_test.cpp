// kelvoran-batch describe: the Definition and Source texts as the views would hold them.
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using kelvoran::test::ProcessResult;

// Sets an environment variable for the child processes of one test, and puts it back.
class EnvOverride {
public:
    EnvOverride(const char *name, const std::optional<QString> &value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name))
            m_old = qEnvironmentVariable(name);
        if (value)
            qputenv(name, value->toUtf8());
        else
            qunsetenv(name);
    }
    ~EnvOverride() {
        if (m_old)
            qputenv(m_name, m_old->toUtf8());
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<QString> m_old;
};

QString readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

bool writeFile(const QString &path, const QString &text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(text.toUtf8());
    return true;
}

ProcessResult describe(const QStringList &args) {
    return kelvoran::test::runProcess(QStringLiteral(KELVORAN_BATCH),
                                      QStringList{QStringLiteral("describe")} + args);
}

// An alias file in a temporary folder with ORAFIX (the Oracle dictionary fixture), DEMO (a
// plain SQLite database), GENERIC (the same file under a driver name of no known kind) and
// whatever the test adds.
class DescribeOnFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::exists(kelvoran::test::oracleFixturePath()))
            << "build the kelvoran_fixtures target first";
        m_aliasFile = m_dir.filePath(QStringLiteral("aliases.ini"));
        m_serverAliasFile = kelvoran::test::testAliasFile();
        writeAliases(QString());
        m_env.emplace("KELVORAN_ALIASES", m_aliasFile);
    }
    void writeAliases(const QString &extra) {
        ASSERT_TRUE(writeFile(
            m_aliasFile,
            QStringLiteral("[ORAFIX]\ndriver=QSQLITE\ndrivername=ORACLE (fixture)\ndatabase=%1\n\n"
                           "[DEMO]\ndriver=QSQLITE\ndatabase=%2\n\n"
                           "[GENERIC]\ndriver=QSQLITE\ndrivername=GENERIC\ndatabase=%2\n\n")
                    .arg(kelvoran::test::oracleFixturePath(), kelvoran::test::demoDatabasePath()) +
                extra));
    }
    // A copy of the dictionary fixture changed by one SQL statement.
    QString changedFixture(const QString &name, const QString &sql) {
        const QString path = m_dir.filePath(name);
        QFile::copy(kelvoran::test::oracleFixturePath(), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const ProcessResult r = kelvoran::test::runProcess(QStringLiteral("sqlite3"), {path, sql});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return path;
    }

    QTemporaryDir m_dir;
    QString m_aliasFile;
    QString m_serverAliasFile; // the test servers' alias file, when they are started
    std::optional<EnvOverride> m_env;
};

// Every case folder under data/source holds the folder and object name (input) and the exact
// output (expected).
TEST_F(DescribeOnFixture, GoldenTextsOfEveryObjectKind) {
    const QDir root(kelvoran::test::testPath(QStringLiteral("data/source")));
    const QStringList cases = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_FALSE(cases.isEmpty());
    for (const QString &c : cases) {
        SCOPED_TRACE(c.toStdString());
        const QStringList input = readAll(root.filePath(c + QStringLiteral("/input"))).split(u'\n');
        ASSERT_GE(input.size(), 2);
        const ProcessResult r = describe({QStringLiteral("--alias"), QStringLiteral("ORAFIX"),
                                          QStringLiteral("--folder"), input[0], input[1]});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.err, QString());
        EXPECT_EQ(r.out, readAll(root.filePath(c + QStringLiteral("/expected"))));
    }
}

TEST_F(DescribeOnFixture, UsageErrorsAndOtherKinds) {
    struct Case {
        const char *label;
        QStringList args;
        int exitCode;
        QString out;
    };
    const QString orafix = QStringLiteral("ORAFIX"), demo = QStringLiteral("DEMO");
    const QString alias = QStringLiteral("--alias"), folder = QStringLiteral("--folder");
    const std::vector<Case> cases{
        {"folder unknown to ORACLE",
         {alias, orafix, folder, QStringLiteral("Tables"), "EMP"},
         2,
         {}},
        {"View is no folder of a generic alias",
         {alias, QStringLiteral("GENERIC"), folder, QStringLiteral("View"), "X"},
         2,
         {}},
        {"Event is no folder of a SQLite alias",
         {alias, demo, folder, QStringLiteral("Event"), "X"},
         2,
         {}},
        {"no object name", {alias, orafix, folder, QStringLiteral("Table")}, 2, {}},
        {"two object names",
         {alias, orafix, folder, QStringLiteral("Table"), "EMP", "DEPT"},
         2,
         {}},
        {"no folder", {alias, orafix, "EMP"}, 2, {}},
        {"unknown option", {alias, orafix, folder, QStringLiteral("Table"), "--x", "EMP"}, 2, {}},
        {"generic alias: both views stay cleared",
         {alias, QStringLiteral("GENERIC"), folder, QStringLiteral("Table"), "regions"},
         0,
         QStringLiteral("\n----\n\n")},
        {"alias not configured",
         {alias, QStringLiteral("NOPE"), folder, QStringLiteral("Table"), "T"},
         1,
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const ProcessResult r = describe(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_EQ(r.out, c.out);
        if (c.exitCode != 0) {
            EXPECT_FALSE(r.err.isEmpty());
        }
    }
}

// The usage lists the folders of each kind of alias; a SQLite view and index are described
// from the engine's own catalog.
TEST_F(DescribeOnFixture, FoldersOfEachKindAndSqliteTexts) {
    const ProcessResult help = describe({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *line :
         {"    ORACLE: Table, View, Procedure, Function, Package, \"Package Body\", Synonym, "
          "Trigger, Index, Type, \"DB Link\"\n",
          "    MYSQL: Table, View, Procedure, Function, Trigger, Event\n",
          "    SQLITE: Table, View, Index, Trigger\n", "    other kinds: Table\n"})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(line))) << line << help.out.toStdString();

    const ProcessResult view =
        describe({QStringLiteral("--alias"), QStringLiteral("DEMO"), QStringLiteral("--folder"),
                  QStringLiteral("View"), QStringLiteral("v_sales")});
    EXPECT_EQ(view.exitCode, 0) << view.err.toStdString();
    EXPECT_TRUE(view.out.startsWith(QStringLiteral("Object Name        : v_sales\n"
                                                   "Type               : view\n"
                                                   "Column             : order_date")))
        << view.out.toStdString();
    EXPECT_TRUE(view.out.contains(QStringLiteral("\n----\nCREATE VIEW v_sales AS\n")));
    EXPECT_TRUE(view.out.endsWith(QStringLiteral(";\n")));

    const ProcessResult index =
        describe({QStringLiteral("--alias"), QStringLiteral("DEMO"), QStringLiteral("--folder"),
                  QStringLiteral("Index"), QStringLiteral("ix_orders_date")});
    EXPECT_EQ(index.exitCode, 0) << index.err.toStdString();
    EXPECT_EQ(index.out, QStringLiteral("Object Name        : ix_orders_date\n"
                                        "Type               : index\n"
                                        "Table Name         : orders\n"
                                        "Uniqueness         : NONUNIQUE\n"
                                        "Index Column       : order_date\n"
                                        "\n----\n"
                                        "CREATE INDEX ix_orders_date ON orders (order_date);\n"));
}

// A failing catalog statement ends the description: the text built so far is printed, the
// error stack goes to stderr, exit 1.
TEST_F(DescribeOnFixture, DatabaseErrorPrintsItsErrorText) {
    const QString broken = changedFixture(QStringLiteral("broken.sqlite"),
                                          QStringLiteral("DROP TABLE USER_CONS_COLUMNS;"));
    writeAliases(
        QStringLiteral("[BROKEN]\ndriver=QSQLITE\ndrivername=ORACLE\ndatabase=%1\n").arg(broken));
    const ProcessResult r =
        describe({QStringLiteral("--alias"), QStringLiteral("BROKEN"), QStringLiteral("--folder"),
                  QStringLiteral("Table"), QStringLiteral("EMP")});
    EXPECT_EQ(r.exitCode, 1);
    const QString pad34(34, u' ');
    EXPECT_EQ(r.out, QStringLiteral("\n----\nCREATE TABLE EMP(\nEMPNO") + pad34 +
                         QStringLiteral("NUMBER(4) NOT NULL,\nENAME") + pad34 +
                         QStringLiteral("VARCHAR2(10),\nDEPTNO") + QString(33, u' ') +
                         QStringLiteral("NUMBER(2)\n)\n"));
    const QStringList err = r.err.split(u'\n');
    ASSERT_GE(err.size(), 5);
    EXPECT_TRUE(err[0].startsWith(QStringLiteral("Category    :")));
    EXPECT_TRUE(err[1].startsWith(QStringLiteral("ErrorCode   :")));
    EXPECT_TRUE(err[2].startsWith(QStringLiteral("SubCode     :")));
    EXPECT_TRUE(err[3].startsWith(QStringLiteral("NativeError :")));
    EXPECT_TRUE(err[4].startsWith(QStringLiteral("Message     :")));
    EXPECT_TRUE(err[4].contains(QStringLiteral("USER_CONS_COLUMNS")));
    EXPECT_FALSE(r.err.contains(u'\r'));
}

// A catalog without INDEX_TYPE: the index facts fall back silently.
TEST_F(DescribeOnFixture, IndexFactsWithoutIndexTypeColumn) {
    const QString old =
        changedFixture(QStringLiteral("old.sqlite"),
                       QStringLiteral("ALTER TABLE USER_INDEXES DROP COLUMN INDEX_TYPE;"));
    writeAliases(
        QStringLiteral("[OLD]\ndriver=QSQLITE\ndrivername=ORACLE\ndatabase=%1\n").arg(old));
    const ProcessResult r =
        describe({QStringLiteral("--alias"), QStringLiteral("OLD"), QStringLiteral("--folder"),
                  QStringLiteral("Index"), QStringLiteral("PK_EMP")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(r.out, QStringLiteral("Object Name        : PK_EMP\n"
                                    "Valid              : VALID\n"
                                    "Create             : 2024-04-01 09:00:05\n"
                                    "Modified           : 2024-04-01 09:00:05\n"
                                    "Index Type         :  \n"
                                    "Table Owner        : KELVORAN\n"
                                    "Table Name         : EMP\n"
                                    "Table Type         : TABLE\n"
                                    "Uniqueness         : UNIQUE\n"
                                    "TableSpace Name    : USERS\n"
                                    "\n----\nEMPNO") +
                         QString(34, u' ') + QStringLiteral("NUMBER(22)\n\n"));
}

// An object the folder does not hold is an error on every kind of alias, also on kinds that
// build no texts: nothing is printed but the message, exit 1. With the test servers started the
// PostgreSQL and MariaDB aliases are tried too.
TEST_F(DescribeOnFixture, MissingObjectIsNotFoundOnEveryKind) {
    std::optional<EnvOverride> serverAliases;
    std::optional<EnvOverride> password;
    if (kelvoran::test::serversStarted()) {
        serverAliases.emplace("KELVORAN_ALIASES", m_serverAliasFile);
        password.emplace("KELVORAN_PASSWORD", qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    }
    struct Case {
        const char *alias;
        const char *folder;
        const char *name;
        bool needsServers;
    };
    const std::vector<Case> cases{
        {"DEMO", "Table", "no_such_table", false},
        {"DEMO", "View", "orders", false},                // a table, not a view
        {"DEMO", "Index", "sqlite_autoindex_x_1", false}, // the engine's own indexes are not listed
        {"ORAFIX", "Table", "NO_SUCH_TABLE", false},
        {"ORAFIX", "View", "NO_SUCH_VIEW", false},
        {"ORAFIX", "View", "EMP", false}, // a table, not a view
        {"ORAFIX", "Procedure", "NO_SUCH_PROC", false},
        {"ORAFIX", "Index", "NO_SUCH_INDEX", false},
        {"ORAFIX", "Synonym", "NO_SUCH_SYNONYM", false},
        {"ORAFIX", "Trigger", "NO_SUCH_TRIGGER", false},
        {"ORAFIX", "DB Link", "NO_SUCH_LINK", false},
        // A quote stays part of the name: it neither breaks the statement nor matches others.
        {"ORAFIX", "Table", "X' OR 'A'='A", false},
        {"PGTEST", "Table", "public.no_such_table", true},
        {"MYTEST", "Table", "no_such_table", true},
        {"MYTEST", "Table", "STAFF", true},         // the table is "staff"
        {"MYTEST", "Table", "staff_by_dept", true}, // a view, not a table
        {"MYTEST", "Event", "no_such_event", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.alias) + " " + c.folder + " " + c.name);
        if (c.needsServers && !serverAliases)
            continue;
        const ProcessResult r = describe({QStringLiteral("--alias"), QString::fromUtf8(c.alias),
                                          QStringLiteral("--folder"), QString::fromUtf8(c.folder),
                                          QString::fromUtf8(c.name)});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(r.err, QStringLiteral("%1 \"%2\" はエイリアス %3 に見つかりません\n")
                             .arg(QString::fromUtf8(c.folder), QString::fromUtf8(c.name),
                                  QString::fromUtf8(c.alias)));
    }
}

// Kinds without texts still open the connection: one that cannot be opened is an error.
TEST_F(DescribeOnFixture, KindWithoutTextsStillConnects) {
    writeAliases(QStringLiteral("[NOPG]\ndriver=QPSQL\nhost=127.0.0.1\nport=1\ndatabase=x\n"
                                "user=nobody\n"));
    const ProcessResult r =
        describe({QStringLiteral("--alias"), QStringLiteral("NOPG"), QStringLiteral("--folder"),
                  QStringLiteral("Table"), QStringLiteral("public.staff")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Category    :"))) << r.err.toStdString();
}

// An alias that requires a login takes its password from KELVORAN_PASSWORD only.
TEST_F(DescribeOnFixture, LoginPasswordFromEnvironment) {
    writeAliases(QStringLiteral("[LOGIN]\ndriver=QSQLITE\ndrivername=ORACLE\ndatabase=%1\n"
                                "user=scott\nlogin=true\n")
                     .arg(kelvoran::test::oracleFixturePath()));
    const QStringList args{QStringLiteral("--alias"), QStringLiteral("LOGIN"),
                           QStringLiteral("--folder"), QStringLiteral("Synonym"),
                           QStringLiteral("DEPARTMENTS")};
    {
        EnvOverride noPassword("KELVORAN_PASSWORD", std::nullopt);
        const ProcessResult r = describe(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("Category    :"))) << r.err.toStdString();
    }
    {
        EnvOverride password("KELVORAN_PASSWORD", QStringLiteral("secret"));
        const ProcessResult r = describe(args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(
            r.out.endsWith(QStringLiteral("CREATE SYNONYM DEPARTMENTS FOR KELVORAN.DEPT\n\n")));
    }
}

// The loopback MariaDB with the sample schema: staff has a primary key, a two-column unique
// index and a plain index; audit_log has no index.
class DescribeOnMariaDb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kelvoran::test::serversStarted())
            GTEST_SKIP() << "test servers not started";
        m_password.emplace("KELVORAN_PASSWORD", qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    }
    std::optional<EnvOverride> m_password;
};

TEST_F(DescribeOnMariaDb, TableSourcesAndStatus) {
    struct Case {
        const char *table;
        QString definition; // a pattern: the times vary
        QString source;
    };
    const auto pad = [](const char *name) { return QString::fromUtf8(name).leftJustified(39); };
    const QString time = QStringLiteral("\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}");
    const std::vector<Case> cases{
        {"staff",
         QStringLiteral("Object Name        : staff\nType               : InnoDB\n"
                        "Create             : %1\nModified           : (%1)?\n"
                        // InnoDB's row count is an estimate that moves under load.
                        "Rows               : \\d+\n\n")
             .arg(time),
         QStringLiteral("CREATE TABLE staff(\n") + pad("staff_id") +
             QStringLiteral("int(11) NOT NULL,\n") + pad("dept_id") +
             QStringLiteral("int(11) NOT NULL,\n") + pad("staff_code") +
             QStringLiteral("char(6) NOT NULL,\n") + pad("staff_name") +
             QStringLiteral("varchar(40) NOT NULL,\n") + pad("hire_date") +
             QStringLiteral("date NOT NULL,\n") + pad("salary") +
             QStringLiteral("decimal(10,2) NOT NULL DEFAULT 0.00,\n") + pad("bonus_rate") +
             QStringLiteral("decimal(4,3) DEFAULT  NULL,\n") + pad("grade") +
             QStringLiteral("smallint(6) DEFAULT 1,\n") + pad("updated_at") +
             QStringLiteral("datetime NOT NULL DEFAULT '2024-04-01 09:00:00',\n") + pad("note") +
             QStringLiteral("text DEFAULT  NULL,\n"
                            "PRIMARY KEY(staff_id),\n"
                            "UNIQUE INDEX ux_staff_dept_code(dept_id,staff_code),\n"
                            "INDEX ix_staff_hire_date(hire_date),\n"
                            "CONSTRAINT fk_staff_dept FOREIGN KEY(dept_id) REFERENCES "
                            "departments(dept_id) ON DELETE RESTRICT ON UPDATE RESTRICT\n"
                            ") ENGINE=InnoDB COLLATE=utf8mb4_general_ci\n")},
        {"audit_log",
         QStringLiteral("Object Name        : audit_log\nType               : InnoDB\n"
                        "Create             : %1\nModified           : (%1)?\n"
                        "Rows               : 0\n\n")
             .arg(time),
         QStringLiteral("CREATE TABLE audit_log(\n") + pad("logged_at") +
             QStringLiteral("datetime NOT NULL DEFAULT '2024-01-01 00:00:00',\n") +
             pad("log_level") + QStringLiteral("int(11) NOT NULL,\n") + pad("message") +
             QStringLiteral("text DEFAULT  NULL\n) ENGINE=InnoDB COLLATE=utf8mb4_general_ci\n")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.table);
        const ProcessResult r =
            describe({QStringLiteral("--alias"), QStringLiteral("MYTEST"),
                      QStringLiteral("--folder"), QStringLiteral("Table"), c.table});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const int split = r.out.indexOf(QStringLiteral("----\n"));
        ASSERT_GE(split, 0);
        const QString definition = r.out.left(split);
        EXPECT_TRUE(QRegularExpression(QLatin1Char('^') + c.definition + QLatin1Char('$'))
                        .match(definition)
                        .hasMatch())
            << definition.toStdString();
        EXPECT_EQ(r.out.mid(split + 5), c.source);
    }
}

// Tables named by reserved words describe like any other.
TEST_F(DescribeOnMariaDb, ReservedWordTableName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString create = dir.filePath(QStringLiteral("create.sql"));
    const QString drop = dir.filePath(QStringLiteral("drop.sql"));
    ASSERT_TRUE(writeFile(create, QStringLiteral("CREATE TABLE `order` (id INT NOT NULL,"
                                                 " `desc` VARCHAR(10) DEFAULT 'O''Brien',"
                                                 " PRIMARY KEY (id));\n")));
    ASSERT_TRUE(writeFile(drop, QStringLiteral("DROP TABLE IF EXISTS `order`;\n")));
    const auto runSql = [](const QString &file) {
        return kelvoran::test::runProcess(
            QStringLiteral(KELVORAN_BATCH),
            {QStringLiteral("sql"), QStringLiteral("--alias"), QStringLiteral("MYTEST"), file});
    };
    const ProcessResult created = runSql(create);
    ASSERT_EQ(created.exitCode, 0) << created.out.toStdString() << created.err.toStdString();
    const ProcessResult r =
        describe({QStringLiteral("--alias"), QStringLiteral("MYTEST"), QStringLiteral("--folder"),
                  QStringLiteral("Table"), QStringLiteral("order")});
    runSql(drop);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString pad = QString(37, u' ');
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Object Name        : order\n")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("----\nCREATE TABLE `order`(\nid") + pad +
                               QStringLiteral("int(11) NOT NULL,\n`desc`") + QString(33, u' ') +
                               QStringLiteral("varchar(10) DEFAULT 'O''Brien',\n"
                                              "PRIMARY KEY(id)\n"
                                              ") ENGINE=InnoDB COLLATE=utf8mb4_general_ci\n")))
        << r.out.toStdString();
}

} // namespace

// The loopback PostgreSQL with the sample schema: a table, a function and a procedure of the
// public schema, named as their folders list them (same set-up as for MariaDB).
class DescribeOnPostgres : public DescribeOnMariaDb {};

TEST_F(DescribeOnPostgres, FoldersDescribeTheirObjects) {
    const auto pad = [](const char *name) { return QString::fromUtf8(name).leftJustified(39); };
    struct Case {
        const char *folder;
        const char *name;
        QString definitionStart;
        QString sourceStart;
        QString sourceEnd;
    };
    const std::vector<Case> cases{
        {"Table", "public.departments",
         QStringLiteral("Object Name        : public.departments\nType               : Table\n"),
         QStringLiteral("CREATE TABLE public.departments (\n") + pad("dept_id") +
             QStringLiteral("integer NOT NULL,\n") + pad("dept_code") +
             QStringLiteral("character varying(5) NOT NULL,\n") + pad("dept_name") +
             QStringLiteral("character varying(40) NOT NULL,\n") + pad("region") +
             QStringLiteral("character varying(20) DEFAULT '東京'::character varying NOT "
                            "NULL,\n") +
             pad("created_on") +
             QStringLiteral("date DEFAULT '2024-04-01'::date NOT NULL,\n"
                            "CONSTRAINT departments_pkey PRIMARY KEY (dept_id)\n);\n"),
         QStringLiteral(");\n")},
        {"Function", "public.dept_total_salary(p_dept_id integer)",
         QStringLiteral("Object Name        : public.dept_total_salary(p_dept_id integer)\n"
                        "Type               : Function\n"),
         QStringLiteral("CREATE OR REPLACE FUNCTION public.dept_total_salary(p_dept_id "
                        "integer)\n RETURNS numeric\n"),
         QStringLiteral(";\n")},
        {"Procedure", "public.add_log(IN p_message text, IN p_level integer)",
         QStringLiteral("Object Name        : public.add_log(IN p_message text, IN p_level "
                        "integer)\nType               : Procedure\n"),
         QStringLiteral("CREATE OR REPLACE PROCEDURE public.add_log(IN p_message text, IN "
                        "p_level integer)\n"),
         QStringLiteral(";\n")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult r = describe({QStringLiteral("--alias"), QStringLiteral("PGTEST"),
                                          QStringLiteral("--folder"), QString::fromUtf8(c.folder),
                                          QString::fromUtf8(c.name)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const int split = r.out.indexOf(QStringLiteral("----\n"));
        ASSERT_GE(split, 0);
        EXPECT_TRUE(r.out.startsWith(c.definitionStart)) << r.out.toStdString();
        const QString source = r.out.mid(split + 5);
        EXPECT_TRUE(source.startsWith(c.sourceStart)) << source.toStdString();
        EXPECT_TRUE(source.endsWith(c.sourceEnd)) << source.toStdString();
    }
}

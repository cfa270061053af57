// kelvoran-batch settings: look into a settings file, or seal it with new passwords.
//
//   settings show FILE.kvr [--alias NAME]   the file as the reader sees it, as one JSON object
//   settings set-passwords FILE.kvr         packs the four passwords from the environment
#include "cli/batchcommand.h"

#include "core/clock.h"
#include "core/stepcode.h"
#include "core/textfile.h"
#include "db/aliases.h"
#include "report/credentials.h"
#include "report/messagetable.h"
#include "report/settingsfile.h"

#include <QStringList>

namespace kelvoran::batch {

namespace {

int runSettings(const QStringList &args);

const BatchCommand kCommand{
    QStringLiteral("settings"),
    QStringLiteral("show a settings file (.kvr) as JSON, or seal it with new passwords"),
    QStringLiteral(
        "kelvoran-batch settings show FILE.kvr [--alias NAME]\n"
        "       kelvoran-batch settings set-passwords FILE.kvr\n"
        "  show           reads the file as the scheduler does and prints one JSON object\n"
        "                 (sql, keys in file order, which passwords are set, columns, pivot,\n"
        "                 analysis). The alias is NAME, else the file's DBNAME when it is an\n"
        "                 alias, else the first alias.\n"
        "  set-passwords  packs new copies of all four passwords under a new MAKEDATE, from\n"
        "                 KELVORAN_PASSWORD (database), KELVORAN_TEMPLATE_PASSWORD,\n"
        "                 KELVORAN_OUTPUT_READ_PASSWORD and KELVORAN_OUTPUT_WRITE_PASSWORD\n"
        "                 (each empty when unset); only the key lines change"),
    runSettings};

const CommandRegistrar kRegistrar(kCommand);

// ---- JSON text, written by hand so that keys keep their order

QString jsonString(const QString &text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
                out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QChar(u'0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString jsonBool(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

QString jsonStringArray(const QStringList &list) {
    QStringList parts;
    for (const QString &s : list)
        parts << jsonString(s);
    return u'[' + parts.join(QStringLiteral(", ")) + u']';
}

// An object from (name, already-encoded value) pairs, in the given order.
QString jsonObject(const std::vector<std::pair<QString, QString>> &members) {
    QStringList parts;
    for (const auto &[name, value] : members)
        parts << jsonString(name) + QStringLiteral(": ") + value;
    return u'{' + parts.join(QStringLiteral(", ")) + u'}';
}

QString showJson(const ReportDefinition &def, const SelectAnalysis &analysis) {
    std::vector<std::pair<QString, QString>> keys;
    const std::map<QString, QString> &stored = def.values();
    QStringList order = ReportDefinition::formatKeys();
    order << QStringLiteral("SETTING") << QStringLiteral("MAKEDATE") << QStringLiteral("VERSION");
    for (const QString &k : order) {
        if (k == u"DATABASE" || ReportDefinition::packedPasswordKeys().contains(k))
            continue;
        const auto it = stored.find(k);
        if (it != stored.end())
            keys.emplace_back(k, jsonString(it->second));
    }

    QStringList columns;
    for (const ColumnSetting &c : def.columns)
        columns << jsonObject({{QStringLiteral("PhysicalName"), jsonString(c.PhysicalName)},
                               {QStringLiteral("Alias"), jsonString(c.Alias)},
                               {QStringLiteral("WidthOrCell"), jsonString(c.WidthOrCell)},
                               {QStringLiteral("FormatText"), jsonString(c.FormatText)},
                               {QStringLiteral("FormatCodes"), jsonString(c.FormatCodes)},
                               {QStringLiteral("GroupKeys"), jsonString(c.GroupKeys)},
                               {QStringLiteral("PivotLink"), jsonString(c.PivotLink)}});
    QStringList pivot;
    for (const PivotFieldSetting &p : def.pivotFields)
        pivot << jsonObject({{QStringLiteral("PhysicalName"), jsonString(p.PhysicalName)},
                             {QStringLiteral("Alias"), jsonString(p.Alias)},
                             {QStringLiteral("FieldKindText"), jsonString(p.FieldKindText)},
                             {QStringLiteral("AggregationText"), jsonString(p.AggregationText)},
                             {QStringLiteral("PivotCode"), jsonString(p.PivotCode)},
                             {QStringLiteral("Link"), jsonString(p.Link)}});
    QStringList items;
    for (const SelectItem &item : analysis.items)
        items << jsonStringArray({item.physicalName, item.alias});

    const QString analysisJson =
        jsonObject({{QStringLiteral("StatementKind"), QString::number(int(analysis.statementKind))},
                    {QStringLiteral("SelectHead"), jsonString(analysis.selectHead)},
                    {QStringLiteral("FromLines"), jsonStringArray(analysis.fromLines)},
                    {QStringLiteral("WhereLines"), jsonStringArray(analysis.whereLines)},
                    {QStringLiteral("items"), u'[' + items.join(QStringLiteral(", ")) + u']'}});
    const QString passwords =
        jsonObject({{QStringLiteral("DB"), jsonBool(!def.dbPassword.isEmpty())},
                    {QStringLiteral("T"), jsonBool(!def.templatePassword.isEmpty())},
                    {QStringLiteral("R"), jsonBool(!def.outputReadPassword.isEmpty())},
                    {QStringLiteral("W"), jsonBool(!def.outputWritePassword.isEmpty())}});
    return jsonObject(
        {{QStringLiteral("sql"), jsonString(def.sqlLines.join(QStringLiteral("\r\n")))},
         {QStringLiteral("keys"), jsonObject(keys)},
         {QStringLiteral("passwords"), passwords},
         {QStringLiteral("columns"), u'[' + columns.join(QStringLiteral(", ")) + u']'},
         {QStringLiteral("pivot"), u'[' + pivot.join(QStringLiteral(", ")) + u']'},
         {QStringLiteral("analysis"), analysisJson}});
}

// A failure on stderr: the message, and the step code when the message does not end with it.
int failed(const Error &error) {
    QString text = error.message;
    if (!error.stepCode.isEmpty() && !text.endsWith(error.stepCode))
        text += QStringLiteral("  ") + error.stepCode;
    printErr(text + u'\n');
    return ExitFailed;
}

int runShow(const QStringList &args) {
    const BatchArgs parsed(args, {QStringLiteral("alias")});
    if (const std::optional<int> exit = handleCommonArgs(kCommand, parsed))
        return *exit;
    if (parsed.positionals().size() != 1)
        return usageError(kCommand, QStringLiteral("settings show needs one settings file"));

    const Result<AliasList> aliases = AliasList::load();
    if (!aliases)
        return failed(aliases.error());
    SettingsReadOptions options;
    options.prefix = u'C';
    options.aliases = aliases->names();
    if (const std::optional<QString> alias = parsed.value(QStringLiteral("alias")))
        options.currentAlias = *alias;
    else if (!options.aliases.isEmpty())
        options.currentAlias = options.aliases.first();
    // Hints stay in the select head for an Oracle alias; the alias is known only after reading,
    // so read once more when it turns out to be one.
    SettingsFileReader reader(options);
    ReportDefinition def;
    const QString path = parsed.positionals().first();
    Status st = reader.readFile(path, def);
    if (st && reader.hasFormatBlock()) {
        const std::optional<AliasInfo> info = aliases->find(reader.currentAlias());
        if (info && info->kind() == DbKind::Oracle) {
            options.oracleHints = true;
            reader = SettingsFileReader(options);
            st = reader.readFile(path, def);
        }
    }
    if (!st)
        return failed(st.error());
    if (!reader.hasFormatBlock())
        return failed(Error{SettingsText::noFormatBlock(), QString()});
    printOut(showJson(def, reader.analysis()) + u'\n');
    return ExitOk;
}

int runSetPasswords(const QStringList &args) {
    const BatchArgs parsed(args, {});
    if (const std::optional<int> exit = handleCommonArgs(kCommand, parsed))
        return *exit;
    if (parsed.positionals().size() != 1)
        return usageError(kCommand,
                          QStringLiteral("settings set-passwords needs one settings file"));
    const QString path = parsed.positionals().first();
    StepCode step(u'C');
    const Result<QStringList> lines = readTextLines(path);
    if (!lines)
        return failed(lines.error());

    const Passwords passwords{qEnvironmentVariable("KELVORAN_PASSWORD"),
                              qEnvironmentVariable("KELVORAN_TEMPLATE_PASSWORD"),
                              qEnvironmentVariable("KELVORAN_OUTPUT_READ_PASSWORD"),
                              qEnvironmentVariable("KELVORAN_OUTPUT_WRITE_PASSWORD")};
    // The old copies need not be readable: they are emptied first, so the in-place change
    // lays out the key lines (inserting missing ones) without unpacking anything; the four new
    // copies, the database password included, then go into those lines.
    std::map<QString, QString> empty;
    for (const QString &k : ReportDefinition::packedPasswordKeys())
        empty[k] = QString();
    const SystemClock clock;
    const Result<QStringList> laidOut =
        ChangeExcelPasswords(setKeyLineValues(*lines, empty), passwords.templateRead,
                             passwords.outputRead, passwords.outputWrite, clock, step);
    if (!laidOut)
        return failed(laidOut.error());
    const Result<PackedPasswords> packed = PackPasswords(passwords, clock);
    if (!packed)
        return failed(packed.error());
    const QStringList sealed =
        setKeyLineValues(*laidOut, {{QStringLiteral("PASSWORD"), packed->copies.password},
                                    {QStringLiteral("KWORD"), packed->copies.kword},
                                    {QStringLiteral("QWORD"), packed->copies.qword},
                                    {QStringLiteral("TWORD"), packed->copies.tword},
                                    {QStringLiteral("MAKEDATE"), packed->makeDate},
                                    {QStringLiteral("VERSION"), packed->version}});
    if (const Status written = writeTextLines(path, sealed); !written)
        return failed(written.error());
    printOut(QStringLiteral("%1: passwords packed, MAKEDATE %2\n").arg(path, packed->makeDate));
    return ExitOk;
}

int runSettings(const QStringList &args) {
    if (args.isEmpty())
        return usageError(kCommand, QStringLiteral("missing subcommand (show or set-passwords)"));
    const QString sub = args.first();
    if (sub == u"--help" || sub == u"-h") {
        printOut(QStringLiteral("usage: %1\n%2\n").arg(kCommand.usage, kCommand.summary));
        return ExitOk;
    }
    if (sub == u"show")
        return runShow(args.mid(1));
    if (sub == u"set-passwords")
        return runSetPasswords(args.mid(1));
    return usageError(kCommand, QStringLiteral("unknown subcommand '%1'").arg(sub));
}

} // namespace

} // namespace kelvoran::batch

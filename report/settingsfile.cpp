#include "report/settingsfile.h"

#include "core/textfile.h"
#include "report/credentials.h"
#include "report/messagetable.h"

#include <algorithm>

namespace kelvoran {

namespace {

// The lines of the last begin marker and the last end marker of the format block (-1: none).
std::pair<qsizetype, qsizetype> formatBlockMarkers(const QStringList &lines) {
    qsizetype begin = -1;
    qsizetype end = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(SettingsText::beginMarker()))
            begin = i;
        if (lines[i].contains(SettingsText::endMarker()))
            end = i;
    }
    return {begin, end};
}

const QString kTrue = QStringLiteral("TRUE");
const QString kFalse = QStringLiteral("FALSE");

// Flags on when their upper-cased value is TRUE.
const QStringList &upperTrueFlags() {
    static const QStringList keys = {QStringLiteral("TITLEFLG"),    QStringLiteral("SHEETFLG"),
                                     QStringLiteral("PTTITLEFLG"),  QStringLiteral("PTSHEETFLG"),
                                     QStringLiteral("PTNAMEFLG"),   QStringLiteral("PTOUTROWSUM"),
                                     QStringLiteral("PTOUTCOLSUM"), QStringLiteral("PTREPDATASAVE"),
                                     QStringLiteral("PTOUT"),       QStringLiteral("KOTEIFLG"),
                                     QStringLiteral("KCFLG")};
    return keys;
}
// Flags on only when their value is exactly TRUE.
const QStringList &exactTrueFlags() {
    static const QStringList keys = {QStringLiteral("TITLEITALIC"), QStringLiteral("TITLEBOLD"),
                                     QStringLiteral("TITLEHOLD")};
    return keys;
}
// Flags on unless their value is exactly FALSE (a missing key turns them on).
const QStringList &onUnlessFalseFlags() {
    static const QStringList keys = {QStringLiteral("MAKEDATEFLG"), QStringLiteral("PTMAKEDATEFLG"),
                                     QStringLiteral("KOUMOKUNAME")};
    return keys;
}

// Combo boxes: key and number of items.
struct ComboKey {
    const char *key;
    int items;
};
const ComboKey kCombos[] = {{"AFORMATDATA", 23},
                            {"RF", 3},
                            {"PTPAGELAYOUT", 2},
                            {"PTREPLAYOUT", 23},
                            {"PTAFORMATPIVOT", 23}};

// A check box and the texts and cells that belong to it.
struct FlagGroup {
    const char *flag;
    std::vector<const char *> fields;
};
const std::vector<FlagGroup> &flagGroups() {
    static const std::vector<FlagGroup> groups = {
        {"TITLEFLG", {"TITLE", "TITLECOL", "TITLEROW"}},
        {"SHEETFLG", {"SHEETNAME"}},
        {"MAKEDATEFLG", {"MAKEDATECOL", "MAKEDATEROW"}},
        {"PTTITLEFLG", {"PTTITLE", "PTTITLECOL", "PTTITLEROW"}},
        {"PTSHEETFLG", {"PTSHEETNAME"}},
        {"PTNAMEFLG", {"PTNAME"}}};
    return groups;
}

QString key(const char *name) {
    return QString::fromLatin1(name);
}

// Shift_JIS width of a text: one column per single-byte character, two per double-byte one;
// this is how the select list lines up in a fixed-width editor.
int textWidth(const QString &text) {
    int width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        width += (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
    }
    return width;
}

QString rightTrimBlanks(const QString &text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].unicode() <= 0x20)
        --end;
    return text.left(end);
}

bool isBlank(const QString &text) {
    return trimBlanks(text).isEmpty();
}

std::optional<int> toNumber(const QString &text) {
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

QString procFlag(SettingsFileMode mode) {
    switch (mode) {
    case SettingsFileMode::Excel:
        return QStringLiteral("1");
    case SettingsFileMode::CsvExportFromMain:
    case SettingsFileMode::CsvExportFromDesigner:
        return QStringLiteral("2");
    case SettingsFileMode::CsvImport:
        return QStringLiteral("3");
    case SettingsFileMode::Sql:
        return QStringLiteral("0");
    }
    return QStringLiteral("0");
}

std::vector<ColumnSetting> nonBlankRows(const std::vector<ColumnSetting> &rows) {
    std::vector<ColumnSetting> out;
    for (const ColumnSetting &c : rows)
        if (!isBlank(c.PhysicalName))
            out.push_back(c);
    return out;
}

// The values as the writer stores them for a mode.
ReportDefinition writerValues(const ReportDefinition &in, SettingsFileMode mode) {
    ReportDefinition def = in;
    applyDesignerRules(def);
    def.setValue(QStringLiteral("PROCFLG"), procFlag(mode));
    if (mode == SettingsFileMode::Excel || mode == SettingsFileMode::Sql)
        def.setValue(QStringLiteral("CSVTABLENAME"), QString());
    if (mode != SettingsFileMode::CsvImport)
        def.setValue(QStringLiteral("CSVFILENAME"), QString());
    // A tab and a single blank are written as "#9" and "#8": the reader trims a value, so a
    // blank written as it is would be lost.
    if (def.value(QStringLiteral("CSVSEPCHAR")) == u"\t")
        def.setValue(QStringLiteral("CSVSEPCHAR"), QStringLiteral("#9"));
    else if (def.value(QStringLiteral("CSVSEPCHAR")) == u" ")
        def.setValue(QStringLiteral("CSVSEPCHAR"), QStringLiteral("#8"));

    if (mode != SettingsFileMode::Excel) {
        for (const QString &k : ReportDefinition::formatKeys())
            if (ReportDefinition::isExcelKey(k))
                def.setValue(k, QString());
        def.setValue(QStringLiteral("KCBKEY"), QStringLiteral("0"));
    } else {
        if (def.value(QStringLiteral("RF")) == u"0")
            def.setValue(QStringLiteral("RFCOLNAME"), QString());
        if (!def.flag(QStringLiteral("KOUMOKUNAME")))
            for (const QString &k : exactTrueFlags())
                def.setFlag(k, false);
        if (!def.flag(QStringLiteral("PTOUT"))) {
            for (const char *k : {"PTTITLEFLG", "PTSHEETFLG", "PTMAKEDATEFLG", "PTNAMEFLG",
                                  "PTOUTROWSUM", "PTOUTCOLSUM", "PTREPDATASAVE"})
                def.setFlag(key(k), false);
            for (const char *k : {"PTTITLE", "PTTITLECOL", "PTTITLEROW", "PTSHEETNAME",
                                  "PTMAKEDATECOL", "PTMAKEDATEROW", "PTNAME"})
                def.setValue(key(k), QString());
            for (const char *k : {"PTPAGELAYOUT", "PTREPLAYOUT", "PTAFORMATPIVOT"})
                def.setValue(key(k), QStringLiteral("0"));
        }
        if (!def.flag(QStringLiteral("KCFLG"))) {
            for (const char *k : {"KCFC", "KCEC", "KCPC"})
                def.setValue(key(k), QString());
            def.setValue(QStringLiteral("KCBKEY"), QStringLiteral("0"));
        }
    }
    def.setValue(QStringLiteral("SETTING"), QStringLiteral("0"));
    def.setValue(QStringLiteral("VERSION"), QString::fromLatin1(SettingsFileVersion));
    return def;
}

QString keyLine(const QString &name, const QString &value) {
    return QStringLiteral(" /* ") + name + QStringLiteral("= ") + value + u' ';
}

// The text of a column setting line (without the comment around it).
QString columnLineText(const ColumnSetting &c, const ReportDefinition &def, bool show) {
    QString kind, aggregation, code;
    if (def.flag(QStringLiteral("PTOUT")) && !c.PivotLink.isEmpty()) {
        for (size_t p = 0; p < def.pivotFields.size(); ++p) {
            const PivotFieldSetting &row = def.pivotFields[p];
            if (row.Link == c.PivotLink) {
                kind = row.FieldKindText;
                aggregation = row.AggregationText;
                code = columnPivotCode(row.PivotCode, int(p) + 1);
                break;
            }
        }
    }
    const QString names = show ? c.PhysicalName + u'/' + c.Alias : QString();
    return u' ' + c.WidthOrCell + u'@' + c.FormatText + u'@' + c.FormatCodes + u'@' + names + u'@' +
           c.GroupKeys + u'@' + kind + u'@' + aggregation + u'@' + code + QStringLiteral("@  ");
}

} // namespace

QString trimBlanks(const QString &text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= 0x20)
        ++start;
    while (end > start && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(start, end - start);
}

SqlSource SqlSource::fromAnalysis(const SelectAnalysis &analysis, const QStringList &editorLines) {
    SqlSource s;
    s.kind = analysis.statementKind == StatementKind::Show ? ShowStatement : Analysis;
    s.selectHead = analysis.selectHead;
    s.fromLines = analysis.fromLines;
    s.whereLines = analysis.whereLines;
    s.editorLines = editorLines;
    s.selectList = analysis.items;
    return s;
}

SqlSource SqlSource::forTable(const QString &tableName) {
    SqlSource s;
    s.kind = GeneratedTable;
    s.tableName = tableName;
    return s;
}

QString beginMarkerLine() {
    return u' ' + SettingsText::beginMarker() + QStringLiteral("  ");
}
QString endMarkerLine() {
    return u' ' + SettingsText::endMarker() + QStringLiteral("  ");
}

void applyDesignerRules(ReportDefinition &def) {
    for (const QString &k : upperTrueFlags())
        def.setFlag(k, def.value(k).toUpper() == kTrue);
    for (const QString &k : exactTrueFlags())
        def.setFlag(k, def.value(k) == kTrue);
    for (const QString &k : onUnlessFalseFlags())
        def.setFlag(k, def.value(k) != kFalse);
    for (const FlagGroup &g : flagGroups())
        if (!def.flag(key(g.flag)))
            for (const char *f : g.fields)
                def.setValue(key(f), QString());
    for (const ComboKey &c : kCombos) {
        const std::optional<int> n = toNumber(def.value(key(c.key)));
        def.setValue(key(c.key), QString::number(n && *n >= 0 && *n < c.items ? *n : 0));
    }
    const std::optional<int> page = toNumber(def.value(QStringLiteral("KCBKEY")));
    def.setValue(QStringLiteral("KCBKEY"), QString::number(page && *page > 0 ? *page : 0));
    if (!def.flag(QStringLiteral("KOTEIFLG")) && !def.flag(QStringLiteral("KCFLG")))
        def.setValue(QStringLiteral("KOTEIHINACELL"), QString());
    if (def.value(QStringLiteral("RF")).toInt() < 1) {
        def.setValue(QStringLiteral("RFNAME"), QString());
        def.setValue(QStringLiteral("RFCODE"), QString());
    }
}

QStringList buildSqlPart(const std::vector<ColumnSetting> &allColumns, SettingsFileMode mode,
                         const SqlSource &sql) {
    QStringList lines;
    if (mode == SettingsFileMode::CsvImport)
        return lines;
    if (mode == SettingsFileMode::Sql) {
        for (const QString &l : sql.editorLines)
            lines << rightTrimBlanks(l);
        return lines;
    }
    if (sql.kind == SqlSource::ShowStatement)
        return sql.editorLines;

    std::vector<ColumnSetting> fromSelectList;
    if (mode == SettingsFileMode::CsvExportFromMain)
        for (const SelectItem &item : sql.selectList)
            fromSelectList.push_back(ColumnSetting{item.physicalName, item.alias, QString(),
                                                   QString(), QString(), QString(), QString()});
    const std::vector<ColumnSetting> columns =
        nonBlankRows(mode == SettingsFileMode::CsvExportFromMain ? fromSelectList : allColumns);
    const QString head =
        sql.kind == SqlSource::GeneratedTable ? QStringLiteral("SELECT ") : sql.selectHead;
    const QString indent(textWidth(head), u' ');
    int longest = 0;
    for (const ColumnSetting &c : columns)
        longest = std::max(longest, textWidth(c.PhysicalName));
    for (size_t i = 0; i < columns.size(); ++i) {
        const ColumnSetting &c = columns[i];
        if (i > 0)
            lines.last() += QStringLiteral(", ");
        QString line = (i == 0 ? head : indent) + c.PhysicalName;
        if (mode == SettingsFileMode::Excel) {
            if (!c.Alias.isEmpty())
                line += QString(longest + 1 - textWidth(c.PhysicalName), u' ') +
                        QStringLiteral(" AS \"") + c.Alias + QStringLiteral("\" ");
            else
                line += u' ';
        } else {
            line += u' ' + c.Alias + u' ';
        }
        lines << line;
    }
    if (sql.kind == SqlSource::GeneratedTable) {
        lines << QStringLiteral(" FROM ") + sql.tableName + u' ';
    } else {
        for (const QStringList *part : {&sql.fromLines, &sql.whereLines})
            for (const QString &l : *part)
                if (!isBlank(l))
                    lines << u' ' + rightTrimBlanks(l) + u' ';
    }
    return lines;
}

QStringList buildSettingsLines(const ReportDefinition &in, SettingsFileMode mode,
                               const SqlSource &sql) {
    const ReportDefinition def = writerValues(in, mode);
    QStringList lines = buildSqlPart(def.columns, mode, sql);
    for (int i = 0; i < 4; ++i)
        lines << QStringLiteral(" ");
    lines << beginMarkerLine();
    for (const QString &k : ReportDefinition::formatKeys())
        lines << keyLine(k, def.value(k));
    lines << keyLine(QStringLiteral("SETTING"), QStringLiteral("0"));
    if (mode == SettingsFileMode::Excel || mode == SettingsFileMode::CsvExportFromDesigner) {
        const bool show = sql.kind == SqlSource::ShowStatement;
        for (const ColumnSetting &c : nonBlankRows(def.columns)) {
            const QString text = mode == SettingsFileMode::Excel
                                     ? columnLineText(c, def, show)
                                     : u' ' + c.WidthOrCell + u'@' + c.FormatText + u'@' +
                                           c.FormatCodes + QStringLiteral("@  ");
            lines << QStringLiteral(" /* ") + text + QStringLiteral("  */ ");
        }
    }
    lines << keyLine(QStringLiteral("MAKEDATE"), def.value(QStringLiteral("MAKEDATE")));
    lines << keyLine(QStringLiteral("VERSION"), def.value(QStringLiteral("VERSION")));
    lines << endMarkerLine();
    return lines;
}

Status writeSettingsFile(const QString &path, const ReportDefinition &def, SettingsFileMode mode,
                         const SqlSource &sql) {
    return writeTextLines(path, buildSettingsLines(def, mode, sql));
}

QStringList setKeyLineValues(const QStringList &lines, const std::map<QString, QString> &values) {
    const auto [begin, end] = formatBlockMarkers(lines);
    QStringList out = lines;
    for (qsizetype i = begin + 1; begin >= 0 && i < end; ++i) {
        // The key as the reader finds it.
        const QString work = u' ' + trimBlanks(lines[i]) + u' ';
        const qsizetype eq = work.indexOf(u'=');
        if (!work.startsWith(QStringLiteral(" /* ")) || eq <= 4)
            continue;
        const auto it = values.find(trimBlanks(work.mid(4, eq - 4)));
        if (it != values.end())
            out[i] = keyLine(it->first, it->second);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Reading

SettingsFileReader::SettingsFileReader(SettingsReadOptions options)
    : m_options(std::move(options)), m_step(m_options.prefix) {}

Status SettingsFileReader::fail(const QString &code) {
    const QString full = m_options.prefix + code;
    m_step.setText(full);
    return Error{SettingsText::loadError() + full, full};
}

Status SettingsFileReader::failHere() {
    return Error{SettingsText::loadError() + u' ', m_step.text()};
}

Status SettingsFileReader::readFile(const QString &path, ReportDefinition &def) {
    m_step.set("LA_280001");
    Result<QStringList> lines = readTextLines(path);
    if (!lines) {
        // A file that cannot be read or is not Shift_JIS: the load error, then what went wrong
        // (the file and line).
        def.clear();
        return Error{SettingsText::loadError() + u' ' + lines.error().message, m_step.text()};
    }
    return readLines(*lines, def);
}

Status SettingsFileReader::readLines(const QStringList &lines, ReportDefinition &def) {
    m_hasBlock = false;
    m_currentAlias = m_options.currentAlias;
    m_family.clear();
    m_versionNumber = 0;
    m_seed = 0;
    m_analysis = SelectAnalysis();
    def.clear();

    m_step.set("LA_280002");
    const auto [begin, end] = formatBlockMarkers(lines);
    if (begin < 0) {
        // Not a settings file: nothing is parsed; the caller shows the text as it is.
        def.sqlLines = lines;
        return Status::ok();
    }
    m_hasBlock = true;
    def.sqlLines = lines.mid(0, begin);
    // The select list as the main window shows it: aliases without their enclosing quotes, so
    // that a file read back holds the aliases it was written with (the writer adds the quotes).
    m_analysis = AnalyzeSelect(def.sqlLines, m_options.oracleHints);
    StripAliasQuotes(m_analysis.items);
    m_step.set("LA_280003");
    if (end < begin)
        return fail(QStringLiteral("LA_280003"));

    m_step.set("LA_280004");
    QStringList work;
    for (qsizetype i = begin; i <= end; ++i)
        work << u' ' + trimBlanks(lines[i]) + u' ';
    return readBlock(work, def);
}

Status SettingsFileReader::readBlock(const QStringList &work, ReportDefinition &def) {
    m_step.set("GD_290001");
    bool haveProcFlag = false;
    bool haveMakeDate = false;
    bool haveVersion = false;
    int settingLine = -1;

    // The checks made when VERSION is read and again after the last line.
    auto checkOrder = [&]() -> std::optional<QString> {
        if (!haveProcFlag)
            return QStringLiteral("ST_10001");
        if (m_currentAlias.isEmpty())
            return QStringLiteral("ST_10003");
        if (!haveMakeDate)
            return QStringLiteral("ST_10019");
        return std::nullopt;
    };

    for (int idx = 1; idx < work.size(); ++idx) {
        m_step.set("GD_290003", {idx});
        const QString &line = work[idx];
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue; // no key on this line
        const QString name = eq > 4 ? trimBlanks(line.mid(4, eq - 4)) : QString();
        const bool keepLast = name == u"MAKEDATE" || name == u"VERSION" || name == u"PROCFLG";
        const QString raw = keepLast ? line.mid(eq + 1) : line.mid(eq + 1, line.size() - eq - 2);
        QString value;
        if (name == u"CSVSEPCHAR") {
            value = raw.mid(1);
            if (value == u"#9")
                value = QStringLiteral("\t");
            else if (value == u"#8")
                value = QStringLiteral(" ");
        } else {
            value = trimBlanks(raw);
        }

        if (!ReportDefinition::isKnownKey(name))
            continue;
        if (name == u"DATABASE") {
            if (m_options.keepDatabase)
                def.setValue(name, value);
            continue;
        }
        def.setValue(name, value);
        if (name == u"PROCFLG") {
            m_step.set("GD_290010");
            if (value.isEmpty())
                return fail(QStringLiteral("ST_10001"));
            haveProcFlag = true;
        } else if (name == u"DBNAME") {
            m_step.set("GD_290011");
            if (m_options.aliases.contains(value))
                m_currentAlias = value;
            if (m_currentAlias.isEmpty())
                return fail(QStringLiteral("ST_10003"));
        } else if (name == u"MAKEDATE") {
            m_step.set("GD_290020");
            if (value.isEmpty())
                return fail(QStringLiteral("ST_10019"));
            const int sum = StampSum(value);
            if (sum < 0)
                return failHere();
            m_seed = sum;
            haveMakeDate = true;
        } else if (name == u"VERSION") {
            m_step.set("GD_290030");
            if (const std::optional<QString> code = checkOrder())
                return fail(*code);
            if (value.isEmpty())
                return fail(QStringLiteral("ST_10020"));
            m_step.set("GD_290031");
            m_family = FormatFamily(value);
            if (m_family.isEmpty())
                return failHere();
            m_versionNumber = FamilyNumber(m_family);
            haveVersion = true;
        } else if (name == u"TITLEBOLD" || name == u"SETTING") {
            settingLine = idx;
        }
    }

    m_step.set("GD_290040");
    if (const std::optional<QString> code = checkOrder())
        return fail(*code);
    if (!haveVersion)
        return fail(QStringLiteral("ST_10020"));
    if (settingLine < 0)
        return fail(QStringLiteral("ST_10021"));

    m_step.set("GD_290041");
    const Status credentials = readPasswords(def);
    if (!credentials)
        return credentials;

    if (def.value(QStringLiteral("PROCFLG")) != u"1")
        return Status::ok();

    m_step.set("GD_290042");
    for (const char *colour : {"TITLEBACKCOLOR", "TITLEFONTCOLOR"})
        if (!toNumber(def.value(key(colour))))
            return failHere();
    applyDesignerRules(def);

    m_step.set("GD_290043");
    // The designer takes one row per select item.
    const std::vector<SelectItem> &items = m_analysis.items;
    def.columns.clear();
    if (!items.empty() && !items.front().physicalName.isEmpty())
        for (const SelectItem &item : items)
            def.columns.push_back(ColumnSetting{item.physicalName, item.alias, QString(), QString(),
                                                QString(), QString(), QString()});
    const Status columns = readColumnLines(work, settingLine, def);
    if (!columns)
        return columns;
    if (m_analysis.statementKind == StatementKind::Show) {
        // A SHOW statement's select list is the names carried by the column setting lines.
        m_analysis.items.clear();
        for (const ColumnSetting &c : def.columns)
            m_analysis.items.push_back(SelectItem{c.PhysicalName, c.Alias});
    }

    m_step.set("GD_290044");
    // The page-break key names a row of the grid, or the empty item.
    const int page = def.value(QStringLiteral("KCBKEY")).toInt();
    if (page > int(def.columns.size()))
        def.setValue(QStringLiteral("KCBKEY"), QStringLiteral("0"));
    return Status::ok();
}

Status SettingsFileReader::readPasswords(ReportDefinition &def) {
    PackedCopies copies;
    copies.password = def.value(QStringLiteral("PASSWORD"));
    copies.kword = def.value(QStringLiteral("KWORD"));
    copies.qword = def.value(QStringLiteral("QWORD"));
    copies.tword = def.value(QStringLiteral("TWORD"));
    const Result<Passwords> passwords =
        UnpackPasswords(m_family, def.value(QStringLiteral("MAKEDATE")), copies, m_step);
    if (!passwords) {
        // A broken or tampered copy loses all four passwords; a tamper error keeps its text.
        def.dbPassword.clear();
        def.templatePassword.clear();
        def.outputReadPassword.clear();
        def.outputWritePassword.clear();
        const QString code = passwords.error().stepCode;
        if (code.endsWith(u"_300176") || code.endsWith(u"_300177") || code.endsWith(u"_300178") ||
            code.endsWith(u"_300179"))
            def.tamperText = passwords.error().message;
        m_step.setText(code);
        return Error{SettingsText::loadError() + code, code};
    }
    def.dbPassword = passwords->db;
    def.templatePassword = passwords->templateRead;
    def.outputReadPassword = passwords->outputRead;
    def.outputWritePassword = passwords->outputWrite;
    return Status::ok();
}

Status SettingsFileReader::readColumnLines(const QStringList &work, int settingLine,
                                           ReportDefinition &def) {
    m_step.set("LS_160001");
    // Rebuild the pivot rows from the columns: one per column, linked by row number.
    def.pivotFields.clear();
    for (size_t k = 0; k < def.columns.size(); ++k) {
        PivotFieldSetting p;
        p.PhysicalName = def.columns[k].PhysicalName;
        p.Alias = def.columns[k].Alias;
        p.Link = QString::number(k + 1);
        def.columns[k].PivotLink = p.Link;
        def.pivotFields.push_back(p);
    }

    auto failLines = [&]() {
        def.columns.assign(1, ColumnSetting());
        def.pivotFields.assign(1, PivotFieldSetting());
        return fail(m_step.text().mid(1));
    };

    const int last = int(work.size()) - 4; // before MAKEDATE, VERSION and the end marker
    int k = 0;
    for (int idx = settingLine + 1; idx <= last; ++idx, ++k) {
        m_step.set("LS_160002", {k + 1});
        const QStringList pieces = work[idx].mid(4).split(u'@');
        QString fields[8];
        for (int f = 0; f < 8 && f < pieces.size() - 1; ++f)
            fields[f] = pieces[f];

        m_step.set("LS_160003", {k + 1});
        if (size_t(k) >= def.columns.size())
            def.columns.resize(size_t(k) + 1);
        ColumnSetting &column = def.columns[size_t(k)];
        column.WidthOrCell = trimBlanks(fields[0]);
        column.FormatText = trimBlanks(fields[1]);
        column.FormatCodes = trimBlanks(fields[2]);
        column.GroupKeys = trimBlanks(fields[4]);

        m_step.set("LS_160004", {k + 1});
        const QString names = trimBlanks(fields[3]);
        if (!names.isEmpty()) {
            // A SHOW statement carries its names here.
            const qsizetype slash = names.indexOf(u'/');
            column.PhysicalName = slash < 0 ? names : names.left(slash);
            column.Alias = slash < 0 ? QString() : names.mid(slash + 1);
        }

        m_step.set("LS_160005", {k + 1});
        const QString code = trimBlanks(fields[7]);
        if (code.isEmpty())
            continue;
        m_step.set("LS_160006", {k + 1});
        const QString padded = code.rightJustified(17, u' ');
        const std::optional<int> p = toNumber(trimBlanks(padded.mid(8, 3)));
        if (!p || *p < 1)
            return failLines();
        m_step.set("LS_160007", {k + 1});
        if (size_t(*p) > def.pivotFields.size())
            def.pivotFields.resize(size_t(*p));
        PivotFieldSetting &row = def.pivotFields[size_t(*p) - 1];
        row.PhysicalName = column.PhysicalName;
        row.Alias = column.Alias;
        row.FieldKindText = trimBlanks(fields[5]);
        row.AggregationText = trimBlanks(fields[6]);
        // A column that is not a pivot field stores blanks before its row number; its pivot
        // row keeps an empty code rather than the row number as a code.
        row.PivotCode = trimBlanks(padded.left(8)).isEmpty() ? QString() : code;
        row.Link = QString::number(*p);
        column.PivotLink = row.Link;
    }
    m_step.set("LS_160012");
    return Status::ok();
}

} // namespace kelvoran

#include "tests/report/reportsamples.h"

#include "report/credentials.h"
#include "report/formatcode.h"

namespace kelvoran::test {

ReportDefinition sampleExcelReport() {
    ReportDefinition d;
    auto set = [&d](const char *k, const QString &v) { d.setValue(QString::fromLatin1(k), v); };
    set("PROCFLG", QStringLiteral("1"));
    set("DBNAME", QStringLiteral("SALES"));
    set("USER_NAME", QStringLiteral("u"));
    set("CSVSEPCHAR", QStringLiteral(","));
    set("CSVTREAT", QStringLiteral("0"));
    set("CSVCOLNAME", QStringLiteral("TRUE"));
    set("DATAFASTCOL", QStringLiteral("2"));
    set("DATAFASTROW", QStringLiteral("4"));
    set("TITLE", QStringLiteral("売上一覧　（月次）"));
    set("TITLEFLG", QStringLiteral("TRUE"));
    set("SHEETFLG", QStringLiteral("TRUE"));
    set("SHEETNAME", QStringLiteral("売上"));
    set("TITLECOL", QStringLiteral("1"));
    set("TITLEROW", QStringLiteral("2"));
    set("MAKEDATEFLG", QStringLiteral("TRUE"));
    set("MAKEDATECOL", QStringLiteral("5"));
    set("MAKEDATEROW", QStringLiteral("2"));
    set("KOUMOKUNAME", QStringLiteral("TRUE"));
    set("PATTERNFILE", QString());
    set("FROWSETTING", QStringLiteral("〔中央出力〕"));
    set("FROWCODE", QStringLiteral("002/   /   /   /,"));
    set("FROWFASTCOL", QStringLiteral("2"));
    set("FROWENDCOL", QStringLiteral("4"));
    set("AFORMATDATA", QStringLiteral("0"));
    set("RF", QStringLiteral("1"));
    set("RFCOLNAME", QStringLiteral("合計"));
    set("RFNAME", QStringLiteral("〔右寄せ出力〕"));
    set("RFCODE", QStringLiteral("004/   /   /   /,"));
    set("PTOUT", QStringLiteral("TRUE"));
    set("PTDATAFASTCOL", QStringLiteral("8"));
    set("PTDATAFASTROW", QStringLiteral("4"));
    set("PTTITLEFLG", QStringLiteral("TRUE"));
    set("KOTEIFLG", QStringLiteral("FALSE"));
    set("KOTEIHINACELL", QString());
    set("PTTITLE", QStringLiteral("集計"));
    set("PTTITLECOL", QStringLiteral("8"));
    set("PTTITLEROW", QStringLiteral("2"));
    set("PTSHEETFLG", QStringLiteral("FALSE"));
    set("PTSHEETNAME", QString());
    set("PTMAKEDATEFLG", QStringLiteral("FALSE"));
    set("PTMAKEDATECOL", QStringLiteral("10"));
    set("PTMAKEDATEROW", QStringLiteral("2"));
    set("PTNAMEFLG", QStringLiteral("TRUE"));
    set("PTNAME", QStringLiteral("PT1"));
    set("PTOUTROWSUM", QStringLiteral("TRUE"));
    set("PTOUTCOLSUM", QStringLiteral("FALSE"));
    set("PTREPDATASAVE", QStringLiteral("TRUE"));
    set("PTPAGELAYOUT", QStringLiteral("1"));
    set("PTREPLAYOUT", QStringLiteral("3"));
    set("PTAFORMATPIVOT", QStringLiteral("12"));
    set("KCFC", QString());
    set("KCEC", QString());
    set("KCPC", QString());
    set("KCFLG", QStringLiteral("FALSE"));
    set("KCBKEY", QStringLiteral("0"));
    set("TITLEHOLD", QStringLiteral("TRUE"));
    set("TITLEBACKCOLOR", QStringLiteral("15"));
    set("TITLEFONTCOLOR", QStringLiteral("1"));
    set("TITLEITALIC", QStringLiteral("FALSE"));
    set("TITLEBOLD", QStringLiteral("TRUE"));

    ColumnSetting region{QStringLiteral("REGION"), QStringLiteral("地域"),
                         QStringLiteral("10"),     QStringLiteral("〔中央出力〕"),
                         FormatCode::plain(2),     QString(),
                         QStringLiteral("1")};
    ColumnSetting amount{QStringLiteral("SUM(AMOUNT)"),
                         QStringLiteral("金額"),
                         QStringLiteral("12"),
                         QStringLiteral("〔数値表示(マイナス表示)〕〔グループ合計〕"),
                         *FormatCode::withNumber(10, QStringLiteral("3")) +
                             *FormatCode::withNumber(103, QStringLiteral("36")),
                         groupKeyPiece(QStringLiteral("REGION")),
                         QStringLiteral("2")};
    ColumnSetting month{
        QStringLiteral("MONTH"), QString(), QStringLiteral("8"), QString(), QString(), QString(),
        QStringLiteral("3")};
    d.columns = {region, amount, month};

    PivotFieldSetting p1{region.PhysicalName, region.Alias, QString(),
                         QString(),           QString(),    QStringLiteral("1")};
    setPivotField(p1, PivotFieldKind::Row, 0);
    PivotFieldSetting p2{amount.PhysicalName, amount.Alias, QString(),
                         QString(),           QString(),    QStringLiteral("2")};
    setPivotField(p2, PivotFieldKind::Data, 1);
    PivotFieldSetting p3{month.PhysicalName, month.Alias, QString(),
                         QString(),          QString(),   QStringLiteral("3")};
    d.pivotFields = {p1, p2, p3};
    return d;
}

SqlSource sampleSqlSource() {
    SqlSource s;
    s.kind = SqlSource::Analysis;
    s.selectHead = QStringLiteral("SELECT ");
    s.fromLines = {QStringLiteral("FROM SALES"), QString(),
                   QStringLiteral("GROUP BY REGION, MONTH")};
    s.whereLines = {};
    for (const ColumnSetting &c : sampleExcelReport().columns)
        s.selectList.push_back(SelectItem{c.PhysicalName, c.Alias});
    return s;
}

ReportDefinition sealedSampleReport(const QString &makeDate) {
    ReportDefinition d = sampleExcelReport();
    d.dbPassword = QStringLiteral("dbpw");
    d.outputReadPassword = QStringLiteral("read1");
    d.outputWritePassword = QStringLiteral("write1");
    const Result<PackedPasswords> packed = PackPasswordsAt(
        Passwords{d.dbPassword, d.templatePassword, d.outputReadPassword, d.outputWritePassword},
        makeDate);
    if (packed) {
        d.setValue(QStringLiteral("MAKEDATE"), packed->makeDate);
        d.setValue(QStringLiteral("VERSION"), packed->version);
        d.setValue(QStringLiteral("PASSWORD"), packed->copies.password);
        d.setValue(QStringLiteral("KWORD"), packed->copies.kword);
        d.setValue(QStringLiteral("QWORD"), packed->copies.qword);
        d.setValue(QStringLiteral("TWORD"), packed->copies.tword);
    }
    return d;
}

QStringList handMadeFile(const QStringList &sql, const QStringList &entries) {
    QStringList lines = sql;
    for (int i = 0; i < 4; ++i)
        lines << QStringLiteral(" ");
    lines << beginMarkerLine();
    for (const QString &e : entries) {
        const qsizetype eq = e.indexOf(u'=');
        if (eq < 0)
            lines << e;
        else
            lines << QStringLiteral(" /* ") + e.left(eq) + QStringLiteral("= ") + e.mid(eq + 1) +
                         u' ';
    }
    lines << endMarkerLine();
    return lines;
}

Status readSample(const QStringList &lines, ReportDefinition &def, QChar prefix) {
    SettingsReadOptions options;
    options.prefix = prefix;
    options.aliases = {QStringLiteral("SALES"), QStringLiteral("DEMO")};
    SettingsFileReader reader(options);
    return reader.readLines(lines, def);
}

} // namespace kelvoran::test

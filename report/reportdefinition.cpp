#include "report/reportdefinition.h"

#include <algorithm>

namespace kelvoran {

ReportDefinition::ReportDefinition() {
    clear();
}

const QStringList &ReportDefinition::formatKeys() {
    static const QStringList keys = {
        QStringLiteral("PROCFLG"),        QStringLiteral("DATABASE"),
        QStringLiteral("DBNAME"),         QStringLiteral("USER_NAME"),
        QStringLiteral("PASSWORD"),       QStringLiteral("CSVTABLENAME"),
        QStringLiteral("CSVFILENAME"),    QStringLiteral("CSVSEPCHAR"),
        QStringLiteral("CSVTREAT"),       QStringLiteral("CSVCOLNAME"),
        QStringLiteral("QWORD"),          QStringLiteral("KWORD"),
        QStringLiteral("TWORD"),          QStringLiteral("DATAFASTCOL"),
        QStringLiteral("DATAFASTROW"),    QStringLiteral("TITLE"),
        QStringLiteral("TITLEFLG"),       QStringLiteral("SHEETFLG"),
        QStringLiteral("SHEETNAME"),      QStringLiteral("TITLECOL"),
        QStringLiteral("TITLEROW"),       QStringLiteral("MAKEDATEFLG"),
        QStringLiteral("MAKEDATECOL"),    QStringLiteral("MAKEDATEROW"),
        QStringLiteral("KOUMOKUNAME"),    QStringLiteral("PATTERNFILE"),
        QStringLiteral("FROWSETTING"),    QStringLiteral("FROWCODE"),
        QStringLiteral("FROWFASTCOL"),    QStringLiteral("FROWENDCOL"),
        QStringLiteral("AFORMATDATA"),    QStringLiteral("RF"),
        QStringLiteral("RFCOLNAME"),      QStringLiteral("RFNAME"),
        QStringLiteral("RFCODE"),         QStringLiteral("PTOUT"),
        QStringLiteral("PTDATAFASTCOL"),  QStringLiteral("PTDATAFASTROW"),
        QStringLiteral("PTTITLEFLG"),     QStringLiteral("KOTEIFLG"),
        QStringLiteral("KOTEIHINACELL"),  QStringLiteral("PTTITLE"),
        QStringLiteral("PTTITLECOL"),     QStringLiteral("PTTITLEROW"),
        QStringLiteral("PTSHEETFLG"),     QStringLiteral("PTSHEETNAME"),
        QStringLiteral("PTMAKEDATEFLG"),  QStringLiteral("PTMAKEDATECOL"),
        QStringLiteral("PTMAKEDATEROW"),  QStringLiteral("PTNAMEFLG"),
        QStringLiteral("PTNAME"),         QStringLiteral("PTOUTROWSUM"),
        QStringLiteral("PTOUTCOLSUM"),    QStringLiteral("PTREPDATASAVE"),
        QStringLiteral("PTPAGELAYOUT"),   QStringLiteral("PTREPLAYOUT"),
        QStringLiteral("PTAFORMATPIVOT"), QStringLiteral("KCFC"),
        QStringLiteral("KCEC"),           QStringLiteral("KCPC"),
        QStringLiteral("KCFLG"),          QStringLiteral("KCBKEY"),
        QStringLiteral("TITLEHOLD"),      QStringLiteral("TITLEBACKCOLOR"),
        QStringLiteral("TITLEFONTCOLOR"), QStringLiteral("TITLEITALIC"),
        QStringLiteral("TITLEBOLD")};
    return keys;
}

const QStringList &ReportDefinition::packedPasswordKeys() {
    static const QStringList keys = {QStringLiteral("PASSWORD"), QStringLiteral("KWORD"),
                                     QStringLiteral("QWORD"), QStringLiteral("TWORD")};
    return keys;
}

bool ReportDefinition::isKnownKey(const QString &key) {
    return formatKeys().contains(key) || key == u"SETTING" || key == u"MAKEDATE" ||
           key == u"VERSION";
}

bool ReportDefinition::isExcelKey(const QString &key) {
    static const qsizetype first = formatKeys().indexOf(QStringLiteral("DATAFASTCOL"));
    const qsizetype at = formatKeys().indexOf(key);
    return at >= first;
}

void ReportDefinition::clear() {
    m_values.clear();
    m_values[QStringLiteral("SETTING")] = QStringLiteral("0");
    m_values[QStringLiteral("KCBKEY")] = QStringLiteral("0");
    sqlLines.clear();
    columns.clear();
    pivotFields.clear();
    dbPassword.clear();
    templatePassword.clear();
    outputReadPassword.clear();
    outputWritePassword.clear();
    tamperText.clear();
}

QString ReportDefinition::value(const QString &key) const {
    const auto it = m_values.find(key);
    return it == m_values.end() ? QString() : it->second;
}

void ReportDefinition::setValue(const QString &key, const QString &value) {
    m_values[key] = value;
}

void ReportDefinition::setFlag(const QString &key, bool on) {
    m_values[key] = on ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

void ReportDefinition::removeBlankRows() {
    auto blank = [](const QString &name) { return name.trimmed().isEmpty(); };
    columns.erase(std::remove_if(columns.begin(), columns.end(),
                                 [&](const ColumnSetting &c) { return blank(c.PhysicalName); }),
                  columns.end());
    pivotFields.erase(
        std::remove_if(pivotFields.begin(), pivotFields.end(),
                       [&](const PivotFieldSetting &p) { return blank(p.PhysicalName); }),
        pivotFields.end());
    if (columns.empty())
        columns.emplace_back();
    if (pivotFields.empty())
        pivotFields.emplace_back();
}

bool ReportDefinition::operator==(const ReportDefinition &o) const {
    // Unset and empty values are the same value.
    auto sameValues = [](const std::map<QString, QString> &a, const std::map<QString, QString> &b) {
        for (const auto &[key, v] : a) {
            const auto it = b.find(key);
            if (v != (it == b.end() ? QString() : it->second))
                return false;
        }
        return true;
    };
    return sameValues(m_values, o.m_values) && sameValues(o.m_values, m_values) &&
           sqlLines == o.sqlLines && columns == o.columns && pivotFields == o.pivotFields &&
           dbPassword == o.dbPassword && templatePassword == o.templatePassword &&
           outputReadPassword == o.outputReadPassword &&
           outputWritePassword == o.outputWritePassword && tamperText == o.tamperText;
}

} // namespace kelvoran

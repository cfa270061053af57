// Sample report definitions and small settings files shared by the report tests.
#pragma once

#include "report/reportdefinition.h"
#include "report/settingsfile.h"

#include <QString>
#include <QStringList>

#include <ostream>

namespace kelvoran::test {

// A list report over SALES with a title, a creation time, a sheet name, formats, a group total
// and a pivot table: every value already as the designer shows it.
ReportDefinition sampleExcelReport();
// The SQL source that belongs to sampleExcelReport().
SqlSource sampleSqlSource();

// The same report's definition packed under a fixed MAKEDATE (passwords DB "dbpw", T "", R
// "read1", W "write1"); connection SALES / u.
ReportDefinition
sealedSampleReport(const QString &makeDate = QStringLiteral("2024/04/01 09:00:04"));

// A small hand-made file: the SQL lines, four blank lines, the begin marker, one key line per
// "KEY=value" entry (written as " /* KEY= value "), raw extra lines after them, and the end
// marker. Entries without "=" are copied as they are.
QStringList handMadeFile(const QStringList &sql, const QStringList &entries);

// Reads lines with the aliases SALES and DEMO and no alias selected before.
Status readSample(const QStringList &lines, ReportDefinition &def, QChar prefix = u'P');

} // namespace kelvoran::test

// Readable failure output for Qt texts.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList &list, std::ostream *os) {
    *os << "{\n";
    for (const QString &l : list)
        *os << "  \"" << l.toStdString() << "\"\n";
    *os << "}";
}

// The in-memory model of a settings file: one text value per key of the format block, the
// column setting rows, the pivot rows, the SQL part and the plain passwords. The report designer
// binds its controls to these fields.
#pragma once

#include "report/columnsetting.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace kelvoran {

class ReportDefinition {
public:
    ReportDefinition();

    // The keys written between the begin marker and SETTING, in file order (PROCFLG ...
    // TITLEBOLD).
    static const QStringList &formatKeys();
    // The four keys that hold packed copies of the passwords.
    static const QStringList &packedPasswordKeys();
    // True for a key of formatKeys() or SETTING, MAKEDATE, VERSION.
    static bool isKnownKey(const QString &key);
    // True for the Excel keys that files with a PROCFLG other than "1" carry empty
    // (DATAFASTCOL ... TITLEBOLD).
    static bool isExcelKey(const QString &key);

    // Clears every value, grid and password; SETTING and KCBKEY start as "0".
    void clear();

    // The value of a key; empty when not set.
    QString value(const QString &key) const;
    void setValue(const QString &key, const QString &value);
    // A flag value: true when the value is exactly "TRUE".
    bool flag(const QString &key) const { return value(key) == u"TRUE"; }
    // Stores "TRUE" or "FALSE".
    void setFlag(const QString &key, bool on);
    // All values that are set, by key.
    const std::map<QString, QString> &values() const { return m_values; }

    // The SQL part: the lines before the format block (as the SQL editor holds them).
    QStringList sqlLines;
    // The column grid and the pivot grid.
    std::vector<ColumnSetting> columns;
    std::vector<PivotFieldSetting> pivotFields;

    // The plain passwords: database, template read, output read, output write.
    QString dbPassword;
    QString templatePassword;
    QString outputReadPassword;
    QString outputWritePassword;
    // The text of a credential tamper error (the designer's hidden Edit5), else empty.
    QString tamperText;

    // Removes the rows of both grids whose physical name is blank; each grid keeps at least
    // one (blank) row.
    void removeBlankRows();

    bool operator==(const ReportDefinition &o) const;

private:
    std::map<QString, QString> m_values;
};

} // namespace kelvoran

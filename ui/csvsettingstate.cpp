#include "ui/csvsettingstate.h"

#include "core/pathrules.h"

#include <QDir>
#include <QFileInfo>

namespace kelvoran {

namespace {

// The stored separators of the list rows: comma, tab, blank, at mark.
const char *const kListSeparators[] = {",", "#9", " ", "@"};
constexpr int kListRows = 4;

} // namespace

QString CsvSettingState::separator() const {
    if (!fromList)
        return typed;
    if (listIndex < 0 || listIndex >= kListRows)
        return QStringLiteral(",");
    return QString::fromLatin1(kListSeparators[listIndex]);
}

bool CsvSettingState::canDecide() const {
    return fromList || !typed.isEmpty();
}

std::optional<QString> CsvSettingState::decide(CsvOptions &options) const {
    const QString sep = separator();
    if (sep.isEmpty())
        return csvSeparatorMissingText();
    options.separator = sep;
    options.blankRule = blankRule;
    options.headingLine = headingLine;
    return std::nullopt;
}

QStringList csvSeparatorCaptions() {
    return {QStringLiteral("カンマ区切り"), QStringLiteral("タブ区切り"),
            QStringLiteral("半角スペース区切り"), QStringLiteral("＠マーク区切り")};
}

QStringList csvBlankRuleCaptions() {
    return {QStringLiteral("Nullインサート"), QStringLiteral("Trimインサート"),
            QStringLiteral("そのままインサート")};
}

QString csvHeadingCaption(CsvDialogMode mode) {
    return mode == CsvDialogMode::Import ? QStringLiteral("項目名有無（チェックで１行目を省く）")
                                         : QStringLiteral("項目名出力");
}

int csvDialogHeight(CsvDialogMode mode) {
    return mode == CsvDialogMode::Import ? 250 : 200;
}

QString csvSeparatorMissingText() {
    return QStringLiteral("区切り文字が設定されていません。設定してください。");
}

QString csvFileFilter() {
    return QStringLiteral("CSV files (*.csv)|*.csv");
}

bool csvImportAllowed(DbKind kind, const QString &driverName) {
    switch (kind) {
    case DbKind::Oracle:
    case DbKind::Access:
    case DbKind::MySql:
    case DbKind::Excel:
    case DbKind::Postgre:
    case DbKind::Sqlite:
        return true;
    case DbKind::Other:
        return driverName.toUpper().contains(QStringLiteral("SQLITE"));
    }
    return false;
}

QString proposedCsvExportName(const QString &lastFilePath, const QString &nameBoxText) {
    if (lastFilePath.isEmpty())
        return nameBoxText;
    if (extensionTest(QStringLiteral("CSV"), lastFilePath) != u"Y")
        return QString();
    // The name box says "…実行…" while the grid shows the SQL tab's result.
    if (!nameBoxText.contains(QStringLiteral("実行")))
        return nameBoxText;
    const QFileInfo last(lastFilePath);
    if (last.isFile() && last.absoluteDir().exists())
        return lastFilePath;
    return QString();
}

QString withCsvExtension(const QString &path) {
    if (extensionTest(QStringLiteral("CSV"), path) == u"?")
        return path + QStringLiteral(".csv");
    return path;
}

void storeCsvSettings(const CsvOptions &options, const QString &tableName, ReportDefinition &def) {
    def.setValue(QStringLiteral("CSVSEPCHAR"), options.separator);
    def.setValue(QStringLiteral("CSVTREAT"), QString::number(options.blankRule));
    def.setValue(QStringLiteral("CSVCOLNAME"),
                 options.headingLine ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    def.setValue(QStringLiteral("CSVTABLENAME"), tableName);
    def.setValue(QStringLiteral("CSVFILENAME"), QString());
}

} // namespace kelvoran

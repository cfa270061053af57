#include "report/columnsetting.h"

namespace kelvoran {

bool ColumnSetting::operator==(const ColumnSetting &o) const {
    return PhysicalName == o.PhysicalName && Alias == o.Alias && WidthOrCell == o.WidthOrCell &&
           FormatText == o.FormatText && FormatCodes == o.FormatCodes && GroupKeys == o.GroupKeys &&
           PivotLink == o.PivotLink;
}

bool PivotFieldSetting::operator==(const PivotFieldSetting &o) const {
    return PhysicalName == o.PhysicalName && Alias == o.Alias && FieldKindText == o.FieldKindText &&
           AggregationText == o.AggregationText && PivotCode == o.PivotCode && Link == o.Link;
}

namespace {

const char *const kAggregationCodes[PivotAggregationCount] = {
    "PS0", "PS1", "PS2", "PS3", "PS4", "PS5", "PS6", "PS7", "PS8", "PS9", "PSA", "PSB"};

const QString &aggregationItem(int index) {
    static const QString items[PivotAggregationCount] = {
        QStringLiteral("集計無し"),     QStringLiteral("合計"),
        QStringLiteral("平均"),         QStringLiteral("データの個数"),
        QStringLiteral("最大値"),       QStringLiteral("最小値"),
        QStringLiteral("積"),           QStringLiteral("数値の個数"),
        QStringLiteral("標本標準偏差"), QStringLiteral("標準偏差"),
        QStringLiteral("標本分散"),     QStringLiteral("分散")};
    return items[index];
}

bool inRange(int index) {
    return index >= 0 && index < PivotAggregationCount;
}

} // namespace

QString pivotFieldKindCode(PivotFieldKind kind) {
    switch (kind) {
    case PivotFieldKind::None:
        return QString();
    case PivotFieldKind::Row:
        return QStringLiteral("PF1");
    case PivotFieldKind::Column:
        return QStringLiteral("PF2");
    case PivotFieldKind::Data:
        return QStringLiteral("PF3");
    case PivotFieldKind::Page:
        return QStringLiteral("PF4");
    }
    return QString();
}

QString pivotFieldKindItem(PivotFieldKind kind) {
    switch (kind) {
    case PivotFieldKind::None:
        return QStringLiteral("対象外(クリア)");
    case PivotFieldKind::Row:
        return QStringLiteral("行フィールド");
    case PivotFieldKind::Column:
        return QStringLiteral("列フィールド");
    case PivotFieldKind::Data:
        return QStringLiteral("データフィールド");
    case PivotFieldKind::Page:
        return QStringLiteral("ページフィールド");
    }
    return QString();
}

QString pivotFieldKindText(PivotFieldKind kind) {
    if (kind == PivotFieldKind::None)
        return QString();
    return u'〔' + pivotFieldKindItem(kind) + u'〕';
}

QString pivotAggregationCode(int index) {
    return inRange(index) ? QString::fromLatin1(kAggregationCodes[index]) : QString();
}

QString pivotAggregationItem(int index) {
    return inRange(index) ? aggregationItem(index) : QString();
}

QString pivotAggregationText(int index) {
    return inRange(index) ? u'〔' + aggregationItem(index) + u'〕' : QString();
}

std::optional<int> pivotAggregationIndex(const QString &code) {
    for (int i = 0; i < PivotAggregationCount; ++i)
        if (code == QLatin1String(kAggregationCodes[i]))
            return i;
    return std::nullopt;
}

void setPivotField(PivotFieldSetting &row, PivotFieldKind kind, int aggregationIndex) {
    if (kind == PivotFieldKind::None) {
        row.FieldKindText.clear();
        row.AggregationText.clear();
        row.PivotCode.clear();
        return;
    }
    const int aggregation = inRange(aggregationIndex) ? aggregationIndex : 0;
    row.FieldKindText = pivotFieldKindText(kind);
    row.AggregationText = pivotAggregationText(aggregation);
    row.PivotCode = pivotFieldKindCode(kind) + u'/' + pivotAggregationCode(aggregation) +
                    QStringLiteral("/   /   /,");
}

QString columnPivotCode(const QString &pivotCode, int pivotRow) {
    return pivotCode.left(8).leftJustified(8, u' ') +
           QString::number(pivotRow).leftJustified(3, u' ') + QStringLiteral("/   /,");
}

} // namespace kelvoran

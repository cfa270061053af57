#include "ui/pivotfieldstate.h"

namespace kelvoran {

void chooseFieldKind(PivotFieldKind kind, AggregationListState &list) {
    switch (kind) {
    case PivotFieldKind::None:
        list.enabled = false;
        list.index = 0;
        break;
    case PivotFieldKind::Data:
        list.visible = true;
        list.enabled = true;
        break;
    default:
        list.visible = false;
        break;
    }
}

PivotFieldKind pivotFieldKindOf(const PivotFieldSetting &row) {
    const QString code = row.PivotCode.left(3);
    for (PivotFieldKind kind :
         {PivotFieldKind::Row, PivotFieldKind::Column, PivotFieldKind::Data, PivotFieldKind::Page})
        if (code == pivotFieldKindCode(kind))
            return kind;
    return PivotFieldKind::None;
}

int pivotAggregationOf(const PivotFieldSetting &row) {
    return pivotAggregationIndex(row.PivotCode.mid(4, 3)).value_or(0);
}

} // namespace kelvoran

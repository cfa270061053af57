// The pivot field dialog (TPivotTableSettingForm) without its widgets: what the aggregation list
// does when a field kind is chosen, and the kind and aggregation a pivot row already holds.
#pragma once

#include "report/columnsetting.h"

namespace kelvoran {

// The aggregation list ("集計の方法") as the dialog shows it.
struct AggregationListState {
    bool visible = false;
    bool enabled = true;
    int index = 0; // the chosen item
};

// Choosing a field kind: "対象外(クリア)" disables the list and selects its first item (it stays
// shown or hidden as it was), "データフィールド" shows and enables it, any other kind hides it.
void chooseFieldKind(PivotFieldKind kind, AggregationListState &list);

// The field kind and aggregation index of a pivot row's PivotCode; None and 0 for an empty or
// unknown code.
PivotFieldKind pivotFieldKindOf(const PivotFieldSetting &row);
int pivotAggregationOf(const PivotFieldSetting &row);

} // namespace kelvoran

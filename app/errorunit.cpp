#include "app/errorunit.h"

#include "app/objecttreepane.h"
#include "db/errorsource.h"

#include <QTreeWidgetItem>

namespace kelvoran {

std::optional<ErrorUnit> errorUnitOf(QTreeWidgetItem *node) {
    if (!node || ObjectTreePane::levelOf(node) != 2)
        return std::nullopt;
    const QString folder = node->parent()->text(0);
    if (!ErrorSourceSql::hasErrors(folder))
        return std::nullopt;
    return ErrorUnit{ObjectTreePane::rootOf(node)->text(0), folder, node->text(0)};
}

} // namespace kelvoran

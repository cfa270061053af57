// The PL/SQL unit the error commands act on: the tree's selected object under "Procedure",
// "Function", "Package" or "Package Body".
#pragma once

#include <QString>

#include <optional>

class QTreeWidgetItem;

namespace kelvoran {

struct ErrorUnit {
    QString alias;
    QString folder;
    QString name;
};

// The unit of a tree node; none for an alias, a folder or an object of another folder.
std::optional<ErrorUnit> errorUnitOf(QTreeWidgetItem *node);

} // namespace kelvoran

#include "excel/engine/sheetcopynames.h"

#include "excel/engine/workbook.h"

#include <QString>

#include <algorithm>

namespace kelvoran::xlsx {

namespace {

bool sameName(const std::string &a, const std::string &b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

bool hasLocalName(const Worksheet &sheet, const std::string &name) {
    return std::any_of(sheet.localNames.begin(), sheet.localNames.end(),
                       [&](const LocalName &n) { return sameName(n.name, name); });
}

DefinedName *workbookName(Workbook &book, const std::string &name) {
    for (DefinedName &n : book.definedNames)
        if (n.localSheet < 0 && sameName(n.name, name))
            return &n;
    return nullptr;
}

void addLocalName(Worksheet &sheet, const DefinedName &name, std::string value) {
    if (!hasLocalName(sheet, name.name))
        sheet.localNames.push_back({name.name, std::move(value), name.hidden});
}

std::string followCopy(const std::string &value, const Worksheet &source, const Worksheet &copy) {
    return source.name() == copy.name() ? value
                                        : renameSheetReferences(value, source.name(), copy.name());
}

// Whether every sheet of the source workbook that the name refers to, other than the copied
// one, is already in the target under the same name.
bool othersPresent(const DefinedName &name, const Worksheet &source, const Workbook &target) {
    const Workbook &from = source.book();
    for (int i = 0; i < from.sheetCount(); ++i) {
        const Worksheet &other = from.sheet(i);
        if (&other != &source && refersToSheet(name.value, other.name()) &&
            target.indexOfName(other.name()) < 0)
            return false;
    }
    return true;
}

} // namespace

bool refersToSheet(const std::string &formula, const std::string &sheetName) {
    // A name no sheet can have ("\x01") shows whether the rename would touch anything.
    return renameSheetReferences(formula, sheetName, std::string(1, '\x01')) != formula;
}

void carryDefinedNames(const Worksheet &source, Worksheet &copy) {
    Workbook &target = copy.book();
    const Workbook &from = source.book();
    if (&from == &target) {
        // Copied in place: the loop may add nothing to definedNames, only to the copy.
        for (const DefinedName &n : target.definedNames)
            if (n.localSheet < 0 && refersToSheet(n.value, source.name()))
                addLocalName(copy, n, followCopy(n.value, source, copy));
        return;
    }
    for (const DefinedName &n : from.definedNames) {
        if (n.localSheet >= 0 || !othersPresent(n, source, target))
            continue;
        std::string value = followCopy(n.value, source, copy);
        if (const DefinedName *held = workbookName(target, n.name)) {
            if (held->value != value)
                addLocalName(copy, n, std::move(value));
            continue;
        }
        target.definedNames.push_back({n.name, std::move(value), -1, n.hidden});
    }
}

} // namespace kelvoran::xlsx

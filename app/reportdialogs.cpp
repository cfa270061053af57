#include "app/reportdialogs.h"

#include "app/colorform.h"
#include "app/conditionsetform.h"
#include "app/excelformatform.h"
#include "app/excelpasswordsettingform.h"
#include "app/formateditform.h"
#include "app/passwordsetform.h"
#include "app/pathsettingform.h"
#include "app/pivottablesettingform.h"
#include "app/sqlconditioneditform.h"

#include <QApplication>

namespace kelvoran {

namespace {

bool isReportDialog(QWidget *w) {
    return qobject_cast<TExcelFormatForm *>(w) || qobject_cast<TFormatEditForm *>(w) ||
           qobject_cast<TColorForm *>(w) || qobject_cast<TPivotTableSettingForm *>(w) ||
           qobject_cast<TExcelPassWordSettingForm *>(w) ||
           qobject_cast<TSQLConditionEditForm *>(w) || qobject_cast<TConditionSetForm *>(w) ||
           qobject_cast<TPathSettingForm *>(w) || qobject_cast<TPassWordSetForm *>(w);
}

} // namespace

void closeReportDialogs() {
    // A palette may be open over a format chooser: each open one is rejected, which ends its
    // own modal loop whatever the order.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && isReportDialog(w))
            static_cast<QDialog *>(w)->reject();
}

} // namespace kelvoran

#include "excel/pivotreport.h"

#include "excel/excelpivot.h"
#include "excel/formatapply.h"
#include "excel/reportdriver.h"

#include <optional>

namespace kelvoran {

namespace {

int intValue(const ReportDefinition &def, const char *key) {
    bool ok = false;
    const int v = def.value(QString::fromLatin1(key)).trimmed().toInt(&ok);
    return ok ? v : 0;
}

// Selects the sheet after the data sheet and names it.
Status selectPivotSheet(const PivotReportContext &ctx, int &index) {
    index = ctx.dataSheetIndex + 1;
    if (ctx.session->sheetCount(ctx.book) < index) {
        const Result<ExcelSheet> added = ctx.session->addSheetAfter(ctx.book, index - 1);
        if (!added)
            return added.error();
    }
    if (Status s = ctx.session->activateSheet(ctx.book, index); !s)
        return s;
    const QString name = ctx.positions->pivotSheetName.isEmpty()
                             ? ctx.def->value(QStringLiteral("PTSHEETNAME"))
                             : ctx.positions->pivotSheetName;
    if (!name.isEmpty())
        return ctx.session->sheet(ctx.book, index).setName(name);
    return Status::ok();
}

} // namespace

std::optional<int> pivotFunctionConstant(const QString &code) {
    static const int t[] = {0,     -4157, -4106, -4112, -4136, -4139,
                            -4149, -4113, -4155, -4156, -4164, -4165};
    if (code.size() != 3 || !code.startsWith(QStringLiteral("PS")))
        return std::nullopt;
    bool ok = false;
    const int i = code.mid(2, 1).toInt(&ok, 16);
    if (!ok || i < 0 || i > 11)
        return std::nullopt;
    return t[i];
}

std::optional<int> pivotReportFormatConstant(int index) {
    if (index == 1)
        return 21;
    if (index == 2)
        return 20;
    if (index >= 3 && index <= 22)
        return index - 3;
    return std::nullopt;
}

Status writePivotTable(const PivotReportContext &ctx) {
    const ReportDefinition &def = *ctx.def;
    StepCode &step = *ctx.step;
    const bool ownSheet = def.flag(QStringLiteral("PTSHEETFLG")) ||
                          def.value(QStringLiteral("PTSHEETFLG")).toUpper() == u"TRUE";
    if (ctx.dataCount <= 0) {
        // No pivot table without data; its sheet is still named.
        if (ownSheet) {
            step.set("MP_180002");
            int index = 0;
            if (Status s = selectPivotSheet(ctx, index); !s)
                return s;
            return ctx.session->activateSheet(ctx.book, ctx.dataSheetIndex);
        }
        return Status::ok();
    }

    step.set("MP_180003");
    QString tableName = QStringLiteral("ピボットテーブル1");
    if (def.value(QStringLiteral("PTNAMEFLG")).toUpper() == u"TRUE" &&
        !def.value(QStringLiteral("PTNAME")).isEmpty())
        tableName = def.value(QStringLiteral("PTNAME"));

    // Field names: the text of the list's first cell in each linked column.
    const ExcelSheet dataSheet = ctx.session->sheet(ctx.book, ctx.dataSheetIndex);
    std::vector<QString> fieldNames(def.pivotFields.size());
    for (size_t p = 0; p < def.pivotFields.size(); ++p) {
        step.set("MP_180005", {int(p) + 1});
        for (size_t r = 0; r < def.columns.size(); ++r) {
            if (def.columns[r].PivotLink == def.pivotFields[p].Link &&
                !def.pivotFields[p].Link.isEmpty()) {
                fieldNames[p] =
                    dataSheet.cells(ctx.source.row(), ctx.source.column() + int(r)).text();
                break;
            }
        }
    }

    int sheetIndex = ctx.dataSheetIndex;
    if (ownSheet) {
        step.set("MP_180010");
        if (Status s = selectPivotSheet(ctx, sheetIndex); !s)
            return s;
    }
    const ExcelSheet target = ctx.session->sheet(ctx.book, sheetIndex);
    const ReportPositions &pos = *ctx.positions;
    const int destRow = std::max(pos.pivotDataRow, 1) + 2;
    const int destCol = std::max(pos.pivotDataCol, 1);

    step.set("MP_180020");
    PivotWizardOptions options;
    options.name = tableName;
    options.rowGrandTotals = def.value(QStringLiteral("PTOUTROWSUM")).toUpper() == u"TRUE";
    options.columnGrandTotals = def.value(QStringLiteral("PTOUTCOLSUM")).toUpper() == u"TRUE";
    options.saveData = def.value(QStringLiteral("PTREPDATASAVE")).toUpper() == u"TRUE";
    options.pageFieldOrder = intValue(def, "PTPAGELAYOUT") == 1 ? 2 : 1;
    const Result<ExcelPivotTable> table =
        pivotTableWizard(ctx.source, target.cells(destRow, destCol), options);
    if (!table)
        return table.error();

    for (size_t p = 0; p < def.pivotFields.size(); ++p) {
        const PivotFieldSetting &row = def.pivotFields[p];
        if (row.FieldKindText.isEmpty())
            continue;
        const QString &code = row.PivotCode;
        for (qsizetype at = 0; at + 7 <= code.size(); at += 17) {
            step.set("MP_180030", {int(p) + 1, int(at / 17) + 1});
            const QString kind = code.mid(at, 3);
            const QString aggregation = code.mid(at + 4, 3);
            const QString &field = fieldNames[p];
            if (kind == u"PF1")
                (void)table->setOrientation(field, 1); // errors ignored
            else if (kind == u"PF2")
                (void)table->setOrientation(field, 2);
            else if (kind == u"PF4")
                (void)table->setOrientation(field, 3);
            else if (kind == u"PF3") {
                const std::optional<int> fn = pivotFunctionConstant(aggregation);
                if (!fn || !table->addDataField(field, *fn))
                    (void)table->setOrientation(field, 4);
            }
        }
    }

    if (pos.pivotTitleRow != 0) {
        step.set("MP_180040");
        const ExcelRange t = target.cells(pos.pivotTitleRow, pos.pivotTitleCol);
        t.setValue(pos.pivotTitleText);
        t.setFontSize(15);
        t.setFontName(QStringLiteral("ＭＳゴシック"));
        (void)t.setFontColorIndex(5);
        t.setFontBold(false);
    }
    if (pos.pivotMakeDateRow != 0 && pos.pivotMakeDateCol > 0) {
        step.set("MP_180045");
        target.cells(pos.pivotMakeDateRow, pos.pivotMakeDateCol)
            .setValue(ctx.createdAt + ReportText::madeAt());
    }
    if (const auto f = pivotReportFormatConstant(intValue(def, "PTREPLAYOUT"))) {
        step.set("MP_180050");
        if (Status s = table->format(*f); !s)
            return s;
    }
    if (const auto af = autoFormatConstant(intValue(def, "PTAFORMATPIVOT"))) {
        step.set("MP_180055");
        if (Status s = table->autoFormat(*af); !s)
            return s;
    }
    step.set("MP_180058");
    return ctx.session->activateSheet(ctx.book, 1);
}

} // namespace kelvoran

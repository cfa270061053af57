#include "excel/excelpivot.h"

#include "excel/engine/pivotformats.h"
#include "excel/engine/pivottable.h"
#include "excel/engine/worksheet.h"

#include <set>

namespace kelvoran {

using xlsx::CellRect;
using xlsx::CellStyle;
using xlsx::PivotCellRole;

struct ExcelPivotTable::State {
    xlsx::Worksheet *sheet = nullptr;
    std::shared_ptr<xlsx::PivotTable> table;
    std::vector<std::pair<int, int>> written; // cells the last refresh wrote
    int formatConstant = -1;                  // -1: no report format applied
};

namespace {

Error pivotError(const QString &text) {
    return Error{text, QString()};
}

// A palette colour as the file stores it (ColorIndex n is indexed n + 7).
xlsx::Color paletteColor(int colorIndex) {
    return xlsx::Color::indexed(colorIndex + 7);
}

void applyRoleStyle(CellStyle &s, const xlsx::PivotCellStyle &look) {
    s.font.bold = look.bold;
    s.font.italic = look.italic;
    if (look.fontColorIndex > 0)
        s.font.color = paletteColor(look.fontColorIndex);
    if (look.fillColorIndex > 0) {
        s.fill.pattern = "solid";
        s.fill.fg = paletteColor(look.fillColorIndex);
        s.fill.bg = xlsx::Color::indexed(64);
    }
    xlsx::BorderSide thin;
    thin.style = "thin";
    thin.color = xlsx::Color::automatic();
    if (look.borderAround) {
        s.border.left = s.border.right = s.border.top = s.border.bottom = thin;
    } else {
        if (look.borderTop)
            s.border.top = thin;
        if (look.borderBottom)
            s.border.bottom = thin;
    }
}

} // namespace

QString ExcelPivotTable::name() const {
    return m_state ? m_state->table->name() : QString();
}

void ExcelPivotTable::refresh() const {
    State &st = *m_state;
    for (const auto &[row, col] : st.written) {
        st.sheet->clearValue(row, col);
        st.sheet->setStyle({row, col, row, col}, 0);
    }
    st.written.clear();
    for (const xlsx::PivotCell &cell : st.table->layout()) {
        if (cell.value.typeId() == QMetaType::QString)
            st.sheet->setString(cell.row, cell.col, cell.value.toString().toStdString());
        else
            st.sheet->setNumber(cell.row, cell.col, cell.value.toDouble());
        if (st.formatConstant >= 0) {
            if (auto look = xlsx::pivotReportFormatStyle(st.formatConstant, cell.role))
                st.sheet->changeStyle({cell.row, cell.col, cell.row, cell.col},
                                      [&](CellStyle &s) { applyRoleStyle(s, *look); });
        }
        st.written.emplace_back(cell.row, cell.col);
    }
}

Status ExcelPivotTable::setOrientation(const QString &field, int orientation) const {
    if (!m_state)
        return pivotError(QStringLiteral("ピボットテーブルがありません。"));
    if (orientation < 0 || orientation > 4)
        return pivotError(QStringLiteral("ピボットテーブルのフィールドの配置 %1 は使えません。")
                              .arg(orientation));
    Status st = m_state->table->setOrientation(field, static_cast<xlsx::PivotAxis>(orientation));
    if (st)
        refresh();
    return st;
}

Status ExcelPivotTable::addDataField(const QString &field, int functionConstant) const {
    if (!m_state)
        return pivotError(QStringLiteral("ピボットテーブルがありません。"));
    Status st = m_state->table->addDataField(field, functionConstant);
    if (st)
        refresh();
    return st;
}

Status ExcelPivotTable::format(int formatConstant) const {
    if (!m_state)
        return pivotError(QStringLiteral("ピボットテーブルがありません。"));
    if (!xlsx::isPivotReportFormat(formatConstant))
        return pivotError(QStringLiteral("ピボットテーブルのレポートの書式 %1 は使えません。")
                              .arg(formatConstant));
    m_state->formatConstant = formatConstant;
    refresh();
    return {};
}

ExcelRange ExcelPivotTable::tableRange() const {
    if (!m_state)
        return ExcelRange();
    CellRect rect;
    if (!xlsx::parseRect(m_state->table->tableRange().toStdString(), rect))
        return ExcelRange();
    return ExcelRange(m_state->sheet, rect);
}

Status ExcelPivotTable::autoFormat(int constant) const {
    const ExcelRange range = tableRange();
    if (!range.isValid())
        return pivotError(QStringLiteral("ピボットテーブルがありません。"));
    return range.autoFormat(constant);
}

Result<ExcelPivotTable> pivotTableWizard(const ExcelRange &source, const ExcelRange &destination,
                                         const PivotWizardOptions &options) {
    if (!source.isValid() || !destination.isValid())
        return pivotError(QStringLiteral("ピボットテーブルの元データまたは出力先がありません。"));
    const CellRect &src = source.rect();
    if (src.rows() < 2)
        return pivotError(QStringLiteral(
            "ピボットテーブルの元データには見出しの行と 1 行以上のデータが必要です。"));
    if (source.sheet() == destination.sheet() &&
        src.contains(destination.row(), destination.column()))
        return pivotError(
            QStringLiteral("ピボットテーブルの出力先が元データの範囲と重なっています。"));

    xlsx::PivotSource data;
    data.sheetName = QString::fromStdString(source.sheet()->name());
    data.firstRow = src.top;
    data.firstCol = src.left;
    std::set<QString> names;
    for (int c = src.left; c <= src.right; ++c) {
        QString name = ExcelRange(source.sheet(), {src.top, c, src.top, c}).text().trimmed();
        if (name.isEmpty())
            return pivotError(QStringLiteral("ピボットテーブルのフィールド名が空です（%1 列目）。")
                                  .arg(c - src.left + 1));
        // Repeated names get a number, as a spreadsheet program numbers them.
        const QString base = name;
        for (int n = 2; names.count(name); ++n)
            name = base + QString::number(n);
        names.insert(name);
        data.fieldNames << name;
    }
    data.records.reserve(static_cast<size_t>(src.rows() - 1));
    for (int r = src.top + 1; r <= src.bottom; ++r) {
        std::vector<QVariant> record;
        record.reserve(static_cast<size_t>(src.columns()));
        for (int c = src.left; c <= src.right; ++c) {
            const QVariant v = ExcelRange(source.sheet(), {r, c, r, c}).value();
            if (v.typeId() == QMetaType::Bool)
                record.emplace_back(v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
            else
                record.push_back(v);
        }
        data.records.push_back(std::move(record));
    }

    const QString name =
        options.name.isEmpty() ? QStringLiteral("ピボットテーブル1") : options.name;
    for (const xlsx::SheetPivot &p : destination.sheet()->pivotTables)
        if (p.table->name() == name)
            return pivotError(
                QStringLiteral("ピボットテーブル名「%1」は既に使われています。").arg(name));

    auto table = std::make_shared<xlsx::PivotTable>(std::move(data), name, destination.row(),
                                                    destination.column());
    table->setGrandTotals(options.rowGrandTotals, options.columnGrandTotals);
    table->setSaveData(options.saveData);
    table->setPageFieldOrder(options.pageFieldOrder);
    destination.sheet()->pivotTables.push_back({table, source.sheet()});

    ExcelPivotTable pivot;
    pivot.m_state = std::make_shared<ExcelPivotTable::State>();
    pivot.m_state->sheet = destination.sheet();
    pivot.m_state->table = table;
    pivot.refresh();
    return pivot;
}

} // namespace kelvoran

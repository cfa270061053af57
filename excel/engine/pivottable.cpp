#include "excel/engine/pivottable.h"

#include "excel/engine/cellref.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace kelvoran::xlsx {

namespace {

struct FunctionInfo {
    PivotFunction function;
    int constant;
    const char *xmlName;
    const char *caption;
};

// Automation constants, file-format names and the captions a Japanese spreadsheet shows.
const FunctionInfo kFunctions[] = {
    {PivotFunction::Sum, -4157, "sum", "合計"},
    {PivotFunction::Average, -4106, "average", "平均"},
    {PivotFunction::Count, -4112, "count", "データの個数"},
    {PivotFunction::Max, -4136, "max", "最大値"},
    {PivotFunction::Min, -4139, "min", "最小値"},
    {PivotFunction::Product, -4149, "product", "積"},
    {PivotFunction::CountNums, -4113, "countNums", "数値の個数"},
    {PivotFunction::StdDev, -4155, "stdDev", "標本標準偏差"},
    {PivotFunction::StdDevp, -4156, "stdDevp", "標準偏差"},
    {PivotFunction::Var, -4164, "var", "標本分散"},
    {PivotFunction::Varp, -4165, "varp", "分散"},
};

const FunctionInfo &info(PivotFunction f) {
    for (const FunctionInfo &i : kFunctions)
        if (i.function == f)
            return i;
    return kFunctions[0];
}

// Display order of items: numbers ascending, then texts, then the blank item.
bool itemLess(const QVariant &a, const QVariant &b) {
    const int ra = pivotValueIsBlank(a) ? 2 : pivotValueIsNumber(a) ? 0 : 1;
    const int rb = pivotValueIsBlank(b) ? 2 : pivotValueIsNumber(b) ? 0 : 1;
    if (ra != rb)
        return ra < rb;
    if (ra == 0)
        return a.toDouble() < b.toDouble();
    if (ra == 1)
        return a.toString() < b.toString();
    return false;
}

bool itemEqual(const QVariant &a, const QVariant &b) {
    return !itemLess(a, b) && !itemLess(b, a);
}

// Running aggregate of one data field over a set of records.
struct Accumulator {
    qint64 count = 0;     // non-empty values
    qint64 countNums = 0; // numeric values
    double sum = 0;
    double sumSquares = 0;
    double product = 1;
    double min = 0;
    double max = 0;

    void add(const QVariant &v) {
        if (pivotValueIsBlank(v))
            return;
        ++count;
        if (!pivotValueIsNumber(v))
            return;
        const double d = v.toDouble();
        if (countNums == 0) {
            min = max = d;
        } else {
            min = std::min(min, d);
            max = std::max(max, d);
        }
        ++countNums;
        sum += d;
        sumSquares += d * d;
        product *= d;
    }

    // The aggregate, or null where the function has no value (no numbers, too few for a sample).
    QVariant value(PivotFunction f) const {
        const double n = static_cast<double>(countNums);
        const double variance = countNums > 0 ? (sumSquares - sum * sum / n) : 0;
        switch (f) {
        case PivotFunction::Count:
            return count > 0 ? QVariant(static_cast<double>(count)) : QVariant();
        case PivotFunction::CountNums:
            return count > 0 ? QVariant(n) : QVariant();
        default:
            break;
        }
        if (countNums == 0)
            return QVariant();
        switch (f) {
        case PivotFunction::Sum:
            return sum;
        case PivotFunction::Average:
            return sum / n;
        case PivotFunction::Max:
            return max;
        case PivotFunction::Min:
            return min;
        case PivotFunction::Product:
            return product;
        case PivotFunction::StdDev:
            return countNums > 1 ? QVariant(std::sqrt(std::max(0.0, variance / (n - 1))))
                                 : QVariant();
        case PivotFunction::StdDevp:
            return std::sqrt(std::max(0.0, variance / n));
        case PivotFunction::Var:
            return countNums > 1 ? QVariant(std::max(0.0, variance / (n - 1))) : QVariant();
        case PivotFunction::Varp:
            return std::max(0.0, variance / n);
        default:
            return QVariant();
        }
    }
};

QVariant itemText(const QVariant &item) {
    return pivotValueIsBlank(item) ? QVariant(QStringLiteral("(空白)")) : item;
}

} // namespace

bool pivotValueIsBlank(const QVariant &v) {
    return !v.isValid() || v.isNull() ||
           (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

bool pivotValueIsNumber(const QVariant &v) {
    return v.isValid() && !v.isNull() && v.typeId() != QMetaType::QString && v.canConvert<double>();
}

std::optional<PivotFunction> pivotFunctionFromConstant(int constant) {
    for (const FunctionInfo &i : kFunctions)
        if (i.constant == constant)
            return i.function;
    return std::nullopt;
}

QString pivotFunctionXmlName(PivotFunction function) {
    return QString::fromLatin1(info(function).xmlName);
}

QString pivotFunctionCaption(PivotFunction function) {
    return QString::fromUtf8(info(function).caption);
}

// ---- PivotTable

// The aggregates keyed by (row-key prefix, column-key prefix); empty prefixes are the totals.
struct PivotTable::Computed {
    std::vector<std::vector<QVariant>> items;  // per field, display order
    std::vector<std::vector<int>> recordItems; // per record, per field: index into items
    std::map<std::pair<std::vector<int>, std::vector<int>>, std::vector<Accumulator>> acc;
    std::vector<std::vector<int>> colKeys; // distinct full column keys in order
    std::vector<std::vector<int>> rowKeys; // distinct full row keys in order
};

PivotTable::PivotTable(PivotSource source, QString name, int destRow, int destCol)
    : m_source(std::move(source)), m_name(std::move(name)), m_destRow(destRow), m_destCol(destCol) {
}

int PivotTable::fieldIndex(const QString &name) const {
    return static_cast<int>(m_source.fieldNames.indexOf(name));
}

bool PivotTable::isNumericField(int field) const {
    bool any = false;
    for (const auto &rec : m_source.records) {
        const QVariant &v = rec[static_cast<size_t>(field)];
        if (pivotValueIsBlank(v))
            continue;
        if (!pivotValueIsNumber(v))
            return false;
        any = true;
    }
    return any;
}

bool PivotTable::onAxis(int field) const {
    auto has = [field](const std::vector<int> &v) {
        return std::find(v.begin(), v.end(), field) != v.end();
    };
    return has(m_rowFields) || has(m_colFields) || has(m_pageFields);
}

Status PivotTable::setOrientation(const QString &fieldName, PivotAxis axis) {
    const int f = fieldIndex(fieldName);
    if (f < 0)
        return Error{
            QStringLiteral("ピボットテーブルにフィールド「%1」がありません。").arg(fieldName),
            QString()};
    for (std::vector<int> *list : {&m_rowFields, &m_colFields, &m_pageFields})
        list->erase(std::remove(list->begin(), list->end(), f), list->end());
    switch (axis) {
    case PivotAxis::Row:
        m_rowFields.push_back(f);
        break;
    case PivotAxis::Column:
        m_colFields.push_back(f);
        break;
    case PivotAxis::Page:
        m_pageFields.push_back(f);
        break;
    case PivotAxis::Data: {
        const PivotFunction fn = isNumericField(f) ? PivotFunction::Sum : PivotFunction::Count;
        m_dataFields.push_back(
            {f, fn, pivotFunctionCaption(fn) + QStringLiteral(" / ") + fieldName});
        break;
    }
    case PivotAxis::Hidden:
        m_dataFields.erase(std::remove_if(m_dataFields.begin(), m_dataFields.end(),
                                          [f](const DataField &d) { return d.field == f; }),
                           m_dataFields.end());
        break;
    }
    return {};
}

Status PivotTable::addDataField(const QString &fieldName, int functionConstant) {
    const int f = fieldIndex(fieldName);
    if (f < 0)
        return Error{
            QStringLiteral("ピボットテーブルにフィールド「%1」がありません。").arg(fieldName),
            QString()};
    const std::optional<PivotFunction> fn = pivotFunctionFromConstant(functionConstant);
    if (!fn)
        return Error{
            QStringLiteral("ピボットテーブルの集計方法 %1 は使えません。").arg(functionConstant),
            QString()};
    QString caption = pivotFunctionCaption(*fn) + QStringLiteral(" / ") + fieldName;
    // Two data fields may not share a caption.
    int n = 2;
    const QString base = caption;
    auto taken = [this](const QString &c) {
        return std::any_of(m_dataFields.begin(), m_dataFields.end(),
                           [&](const DataField &d) { return d.caption == c; });
    };
    while (taken(caption))
        caption = base + QString::number(n++);
    m_dataFields.push_back({f, *fn, caption});
    return {};
}

void PivotTable::setGrandTotals(bool rowGrandTotals, bool columnGrandTotals) {
    m_rowGrandTotals = rowGrandTotals;
    m_colGrandTotals = columnGrandTotals;
}

std::vector<QVariant> PivotTable::fieldItems(int field) const {
    std::vector<QVariant> items;
    for (const auto &rec : m_source.records)
        items.push_back(pivotValueIsBlank(rec[static_cast<size_t>(field)])
                            ? QVariant()
                            : rec[static_cast<size_t>(field)]);
    std::stable_sort(items.begin(), items.end(), itemLess);
    items.erase(std::unique(items.begin(), items.end(), itemEqual), items.end());
    return items;
}

PivotTable::Computed PivotTable::compute() const {
    Computed c;
    const size_t nFields = static_cast<size_t>(m_source.fieldNames.size());
    c.items.resize(nFields);
    for (size_t f = 0; f < nFields; ++f)
        if (onAxis(static_cast<int>(f)))
            c.items[f] = fieldItems(static_cast<int>(f));
    c.recordItems.reserve(m_source.records.size());
    for (const auto &rec : m_source.records) {
        std::vector<int> idx(nFields, -1);
        for (size_t f = 0; f < nFields; ++f) {
            if (c.items[f].empty())
                continue;
            const QVariant v = pivotValueIsBlank(rec[f]) ? QVariant() : rec[f];
            auto it = std::lower_bound(c.items[f].begin(), c.items[f].end(), v, itemLess);
            idx[f] = static_cast<int>(it - c.items[f].begin());
        }
        c.recordItems.push_back(std::move(idx));
    }
    const size_t nData = m_dataFields.size();
    std::map<std::vector<int>, bool> colKeySet, rowKeySet;
    for (size_t r = 0; r < m_source.records.size(); ++r) {
        const std::vector<int> &idx = c.recordItems[r];
        std::vector<int> colKey;
        for (int f : m_colFields)
            colKey.push_back(idx[static_cast<size_t>(f)]);
        colKeySet[colKey] = true;
        std::vector<int> prefix;
        for (size_t p = 0; p <= m_rowFields.size(); ++p) {
            // Every prefix of the column key: the cell itself, the subtotals of its outer column
            // items and (the empty prefix) the row total.
            for (size_t q = 0; q <= colKey.size(); ++q) {
                auto &accs = c.acc[{
                    prefix, std::vector<int>(colKey.begin(),
                                             colKey.begin() + static_cast<std::ptrdiff_t>(q))}];
                if (accs.empty())
                    accs.resize(nData);
                for (size_t d = 0; d < nData; ++d)
                    accs[d].add(m_source.records[r][static_cast<size_t>(m_dataFields[d].field)]);
            }
            if (p < m_rowFields.size())
                prefix.push_back(idx[static_cast<size_t>(m_rowFields[p])]);
        }
        rowKeySet[prefix] = true;
    }
    for (const auto &entry : colKeySet)
        c.colKeys.push_back(entry.first);
    for (const auto &entry : rowKeySet)
        c.rowKeys.push_back(entry.first);
    return c;
}

namespace {

// The lines of one axis from its distinct keys in display order: each key (once per data field
// where the data fields run along this axis), the subtotal of every outer field's group after
// its last key, innermost first, and the grand totals.
std::vector<PivotAxisLine> axisLines(const std::vector<std::vector<int>> &keys, int fieldCount,
                                     int dataLines, bool dataOnAxis, bool grandTotal) {
    using Kind = PivotAxisLine::Kind;
    std::vector<PivotAxisLine> lines;
    auto add = [&lines, dataOnAxis](Kind kind, std::vector<int> key, int dataField) {
        PivotAxisLine line;
        line.kind = kind;
        line.key = std::move(key);
        line.dataField = dataField;
        if (kind == Kind::Grand) {
            line.members = {0};
        } else {
            line.members = line.key;
            if (dataOnAxis && kind == Kind::Item)
                line.members.push_back(dataField);
            // A line names at least one member, even when it repeats the line above.
            if (!lines.empty() && !line.members.empty()) {
                const std::vector<int> &above = lines.back().members;
                size_t same = 0;
                while (same + 1 < line.members.size() && same < above.size() &&
                       above[same] == line.members[same])
                    ++same;
                line.repeated = static_cast<int>(same);
            }
        }
        lines.push_back(std::move(line));
    };
    for (size_t k = 0; k < keys.size(); ++k) {
        const std::vector<int> &key = keys[k];
        for (int d = 0; d < dataLines; ++d)
            add(Kind::Item, key, d);
        // Levels the next key shares with this one: their groups go on.
        int shared = 0;
        if (k + 1 < keys.size())
            while (shared < fieldCount &&
                   keys[k + 1][static_cast<size_t>(shared)] == key[static_cast<size_t>(shared)])
                ++shared;
        for (int level = fieldCount - 2; level >= shared; --level)
            for (int d = 0; d < dataLines; ++d)
                add(Kind::Subtotal, std::vector<int>(key.begin(), key.begin() + level + 1), d);
    }
    if (grandTotal)
        for (int d = 0; d < dataLines; ++d)
            add(Kind::Grand, {}, d);
    return lines;
}

} // namespace

PivotAxes PivotTable::axesOf(const Computed &c) const {
    const int nRow = static_cast<int>(m_rowFields.size());
    const int nCol = static_cast<int>(m_colFields.size());
    const int dataLines = dataOnRows() ? static_cast<int>(m_dataFields.size()) : 1;
    PivotAxes result;
    // Without row fields the body is one line (per data field) and has no grand total.
    result.rows = axisLines(c.rowKeys, nRow, dataLines, dataOnRows(), nRow > 0 && m_colGrandTotals);
    // Without column fields the value area is one column; the row totals are the column's values.
    if (nCol == 0)
        result.columns.push_back(PivotAxisLine{});
    else
        result.columns = axisLines(c.colKeys, nCol, 1, false, m_rowGrandTotals);
    return result;
}

PivotAxes PivotTable::axes() const {
    return axesOf(compute());
}

std::vector<PivotCell> PivotTable::layout() const {
    using Kind = PivotAxisLine::Kind;
    std::vector<PivotCell> cells;
    const Computed c = compute();
    const PivotAxes lines = axesOf(c);
    const int nRow = static_cast<int>(m_rowFields.size());
    const int nCol = static_cast<int>(m_colFields.size());
    const int nData = static_cast<int>(m_dataFields.size());
    const bool dataRows = dataOnRows();
    const int rowDims = nRow + (dataRows ? 1 : 0);
    const bool hasCols = nCol > 0;
    const int R = m_destRow, C = m_destCol;
    auto put = [&cells](int row, int col, const QVariant &v, PivotCellRole role) {
        if (row >= 1 && col >= 1 && v.isValid() && !v.isNull())
            cells.push_back({row, col, v, role});
    };
    auto itemOf = [&c](int field, int item) {
        return itemText(c.items[static_cast<size_t>(field)][static_cast<size_t>(item)]);
    };

    // Page fields above the table, with one blank row between.
    const int nPage = static_cast<int>(m_pageFields.size());
    for (int i = 0; i < nPage; ++i) {
        const QString name = m_source.fieldNames[m_pageFields[static_cast<size_t>(i)]];
        const int row = m_pageOverThenDown ? R - 2 : R - nPage - 1 + i;
        const int col = m_pageOverThenDown ? C + 3 * i : C;
        put(row, col, name, PivotCellRole::PageName);
        put(row, col + 1, QStringLiteral("(すべて)"), PivotCellRole::PageValue);
    }

    // Header: the caption and the column field names, then one row of items per column field;
    // the row field names stand in the last header row.
    const int headerRows = hasCols ? 1 + nCol : 1;
    const int valueCol0 = C + rowDims;
    if (hasCols) {
        if (nData == 1)
            put(R, C, m_dataFields[0].caption, PivotCellRole::DataCaption);
        for (int j = 0; j < nCol; ++j)
            put(R, valueCol0 + j, m_source.fieldNames[m_colFields[static_cast<size_t>(j)]],
                PivotCellRole::FieldName);
        for (size_t j = 0; j < lines.columns.size(); ++j) {
            const PivotAxisLine &line = lines.columns[j];
            const int col = valueCol0 + static_cast<int>(j);
            if (line.kind == Kind::Item) {
                for (int level = line.repeated; level < nCol; ++level)
                    put(R + 1 + level, col,
                        itemOf(m_colFields[static_cast<size_t>(level)],
                               line.key[static_cast<size_t>(level)]),
                        PivotCellRole::ColumnItem);
            } else if (line.kind == Kind::Subtotal) {
                const int level = static_cast<int>(line.key.size()) - 1;
                put(R + 1 + level, col,
                    QString(itemOf(m_colFields[static_cast<size_t>(level)], line.key.back())
                                .toString() +
                            QStringLiteral(" 集計")),
                    PivotCellRole::SubtotalLabel);
            } else {
                put(R + 1, col, QStringLiteral("総計"), PivotCellRole::GrandTotalLabel);
            }
        }
    }
    const int hr = R + headerRows - 1;
    for (int i = 0; i < nRow; ++i)
        put(hr, C + i, m_source.fieldNames[m_rowFields[static_cast<size_t>(i)]],
            PivotCellRole::FieldName);
    if (dataRows)
        put(hr, C + nRow, QStringLiteral("データ"), PivotCellRole::FieldName);
    if (!hasCols && nData > 0)
        put(hr, valueCol0, nData == 1 ? m_dataFields[0].caption : QStringLiteral("集計"),
            PivotCellRole::DataCaption);

    // Body: one table row per row line. Subtotal and total lines name their data field in their
    // own label; item lines name it in the data column.
    int row = R + headerRows;
    for (const PivotAxisLine &line : lines.rows) {
        const QString dataCaption =
            dataRows ? m_dataFields[static_cast<size_t>(line.dataField)].caption : QString();
        auto withCaption = [&](const QString &label) {
            return dataRows ? QString(label + u' ' + dataCaption) : label;
        };
        PivotCellRole valueRole = PivotCellRole::Value;
        if (line.kind == Kind::Item) {
            for (int level = line.repeated; level < nRow; ++level)
                put(row, C + level,
                    itemOf(m_rowFields[static_cast<size_t>(level)],
                           line.key[static_cast<size_t>(level)]),
                    PivotCellRole::RowItem);
            if (dataRows)
                put(row, C + nRow, dataCaption, PivotCellRole::RowItem);
        } else if (line.kind == Kind::Subtotal) {
            const int level = static_cast<int>(line.key.size()) - 1;
            put(row, C + level,
                withCaption(QString(
                    itemOf(m_rowFields[static_cast<size_t>(level)], line.key.back()).toString() +
                    QStringLiteral(" 集計"))),
                PivotCellRole::SubtotalLabel);
            valueRole = PivotCellRole::SubtotalValue;
        } else {
            put(row, C, withCaption(QStringLiteral("総計")), PivotCellRole::GrandTotalLabel);
            valueRole = PivotCellRole::GrandTotalValue;
        }
        if (nData > 0) {
            const PivotTable::DataField &data =
                m_dataFields[static_cast<size_t>(dataRows ? line.dataField : 0)];
            for (size_t j = 0; j < lines.columns.size(); ++j) {
                const PivotAxisLine &column = lines.columns[j];
                auto it = c.acc.find({line.key, column.key});
                if (it == c.acc.end())
                    continue;
                PivotCellRole role = valueRole;
                if (role == PivotCellRole::Value && column.kind == Kind::Grand)
                    role = PivotCellRole::GrandTotalValue;
                else if (role == PivotCellRole::Value && column.kind == Kind::Subtotal)
                    role = PivotCellRole::SubtotalValue;
                put(row, valueCol0 + static_cast<int>(j),
                    it->second[static_cast<size_t>(dataRows ? line.dataField : 0)].value(
                        data.function),
                    role);
            }
        }
        ++row;
    }
    return cells;
}

QString PivotTable::tableRange() const {
    const PivotAxes lines = axes();
    const int nCol = static_cast<int>(m_colFields.size());
    const int rowDims = static_cast<int>(m_rowFields.size()) + (dataOnRows() ? 1 : 0);
    const int headerRows = nCol > 0 ? 1 + nCol : 1;
    // Without data fields and column fields there is no value column.
    const int valueCols = nCol > 0 ? std::max(static_cast<int>(lines.columns.size()), nCol)
                          : m_dataFields.empty() ? 0
                                                 : 1;
    const int lastRow = m_destRow + headerRows + static_cast<int>(lines.rows.size()) - 1;
    const int lastCol = m_destCol + std::max(1, rowDims + valueCols) - 1;
    return QString::fromStdString(cellAddress(m_destRow, m_destCol) + ':' +
                                  cellAddress(lastRow, lastCol));
}

PivotCacheItems PivotTable::cacheItems() const {
    Computed c = compute();
    return {std::move(c.items), std::move(c.recordItems)};
}

} // namespace kelvoran::xlsx

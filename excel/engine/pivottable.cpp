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

// The aggregates keyed by (row-key prefix, column key); an empty column key is the row total.
struct PivotTable::Computed {
    std::vector<std::vector<QVariant>> items;  // per field, display order
    std::vector<std::vector<int>> recordItems; // per record, per field: index into items
    std::map<std::pair<std::vector<int>, std::vector<int>>, std::vector<Accumulator>> acc;
    std::vector<std::vector<int>> colKeys; // distinct full column keys in order
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
    std::map<std::vector<int>, bool> colKeySet;
    for (size_t r = 0; r < m_source.records.size(); ++r) {
        const std::vector<int> &idx = c.recordItems[r];
        std::vector<int> colKey;
        for (int f : m_colFields)
            colKey.push_back(idx[static_cast<size_t>(f)]);
        colKeySet[colKey] = true;
        std::vector<int> prefix;
        for (size_t p = 0; p <= m_rowFields.size(); ++p) {
            // The cell of this column key, and the row total (the same key without columns).
            const int targets = m_colFields.empty() ? 1 : 2;
            for (int t = 0; t < targets; ++t) {
                auto &accs = c.acc[{prefix, t == 0 ? colKey : std::vector<int>{}}];
                if (accs.empty())
                    accs.resize(nData);
                for (size_t d = 0; d < nData; ++d)
                    accs[d].add(m_source.records[r][static_cast<size_t>(m_dataFields[d].field)]);
            }
            if (p < m_rowFields.size())
                prefix.push_back(idx[static_cast<size_t>(m_rowFields[p])]);
        }
    }
    for (const auto &entry : colKeySet)
        c.colKeys.push_back(entry.first);
    return c;
}

std::vector<PivotCell> PivotTable::layout() const {
    std::vector<PivotCell> cells;
    const Computed c = compute();
    const int nRow = static_cast<int>(m_rowFields.size());
    const int nData = static_cast<int>(m_dataFields.size());
    const bool dataRows = nData > 1;
    const int rowDims = nRow + (dataRows ? 1 : 0);
    const bool hasCols = !m_colFields.empty();
    const int R = m_destRow, C = m_destCol;
    auto put = [&cells](int row, int col, const QVariant &v, PivotCellRole role) {
        if (row >= 1 && col >= 1 && v.isValid() && !v.isNull())
            cells.push_back({row, col, v, role});
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

    const int headerRows = hasCols ? 2 : 1;
    const int valueCol0 = C + rowDims;
    const int nValueCols = nData == 0 ? 0 : hasCols ? static_cast<int>(c.colKeys.size()) : 1;
    if (hasCols) {
        if (nData == 1)
            put(R, C, m_dataFields[0].caption, PivotCellRole::DataCaption);
        for (int j = 0; j < static_cast<int>(m_colFields.size()); ++j)
            put(R, valueCol0 + j, m_source.fieldNames[m_colFields[static_cast<size_t>(j)]],
                PivotCellRole::FieldName);
    }
    const int hr = R + headerRows - 1;
    for (int i = 0; i < nRow; ++i)
        put(hr, C + i, m_source.fieldNames[m_rowFields[static_cast<size_t>(i)]],
            PivotCellRole::FieldName);
    if (dataRows)
        put(hr, C + nRow, QStringLiteral("データ"), PivotCellRole::FieldName);
    if (nData > 0) {
        if (hasCols) {
            for (int j = 0; j < nValueCols; ++j) {
                QStringList parts;
                const std::vector<int> &key = c.colKeys[static_cast<size_t>(j)];
                for (size_t k = 0; k < key.size(); ++k)
                    parts << itemText(c.items[static_cast<size_t>(m_colFields[k])]
                                             [static_cast<size_t>(key[k])])
                                 .toString();
                put(hr, valueCol0 + j,
                    parts.size() == 1 ? itemText(c.items[static_cast<size_t>(m_colFields[0])]
                                                        [static_cast<size_t>(key[0])])
                                      : QVariant(parts.join(u' ')),
                    PivotCellRole::ColumnItem);
            }
            if (m_rowGrandTotals)
                put(hr, valueCol0 + nValueCols, QStringLiteral("総計"),
                    PivotCellRole::GrandTotalLabel);
        } else {
            put(hr, valueCol0, nData == 1 ? m_dataFields[0].caption : QStringLiteral("集計"),
                PivotCellRole::DataCaption);
        }
    }

    int row = R + headerRows;
    // Writes the values of one table row for the given row-key prefix and data field.
    auto writeValues = [&](const std::vector<int> &prefix, int d, PivotCellRole role) {
        if (nData == 0)
            return;
        for (int j = 0; j < nValueCols; ++j) {
            const std::vector<int> ck =
                hasCols ? c.colKeys[static_cast<size_t>(j)] : std::vector<int>{};
            auto it = c.acc.find({prefix, ck});
            if (it != c.acc.end())
                put(row, valueCol0 + j,
                    it->second[static_cast<size_t>(d)].value(
                        m_dataFields[static_cast<size_t>(d)].function),
                    role);
        }
        if (hasCols && m_rowGrandTotals) {
            auto it = c.acc.find({prefix, std::vector<int>{}});
            if (it != c.acc.end())
                put(row, valueCol0 + nValueCols,
                    it->second[static_cast<size_t>(d)].value(
                        m_dataFields[static_cast<size_t>(d)].function),
                    role == PivotCellRole::Value ? PivotCellRole::GrandTotalValue : role);
        }
    };
    // One line per data field (one line when there is at most one).
    auto writeLines = [&](const std::vector<int> &prefix, PivotCellRole role, const QVariant &label,
                          int labelCol, PivotCellRole labelRole) {
        const int lines = std::max(1, nData);
        for (int d = 0; d < lines; ++d) {
            if (d == 0 || dataRows)
                put(row, labelCol,
                    dataRows && labelRole != PivotCellRole::RowItem && label.isValid()
                        ? QVariant(label.toString() + u' ' +
                                   m_dataFields[static_cast<size_t>(d)].caption)
                        : (d == 0 ? label : QVariant()),
                    labelRole);
            // Subtotal and total lines name their data field in their own label instead.
            if (dataRows && labelRole == PivotCellRole::RowItem)
                put(row, C + nRow, m_dataFields[static_cast<size_t>(d)].caption,
                    PivotCellRole::RowItem);
            writeValues(prefix, d, role);
            ++row;
        }
    };

    // Distinct row keys in display order, walked as a tree so outer items get subtotals.
    std::map<std::vector<int>, bool> rowKeys;
    for (const auto &idx : c.recordItems) {
        std::vector<int> key;
        for (int f : m_rowFields)
            key.push_back(idx[static_cast<size_t>(f)]);
        rowKeys[key] = true;
    }
    std::vector<std::vector<int>> keys;
    for (const auto &e : rowKeys)
        keys.push_back(e.first);

    if (nRow == 0) {
        writeLines({}, PivotCellRole::Value, QVariant(), C, PivotCellRole::RowItem);
    } else {
        std::vector<int> open; // the prefix whose group is being written
        for (size_t k = 0; k < keys.size(); ++k) {
            const std::vector<int> &key = keys[k];
            // Labels: every level that starts a new group at this key.
            int firstNew = 0;
            if (k > 0)
                while (firstNew < nRow && keys[k - 1][static_cast<size_t>(firstNew)] ==
                                              key[static_cast<size_t>(firstNew)])
                    ++firstNew;
            for (int lvl = firstNew; lvl < nRow; ++lvl)
                put(row, C + lvl,
                    itemText(c.items[static_cast<size_t>(m_rowFields[static_cast<size_t>(lvl)])]
                                    [static_cast<size_t>(key[static_cast<size_t>(lvl)])]),
                    PivotCellRole::RowItem);
            writeLines(key, PivotCellRole::Value, QVariant(), C, PivotCellRole::RowItem);
            // Subtotals of every outer level whose group ends here, innermost first.
            int lastSame = 0;
            if (k + 1 < keys.size())
                while (lastSame < nRow && keys[k + 1][static_cast<size_t>(lastSame)] ==
                                              key[static_cast<size_t>(lastSame)])
                    ++lastSame;
            for (int lvl = nRow - 2; lvl >= lastSame; --lvl) {
                const std::vector<int> prefix(key.begin(), key.begin() + lvl + 1);
                const QVariant item =
                    itemText(c.items[static_cast<size_t>(m_rowFields[static_cast<size_t>(lvl)])]
                                    [static_cast<size_t>(key[static_cast<size_t>(lvl)])]);
                writeLines(prefix, PivotCellRole::SubtotalValue,
                           QVariant(item.toString() + QStringLiteral(" 集計")), C + lvl,
                           PivotCellRole::SubtotalLabel);
            }
        }
        if (m_colGrandTotals)
            writeLines({}, PivotCellRole::GrandTotalValue, QStringLiteral("総計"), C,
                       PivotCellRole::GrandTotalLabel);
    }
    return cells;
}

QString PivotTable::tableRange() const {
    const Computed c = compute();
    const int nData = static_cast<int>(m_dataFields.size());
    const bool dataRows = nData > 1;
    const int nRow = static_cast<int>(m_rowFields.size());
    const int rowDims = nRow + (dataRows ? 1 : 0);
    const bool hasCols = !m_colFields.empty();
    const int headerRows = hasCols ? 2 : 1;
    const int nValueCols = nData == 0 ? 0
                           : hasCols
                               ? static_cast<int>(c.colKeys.size()) + (m_rowGrandTotals ? 1 : 0)
                               : 1;
    std::map<std::vector<int>, bool> rowKeys;
    std::map<std::vector<int>, bool> subtotalKeys;
    for (const auto &idx : c.recordItems) {
        std::vector<int> key;
        for (int f : m_rowFields)
            key.push_back(idx[static_cast<size_t>(f)]);
        for (int lvl = 0; lvl + 1 < nRow; ++lvl)
            subtotalKeys[std::vector<int>(key.begin(), key.begin() + lvl + 1)] = true;
        rowKeys[key] = true;
    }
    const int lines = std::max(1, nData);
    int bodyRows = 0;
    if (nRow == 0)
        bodyRows = lines;
    else
        bodyRows = static_cast<int>(rowKeys.size() + subtotalKeys.size()) * lines +
                   (m_colGrandTotals ? lines : 0);
    const int lastRow = m_destRow + headerRows + bodyRows - 1;
    const int lastCol =
        m_destCol +
        std::max(1, rowDims + nValueCols +
                        (hasCols && nData == 0 ? static_cast<int>(m_colFields.size()) : 0)) -
        1;
    return QString::fromStdString(cellAddress(m_destRow, m_destCol) + ':' +
                                  cellAddress(lastRow, lastCol));
}

PivotCacheItems PivotTable::cacheItems() const {
    Computed c = compute();
    return {std::move(c.items), std::move(c.recordItems)};
}

} // namespace kelvoran::xlsx

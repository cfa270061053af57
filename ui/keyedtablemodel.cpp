#include "ui/keyedtablemodel.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>

#include <algorithm>
#include <map>

namespace kelvoran {

namespace {

QString escapedIdentifier(const QSqlDatabase &db, const QString &name,
                          QSqlDriver::IdentifierType type) {
    const QSqlDriver *driver = db.driver();
    if (!driver || driver->isIdentifierEscaped(name, type))
        return name;
    return driver->escapeIdentifier(name, type);
}

bool isMySqlDriver(const QString &driver) {
    return driver == u"QMYSQL" || driver == u"QMARIADB";
}

QStringList sqliteRowKey(const QSqlDatabase &db, const QString &quoted) {
    QSqlQuery q(db);
    std::map<int, QString> primary; // by position in the key
    if (q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted))) {
        while (q.next())
            if (q.value(QStringLiteral("pk")).toInt() > 0)
                primary[q.value(QStringLiteral("pk")).toInt()] =
                    q.value(QStringLiteral("name")).toString();
    }
    QStringList key;
    for (const auto &[position, name] : primary)
        key << name;
    if (!key.isEmpty())
        return key;
    QStringList uniqueIndexes;
    if (q.exec(QStringLiteral("PRAGMA index_list(%1)").arg(quoted))) {
        const int partial = q.record().indexOf(QStringLiteral("partial"));
        while (q.next())
            if (q.value(QStringLiteral("unique")).toInt() == 1 &&
                (partial < 0 || q.value(partial).toInt() == 0))
                uniqueIndexes << q.value(QStringLiteral("name")).toString();
    }
    for (const QString &index : uniqueIndexes) {
        if (!q.exec(QStringLiteral("PRAGMA index_info(%1)")
                        .arg(escapedIdentifier(db, index, QSqlDriver::TableName))))
            continue;
        QStringList columns;
        bool expression = false;
        while (q.next()) {
            if (q.value(QStringLiteral("name")).isNull())
                expression = true;
            columns << q.value(QStringLiteral("name")).toString();
        }
        if (!expression && !columns.isEmpty())
            return columns;
    }
    return {};
}

QStringList postgresRowKey(const QSqlDatabase &db, const QString &quoted) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "SELECT i.indexrelid, a.attname FROM pg_index i "
        "CROSS JOIN LATERAL unnest(i.indkey::int2[]) WITH ORDINALITY AS k(attnum, ord) "
        "JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = k.attnum "
        "WHERE i.indrelid = to_regclass(?::text) AND i.indisunique AND i.indpred IS NULL "
        "AND i.indexprs IS NULL AND k.ord <= i.indnkeyatts "
        "ORDER BY i.indisprimary DESC, i.indexrelid, k.ord"));
    q.addBindValue(quoted);
    if (!q.exec() || !q.next())
        return {};
    const qint64 first = q.value(0).toLongLong();
    QStringList key;
    do {
        if (q.value(0).toLongLong() != first)
            break;
        key << q.value(1).toString();
    } while (q.next());
    return key;
}

QStringList mySqlRowKey(const QSqlDatabase &db, const QString &quoted) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SHOW INDEX FROM %1").arg(quoted)))
        return {};
    // Key name -> columns by their position; PRIMARY first, then the first unique key listed.
    std::vector<std::pair<QString, std::map<int, QString>>> keys;
    while (q.next()) {
        if (q.value(QStringLiteral("Non_unique")).toInt() != 0)
            continue;
        const QString name = q.value(QStringLiteral("Key_name")).toString();
        const QVariant column = q.value(QStringLiteral("Column_name"));
        auto it = std::find_if(keys.begin(), keys.end(),
                               [&name](const auto &k) { return k.first == name; });
        if (it == keys.end())
            it = keys.insert(keys.end(), {name, {}});
        // A functional key part has no column: the key cannot be used.
        it->second[q.value(QStringLiteral("Seq_in_index")).toInt()] =
            column.isNull() ? QString() : column.toString();
    }
    std::stable_partition(keys.begin(), keys.end(),
                          [](const auto &k) { return k.first == u"PRIMARY"; });
    for (const auto &[name, columns] : keys) {
        QStringList key;
        for (const auto &[position, column] : columns)
            key << column;
        if (!key.contains(QString()))
            return key;
    }
    return {};
}

// Whether the dictionary lists the name as one of the user's tables: views, synonyms and
// other schemas' objects have no ROWID that surely names one row of one table.
bool isOracleTable(const QSqlDatabase &db, const QString &table) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM USER_OBJECTS "
                             "WHERE OBJECT_NAME = ? AND OBJECT_TYPE = 'TABLE'"));
    q.addBindValue(table);
    return q.exec() && q.next() && q.value(0).toLongLong() > 0;
}

const QString kRowId = QStringLiteral("ROWID");

} // namespace

QStringList findRowKey(const QSqlDatabase &db, const QString &table) {
    const QString driver = db.driverName();
    const QString quoted = escapedIdentifier(db, table, QSqlDriver::TableName);
    if (driver == u"QSQLITE")
        return sqliteRowKey(db, quoted);
    if (driver == u"QPSQL")
        return postgresRowKey(db, quoted);
    if (isMySqlDriver(driver))
        return mySqlRowKey(db, quoted);
    QStringList key;
    const QSqlIndex primary = db.primaryIndex(table);
    for (int i = 0; i < primary.count(); ++i)
        key << primary.fieldName(i);
    return key;
}

KeyedTableModel::KeyedTableModel(const QSqlDatabase &db, DbKind kind, QObject *parent)
    : QSqlTableModel(parent, db), m_kind(kind) {
    // Stored rows are written by this model's own statements; only added rows wait in the cache.
    setEditStrategy(QSqlTableModel::OnManualSubmit);
    // The rows read back follow the rows added before them and go with a new select.
    connect(this, &QAbstractItemModel::modelReset, this, [this] { m_readBack.clear(); });
    connect(this, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                QHash<int, QSqlRecord> moved;
                for (auto it = m_readBack.cbegin(); it != m_readBack.cend(); ++it)
                    moved.insert(it.key() >= first ? it.key() + last - first + 1 : it.key(),
                                 it.value());
                m_readBack = moved;
            });
    connect(this, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                QHash<int, QSqlRecord> moved;
                for (auto it = m_readBack.cbegin(); it != m_readBack.cend(); ++it) {
                    if (it.key() < first)
                        moved.insert(it.key(), it.value());
                    else if (it.key() > last)
                        moved.insert(it.key() - (last - first + 1), it.value());
                }
                m_readBack = moved;
            });
}

QString KeyedTableModel::readOnlyNote() {
    return QStringLiteral("主キー・一意キーがないため、このテーブルは参照のみで開いています。");
}

bool KeyedTableModel::open(const QString &table) {
    m_byRowId = false;
    setTable(table);
    m_tableFields = QSqlTableModel::record();
    m_key = findRowKey(database(), table);
    // A key column the select does not return (a hidden or renamed column) cannot be used.
    for (const QString &column : m_key)
        if (m_tableFields.indexOf(column) < 0)
            m_key.clear();
    if (m_key.isEmpty() && m_kind == DbKind::Oracle && !m_tableFields.isEmpty() &&
        isOracleTable(database(), table)) {
        m_byRowId = true;
        if (select())
            return true;
        // The ROWID cannot be read with the rows: the table opens read-only.
        m_byRowId = false;
    }
    return select();
}

QString KeyedTableModel::selectList() const {
    QStringList columns;
    for (int i = 0; i < m_tableFields.count(); ++i)
        columns << quotedField(m_tableFields.fieldName(i));
    if (m_byRowId)
        columns << kRowId;
    return columns.join(QStringLiteral(", "));
}

QString KeyedTableModel::selectStatement() const {
    if (!m_byRowId)
        return QSqlTableModel::selectStatement();
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(selectList(), quotedTable());
    if (!filter().isEmpty())
        sql += QStringLiteral(" WHERE (%1)").arg(filter());
    const QString order = orderByClause();
    if (!order.isEmpty())
        sql += u' ' + order;
    return sql;
}

int KeyedTableModel::columnCount(const QModelIndex &parent) const {
    const int selected = QSqlTableModel::columnCount(parent);
    return m_byRowId ? std::min(selected, int(m_tableFields.count())) : selected;
}

QSqlRecord KeyedTableModel::record() const {
    QSqlRecord shown = QSqlTableModel::record();
    while (m_byRowId && shown.count() > m_tableFields.count())
        shown.remove(shown.count() - 1);
    return shown;
}

QSqlRecord KeyedTableModel::record(int row) const {
    QSqlRecord shown = QSqlTableModel::record(row);
    while (m_byRowId && shown.count() > m_tableFields.count())
        shown.remove(shown.count() - 1);
    return shown;
}

bool KeyedTableModel::isPendingRow(int row) const {
    // Only added rows ever wait in the cache.
    return row >= 0 && row < rowCount() && isDirty(index(row, 0));
}

bool KeyedTableModel::hasPendingRows() const {
    return isDirty();
}

QSqlRecord KeyedTableModel::storedRow(int row) const {
    auto it = m_readBack.find(row);
    return it != m_readBack.end() ? *it : QSqlTableModel::record(row);
}

QString KeyedTableModel::quotedTable() const {
    return escapedIdentifier(database(), tableName(), QSqlDriver::TableName);
}

QString KeyedTableModel::quotedField(const QString &name) const {
    return escapedIdentifier(database(), name, QSqlDriver::FieldName);
}

QString KeyedTableModel::keyCondition(const QSqlRecord &row, QVariantList &values) const {
    if (m_byRowId) {
        values << row.value(m_tableFields.count());
        return kRowId + QStringLiteral(" = ?");
    }
    QStringList parts;
    for (const QString &column : m_key) {
        if (row.isNull(column)) {
            parts << quotedField(column) + QStringLiteral(" IS NULL");
        } else {
            parts << quotedField(column) + QStringLiteral(" = ?");
            values << row.value(column);
        }
    }
    return parts.join(QStringLiteral(" AND "));
}

KeyedTableModel::Statement KeyedTableModel::updateStatement(const QSqlRecord &stored, int column,
                                                            const QVariant &value) const {
    Statement s;
    s.kind = WriteKind::Update;
    s.keyRow = stored;
    s.values << value;
    s.sql = QStringLiteral("UPDATE %1 SET %2 = ? WHERE ")
                .arg(quotedTable(), quotedField(stored.fieldName(column)));
    s.sql += keyCondition(stored, s.values);
    return s;
}

KeyedTableModel::Statement KeyedTableModel::insertStatement(const QSqlRecord &row) const {
    Statement s;
    s.kind = WriteKind::Insert;
    QStringList columns;
    QStringList markers;
    // The ROWID is the database's to give.
    const int fields = m_byRowId ? int(m_tableFields.count()) : row.count();
    for (int i = 0; i < fields; ++i) {
        // A cell left empty takes the column's default.
        if (row.isNull(i))
            continue;
        columns << quotedField(row.fieldName(i));
        markers << QStringLiteral("?");
        s.values << row.value(i);
    }
    if (columns.isEmpty() && row.count() > 0) {
        columns << quotedField(row.fieldName(0));
        markers << QStringLiteral("?");
        s.values << QVariant();
    }
    s.sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(quotedTable(), columns.join(QStringLiteral(", ")),
                     markers.join(QStringLiteral(", ")));
    return s;
}

bool KeyedTableModel::refuse(TableWriteFailure failure) {
    m_failure = std::move(failure);
    emit writeFailed();
    return false;
}

qint64 KeyedTableModel::countMatching(const QSqlRecord &row) {
    QVariantList values;
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE ").arg(quotedTable()) +
              keyCondition(row, values));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toLongLong();
}

bool KeyedTableModel::writeRows(const std::vector<Statement> &statements) {
    QSqlDatabase db = database();
    auto dbFailure = [](DbError error, const QString &what) {
        if (error.isEmpty())
            error.append(
                DbErrorEntry::make(DbErrorCategory::Transaction, DbSubCode::Server, 0, what));
        return TableWriteFailure{std::move(error), QString()};
    };
    if (!db.transaction())
        return refuse(dbFailure(DbError::fromDatabase(db),
                                QStringLiteral("トランザクションを開始できませんでした。")));
    for (const Statement &s : statements) {
        QSqlQuery q(db);
        bool ran = q.prepare(s.sql);
        for (const QVariant &v : s.values)
            q.addBindValue(v);
        ran = ran && q.exec();
        if (!ran) {
            TableWriteFailure failure = dbFailure(DbError::fromQuery(q), s.sql);
            db.rollback();
            return refuse(std::move(failure));
        }
        qint64 touched = q.numRowsAffected();
        // MySQL counts changed rows: a value written over an equal one touches none.
        if (touched == 0 && s.kind == WriteKind::Update && isMySqlDriver(db.driverName()))
            touched = countMatching(s.keyRow);
        if (touched != 1) {
            db.rollback();
            const QString action = s.kind == WriteKind::Update   ? QStringLiteral("更新")
                                   : s.kind == WriteKind::Delete ? QStringLiteral("削除")
                                                                 : QStringLiteral("追加");
            return refuse({DbError(), QStringLiteral("対象の行が1行ではない（%1行）ため、%2を取り"
                                                     "消しました。データは変更されていません。")
                                          .arg(touched)
                                          .arg(action)});
        }
    }
    if (!db.commit()) {
        TableWriteFailure failure =
            dbFailure(DbError::fromDatabase(db), QStringLiteral("コミットできませんでした。"));
        db.rollback();
        return refuse(std::move(failure));
    }
    return true;
}

void KeyedTableModel::readBack(int row, const QSqlRecord &written) {
    QString columns = selectList();
    if (!m_byRowId) {
        QStringList names;
        for (int i = 0; i < written.count(); ++i)
            names << quotedField(written.fieldName(i));
        columns = names.join(QStringLiteral(", "));
    }
    QVariantList values;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(columns, quotedTable()) +
              keyCondition(written, values));
    for (const QVariant &v : values)
        q.addBindValue(v);
    QSqlRecord shown = written;
    if (q.exec() && q.next()) {
        const QSqlRecord read = q.record();
        for (int i = 0; i < shown.count() && i < read.count(); ++i)
            shown.setValue(i, read.value(i));
    }
    m_readBack.insert(row, shown);
}

QVariant KeyedTableModel::data(const QModelIndex &index, int role) const {
    if (index.isValid() && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        auto it = m_readBack.find(index.row());
        if (it != m_readBack.end())
            return it->value(index.column());
    }
    return QSqlTableModel::data(index, role);
}

bool KeyedTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    if (isPendingRow(index.row()))
        return QSqlTableModel::setData(index, value, role);
    if (isReadOnly())
        return false;
    const int row = index.row();
    const QSqlRecord stored = storedRow(row);
    if (stored.value(index.column()) == value && stored.isNull(index.column()) == value.isNull())
        return true;
    if (!writeRows({updateStatement(stored, index.column(), value)})) {
        emit dataChanged(index, index); // the grid shows the stored value again
        return false;
    }
    QSqlRecord written = stored;
    written.setValue(index.column(), value);
    readBack(row, written);
    emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    return true;
}

Qt::ItemFlags KeyedTableModel::flags(const QModelIndex &index) const {
    Qt::ItemFlags f = QSqlTableModel::flags(index);
    if (isReadOnly())
        f &= ~Qt::ItemIsEditable;
    return f;
}

bool KeyedTableModel::insertRows(int row, int count, const QModelIndex &parent) {
    if (isReadOnly())
        return false;
    return QSqlTableModel::insertRows(row, count, parent);
}

bool KeyedTableModel::removeRows(int row, int count, const QModelIndex &parent) {
    if (parent.isValid() || count < 1)
        return false;
    for (int r = row + count - 1; r >= row; --r)
        if (!deleteRow(r))
            return false;
    return true;
}

bool KeyedTableModel::postPendingRows() {
    std::vector<Statement> statements;
    for (int row = 0; row < rowCount(); ++row)
        if (isPendingRow(row))
            statements.push_back(insertStatement(QSqlTableModel::record(row)));
    if (statements.empty())
        return true;
    if (!writeRows(statements))
        return false;
    refresh();
    return true;
}

void KeyedTableModel::cancelPendingRows() {
    revertAll();
}

bool KeyedTableModel::deleteRow(int row) {
    if (isPendingRow(row)) {
        revertRow(row);
        return true;
    }
    if (isReadOnly() || row < 0 || row >= rowCount())
        return false;
    Statement s;
    s.kind = WriteKind::Delete;
    s.keyRow = storedRow(row);
    s.sql = QStringLiteral("DELETE FROM %1 WHERE ").arg(quotedTable()) +
            keyCondition(s.keyRow, s.values);
    if (!writeRows({s}))
        return false;
    refresh();
    return true;
}

bool KeyedTableModel::refresh() {
    revertAll();
    if (select())
        return true;
    DbError error = DbError::fromSqlError(lastError(), nativeCodeFormOf(database().driver()));
    if (error.isEmpty())
        error.append(
            DbErrorEntry::make(DbErrorCategory::Statement, DbSubCode::Server, 0, tableName()));
    return refuse({std::move(error), QString()});
}

} // namespace kelvoran

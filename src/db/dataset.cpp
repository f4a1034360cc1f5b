#include "db/dataset.h"

#include "db/connection.h"
#include "db/errors.h"
#include "db/tsql_translation.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace db {
namespace {

// Keys are matched by number where they are numbers, so 7, 7.0 and "7" meet.
std::optional<qlonglong> numericKey(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int: return value.toInt();
    case QMetaType::LongLong: return value.toLongLong();
    default: break;
    }
    bool ok = false;
    const qlonglong number = value.toString().toLongLong(&ok);
    return ok ? std::optional<qlonglong>(number) : std::nullopt;
}

bool sameKey(const QVariant& a, const QVariant& b)
{
    const auto x = numericKey(a), y = numericKey(b);
    return x && y ? *x == *y : a.toString() == b.toString();
}

// Nulls first, numbers by value, texts without regard to case.
bool sortsBefore(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && !b.isNull();
    const int type = a.metaType().id();
    if (type == QMetaType::QString || b.metaType().id() == QMetaType::QString)
        return a.toString().compare(b.toString(), Qt::CaseInsensitive) < 0;
    return QVariant::compare(a, b) == QPartialOrdering::Less;
}

} // namespace

Dataset::Dataset(const QString& name, Kind kind, Connection* connection, QObject* parent)
    : QObject(parent)
    , m_name(name)
    , m_kind(kind)
    , m_connection(connection)
{
    setObjectName(name);
    // Rows fetched over a connection do not outlive it.
    if (m_connection)
        connect(m_connection, &Connection::closed, this, &Dataset::close);
}

Dataset::~Dataset() = default;

void Dataset::fail(const QString& message) const
{
    throw DatabaseError(m_name + QStringLiteral(": ") + message);
}

void Dataset::checkActive() const
{
    if (!isOpen())
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void Dataset::checkCanModify() const
{
    if (!canModify())
        fail(QStringLiteral("Cannot modify a read-only dataset"));
}

bool Dataset::canModify() const
{
    return isOpen() && m_lockType == LockType::Optimistic;
}

void Dataset::setSql(const QString& statement)
{
    close();
    m_sql = statement;
}

void Dataset::setTableName(const QString& table)
{
    close();
    m_tableName = table;
}

void Dataset::setLockType(LockType lockType)
{
    if (m_lockType == lockType)
        return;
    if (isEditing())
        fail(QStringLiteral("Cannot change the lock type of a record being edited"));
    m_lockType = lockType;
    emit stateChanged();
}

Field& Dataset::addField(const FieldDefinition& definition)
{
    m_definedFields = true;
    m_fields.push_back(std::make_unique<Field>(*this, definition));
    return *m_fields.back();
}

Field& Dataset::addLookupField(const QString& name, const QString& keyField, Dataset* lookupDataset,
                               const QString& lookupKeyField, const QString& resultField, int size)
{
    FieldDefinition definition;
    definition.name = name;
    definition.type = FieldType::String;
    definition.size = size;
    definition.lookup = LookupDefinition{keyField, lookupDataset, lookupKeyField, resultField};
    return addField(definition);
}

Field* Dataset::findField(const QString& name) const
{
    for (const auto& field : m_fields)
        if (field->name().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

Field& Dataset::fieldByName(const QString& name) const
{
    Field* field = findField(name);
    if (!field)
        fail(QStringLiteral("Field '%1' not found").arg(name));
    return *field;
}

int Dataset::columnIndex(const QString& column) const
{
    return m_columnIndexes.value(column.toLower(), -1);
}

void Dataset::setColumns(QVector<ColumnInfo> columns)
{
    m_columns = std::move(columns);
    m_columnIndexes.clear();
    for (int i = int(m_columns.size()) - 1; i >= 0; --i)
        m_columnIndexes.insert(m_columns[i].name.toLower(), i);
    m_columnTypes = QVector<FieldType>(m_columns.size());
    for (int i = 0; i < m_columns.size(); ++i)
        m_columnTypes[i] = m_columns[i].type;
}

QVariant Dataset::storedValue(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0)
        return {};
    return m_rows[row].value(column);
}

QString Dataset::columnText(const QString& column) const
{
    checkActive();
    if (const Field* field = findField(column))
        return field->asString();
    const int index = columnIndex(column);
    if (index < 0)
        fail(QStringLiteral("Field '%1' not found").arg(column));
    if (m_current < 0)
        return {};
    return (isEditing() ? m_buffer.value(index) : storedValue(m_current, index)).toString();
}

int Dataset::locate(const QString& column, const QVariant& key) const
{
    return locate(columnIndex(column), key);
}

int Dataset::locate(int column, const QVariant& key) const
{
    if (column < 0 || column >= m_columns.size() || key.isNull())
        return -1;
    KeyIndex& index = m_indexes[column];
    if (index.version != m_version) {
        index = KeyIndex();
        index.version = m_version;
        for (int row = int(m_rows.size()) - 1; row >= 0; --row) { // the first row wins
            const QVariant& value = m_rows[row].at(column);
            if (value.isNull())
                continue;
            if (const auto number = numericKey(value))
                index.numbers.insert(*number, row);
            else
                index.texts.insert(value.toString(), row);
        }
    }
    if (const auto number = numericKey(key))
        return index.numbers.value(*number, -1);
    return index.texts.value(key.toString(), -1);
}

// ---- opening and closing ----

QString Dataset::selectStatement() const
{
    if (m_kind == Kind::Table) {
        if (m_tableName.isEmpty())
            fail(QStringLiteral("Missing TableName property"));
        return QStringLiteral("select * from ") + m_tableName;
    }
    if (m_sql.trimmed().isEmpty())
        fail(QStringLiteral("Missing SQL property"));
    return m_sql;
}

// The one table a statement selects from, or empty when it joins, unites,
// groups or nests (such rows cannot be written back).
QString Dataset::baseTable() const
{
    if (m_kind == Kind::Table)
        return m_tableName;
    if (m_baseTableOf == m_sql)
        return m_baseTable;
    m_baseTableOf = m_sql;
    m_baseTable = findBaseTable(m_sql);
    return m_baseTable;
}

QString Dataset::findBaseTable(const QString& statement)
{
    using Re = QRegularExpression;
    static const Re several(QStringLiteral(R"(\bjoin\b|\bunion\b|\bgroup\s+by\b|\(\s*select\b)"),
                            Re::CaseInsensitiveOption);
    static const Re from(QStringLiteral(R"(\bfrom\s+([\w\[\]\.]+)\s*(,)?)"), Re::CaseInsensitiveOption);
    const QString& sql = statement;
    if (several.match(sql).hasMatch())
        return {};
    const auto match = from.match(sql);
    if (!match.hasMatch() || match.hasCaptured(2))
        return {};
    QString table = match.captured(1);
    table = table.mid(table.lastIndexOf(u'.') + 1);
    return table.remove(u'[').remove(u']');
}

void Dataset::open()
{
    if (isOpen())
        return;
    for (const auto& field : m_fields)
        if (field->lookup() && field->lookup()->dataset && field->lookup()->dataset != this)
            field->lookup()->dataset->open();

    ResultSet result = m_connection->query(selectStatement());
    const QString table = baseTable();
    if (!table.isEmpty()) {
        try {
            const TableInfo& info = m_connection->tableInfo(table);
            for (ColumnInfo& column : result.columns)
                if (const ColumnInfo* declared = info.column(column.name))
                    column = {column.name, declared->type, declared->size};
        } catch (const DatabaseError&) {
            // Without the table's description the result's own types stand.
        }
    }
    emit aboutToReset();
    setColumns(std::move(result.columns));
    m_rows = std::move(result.rows);
    ++m_openStamp;
    try {
        bindFields();
    } catch (...) {
        setColumns({});
        m_rows.clear();
        emit reset();
        throw;
    }
    rowsChanged();
    m_state = State::Browse;
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    emit reset();
    emit stateChanged();
    emit currentChanged();
}

void Dataset::bindFields()
{
    if (!m_definedFields) {
        m_fields.clear();
        for (const ColumnInfo& column : m_columns) {
            FieldDefinition definition;
            definition.name = column.name;
            definition.type = column.type;
            definition.size = column.size;
            m_fields.push_back(std::make_unique<Field>(*this, definition));
        }
    }
    for (const auto& field : m_fields) {
        if (field->isLookup())
            continue;
        field->m_column = columnIndex(field->name());
        if (field->m_column < 0)
            fail(QStringLiteral("Field '%1' not found").arg(field->name()));
        if (field->m_definition.type == FieldType::Unknown)
            field->m_definition.type = m_columns[field->m_column].type;
        // A defined field's type rules over the column's reported type.
        m_columnTypes[field->m_column] = field->m_definition.type;
    }
    for (const auto& field : m_fields)
        if (field->isLookup())
            field->m_keyField = &fieldByName(field->lookup()->keyField);
}

void Dataset::close()
{
    if (!isOpen())
        return;
    // The state goes first: controls bound through data sources let go of
    // the dataset at once, rather than redrawing the emptied rows before.
    m_state = State::Inactive;
    emit stateChanged();
    emit aboutToReset();
    m_rows.clear();
    setColumns({});
    m_buffer.clear();
    m_changedColumns.clear();
    m_modified = false;
    m_current = -1;
    m_bof = m_eof = true;
    m_sortColumn.clear();
    if (!m_definedFields)
        m_fields.clear();
    rowsChanged();
    emit reset();
    emit currentChanged();
}

// ---- navigation ----

// The conditions may have changed even where the row did not.
void Dataset::moveTo(int row)
{
    m_current = row;
    emit currentChanged();
}

void Dataset::first()
{
    checkActive();
    checkBrowseMode();
    m_bof = true;
    m_eof = m_rows.isEmpty();
    moveTo(m_rows.isEmpty() ? -1 : 0);
}

void Dataset::last()
{
    checkActive();
    checkBrowseMode();
    m_eof = true;
    m_bof = m_rows.isEmpty();
    moveTo(int(m_rows.size()) - 1);
}

void Dataset::next()
{
    moveBy(1);
}

void Dataset::prior()
{
    moveBy(-1);
}

void Dataset::moveBy(int distance)
{
    checkActive();
    checkBrowseMode();
    m_bof = m_eof = false;
    if (m_rows.isEmpty()) {
        m_bof = m_eof = true;
        moveTo(-1);
        return;
    }
    const int target = m_current + distance;
    if (distance > 0 && target >= m_rows.size()) {
        m_eof = true;
        moveTo(int(m_rows.size()) - 1);
    } else if (distance < 0 && target < 0) {
        m_bof = true;
        moveTo(0);
    } else {
        moveTo(target);
    }
}

void Dataset::setCurrentRow(int row)
{
    checkActive();
    if (row == m_current)
        return;
    checkBrowseMode();
    if (m_rows.isEmpty()) {
        m_bof = m_eof = true;
        moveTo(-1);
        return;
    }
    m_bof = m_eof = false;
    moveTo(std::clamp(row, 0, int(m_rows.size()) - 1));
}

// ---- editing ----

void Dataset::startNewRecord(int position)
{
    checkActive();
    checkBrowseMode();
    checkCanModify();
    emit rowAboutToBeInserted(position);
    m_rows.insert(position, QVector<QVariant>(m_columns.size()));
    rowsChanged();
    m_buffer = QVector<QVariant>(m_columns.size());
    m_changedColumns = QVector<bool>(m_columns.size(), false);
    m_modified = false;
    m_current = position;
    m_state = State::Insert;
    emit rowInserted(position);
    emit stateChanged();
    emit currentChanged();
}

void Dataset::insert()
{
    checkActive();
    checkBrowseMode();
    const int position = m_current < 0 ? 0 : m_current;
    startNewRecord(position);
    m_bof = m_eof = false;
}

void Dataset::append()
{
    checkActive();
    checkBrowseMode();
    startNewRecord(int(m_rows.size()));
    m_bof = false;
    m_eof = true;
    emit currentChanged();
}

void Dataset::edit()
{
    checkActive();
    if (isEditing())
        return;
    checkCanModify();
    if (m_rows.isEmpty()) {
        insert();
        return;
    }
    m_buffer = m_rows[m_current];
    m_changedColumns = QVector<bool>(m_columns.size(), false);
    m_modified = false;
    m_state = State::Edit;
    emit stateChanged();
}

void Dataset::setPendingValue(int column, const QVariant& value)
{
    m_buffer[column] = value;
    m_changedColumns[column] = true;
    m_modified = true;
    emit rowChanged(m_current);
}

void Dataset::checkBrowseMode()
{
    if (!isEditing())
        return;
    emit updatingRecord();
    if (!isEditing())
        return;
    if (m_modified)
        postPending();
    else
        cancel();
}

void Dataset::post()
{
    checkActive();
    if (!isEditing())
        return;
    emit updatingRecord();
    if (isEditing())
        postPending();
}

void Dataset::postPending()
{
    for (const BeforePost& hook : m_beforePost)
        hook(*this);
    if (m_state == State::Insert)
        writeInsert();
    else
        writeUpdate();
    m_rows[m_current] = m_buffer;
    rowsChanged();
    m_buffer.clear();
    m_changedColumns.clear();
    m_modified = false;
    m_state = State::Browse;
    emit rowChanged(m_current);
    emit stateChanged();
    emit currentChanged();
}

void Dataset::cancel()
{
    checkActive();
    if (!isEditing())
        return;
    const bool wasInsert = m_state == State::Insert;
    m_buffer.clear();
    m_changedColumns.clear();
    m_modified = false;
    m_state = State::Browse;
    if (wasInsert) {
        removeRow(m_current);
    } else {
        emit rowChanged(m_current);
    }
    emit stateChanged();
    emit currentChanged();
}

void Dataset::removeRow(int row)
{
    emit rowAboutToBeRemoved(row);
    m_rows.removeAt(row);
    rowsChanged();
    m_current = m_rows.isEmpty() ? -1 : std::min(row, int(m_rows.size()) - 1);
    m_bof = m_eof = m_rows.isEmpty();
    emit rowRemoved(row);
}

void Dataset::deleteRecord()
{
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    checkCanModify();
    if (m_rows.isEmpty())
        fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (m_state == State::Edit)
        cancel();
    writeDelete(m_current);
    removeRow(m_current);
    emit stateChanged();
    emit currentChanged();
}

void Dataset::refresh()
{
    checkActive();
    checkBrowseMode();
    ResultSet result = m_connection->query(selectStatement());
    QVector<QVector<QVariant>> rows = std::move(result.rows);
    // Keep the current record by its key when the table has one.
    QVariantList currentKey;
    QVector<int> keyColumns;
    if (m_current >= 0) {
        const QString table = baseTable();
        if (!table.isEmpty())
            for (const QString& key : m_connection->tableInfo(table).keyColumns)
                if (const int index = columnIndex(key); index >= 0)
                    keyColumns << index;
        for (int index : keyColumns)
            currentKey << m_rows[m_current].at(index);
    }
    const int previous = m_current;
    resetRows(std::move(rows));
    int found = -1;
    for (int row = 0; row < m_rows.size() && !keyColumns.isEmpty(); ++row) {
        bool same = true;
        for (int k = 0; k < keyColumns.size() && same; ++k)
            same = sameKey(m_rows[row].at(keyColumns[k]), currentKey[k]);
        if (same) {
            found = row;
            break;
        }
    }
    m_current = m_rows.isEmpty() ? -1 : (found >= 0 ? found : std::min(std::max(previous, 0), int(m_rows.size()) - 1));
    m_bof = m_eof = m_rows.isEmpty();
    emit currentChanged();
}

void Dataset::resetRows(QVector<QVector<QVariant>> rows)
{
    emit aboutToReset();
    m_rows = std::move(rows);
    applySort();
    rowsChanged();
    emit reset();
}

void Dataset::setSort(const QString& column)
{
    checkActive();
    checkBrowseMode();
    if (columnIndex(column) < 0)
        fail(QStringLiteral("Field '%1' not found").arg(column));
    const QVector<QVariant> current = m_current >= 0 ? m_rows[m_current] : QVector<QVariant>();
    m_sortColumn = column;
    emit aboutToReset();
    applySort();
    rowsChanged();
    if (m_current >= 0)
        m_current = int(std::find(m_rows.cbegin(), m_rows.cend(), current) - m_rows.cbegin());
    emit reset();
    emit currentChanged();
}

void Dataset::applySort()
{
    const int index = m_sortColumn.isEmpty() ? -1 : columnIndex(m_sortColumn);
    if (index < 0)
        return;
    std::stable_sort(m_rows.begin(), m_rows.end(), [index](const QVector<QVariant>& a, const QVector<QVariant>& b) {
        return sortsBefore(a.at(index), b.at(index));
    });
}

// ---- writing back ----

const TableInfo& Dataset::writableTable() const
{
    const QString table = baseTable();
    if (table.isEmpty())
        fail(QStringLiteral("Rows of this statement cannot be written back: it does not select from exactly one table"));
    return m_connection->tableInfo(table);
}

void Dataset::whereOriginal(const TableInfo& table, const QVector<QVariant>& original, const QVector<bool>* changed,
                            QString& where, QVariantList& values) const
{
    const Backend& backend = m_connection->backend();
    QStringList conditions;
    auto addCondition = [&](int column) {
        const QString name = backend.quoteName(m_columns[column].name);
        if (original[column].isNull()) {
            conditions << name + QStringLiteral(" IS NULL");
        } else {
            conditions << name + QStringLiteral(" = ?");
            values << original[column];
        }
    };
    QVector<bool> used(m_columns.size(), false);
    for (const QString& key : table.keyColumns)
        if (const int column = columnIndex(key); column >= 0) {
            addCondition(column);
            used[column] = true;
        }
    const bool keyless = conditions.isEmpty();
    for (int column = 0; column < m_columns.size(); ++column) {
        if (used[column] || !table.hasColumn(m_columns[column].name))
            continue;
        if (keyless || (changed && changed->at(column)))
            addCondition(column);
    }
    if (conditions.isEmpty())
        fail(QStringLiteral("Insufficient key column information for updating or refreshing"));
    where = conditions.join(QStringLiteral(" AND "));
}

void Dataset::writeInsert()
{
    const TableInfo& table = writableTable();
    Backend& backend = m_connection->backend();
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (int column = 0; column < m_columns.size(); ++column) {
        const QString& name = m_columns[column].name;
        if (!m_changedColumns[column] || !table.hasColumn(name)
            || name.compare(table.identityColumn, Qt::CaseInsensitive) == 0)
            continue;
        names << backend.quoteName(name);
        marks << QStringLiteral("?");
        values << m_buffer[column];
    }
    const QString target = backend.quoteName(table.name);
    const QString statement = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(target)
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(target, names.join(u','), marks.join(u','));
    const QVariant identity = m_connection->insert(statement, values);
    if (!table.identityColumn.isEmpty())
        if (const int column = columnIndex(table.identityColumn); column >= 0 && !identity.isNull())
            m_buffer[column] = identity.toInt();
}

void Dataset::writeUpdate()
{
    const TableInfo& table = writableTable();
    Backend& backend = m_connection->backend();
    QStringList assignments;
    QVariantList values;
    for (int column = 0; column < m_columns.size(); ++column) {
        if (!m_changedColumns[column] || !table.hasColumn(m_columns[column].name))
            continue;
        assignments << backend.quoteName(m_columns[column].name) + QStringLiteral(" = ?");
        values << m_buffer[column];
    }
    if (assignments.isEmpty())
        return;
    QString where;
    whereOriginal(table, m_rows[m_current], &m_changedColumns, where, values);
    const QString statement = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                  .arg(backend.quoteName(table.name), assignments.join(QStringLiteral(", ")), where);
    if (m_connection->write(statement, values) == 0)
        fail(QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read."));
}

void Dataset::writeDelete(int row)
{
    const TableInfo& table = writableTable();
    Backend& backend = m_connection->backend();
    QString where;
    QVariantList values;
    whereOriginal(table, m_rows[row], nullptr, where, values);
    const QString statement = QStringLiteral("DELETE FROM %1 WHERE %2").arg(backend.quoteName(table.name), where);
    if (m_connection->write(statement, values) == 0)
        fail(QStringLiteral("Row cannot be located for deleting. Some values may have been changed since it was last read."));
}

} // namespace db

#include "db/dataset.h"

#include "db/connection.h"
#include "db/errors.h"
#include "db/tsql_translation.h"

#include <algorithm>

namespace db {
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

DatabaseError Dataset::error(const QString& message, DatabaseError::Kind kind) const
{
    return DatabaseError(m_name + QStringLiteral(": ") + message, kind);
}

void Dataset::fail(const QString& message, DatabaseError::Kind kind) const
{
    throw error(message, kind);
}

void Dataset::checkActive() const
{
    if (!isOpen())
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"), DatabaseError::Kind::Closed);
}

void Dataset::checkCanModify() const
{
    if (!canModify())
        fail(QStringLiteral("Cannot modify a read-only dataset"), DatabaseError::Kind::ReadOnly);
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
    // Names equal without regard to case are as long as each other: the
    // length passes most fields over without comparing their letters.
    for (const auto& field : m_fields)
        if (field->name().size() == name.size() && field->name().compare(name, Qt::CaseInsensitive) == 0)
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
}

QVariant Dataset::currentValue(int column) const
{
    if (m_current < 0)
        return {};
    return isEditing() ? m_pending.value(column) : m_store.value(m_current, column);
}

void Dataset::setCurrentValue(int column, const QVariant& value)
{
    if (!isEditing())
        fail(QStringLiteral("Dataset not in edit or insert mode"));
    m_pending.set(column, value);
    emit rowChanged(m_current);
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
    return currentValue(index).toString();
}

int Dataset::locate(const QString& column, const QVariant& key) const
{
    return locate(columnIndex(column), key);
}

int Dataset::locate(int column, const QVariant& key) const
{
    if (column < 0 || column >= m_columns.size())
        return -1;
    return m_store.locate(column, key);
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

namespace {

// Whether two statements differ only in the key they end in ("... WHERE
// id = 7" and "... WHERE id = 12"), and so read the same table.
bool sameButTheLastKey(QStringView a, QStringView b)
{
    const qsizetype at = tsql::trailingKeyAt(a);
    return at >= 0 && at == tsql::trailingKeyAt(b) && a.first(at) == b.first(at);
}

} // namespace

QString Dataset::baseTable() const
{
    if (m_kind == Kind::Table)
        return m_tableName;
    if (m_baseTableOf == m_sql || sameButTheLastKey(m_baseTableOf, m_sql))
        return m_baseTable;
    m_baseTableOf = m_sql;
    m_baseTable = tsql::baseTable(m_sql);
    return m_baseTable;
}

void Dataset::openLookups()
{
    for (const auto& field : m_fields)
        if (field->lookup() && field->lookup()->dataset && field->lookup()->dataset != this)
            field->lookup()->dataset->open();
}

// The rows of the statement, with the column types the table declares.
ResultSet Dataset::readResult() const
{
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
    return result;
}

// Between aboutToReset and reset: the result becomes the rows, in browse
// state on the first record. Fields that do not bind leave no rows, and
// the state as it was.
void Dataset::takeResult(ResultSet result)
{
    // The same statement read again for another key gives the same columns:
    // the fields stay bound as they are.
    const bool sameColumns = isOpen() && result.columns == m_columns;
    if (!sameColumns)
        setColumns(std::move(result.columns));
    m_store.reset(std::move(result.rows));
    ++m_openStamp;
    try {
        if (!sameColumns)
            bindFields();
    } catch (...) {
        setColumns({});
        m_store.clear();
        throw;
    }
    m_state = State::Browse;
    m_current = m_store.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_store.isEmpty();
}

void Dataset::open()
{
    if (isOpen())
        return;
    openLookups();
    ResultSet result = readResult();
    emit aboutToReset();
    try {
        takeResult(std::move(result));
    } catch (...) {
        emit reset();
        throw;
    }
    emit reset();
    emit stateChanged();
    emit currentChanged();
}

void Dataset::requery(const QString& statement)
{
    m_sql = statement;
    if (!isOpen()) {
        open();
        return;
    }
    ResultSet result;
    try {
        openLookups();
        result = readResult();
    } catch (...) {
        close();
        throw;
    }
    const bool stateChanges = m_state != State::Browse;
    emit aboutToReset();
    // What closing drops goes here too.
    m_pending.clear();
    m_sortColumn.clear();
    try {
        takeResult(std::move(result));
    } catch (...) {
        m_state = State::Inactive;
        dropRows();
        emit reset();
        emit stateChanged();
        emit currentChanged();
        throw;
    }
    emit reset();
    if (stateChanges)
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
        const int column = columnIndex(field->name());
        if (column < 0)
            fail(QStringLiteral("Field '%1' not found").arg(field->name()));
        field->bindColumn(column, m_columns[column].type);
    }
    for (const auto& field : m_fields)
        if (field->isLookup())
            field->bindKeyField(&fieldByName(field->lookup()->keyField));
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
    dropRows();
    emit reset();
    emit currentChanged();
}

// What a closed dataset holds: no rows, columns, pending record or sort.
void Dataset::dropRows()
{
    m_store.clear();
    setColumns({});
    m_pending.clear();
    m_current = -1;
    m_bof = m_eof = true;
    m_sortColumn.clear();
    if (!m_definedFields)
        m_fields.clear();
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
    m_eof = m_store.isEmpty();
    moveTo(m_store.isEmpty() ? -1 : 0);
}

void Dataset::last()
{
    checkActive();
    checkBrowseMode();
    m_eof = true;
    m_bof = m_store.isEmpty();
    moveTo(m_store.size() - 1);
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
    if (m_store.isEmpty()) {
        m_bof = m_eof = true;
        moveTo(-1);
        return;
    }
    const int target = m_current + distance;
    if (distance > 0 && target >= m_store.size()) {
        m_eof = true;
        moveTo(m_store.size() - 1);
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
    if (m_store.isEmpty()) {
        m_bof = m_eof = true;
        moveTo(-1);
        return;
    }
    m_bof = m_eof = false;
    moveTo(std::clamp(row, 0, m_store.size() - 1));
}

// ---- editing ----

void Dataset::startNewRecord(int position)
{
    checkActive();
    checkBrowseMode();
    checkCanModify();
    emit rowAboutToBeInserted(position);
    m_store.insert(position, Row(m_columns.size()));
    m_pending.start(Row(m_columns.size()));
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
    startNewRecord(m_store.size());
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
    if (m_store.isEmpty()) {
        insert();
        return;
    }
    m_pending.start(m_store.row(m_current));
    m_state = State::Edit;
    emit stateChanged();
}

void Dataset::checkBrowseMode()
{
    if (!isEditing())
        return;
    emit updatingRecord();
    if (!isEditing())
        return;
    if (m_pending.isModified())
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
    QBitArray unknown;
    try {
        for (const BeforePost& hook : m_beforePost)
            hook(*this);
        unknown = m_state == State::Insert
            ? writeBack().insert(m_pending)
            : writeBack().update(m_store.row(m_current), m_store.unknownColumns(m_current), m_pending);
    } catch (DatabaseError& error) {
        error.setDataset(this);
        throw;
    }
    m_store.replace(m_current, m_pending.values());
    m_store.setUnknownColumns(m_current, unknown);
    endEditing();
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
    endEditing();
    if (wasInsert) {
        removeRow(m_current);
    } else {
        emit rowChanged(m_current);
    }
    emit stateChanged();
    emit currentChanged();
}

void Dataset::endEditing()
{
    m_pending.clear();
    m_state = State::Browse;
}

void Dataset::removeRow(int row)
{
    emit rowAboutToBeRemoved(row);
    m_store.remove(row);
    m_current = m_store.isEmpty() ? -1 : std::min(row, m_store.size() - 1);
    m_bof = m_eof = m_store.isEmpty();
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
    if (m_store.isEmpty())
        fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    // The row as read finds it on the server; an edit in progress is dropped
    // only once the row is gone.
    writeBack().remove(m_store.row(m_current), m_store.unknownColumns(m_current));
    endEditing();
    removeRow(m_current);
    emit stateChanged();
    emit currentChanged();
}

void Dataset::deleteRecords(QList<int> rows)
{
    checkActive();
    checkCanModify();
    checkBrowseMode();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([this](int row) { return row < 0 || row >= m_store.size(); });
    if (rows.isEmpty())
        return;
    try {
        const TableWriteBack writer = writeBack();
        m_connection->transact([&] {
            for (const int row : std::as_const(rows))
                writer.remove(m_store.row(row), m_store.unknownColumns(row));
        });
    } catch (const DatabaseError&) {
        // Nothing was deleted; show what the server holds now.
        try {
            refresh();
        } catch (const DatabaseError&) {
            // The refusal is what the user needs to see.
        }
        throw;
    }
    for (const int row : std::as_const(rows))
        removeRow(row);
    emit stateChanged();
    emit currentChanged();
}

void Dataset::refresh()
{
    checkActive();
    checkBrowseMode();
    ResultSet result = m_connection->query(selectStatement());
    // Keep the current record by its key when the table has one.
    QVariantList currentKey;
    QVector<int> keys;
    if (m_current >= 0) {
        keys = keyColumns();
        for (int index : keys)
            currentKey << m_store.value(m_current, index);
    }
    takeRowsAgain(std::move(result.rows), [&] { return m_store.find(keys, currentKey); });
}

void Dataset::reopen()
{
    if (!isOpen())
        return;
    ResultSet result = m_connection->query(selectStatement());
    if (result.columns.size() != m_columns.size())
        fail(QStringLiteral("The statement no longer returns the columns it returned when the dataset was opened"));
    const Row kept = m_current >= 0 ? m_store.row(m_current) : Row();
    const QVector<int> keys = m_current >= 0 ? keyColumns() : QVector<int>();
    QVariantList keptKey;
    for (int index : keys)
        keptKey << kept.value(index);
    takeRowsAgain(std::move(result.rows), [&] {
        int current = -1;
        if (m_current >= 0 && m_state != State::Insert)
            current = keys.isEmpty() ? m_store.indexOf(kept) : m_store.find(keys, keptKey);
        if (isEditing()) {
            // The record being edited or inserted stays as it was read, where it was.
            if (current >= 0) {
                m_store.replace(current, kept);
            } else {
                current = std::clamp(m_current, 0, m_store.size());
                m_store.insert(current, kept);
            }
        }
        return current;
    });
}

// The rows read again, in the dataset's sort, on the row `stayOn` finds
// among them, or as near the old current row as they reach. The row is
// found before the rows are announced: whoever follows the reset sees the
// record the dataset stays on.
void Dataset::takeRowsAgain(QVector<Row> rows, const std::function<int()>& stayOn)
{
    emit aboutToReset();
    m_store.reset(std::move(rows));
    applySort();
    const int current = stayOn();
    m_current = m_store.isEmpty() ? -1 : (current >= 0 ? current : std::clamp(m_current, 0, m_store.size() - 1));
    m_bof = m_eof = m_store.isEmpty();
    emit reset();
    emit currentChanged();
}

QVector<int> Dataset::keyColumns() const
{
    QVector<int> keys;
    const QString table = baseTable();
    if (!table.isEmpty())
        for (const QString& key : m_connection->tableInfo(table).keyColumns)
            if (const int index = columnIndex(key); index >= 0)
                keys << index;
    return keys;
}

void Dataset::setSort(const QString& column)
{
    checkActive();
    checkBrowseMode();
    if (columnIndex(column) < 0)
        fail(QStringLiteral("Field '%1' not found").arg(column));
    const Row current = m_current >= 0 ? m_store.row(m_current) : Row();
    m_sortColumn = column;
    emit aboutToReset();
    applySort();
    if (m_current >= 0)
        m_current = m_store.indexOf(current);
    emit reset();
    emit currentChanged();
}

void Dataset::applySort()
{
    if (!m_sortColumn.isEmpty())
        m_store.sortBy(columnIndex(m_sortColumn));
}

// ---- writing back ----

TableWriteBack Dataset::writeBack() const
{
    const QString table = baseTable();
    if (table.isEmpty())
        fail(QStringLiteral(
            "Rows of this statement cannot be written back: it does not select from exactly one table"));
    return TableWriteBack(*m_connection, m_connection->tableInfo(table), m_columns);
}

} // namespace db

#pragma once
// A client-side dataset: the whole result of a statement (or a table) fetched
// into the client, browsed and edited there, and written back to the server
// row by row on post and delete under optimistic locking.
#include "db/backend.h"
#include "db/errors.h"
#include "db/field.h"
#include "db/pending_record.h"
#include "db/row_store.h"
#include "db/row_writer.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace db {

class Connection;

class Dataset : public QObject {
    Q_OBJECT
public:
    enum class Kind { Query, Table };
    enum class State { Inactive, Browse, Edit, Insert };
    enum class LockType { ReadOnly, Optimistic };

    Dataset(const QString& name, Kind kind, Connection* connection, QObject* parent = nullptr);
    ~Dataset() override;

    const QString& name() const { return m_name; }
    Kind kind() const { return m_kind; }
    Connection* connection() const { return m_connection; }

    // Query: the statement (setting it closes the dataset first).
    const QString& sql() const { return m_sql; }
    void setSql(const QString& statement);
    // Table: the table's name.
    const QString& tableName() const { return m_tableName; }
    void setTableName(const QString& table);

    LockType lockType() const { return m_lockType; }
    void setLockType(LockType lockType);

    // Field definitions, made before opening. Without any, the fields are the
    // result's columns; with them, only the defined fields exist by name.
    Field& addField(const FieldDefinition& definition);
    // A lookup field: name = keyField in lookupDataset.lookupKeyField, shows
    // resultField cut to size.
    Field& addLookupField(const QString& name, const QString& keyField, Dataset* lookupDataset,
                          const QString& lookupKeyField, const QString& resultField, int size);

    // Runs before a record in edit or insert state is sent, whatever posts it;
    // what it sets is part of the same insert or update. Throwing refuses the post.
    using BeforePost = std::function<void(Dataset&)>;
    void addBeforePost(BeforePost hook) { m_beforePost.push_back(std::move(hook)); }

    // Opens the closed lookup datasets first; opening an open dataset does nothing.
    void open();
    void close();
    // Query: replaces the statement and opens the dataset on it. An open
    // dataset takes the new rows as one reset, its controls staying bound:
    // a pending record and the sort go as on closing, and a record being
    // edited or inserted ends with a state change. On failure the dataset
    // is closed (as close() closes it) and the failure thrown.
    void requery(const QString& statement);
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    // False while closed and for a read-only lock.
    bool canModify() const;

    int recordCount() const { return m_store.size(); }
    bool isEmpty() const { return m_store.isEmpty(); }
    // The current row, 0-based; -1 when there is none.
    int currentRow() const { return m_current; }
    // The beginning and end conditions (not positions): see the navigation
    // functions for what sets and clears them.
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }

    // Moving to the first record sets the beginning condition, to the last the
    // end condition; every other move clears both and then sets the beginning
    // only when a move backwards found no earlier record, the end only when a
    // move forwards found no further one. A pending change is posted first.
    void first();
    void last();
    void next();
    void prior();
    void moveBy(int distance);
    void setCurrentRow(int row);

    void insert(); // a new record before the current one
    void append(); // a new record after the last one
    // Edit state; on an empty dataset a new record is inserted instead.
    void edit();
    // Sends the pending record; first emits updatingRecord().
    void post();
    void cancel();
    // Deletes the current record on the server. A refused delete leaves the
    // record as it was, in edit state with its values when it was edited.
    void deleteRecord();
    // Deletes these rows all together or none of them (one transaction); after
    // a refusal the rows are read again, so they show what the server holds.
    void deleteRecords(QList<int> rows);
    // Rereads the rows from the server, keeping the current record if it is still there.
    void refresh();
    // Reads the rows again with the same statement (after the connection was
    // opened afresh), keeping the current record where it is still there and
    // a record being edited or inserted as it is, with its values: an edited
    // row is still matched by the values first read, so a change that someone
    // else made meanwhile is found at its post. A closed dataset stays closed;
    // on failure the rows stay as they were.
    void reopen();
    // Posts a pending change if anything was changed, otherwise cancels it
    // (after updatingRecord(), so an editor's text counts as a change).
    void checkBrowseMode();
    // Whether a field of the pending record has been set.
    bool isModified() const { return m_pending.isModified(); }

    // Sorts the fetched rows ascending by a column; kept until the dataset closes.
    void setSort(const QString& column);
    const QString& sort() const { return m_sortColumn; }

    const std::vector<std::unique_ptr<Field>>& fields() const { return m_fields; }
    Field* findField(const QString& name) const;
    // Throws DatabaseError "<name>: Field '<field>' not found".
    Field& fieldByName(const QString& name) const;

    // A column of the current row by name as text (fields first, then every
    // column of the result).
    QString columnText(const QString& column) const;

    // The row index whose `column` equals key; -1 if none. Kept in an index
    // that follows every change of the rows.
    int locate(const QString& column, const QVariant& key) const;
    int locate(int column, const QVariant& key) const;

    // Storage access for fields and views.
    QVariant storedValue(int row, int column) const { return m_store.value(row, column); }
    // A column of the current record: its pending value while it is edited.
    QVariant currentValue(int column) const;
    // Into the pending record; the record must be in edit or insert state.
    void setCurrentValue(int column, const QVariant& value);
    // A failure of this dataset: the message after the dataset's name.
    DatabaseError error(const QString& message, DatabaseError::Kind kind) const;
    int columnIndex(const QString& column) const;
    const QVector<ColumnInfo>& columns() const { return m_columns; }
    // Counts the openings: column indexes taken before stay valid while it is unchanged.
    quint64 openStamp() const { return m_openStamp; }

signals:
    void stateChanged();
    void currentChanged();
    void aboutToReset();
    void reset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    // A record being edited is about to be posted or checked by
    // checkBrowseMode(): controls holding an open editor write its text into
    // the field now. A refusal thrown here ends the post.
    void updatingRecord();

private:
    void checkActive() const;
    void checkCanModify() const;
    [[noreturn]] void fail(const QString& message, DatabaseError::Kind kind = DatabaseError::Kind::Usage) const;
    void openLookups();
    ResultSet readResult() const;
    void takeResult(ResultSet result);
    void dropRows();
    void bindFields();
    void setColumns(QVector<ColumnInfo> columns);
    QString selectStatement() const;
    // The one table the rows come from (tsql::baseTable for a query), or empty.
    QString baseTable() const;
    // Fails where the rows cannot be written back: no one table to write to.
    TableWriteBack writeBack() const;
    void moveTo(int row);
    void startNewRecord(int position);
    void postPending();
    void endEditing();
    void removeRow(int row);
    void takeRowsAgain(QVector<Row> rows, const std::function<int()>& stayOn);
    // The columns of the table's key among this dataset's columns (none for a
    // statement without one table or a table without a key).
    QVector<int> keyColumns() const;
    void applySort();

    QString m_name;
    Kind m_kind;
    Connection* m_connection;
    QString m_sql;
    QString m_tableName;
    mutable QString m_baseTableOf; // the statement m_baseTable was found in
    mutable QString m_baseTable;
    LockType m_lockType = LockType::Optimistic;
    std::vector<std::unique_ptr<Field>> m_fields;
    bool m_definedFields = false;
    std::vector<BeforePost> m_beforePost;

    State m_state = State::Inactive;
    QVector<ColumnInfo> m_columns;
    QHash<QString, int> m_columnIndexes; // by lower-case name
    quint64 m_openStamp = 0;
    RowStore m_store;
    int m_current = -1;
    bool m_bof = true;
    bool m_eof = true;
    QString m_sortColumn;
    PendingRecord m_pending;
};

} // namespace db

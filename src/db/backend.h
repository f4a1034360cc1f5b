#pragma once
// What a database backend gives the connection: statements with or without
// rows, and single-row writes with bound parameters.
#include "db/field_type.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <variant>

namespace db {

class RowWriter;
struct BoundStatement;

struct ColumnInfo {
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0;
    friend bool operator==(const ColumnInfo&, const ColumnInfo&) = default;
};

// A statement's whole result, fetched at once.
struct ResultSet {
    QVector<ColumnInfo> columns;
    QVector<QVector<QVariant>> rows;
};

// What the server reports of a table, for writing its rows back.
struct TableInfo {
    QString name;
    QVector<ColumnInfo> columns;
    QStringList keyColumns;   // empty when the table has no key
    QString identityColumn;   // the server-assigned key, if any
    const ColumnInfo* column(const QString& column) const;
};

// A foreign key of a table that the server enforces: its columns refer to the
// columns of another table, in the same order.
struct ForeignKeyInfo {
    QStringList columns;
    QString referencedTable;
    QStringList referencedColumns;
};

// What an INSERT did: the rows it added (-1 when the driver cannot tell) and
// the key the server assigned (null without one).
struct InsertResult {
    int rows = -1;
    QVariant identity;
};

// A question about the server that does not apply to it, and why, in words
// that follow "not applicable, ": "this server has no per-table permissions".
struct NotApplicable {
    QString reason;
};
template <typename T>
using ServerAnswer = std::variant<T, NotApplicable>;
inline NotApplicable noPerTablePermissions()
{
    return {QStringLiteral("this server has no per-table permissions")};
}

// The `key=value` pairs of a connection string, keys in lower case.
using ConnectionParameters = QMap<QString, QString>;

class Backend {
public:
    virtual ~Backend() = default;

    // Both throw DatabaseError with the server's or driver's message.
    virtual void open(const ConnectionParameters& parameters) = 0;
    virtual void close() = 0;

    // Runs the statement exactly as given and fetches every row.
    virtual ResultSet query(const QString& statement) = 0;
    // A read with bound parameters, in this backend's dialect: every row.
    virtual ResultSet read(const BoundStatement& statement) = 0;

    virtual TableInfo tableInfo(const QString& table) = 0;
    // The table's foreign keys that the server enforces (none for a table it
    // does not have).
    virtual QVector<ForeignKeyInfo> foreignKeys(const QString& table) = 0;

    // What a check of the server asks. Whether the connected login holds a
    // permission (SELECT, INSERT, UPDATE, DELETE, EXECUTE) on a table or
    // procedure, or on one column of it. Throws DatabaseError.
    virtual ServerAnswer<bool> hasPermission(const QString& object, const QString& permission,
                                             const QString& column = QString()) = 0;
    // The collation of each text column of a table, by lower-case name.
    // Throws DatabaseError.
    virtual ServerAnswer<QHash<QString, QString>> collations(const QString& table) = 0;
    // The one collation in which this server compares the text of every
    // column, where it has one for all, for a statement to name where it
    // would otherwise compare otherwise (a GROUP BY on the embedded server);
    // empty where each column carries its own.
    virtual QString uniformCollation() const = 0;

    // Bound-parameter writes, each value bound in its column's type where the
    // backend can. Returns the number of rows affected, -1 when the driver
    // cannot tell.
    virtual int write(const BoundStatement& statement) = 0;
    // Runs an INSERT.
    virtual InsertResult insert(const BoundStatement& statement) = 0;

    // The statements that write rows back, in this backend's dialect.
    virtual const RowWriter& rowWriter() const = 0;

    // One transaction at a time; each throws DatabaseError when the server refuses.
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    // Undoes the transaction and leaves the session in autocommit with no
    // transaction open, also where the server already ended the transaction
    // on its own; throws only when the session's state cannot be made so.
    virtual void rollbackTransaction() = 0;
};

} // namespace db

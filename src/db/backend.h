#pragma once
// What a database backend gives the connection: statements with or without
// rows, and single-row writes with bound parameters.
#include "db/field_type.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace db {

class RowWriter;

struct ColumnInfo {
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0;
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
    bool hasColumn(const QString& column) const;
    const ColumnInfo* column(const QString& column) const;
};

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

    virtual TableInfo tableInfo(const QString& table) = 0;

    // Bound-parameter writes. `statement` uses '?' placeholders.
    // Returns the number of rows affected, -1 when the driver cannot tell.
    virtual int write(const QString& statement, const QVariantList& values) = 0;
    // Runs an INSERT and returns the identity it created (null without one).
    virtual QVariant insert(const QString& statement, const QVariantList& values) = 0;

    // The statements that write rows back, in this backend's dialect.
    virtual const RowWriter& rowWriter() const = 0;

    // One transaction at a time; each throws DatabaseError when the server refuses.
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;
};

} // namespace db

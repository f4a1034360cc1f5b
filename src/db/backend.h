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
    // Returns the number of rows affected.
    virtual int write(const QString& statement, const QVariantList& values) = 0;
    // Runs an INSERT and returns the identity it created (null without one).
    virtual QVariant insert(const QString& statement, const QVariantList& values) = 0;

    // How a name is quoted in statements the layer composes.
    virtual QString quoteName(const QString& name) const = 0;
};

} // namespace db

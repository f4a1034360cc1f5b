#pragma once
// What both backends share: a Qt SQL connection of their own, bound-parameter
// statements and fetching every row of a result.
#include "db/backend.h"
#include "db/errors.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace db {

// The server's text of an error, the driver's when the server gave none, and
// never an empty text.
QString sqlErrorText(const QSqlError& error);

class SqlBackend : public Backend {
public:
    void close() override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;

protected:
    // `prefix` names the Qt SQL connections of this kind of backend.
    explicit SqlBackend(const QString& prefix);
    ~SqlBackend() override;

    // A failure of the driver in this backend's words and kind; by default
    // the server's text (sqlErrorText) as a Server error.
    virtual DatabaseError failure(const QSqlError& error) const;
    // Throws ConnectionLost when the Qt SQL connection is no longer open.
    void checkOpen() const;

    // Adds the Qt SQL connection with the driver; throws when it is missing.
    QSqlDatabase& addDatabase(const QString& driver);
    // A prepared and executed statement with its values bound in order.
    QSqlQuery execBound(const QString& statement, const QVariantList& values);
    // A result's columns as the driver describes them.
    static QVector<ColumnInfo> resultColumns(const QSqlRecord& record);
    // Every remaining row of an executed query, `columnCount` values each.
    static QVector<QVector<QVariant>> fetchRows(QSqlQuery& query, int columnCount);
    // The foreign keys in rows of four values, ordered by key and then by
    // column: the key's id, the referenced table, the column, the referenced
    // column.
    static QVector<ForeignKeyInfo> foreignKeysOf(const QVector<QVector<QVariant>>& rows);

    QSqlDatabase m_database;

private:
    QString m_connectionName;
};

} // namespace db

#pragma once
// The embedded server: an SQLite database file that behaves, as far as the
// program can tell, like the shared SQL Server. It checks the connection's
// login against its own table `server_logins` (login, password, role):
// a "gateway" login may only execute stored procedures, a "user" login may
// read and write the tables. Stored procedures are C++ functions registered by
// name; "SET DATEFORMAT" and "DBCC USEROPTIONS" act on the connection's session.
// Foreign keys are enforced on every connection, as a server enforces them.
#include "db/row_writer.h"
#include "db/sql_backend.h"

#include <functional>
#include <memory>
#include <unordered_map>

struct sqlite3;

namespace db {

// A stored procedure of the embedded server: it gets the server's database and
// the call's arguments and returns its result.
using EmbeddedProcedure = std::function<ResultSet(QSqlDatabase& database, const QVariantList& arguments)>;
void registerEmbeddedProcedure(const QString& name, EmbeddedProcedure procedure);

// A failure of the embedded database in the server's words: a file that is not
// a database, a database locked by another program, a missing table by name.
QString embeddedErrorText(const QSqlError& error, const QString& path);

// Whether SQLite's text of an error says that a foreign key refused the
// statement, in either direction (its words are the same for both).
bool isSqliteForeignKeyFailure(const QString& errorText);

// A statement with one '?' (a table's name) that lists the table's foreign
// keys on SQLite as SqlBackend::foreignKeysOf() reads them; a key that names
// no referenced column refers to that table's primary key.
QString sqliteForeignKeysStatement();

// SQLite's quoting of names.
class SqliteRowWriter final : public RowWriter {
public:
    QString quoteName(const QString& name) const override;
};

class EmbeddedServer final : public SqlBackend {
public:
    EmbeddedServer();

    // "Data Source" is "file:PATH"; a relative PATH is taken from the
    // program folder. "Initial Catalog" is the database's name in statements
    // ("[QEL].[dbo].[t]").
    void open(const ConnectionParameters& parameters) override;
    void close() override;
    // A SELECT that ends in a key ("... WHERE id_teacher = 7") is prepared
    // once, with a parameter for the key, and run again for each key, as SQL
    // Server parameterises such statements: the rows of another record cost
    // no new parse. Any other statement is prepared for its one run.
    ResultSet query(const QString& statement) override;
    ResultSet read(const BoundStatement& statement) override;
    TableInfo tableInfo(const QString& table) override;
    QVector<ForeignKeyInfo> foreignKeys(const QString& table) override;
    // Not applicable: logins have roles, not per-table permissions, and every
    // column has one text order (see text_order.h).
    ServerAnswer<bool> hasPermission(const QString& object, const QString& permission,
                                     const QString& column = QString()) override;
    ServerAnswer<QHash<QString, QString>> collations(const QString& table) override;
    QString uniformCollation() const override;
    int write(const BoundStatement& statement) override;
    InsertResult insert(const BoundStatement& statement) override;
    const RowWriter& rowWriter() const override { return m_writer; }

    // Failures in the server's words (a locked database, a missing table),
    // for writes as for reads.
    DatabaseError failure(const QSqlError& error) const override;

    // "mdy" until "SET DATEFORMAT" changes it.
    QString dateFormat() const { return m_dateFormat; }

protected:
    // SQLite tells whether a transaction is open; one that is gets a ROLLBACK.
    void endOpenTransaction(const QString& rollbackError) override;

private:
    // SQLite's own connection under Qt's driver; null while closed.
    sqlite3* sqliteHandle() const;
    void registerCollation();
    void enforceForeignKeys();
    // ForeignKey for a refused reference, otherwise Server.
    static DatabaseError::Kind kindOf(const QSqlError& error);
    void checkLogin(const QString& login, const QString& password);
    void requireUserRole() const;
    QVariantList toStorage(const QVariantList& values) const;
    // Every row of an executed query; a read that stops at an error (a
    // damaged file) is no complete result and fails.
    ResultSet fetch(QSqlQuery& query) const;
    // The prepared statement of a keyed SELECT (with '?' for its key); null
    // when it does not prepare, and the statement is then run as it is sent,
    // which reports why.
    QSqlQuery* keyedSelect(const QString& withParameter);
    ResultSet runKeyedSelect(QSqlQuery& prepared, qlonglong key);

    SqliteRowWriter m_writer;
    QString m_path;
    QString m_catalog; // the connection's database, whose name prefixes statements
    QString m_role;
    QString m_dateFormat = QStringLiteral("mdy");
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_keyedSelects;
};

} // namespace db

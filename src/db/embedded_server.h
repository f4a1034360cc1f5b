#pragma once
// The embedded server: an SQLite database file that behaves, as far as the
// program can tell, like the shared SQL Server. It checks the connection's
// login against its own table `server_logins` (login, password, role):
// a "gateway" login may only execute stored procedures, a "user" login may
// read and write the tables. Stored procedures are C++ functions registered by
// name; "SET DATEFORMAT" and "DBCC USEROPTIONS" act on the connection's session.
#include "db/row_writer.h"
#include "db/sql_backend.h"

#include <functional>

struct sqlite3;

namespace db {

// A stored procedure of the embedded server: it gets the server's database and
// the call's arguments and returns its result.
using EmbeddedProcedure = std::function<ResultSet(QSqlDatabase& database, const QVariantList& arguments)>;
void registerEmbeddedProcedure(const QString& name, EmbeddedProcedure procedure);

// What the server says of a connection that broke under a statement.
inline constexpr char kLostConnectionMessage[] =
    "[DBNETLIB][ConnectionWrite (send()).]General network error. Check your network documentation.";

// A failure of the embedded database in the server's words: a file that is not
// a database, a database locked by another program, a missing table by name.
QString embeddedErrorText(const QSqlError& error, const QString& path);

// SQLite's quoting of names.
class SqliteRowWriter final : public RowWriter {
public:
    QString quoteName(const QString& name) const override;
};

class EmbeddedServer final : public SqlBackend {
public:
    EmbeddedServer();

    // "Data Source" is "file:PATH"; a relative PATH is taken from the
    // program folder.
    void open(const ConnectionParameters& parameters) override;
    ResultSet query(const QString& statement) override;
    ResultSet read(const BoundStatement& statement) override;
    TableInfo tableInfo(const QString& table) override;
    int write(const BoundStatement& statement) override;
    InsertResult insert(const BoundStatement& statement) override;
    const RowWriter& rowWriter() const override { return m_writer; }

    // "mdy" until "SET DATEFORMAT" changes it.
    QString dateFormat() const { return m_dateFormat; }

protected:
    // SQLite tells whether a transaction is open; one that is gets a ROLLBACK.
    void endOpenTransaction(const QString& rollbackError) override;

private:
    // SQLite's own connection under Qt's driver; null while closed.
    sqlite3* sqliteHandle() const;
    void registerCollation();
    void checkLogin(const QString& login, const QString& password);
    void requireUserRole() const;
    void checkOpen() const;
    QVariantList toStorage(const QVariantList& values) const;
    // Every row of an executed query; a read that stops at an error (a
    // damaged file) is no complete result and fails.
    ResultSet fetch(QSqlQuery& query) const;

    SqliteRowWriter m_writer;
    QString m_path;
    QString m_role;
    QString m_dateFormat = QStringLiteral("mdy");
};

} // namespace db

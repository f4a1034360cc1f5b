#pragma once
// The embedded server: an SQLite database file that behaves, as far as the
// program can tell, like the shared SQL Server. It checks the connection's
// login against its own table `server_logins` (login, password, role):
// a "gateway" login may only execute stored procedures, a "user" login may
// read and write the tables. Stored procedures are C++ functions registered by
// name; "SET DATEFORMAT" and "DBCC USEROPTIONS" act on the connection's session.
#include "db/sql_backend.h"

#include <functional>

namespace db {

// A stored procedure of the embedded server: it gets the server's database and
// the call's arguments and returns its result.
using EmbeddedProcedure = std::function<ResultSet(QSqlDatabase& database, const QVariantList& arguments)>;
void registerEmbeddedProcedure(const QString& name, EmbeddedProcedure procedure);

class EmbeddedServer final : public SqlBackend {
public:
    EmbeddedServer();

    // "Data Source" is "file:PATH"; a relative PATH is taken from the
    // program folder.
    void open(const ConnectionParameters& parameters) override;
    ResultSet query(const QString& statement) override;
    TableInfo tableInfo(const QString& table) override;
    int write(const QString& statement, const QVariantList& values) override;
    QVariant insert(const QString& statement, const QVariantList& values) override;
    QString quoteName(const QString& name) const override;

    // "mdy" until "SET DATEFORMAT" changes it.
    QString dateFormat() const { return m_dateFormat; }

private:
    void checkLogin(const QString& login, const QString& password);
    void requireUserRole() const;
    void checkInjectedFailure(bool isWrite);
    QVariantList toStorage(const QVariantList& values) const;

    QString m_role;
    // The count of lost-connection faults when this connection opened.
    int m_lostGeneration = 0;
    QString m_dateFormat = QStringLiteral("mdy");
};

// Makes the embedded server fail on purpose, so that every error path above it
// can be tested. Each failure happens once, on every embedded connection.
namespace embedded_faults {
void failNextStatement(const QString& message);
// The next statement whose text contains `fragment` (case-insensitive).
void failStatementContaining(const QString& fragment, const QString& message);
void failNextWrite(const QString& message);
// The next open of an embedded connection.
void failNextOpen(const QString& message);
// Every open connection fails its next statement as a lost connection would.
void loseConnections();
void clear();
} // namespace embedded_faults

} // namespace db

#pragma once
// SQL Server through Qt's ODBC driver: FreeTDS on Linux, the system's
// "SQL Server" driver on Windows.
#include "db/sql_backend.h"

namespace db {

// The ODBC connection string for the OLE DB style parameters.
QString odbcConnectionString(const ConnectionParameters& parameters);

class OdbcBackend final : public SqlBackend {
public:
    OdbcBackend();

    void open(const ConnectionParameters& parameters) override;
    ResultSet query(const QString& statement) override;
    TableInfo tableInfo(const QString& table) override;
    int write(const QString& statement, const QVariantList& values) override;
    QVariant insert(const QString& statement, const QVariantList& values) override;
    QString quoteName(const QString& name) const override;
};

} // namespace db

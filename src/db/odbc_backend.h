#pragma once
// SQL Server through Qt's ODBC driver: FreeTDS on Linux, the system's
// "SQL Server" driver on Windows.
#include "db/row_writer.h"
#include "db/sql_backend.h"

namespace db {

// The ODBC connection string for the OLE DB style parameters.
QString odbcConnectionString(const ConnectionParameters& parameters);

// SQL Server's quoting of names.
class SqlServerRowWriter final : public RowWriter {
public:
    QString quoteName(const QString& name) const override;
};

class OdbcBackend final : public SqlBackend {
public:
    OdbcBackend();

    void open(const ConnectionParameters& parameters) override;
    ResultSet query(const QString& statement) override;
    TableInfo tableInfo(const QString& table) override;
    int write(const QString& statement, const QVariantList& values) override;
    QVariant insert(const QString& statement, const QVariantList& values) override;
    const RowWriter& rowWriter() const override { return m_writer; }

private:
    SqlServerRowWriter m_writer;
};

} // namespace db

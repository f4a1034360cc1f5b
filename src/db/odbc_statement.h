#pragma once
// Row writes run on an ODBC connection handle directly, each parameter bound
// in its column's SQL type. Qt's ODBC driver binds by the value alone (a text
// over 127 characters as SQL_WLONGVARCHAR, a NULL as binary) and binds again
// on every execution, which SQL Server refuses in comparisons with text
// columns and in conversions to dates.
#include "db/row_writer.h"

#include <QString>
#include <QVariant>

#include <stdexcept>

namespace db {

class OdbcDialect;

// A failed ODBC call: the driver's diagnostic records in one text (never
// empty) and the SQLSTATE of the first.
class OdbcError : public std::runtime_error {
public:
    OdbcError(const QString& message, const QString& sqlState)
        : std::runtime_error(message.toStdString())
        , m_message(message)
        , m_sqlState(sqlState)
    {
    }
    const QString& message() const { return m_message; }
    const QString& sqlState() const { return m_sqlState; }

private:
    QString m_message;
    QString m_sqlState;
};

// What a statement or batch did: the rows its first result changed (-1 when
// the driver cannot tell), and the first row of the first result that has
// columns, each value read as an integer (keys, counts; null for NULL; empty
// without such a row).
struct OdbcOutcome {
    int rows = -1;
    QVariantList firstRow;
};

// Gives a statement handle (an SQLHSTMT) the time-out after which the driver
// cancels what runs on it. ODBC 3 has no connection-wide one; a driver without
// it refuses quietly and the statement runs without a limit.
void setQueryTimeout(void* statement, int seconds);

// Whether the driver reports the connection (an SQLHDBC) as dead
// (SQL_ATTR_CONNECTION_DEAD), or cannot answer because it is not connected
// (SQLSTATE class 08); a driver without the attribute gives no answer: false.
// Asked after a failure: drivers answer from the link's state, sending nothing.
bool isConnectionDead(void* connection);

// Prepares `statement` on a statement handle of its own on `connection` (an
// SQLHDBC), binds its parameters as `dialect` sizes them, runs it with the
// time-out, and reads every result of the batch. Throws OdbcError.
OdbcOutcome runOdbcStatement(void* connection, const BoundStatement& statement, const OdbcDialect& dialect,
                             int timeoutSeconds);

} // namespace db

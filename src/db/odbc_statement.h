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
// empty), the SQLSTATE of the first and its native error (the server's error
// number; 0 where the driver gives none).
class OdbcError : public std::runtime_error {
public:
    OdbcError(const QString& message, const QString& sqlState, int nativeError = 0)
        : std::runtime_error(message.toStdString())
        , m_message(message)
        , m_sqlState(sqlState)
        , m_nativeError(nativeError)
    {
    }
    const QString& message() const { return m_message; }
    const QString& sqlState() const { return m_sqlState; }
    int nativeError() const { return m_nativeError; }

private:
    QString m_message;
    QString m_sqlState;
    int m_nativeError = 0;
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

// The value of `column` (from 1) of the row the statement handle (an SQLHSTMT)
// is on, as a value of `type`, the type Qt's driver describes the column
// with; NULL as a null value of that type. Texts are read as wide characters
// in as many pieces as they take: a driver may describe an 8-bit column's size
// in the server's characters (FreeTDS with ClientCharset=UTF-8 does), fewer
// than the bytes of its text in the client's character set, and a text read
// in pieces of that size and decoded piece by piece comes out broken or
// empty. Each column is read once, in ascending order. Throws OdbcError.
QVariant readOdbcValue(void* statement, int column, QMetaType type);

// Runs `statement` on a statement handle of its own on `connection` (an
// SQLHDBC): binds its parameters as `dialect` sizes them, executes it directly
// (not prepared: it runs once) with the time-out, and reads every result of
// the batch. Throws OdbcError.
OdbcOutcome runOdbcStatement(void* connection, const BoundStatement& statement, const OdbcDialect& dialect,
                             int timeoutSeconds);

} // namespace db

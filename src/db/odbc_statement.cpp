#include "db/odbc_statement.h"

#include "db/odbc_dialect.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <limits>
#include <vector>

namespace db {
namespace {

// The wide ODBC calls take UTF-16: unixODBC's default SQLWCHAR and Windows' WCHAR.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be a UTF-16 code unit");

std::vector<SQLWCHAR> wide(const QString& text)
{
    std::vector<SQLWCHAR> buffer(size_t(text.size()) + 1, 0);
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i)
        buffer[size_t(i)] = SQLWCHAR(units[i]);
    return buffer;
}

QString fromWide(const SQLWCHAR* text, qsizetype length)
{
    QString result(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        result[i] = QChar(char16_t(text[i]));
    return result;
}

OdbcError diagnose(SQLSMALLINT handleType, SQLHANDLE handle, const char* call)
{
    QStringList messages;
    QString sqlState;
    int nativeError = 0;
    for (SQLSMALLINT record = 1; handle; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLWCHAR> message(512);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                      SQLSMALLINT(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && size_t(length) >= message.size()) {
            message.resize(size_t(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        if (sqlState.isEmpty()) {
            sqlState = fromWide(state, 5);
            nativeError = int(native);
        }
        const QString text = fromWide(message.data(), qMin<qsizetype>(length, qsizetype(message.size()) - 1)).trimmed();
        if (!text.isEmpty())
            messages << text;
    }
    QString text = messages.join(u' ');
    if (text.isEmpty())
        text = QStringLiteral("The ODBC driver reported an error without a description (%1, SQLSTATE %2).")
                   .arg(QLatin1String(call), sqlState.isEmpty() ? QStringLiteral("unknown") : sqlState);
    return OdbcError(text, sqlState, nativeError);
}

// One bound parameter: its SQL and C types and the buffers the driver reads
// at SQLExecDirectW, which must stay where they are until then.
struct Parameter {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 0;
    SQLSMALLINT digits = 0;
    std::vector<SQLWCHAR> text;
    QByteArray bytes;
    SQLINTEGER integer = 0;
    SQLSMALLINT smallInteger = 0;
    SQLBIGINT bigInteger = 0;
    SQLDOUBLE real = 0;
    SQLCHAR bit = 0;
    SQL_DATE_STRUCT date{};
    SQL_TIMESTAMP_STRUCT timestamp{};
    SQLPOINTER buffer = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN indicator = 0;
};

enum class Binding { Text, Integer, SmallInteger, BigInteger, Real, Bit, Date, Timestamp, Binary };

Binding bindingByValue(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool: return Binding::Bit;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: return Binding::Integer;
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return Binding::BigInteger;
    case QMetaType::Double:
    case QMetaType::Float: return Binding::Real;
    case QMetaType::QDate: return Binding::Date;
    case QMetaType::QDateTime: return Binding::Timestamp;
    case QMetaType::QByteArray: return Binding::Binary;
    default: return Binding::Text;
    }
}

// The column's own type; a value of a column the server did not describe
// goes by its own type.
Binding bindingOf(const ColumnValue& parameter)
{
    switch (parameter.column.type) {
    case FieldType::Integer:
    case FieldType::AutoIncrement: return Binding::Integer;
    case FieldType::SmallInt: return Binding::SmallInteger;
    case FieldType::BigInt: return Binding::BigInteger;
    case FieldType::Float: return Binding::Real;
    case FieldType::String:
    case FieldType::WideString: return Binding::Text;
    case FieldType::Date: return Binding::Date;
    case FieldType::DateTime: return Binding::Timestamp;
    case FieldType::Unknown: break;
    }
    return bindingByValue(parameter.value);
}

void bindText(Parameter& p, const QString& text, const ColumnValue& parameter, const OdbcDialect& dialect)
{
    p.cType = SQL_C_WCHAR;
    p.sqlType = SQL_WVARCHAR;
    p.text = wide(text);
    p.columnSize = SQLULEN(dialect.textParameterSize(text.size(), parameter.column.size));
    p.buffer = p.text.data();
    p.bufferLength = SQLLEN(p.text.size() * sizeof(SQLWCHAR));
    p.indicator = SQLLEN(text.size() * qsizetype(sizeof(SQLWCHAR)));
}

// The SQL and C types of a NULL of the binding, with no data.
void bindNull(Parameter& p, Binding binding, const ColumnValue& parameter, const OdbcDialect& dialect)
{
    p.indicator = SQL_NULL_DATA;
    switch (binding) {
    case Binding::Text:
        p.cType = SQL_C_WCHAR;
        p.sqlType = SQL_WVARCHAR;
        p.columnSize = SQLULEN(dialect.textParameterSize(0, parameter.column.size));
        break;
    case Binding::Integer: p.cType = SQL_C_SLONG; p.sqlType = SQL_INTEGER; break;
    case Binding::SmallInteger: p.cType = SQL_C_SSHORT; p.sqlType = SQL_SMALLINT; break;
    case Binding::BigInteger: p.cType = SQL_C_SBIGINT; p.sqlType = SQL_BIGINT; break;
    case Binding::Real: p.cType = SQL_C_DOUBLE; p.sqlType = SQL_DOUBLE; break;
    case Binding::Bit: p.cType = SQL_C_BIT; p.sqlType = SQL_BIT; break;
    case Binding::Date: p.cType = SQL_C_TYPE_DATE; p.sqlType = SQL_TYPE_DATE; p.columnSize = 10; break;
    case Binding::Timestamp:
        p.cType = SQL_C_TYPE_TIMESTAMP;
        p.sqlType = SQL_TYPE_TIMESTAMP;
        p.columnSize = 23;
        p.digits = 3;
        break;
    case Binding::Binary: p.cType = SQL_C_BINARY; p.sqlType = SQL_VARBINARY; p.columnSize = 1; break;
    }
}

// A value that does not fit its column's binding (a text in a number column)
// goes as text, for the server to convert or refuse with its own message.
void bindValue(Parameter& p, const ColumnValue& parameter, const OdbcDialect& dialect)
{
    const QVariant& value = parameter.value;
    Binding binding = bindingOf(parameter);
    if (value.isNull()) {
        bindNull(p, binding, parameter, dialect);
        return;
    }
    bool ok = true;
    switch (binding) {
    case Binding::Integer:
    case Binding::SmallInteger:
    case Binding::BigInteger: {
        const qlonglong number = value.toLongLong(&ok);
        if (!ok)
            break;
        if (binding == Binding::SmallInteger && number >= std::numeric_limits<SQLSMALLINT>::min()
            && number <= std::numeric_limits<SQLSMALLINT>::max()) {
            p.cType = SQL_C_SSHORT;
            p.sqlType = SQL_SMALLINT;
            p.smallInteger = SQLSMALLINT(number);
            p.buffer = &p.smallInteger;
        } else if (binding != Binding::BigInteger && number >= std::numeric_limits<SQLINTEGER>::min()
                   && number <= std::numeric_limits<SQLINTEGER>::max()) {
            p.cType = SQL_C_SLONG;
            p.sqlType = SQL_INTEGER;
            p.integer = SQLINTEGER(number);
            p.buffer = &p.integer;
        } else {
            p.cType = SQL_C_SBIGINT;
            p.sqlType = SQL_BIGINT;
            p.bigInteger = number;
            p.buffer = &p.bigInteger;
        }
        return;
    }
    case Binding::Real:
        p.real = value.toDouble(&ok);
        if (!ok)
            break;
        p.cType = SQL_C_DOUBLE;
        p.sqlType = SQL_DOUBLE;
        p.columnSize = 15;
        p.buffer = &p.real;
        return;
    case Binding::Bit:
        p.cType = SQL_C_BIT;
        p.sqlType = SQL_BIT;
        p.bit = value.toBool() ? 1 : 0;
        p.buffer = &p.bit;
        return;
    case Binding::Date: {
        const QDate date = typedValue(value, FieldType::Date).toDate();
        if (!date.isValid())
            break;
        p.cType = SQL_C_TYPE_DATE;
        p.sqlType = SQL_TYPE_DATE;
        p.columnSize = 10;
        p.date = {SQLSMALLINT(date.year()), SQLUSMALLINT(date.month()), SQLUSMALLINT(date.day())};
        p.buffer = &p.date;
        return;
    }
    case Binding::Timestamp: {
        const QDateTime moment = typedValue(value, FieldType::DateTime).toDateTime();
        if (!moment.isValid())
            break;
        const QDate date = moment.date();
        const QTime time = moment.time();
        // Milliseconds, as far as SQL Server's datetime keeps them.
        p.cType = SQL_C_TYPE_TIMESTAMP;
        p.sqlType = SQL_TYPE_TIMESTAMP;
        p.columnSize = 23;
        p.digits = 3;
        p.timestamp = {SQLSMALLINT(date.year()), SQLUSMALLINT(date.month()), SQLUSMALLINT(date.day()),
                       SQLUSMALLINT(time.hour()), SQLUSMALLINT(time.minute()), SQLUSMALLINT(time.second()),
                       SQLUINTEGER(time.msec()) * 1000000u};
        p.buffer = &p.timestamp;
        return;
    }
    case Binding::Binary:
        p.bytes = value.toByteArray();
        p.cType = SQL_C_BINARY;
        p.sqlType = SQL_VARBINARY;
        p.columnSize = SQLULEN(qMax<qsizetype>(p.bytes.size(), 1));
        p.buffer = p.bytes.data();
        p.bufferLength = SQLLEN(p.bytes.size());
        p.indicator = SQLLEN(p.bytes.size());
        return;
    case Binding::Text: break;
    }
    bindText(p, value.toString(), parameter, dialect);
}

// A statement handle of its own, freed with the object.
class StatementHandle {
public:
    explicit StatementHandle(SQLHDBC connection)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &m_handle))) {
            m_handle = SQL_NULL_HSTMT;
            throw diagnose(SQL_HANDLE_DBC, connection, "SQLAllocHandle");
        }
    }
    ~StatementHandle() { SQLFreeHandle(SQL_HANDLE_STMT, m_handle); }
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;

    SQLHSTMT get() const { return m_handle; }
    // Throws the statement's diagnostics when `rc` is a failure.
    SQLRETURN check(SQLRETURN rc, const char* call) const
    {
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            throw diagnose(SQL_HANDLE_STMT, m_handle, call);
        return rc;
    }

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

// Throws the statement's diagnostics when `rc` is a failure.
SQLRETURN checked(SQLHSTMT statement, SQLRETURN rc, const char* call)
{
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        throw diagnose(SQL_HANDLE_STMT, statement, call);
    return rc;
}

// A fixed-size value of C type `cType`; false for NULL.
template <typename T>
bool readFixed(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, T& value)
{
    SQLLEN indicator = 0;
    checked(statement, SQLGetData(statement, column, cType, &value, sizeof value, &indicator), "SQLGetData");
    return indicator != SQL_NULL_DATA;
}

// A text or binary value in pieces until the driver has given all of it:
// each call fills the buffer but for a terminator (`unit` bytes; none for
// binary), and the length indicator is what was left before the call, or
// SQL_NO_TOTAL. False for NULL.
template <typename Unit>
bool readPieces(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, std::vector<Unit>& value)
{
    const SQLLEN terminator = cType == SQL_C_BINARY ? 0 : SQLLEN(sizeof(Unit));
    std::vector<Unit> piece(2048);
    const SQLLEN pieceBytes = SQLLEN(piece.size() * sizeof(Unit));
    value.clear();
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = checked(statement, SQLGetData(statement, column, cType, piece.data(), pieceBytes, &indicator),
                                     "SQLGetData");
        if (rc == SQL_NO_DATA)
            return !first;
        if (indicator == SQL_NULL_DATA)
            return false;
        const bool whole = indicator != SQL_NO_TOTAL && indicator <= pieceBytes - terminator;
        const SQLLEN bytes = whole ? indicator : pieceBytes - terminator;
        value.insert(value.end(), piece.begin(), piece.begin() + bytes / SQLLEN(sizeof(Unit)));
        if (whole)
            return true;
    }
}

QVariantList firstRowOf(const StatementHandle& statement, SQLSMALLINT columns)
{
    QVariantList row;
    if (statement.check(SQLFetch(statement.get()), "SQLFetch") == SQL_NO_DATA)
        return row;
    for (SQLUSMALLINT column = 1; column <= SQLUSMALLINT(columns); ++column) {
        SQLBIGINT number = 0;
        SQLLEN indicator = 0;
        statement.check(SQLGetData(statement.get(), column, SQL_C_SBIGINT, &number, 0, &indicator), "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            row << QVariant();
        else if (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
            row << int(number);
        else
            row << qlonglong(number);
    }
    return row;
}

} // namespace

QVariant readOdbcValue(void* handle, int columnNumber, QMetaType type)
{
    const auto statement = static_cast<SQLHSTMT>(handle);
    const auto column = SQLUSMALLINT(columnNumber);
    const QVariant null(type);
    switch (type.id()) {
    case QMetaType::Bool: {
        SQLCHAR bit = 0;
        return readFixed(statement, column, SQL_C_BIT, bit) ? QVariant(bit != 0) : null;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong: {
        SQLBIGINT number = 0;
        if (!readFixed(statement, column, SQL_C_SBIGINT, number))
            return null;
        QVariant value = qlonglong(number);
        value.convert(type);
        return value;
    }
    case QMetaType::ULongLong: {
        SQLUBIGINT number = 0;
        return readFixed(statement, column, SQL_C_UBIGINT, number) ? QVariant(qulonglong(number)) : null;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        SQLDOUBLE number = 0;
        return readFixed(statement, column, SQL_C_DOUBLE, number) ? QVariant(double(number)) : null;
    }
    case QMetaType::QDate: {
        SQL_DATE_STRUCT date{};
        return readFixed(statement, column, SQL_C_TYPE_DATE, date) ? QVariant(QDate(date.year, date.month, date.day))
                                                                  : null;
    }
    case QMetaType::QTime: {
        SQL_TIME_STRUCT time{};
        return readFixed(statement, column, SQL_C_TYPE_TIME, time)
            ? QVariant(QTime(time.hour, time.minute, time.second))
            : null;
    }
    case QMetaType::QDateTime: {
        SQL_TIMESTAMP_STRUCT stamp{};
        if (!readFixed(statement, column, SQL_C_TYPE_TIMESTAMP, stamp))
            return null;
        return QDateTime(QDate(stamp.year, stamp.month, stamp.day),
                         QTime(stamp.hour, stamp.minute, stamp.second, int(stamp.fraction / 1000000u)));
    }
    case QMetaType::QByteArray: {
        std::vector<char> bytes;
        if (!readPieces(statement, column, SQL_C_BINARY, bytes))
            return null;
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    }
    default: {
        std::vector<SQLWCHAR> text;
        if (!readPieces(statement, column, SQL_C_WCHAR, text))
            return QVariant(QMetaType::fromType<QString>());
        QString value = fromWide(text.data(), qsizetype(text.size()));
        if (value.isNull())
            value = QStringLiteral(""); // empty, not NULL
        return value;
    }
    }
}

void setQueryTimeout(void* statement, int seconds)
{
    SQLSetStmtAttr(static_cast<SQLHSTMT>(statement), SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), SQL_IS_UINTEGER);
}

bool isConnectionDead(void* connection)
{
    SQLUINTEGER dead = SQLUINTEGER(SQL_CD_FALSE);
    const SQLRETURN rc = SQLGetConnectAttr(static_cast<SQLHDBC>(connection), SQL_ATTR_CONNECTION_DEAD, &dead,
                                           SQL_IS_UINTEGER, nullptr);
    if (SQL_SUCCEEDED(rc))
        return dead == SQLUINTEGER(SQL_CD_TRUE);
    // A driver without the attribute is no answer; "not connected" is.
    return diagnose(SQL_HANDLE_DBC, connection, "SQLGetConnectAttr").sqlState().startsWith(QLatin1String("08"));
}

OdbcOutcome runOdbcStatement(void* connection, const BoundStatement& bound, const OdbcDialect& dialect,
                             int timeoutSeconds)
{
    const StatementHandle statement(static_cast<SQLHDBC>(connection));
    setQueryTimeout(statement.get(), timeoutSeconds);

    std::vector<SQLWCHAR> text = wide(bound.text);
    std::vector<Parameter> parameters(size_t(bound.parameters.size()));
    for (size_t i = 0; i < parameters.size(); ++i) {
        Parameter& p = parameters[i];
        bindValue(p, bound.parameters[qsizetype(i)], dialect);
        statement.check(SQLBindParameter(statement.get(), SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, p.cType, p.sqlType,
                                         p.columnSize, p.digits, p.buffer, p.bufferLength, &p.indicator),
                        "SQLBindParameter");
    }

    // An UPDATE or DELETE that changes no row ends with SQL_NO_DATA; the
    // batch's further results may still follow.
    OdbcOutcome outcome;
    bool firstCount = true;
    bool rowRead = false;
    // Executed directly, not prepared: the statement runs once, and a
    // prepared one costs FreeTDS a further round trip to release it.
    SQLRETURN rc = statement.check(SQLExecDirectW(statement.get(), text.data(), SQL_NTS), "SQLExecDirectW");
    for (;;) {
        SQLSMALLINT columns = 0;
        if (rc != SQL_NO_DATA)
            statement.check(SQLNumResultCols(statement.get(), &columns), "SQLNumResultCols");
        if (columns > 0) {
            if (!rowRead) {
                outcome.firstRow = firstRowOf(statement, columns);
                rowRead = true;
            }
        } else if (firstCount) {
            SQLLEN rows = 0;
            if (rc != SQL_NO_DATA)
                statement.check(SQLRowCount(statement.get(), &rows), "SQLRowCount");
            outcome.rows = rows < 0 || rows > std::numeric_limits<int>::max() ? -1 : int(rows);
            firstCount = false;
        }
        rc = statement.check(SQLMoreResults(statement.get()), "SQLMoreResults");
        if (rc == SQL_NO_DATA)
            break;
    }
    return outcome;
}

} // namespace db

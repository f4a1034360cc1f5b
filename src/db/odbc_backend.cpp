#include "db/odbc_backend.h"

#include "db/errors.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

namespace db {
namespace {

// Seconds a login may take before it fails; FreeTDS has no limit of its own.
constexpr int kLoginTimeoutSeconds = 15;

// ODBC values in braces may hold ';' and '='; a '}' is doubled.
QString braced(const QString& value)
{
    return u'{' + QString(value).replace(u'}', QLatin1String("}}")) + u'}';
}

FieldType typeOf(const QSqlField& field)
{
    if (field.isAutoValue())
        return FieldType::AutoIncrement;
    switch (field.metaType().id()) {
    case QMetaType::Short:
    case QMetaType::UShort: return FieldType::SmallInt;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong: return FieldType::Integer;
    case QMetaType::Double: return FieldType::Float;
    case QMetaType::QString: return FieldType::String;
    case QMetaType::QDate: return FieldType::Date;
    case QMetaType::QDateTime: return FieldType::DateTime;
    default: return FieldType::Unknown;
    }
}

QVector<ColumnInfo> columnsOf(const QSqlRecord& record)
{
    QVector<ColumnInfo> columns;
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        columns.append({field.name(), typeOf(field), field.length() > 0 ? int(field.length()) : 0});
    }
    return columns;
}

} // namespace

QString odbcConnectionString(const ConnectionParameters& parameters)
{
#ifdef _WIN32
    const QString driver = QStringLiteral("SQL Server");
    const QString extra;
#else
    const QString driver = QStringLiteral("FreeTDS");
    // Qt reads the driver's texts as UTF-8; FreeTDS converts the server's
    // Windows-1251 texts to it.
    const QString extra = QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;");
#endif
    // "host,port" is SQL Server's way to name a port.
    QString server = parameters.value(QStringLiteral("data source"));
    QString port;
    if (const qsizetype comma = server.indexOf(u','); comma > 0) {
        port = QStringLiteral("PORT=%1;").arg(server.mid(comma + 1).trimmed());
        server.truncate(comma);
    }
    return QStringLiteral("DRIVER={%1};SERVER=%2;%3DATABASE=%4;UID=%5;PWD=%6;%7")
        .arg(driver, server, port,
             braced(parameters.value(QStringLiteral("initial catalog"))),
             braced(parameters.value(QStringLiteral("user id"))),
             braced(parameters.value(QStringLiteral("password"))), extra);
}

OdbcBackend::OdbcBackend()
    : SqlBackend(QStringLiteral("qel-odbc"))
{
}

void OdbcBackend::open(const ConnectionParameters& parameters)
{
    addDatabase(QStringLiteral("QODBC")).setDatabaseName(odbcConnectionString(parameters));
    m_database.setConnectOptions(QStringLiteral("SQL_ATTR_ODBC_VERSION=SQL_OV_ODBC3;SQL_ATTR_LOGIN_TIMEOUT=%1")
                                     .arg(kLoginTimeoutSeconds));
    if (!m_database.open()) {
        const QString message = errorText(m_database.lastError());
        close();
        throw DatabaseError(message);
    }
}

ResultSet OdbcBackend::query(const QString& statement)
{
    // Forward-only, every row read before the next statement: otherwise the
    // driver reports the connection as busy.
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.exec(statement))
        throw DatabaseError(errorText(query.lastError()));
    ResultSet result;
    if (!query.isSelect())
        return result;
    result.columns = columnsOf(query.record());
    result.rows = fetchRows(query, int(result.columns.size()));
    return result;
}

TableInfo OdbcBackend::tableInfo(const QString& table)
{
    TableInfo info;
    info.name = table;
    const QSqlRecord record = m_database.record(table);
    if (record.isEmpty())
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(table));
    info.columns = columnsOf(record);
    const QSqlIndex key = m_database.primaryIndex(table);
    for (int i = 0; i < key.count(); ++i)
        info.keyColumns << key.fieldName(i);
    for (const ColumnInfo& column : info.columns)
        if (column.type == FieldType::AutoIncrement)
            info.identityColumn = column.name;
    return info;
}

int OdbcBackend::write(const QString& statement, const QVariantList& values)
{
    return execBound(statement, values).numRowsAffected();
}

QVariant OdbcBackend::insert(const QString& statement, const QVariantList& values)
{
    // The identity is read in the same batch: a separate @@IDENTITY would see
    // keys made by triggers.
    QSqlQuery query = execBound(
        QStringLiteral("SET NOCOUNT ON; %1; SELECT CAST(SCOPE_IDENTITY() AS int)").arg(statement), values);
    QVariant identity;
    if (query.next())
        identity = query.value(0);
    while (query.next()) {
    }
    return identity;
}

QString SqlServerRowWriter::quoteName(const QString& name) const
{
    return u'[' + QString(name).replace(u']', QLatin1String("]]")) + u']';
}

} // namespace db

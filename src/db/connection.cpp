#include "db/connection.h"

#include "db/embedded_server.h"
#include "db/errors.h"
#include "db/odbc_backend.h"

namespace db {

ConnectionParameters parseConnectionString(const QString& text)
{
    ConnectionParameters parameters;
    const QStringList parts = text.split(u';', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const qsizetype equals = part.indexOf(u'=');
        if (equals <= 0)
            throw DatabaseError(QStringLiteral(
                "The connection string is malformed: every part must be a key=value pair."));
        parameters.insert(part.left(equals).trimmed().toLower(), part.mid(equals + 1));
    }
    return parameters;
}

Connection::Connection(QObject* parent)
    : QObject(parent)
{
}

Connection::~Connection()
{
    close();
}

void Connection::open()
{
    if (m_backend)
        return;
    const ConnectionParameters parameters = parseConnectionString(m_connectionString);
    std::unique_ptr<Backend> backend;
    if (m_backendFactory)
        backend = m_backendFactory(parameters);
    else if (parameters.value(QStringLiteral("data source")).startsWith(QLatin1String("file:")))
        backend = std::make_unique<EmbeddedServer>();
    else
        backend = std::make_unique<OdbcBackend>();
    backend->open(parameters);
    m_backend = std::move(backend);
    emit opened();
}

void Connection::close()
{
    if (!m_backend)
        return;
    m_backend->close();
    m_backend.reset();
    m_tables.clear();
    emit closed();
}

Backend& Connection::openBackend()
{
    if (!m_backend)
        open();
    return *m_backend;
}

ResultSet Connection::query(const QString& statement)
{
    Backend& backend = openBackend();
    emit statementSent(statement);
    return backend.query(statement);
}

void Connection::execute(const QString& statement)
{
    query(statement);
}

int Connection::write(const QString& statement, const QVariantList& values)
{
    Backend& backend = openBackend();
    emit statementSent(statement);
    return backend.write(statement, values);
}

QVariant Connection::insert(const QString& statement, const QVariantList& values)
{
    Backend& backend = openBackend();
    emit statementSent(statement);
    return backend.insert(statement, values);
}

const TableInfo& Connection::tableInfo(const QString& table)
{
    const QString key = table.toLower();
    auto found = m_tables.constFind(key);
    if (found == m_tables.constEnd())
        found = m_tables.insert(key, openBackend().tableInfo(table));
    return *found;
}

Backend& Connection::backend()
{
    return openBackend();
}

bool TableInfo::hasColumn(const QString& name) const
{
    return column(name) != nullptr;
}

const ColumnInfo* TableInfo::column(const QString& name) const
{
    for (const ColumnInfo& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

} // namespace db

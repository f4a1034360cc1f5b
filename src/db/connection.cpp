#include "db/connection.h"
#include "db/connection_p.h"

#include "db/embedded_server.h"
#include "db/errors.h"
#include "db/odbc_backend.h"
#include "db/row_writer.h"

#include <utility>

namespace db {

namespace {

DatabaseError malformedConnectionString()
{
    return DatabaseError(QStringLiteral("The connection string is malformed: every part must be a key=value pair."));
}

// A value in quotes, from the opening quote at `at`: the enclosing quote
// doubled inside stands for itself. Moves `at` past the closing quote.
QString quotedValue(const QString& text, qsizetype& at)
{
    const QChar quote = text.at(at++);
    QString value;
    for (;;) {
        const qsizetype close = text.indexOf(quote, at);
        if (close < 0)
            throw malformedConnectionString();
        value += QStringView(text).mid(at, close - at);
        at = close + 1;
        if (at < text.size() && text.at(at) == quote) {
            value += quote;
            ++at;
        } else {
            return value;
        }
    }
}

} // namespace

ConnectionParameters parseConnectionString(const QString& text)
{
    ConnectionParameters parameters;
    qsizetype at = 0;
    while (at < text.size()) {
        if (text.at(at) == u';') {
            ++at;
            continue;
        }
        const qsizetype equals = text.indexOf(u'=', at);
        const qsizetype semicolon = text.indexOf(u';', at);
        if (equals <= at || (semicolon >= 0 && semicolon < equals))
            throw malformedConnectionString();
        const QString key = text.mid(at, equals - at).trimmed().toLower();
        at = equals + 1;
        qsizetype start = at;
        while (start < text.size() && text.at(start).isSpace())
            ++start;
        if (start < text.size() && (text.at(start) == u'"' || text.at(start) == u'\'')) {
            at = start;
            parameters.insert(key, quotedValue(text, at));
            while (at < text.size() && text.at(at).isSpace())
                ++at;
            if (at < text.size() && text.at(at) != u';')
                throw malformedConnectionString();
        } else {
            const qsizetype end = semicolon < 0 ? text.size() : semicolon;
            parameters.insert(key, text.mid(at, end - at));
            at = end;
        }
    }
    return parameters;
}

namespace {

BackendWrapper& backendWrapper()
{
    static BackendWrapper wrapper;
    return wrapper;
}

} // namespace

void setBackendWrapper(BackendWrapper wrapper)
{
    backendWrapper() = std::move(wrapper);
}

Connection::Connection(QObject* parent)
    : QObject(parent)
{
}

Connection::~Connection()
{
    close();
}

std::unique_ptr<Backend> Connection::openedBackend() const
{
    const ConnectionParameters parameters = parseConnectionString(m_connectionString);
    std::unique_ptr<Backend> backend;
    if (m_backendFactory)
        backend = m_backendFactory(parameters);
    else if (parameters.value(QStringLiteral("data source")).startsWith(QLatin1String("file:")))
        backend = std::make_unique<EmbeddedServer>();
    else
        backend = std::make_unique<OdbcBackend>();
    if (backendWrapper())
        backend = backendWrapper()(std::move(backend));
    backend->open(parameters);
    return backend;
}

void Connection::open()
{
    if (m_backend)
        return;
    m_backend = openedBackend();
    m_lostReason.reset();
    emit opened();
}

void Connection::reopen()
{
    std::unique_ptr<Backend> fresh = openedBackend();
    if (m_backend) {
        try {
            m_backend->close();
        } catch (const DatabaseError&) {
            // A session that is gone cannot be ended politely.
        }
    }
    m_backend = std::move(fresh);
    m_tables.clear();
    m_inTransaction = false;
    m_lostReason.reset();
    emit opened();
}

void Connection::close()
{
    if (!m_backend && !isLost())
        return;
    if (m_backend)
        m_backend->close();
    m_backend.reset();
    m_tables.clear();
    m_inTransaction = false;
    m_lostReason.reset();
    emit closed();
}

Backend& Connection::openBackend()
{
    if (isLost())
        failLost();
    if (!m_backend)
        open();
    return *m_backend;
}

void Connection::failLost() const
{
    throw DatabaseError(QStringLiteral("The connection to the server was closed: after a failed write it could not be "
                                       "brought back to a known state (%1). Nothing of that write was kept.")
                            .arg(m_lostReason.value_or(QString())),
                        DatabaseError::Kind::ConnectionLost);
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

ResultSet Connection::read(const BoundStatement& statement)
{
    Backend& backend = openBackend();
    emit statementSent(statement.text);
    return backend.read(statement);
}

int Connection::write(const BoundStatement& statement)
{
    Backend& backend = openBackend();
    emit statementSent(statement.text);
    return backend.write(statement);
}

InsertResult Connection::insert(const BoundStatement& statement)
{
    Backend& backend = openBackend();
    emit statementSent(statement.text);
    return backend.insert(statement);
}

QVariant Connection::insertRow(const QString& table, const QVector<ColumnValue>& values)
{
    const BoundStatement statement = openBackend().rowWriter().insertRow(table, values);
    QVariant identity;
    writeOneRow(
        [&] {
            InsertResult result = insert(statement);
            identity = std::move(result.identity);
            return result.rows;
        },
        RowWrite::Insert);
    return identity;
}

void Connection::updateRow(const QString& table, const QVector<ColumnValue>& assignments,
                           const QVector<ColumnValue>& match)
{
    const BoundStatement statement = openBackend().rowWriter().updateRow(table, assignments, match);
    writeOneRow([&] { return write(statement); }, RowWrite::Update);
}

void Connection::deleteRow(const QString& table, const QVector<ColumnValue>& match)
{
    const BoundStatement statement = openBackend().rowWriter().deleteRow(table, match);
    writeOneRow([&] { return write(statement); }, RowWrite::Delete);
}

QString Connection::actionName(RowWrite kind)
{
    switch (kind) {
    case RowWrite::Insert: return QStringLiteral("inserting");
    case RowWrite::Update: return QStringLiteral("updating");
    case RowWrite::Delete: break;
    }
    return QStringLiteral("deleting");
}

void Connection::writeOneRow(const std::function<int()>& write, RowWrite kind)
{
    // Inside a caller's transaction a refusal undoes the whole of it; alone,
    // the write has a transaction of its own to undo it by.
    if (m_inTransaction)
        checkOneRow(write(), kind);
    else
        transact([&] { checkOneRow(write(), kind); });
}

void Connection::checkOneRow(int rows, RowWrite kind)
{
    if (rows == 1)
        return;
    const QString action = actionName(kind);
    if (rows == 0 && kind != RowWrite::Insert)
        throw DatabaseError(QStringLiteral("Row cannot be located for %1. Some values may have been changed since "
                                           "it was last read.").arg(action),
                            DatabaseError::Kind::RowChanged);
    const QString count = rows < 0 ? QStringLiteral("an unknown number of") : QString::number(rows);
    throw DatabaseError(QStringLiteral("The row was not written: %1 would have changed %2 rows instead of one, so "
                                       "nothing was changed.").arg(action, count),
                        rows == 0 ? DatabaseError::Kind::Server : DatabaseError::Kind::NotUnique);
}

void Connection::transact(const std::function<void()>& work)
{
    Transaction transaction(*this);
    try {
        work();
    } catch (const DatabaseError& failure) {
        transaction.undoAfter(failure);
    }
    transaction.commit();
}

// A server may end a transaction on its own (SQLite on a full disk, SQL Server
// for a deadlock victim or a severe error); the driver's rollback then fails
// and may leave the session in manual-commit mode, where the next writes would
// stay uncommitted or be committed by a later, unrelated commit.
void Connection::endTransaction()
{
    m_inTransaction = false;
    if (!m_backend)
        return;
    try {
        m_backend->rollbackTransaction();
    } catch (const DatabaseError& error) {
        m_backend->close();
        m_backend.reset();
        m_tables.clear();
        m_lostReason = error.message();
        failLost();
    }
}

Connection::Transaction::Transaction(Connection& connection)
    : m_connection(connection)
{
    if (connection.m_inTransaction)
        throw DatabaseError(QStringLiteral("A transaction is already in progress on this connection."),
                            DatabaseError::Kind::Usage);
    connection.openBackend().beginTransaction();
    connection.m_inTransaction = true;
}

Connection::Transaction::~Transaction()
{
    try {
        rollback();
    } catch (const DatabaseError&) {
        // The failure that unwinds here is the one to report; the connection
        // is lost and says so at its next statement.
    }
}

void Connection::Transaction::rollback()
{
    if (std::exchange(m_done, true) || !m_connection.m_inTransaction)
        return;
    m_connection.endTransaction();
}

void Connection::Transaction::commit()
{
    if (m_done)
        return;
    if (!m_connection.m_inTransaction || !m_connection.m_backend)
        throw DatabaseError(QStringLiteral("The transaction ended before it was committed."),
                            DatabaseError::Kind::ConnectionLost);
    try {
        m_connection.m_backend->commitTransaction();
    } catch (const DatabaseError& failure) {
        undoAfter(failure);
    }
    m_connection.m_inTransaction = false;
    m_done = true;
}

void Connection::Transaction::undoAfter(const DatabaseError& failure)
{
    try {
        rollback();
    } catch (const DatabaseError& loss) {
        throw DatabaseError(failure.message() + u'\n' + loss.message(), DatabaseError::Kind::ConnectionLost);
    }
    throw failure;
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

const ColumnInfo* TableInfo::column(const QString& name) const
{
    // Names are nearly always written as the table declares them.
    for (const ColumnInfo& c : columns)
        if (c.name == name)
            return &c;
    for (const ColumnInfo& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

} // namespace db

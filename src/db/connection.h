#pragma once
// One connection to the database server, addressed by a connection string of
// `key=value;` pairs. "Data Source" chooses the backend: "file:PATH" is the
// embedded server on an SQLite file, anything else a SQL Server over ODBC.
#include "db/backend.h"
#include "db/row_writer.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace db {

// The pairs of a connection string, keys in lower case. A value runs to the
// next semicolon as it stands, or is quoted as OLE DB allows: in double or
// single quotes, the enclosing quote doubled inside, so that it may hold
// semicolons. Throws DatabaseError when a part is not a `key=value` pair (an
// unquoted value holding a semicolon breaks the string this way) or a quote
// is not closed.
ConnectionParameters parseConnectionString(const QString& text);

class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    void setConnectionString(const QString& text) { m_connectionString = text; }

    // Makes the backend for the parameters of the connection string. Without
    // one, "Data Source" chooses as above; a test or a tool may name another
    // (an ODBC data source other than SQL Server, a shorter time-out).
    using BackendFactory = std::function<std::unique_ptr<Backend>(const ConnectionParameters&)>;
    void setBackendFactory(BackendFactory factory) { m_backendFactory = std::move(factory); }
    const QString& connectionString() const { return m_connectionString; }

    // Throws DatabaseError with the server's or driver's message.
    void open();
    // Closing a closed connection does nothing.
    void close();
    // Connects afresh with the connection string, as after a broken link:
    // a new session on the server (its settings, such as the date format,
    // start anew), while every dataset keeps its rows and its pending record
    // (no closed()). The old session is let go of quietly. When the new one
    // cannot be opened it throws and the connection stays as it was.
    void reopen();
    bool isOpen() const { return m_backend != nullptr; }

    // Runs a statement and fetches its rows. A closed connection first tries
    // once to open with its connection string.
    ResultSet query(const QString& statement);
    // Runs a statement that returns no rows.
    void execute(const QString& statement);

    // What the server reports of a table; remembered while the connection
    // stays open.
    const TableInfo& tableInfo(const QString& table);

    // Writes with bound parameters ('?' placeholders), traced like every
    // statement: the rows affected (-1: unknown), or what an INSERT did.
    int write(const BoundStatement& statement);
    InsertResult insert(const BoundStatement& statement);

    // Row writes in the backend's dialect. Each changes exactly one row or
    // nothing: when an update's or delete's match finds no row it fails as
    // RowChanged; a write that would change several rows, none (an insert), or
    // an unknown number is undone and fails. insertRow returns the key the
    // server assigned (null without one).
    QVariant insertRow(const QString& table, const QVector<ColumnValue>& values);
    void updateRow(const QString& table, const QVector<ColumnValue>& assignments, const QVector<ColumnValue>& match);
    void deleteRow(const QString& table, const QVector<ColumnValue>& match);

    // All or nothing: begun on construction, rolled back on destruction unless
    // committed. One at a time on a connection; a second fails as Usage.
    class Transaction {
    public:
        explicit Transaction(Connection& connection);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        Connection& m_connection;
        bool m_done = false;
    };
    bool inTransaction() const { return m_inTransaction; }

    // The backend itself, opened first if need be.
    Backend& backend();

signals:
    void opened();
    void closed();
    // Every statement sent through query() or execute(), as sent: a trace for
    // whoever watches the exchange with the server.
    void statementSent(const QString& statement);

private:
    enum class RowWrite { Insert, Update, Delete };
    // A backend for the connection string, opened.
    std::unique_ptr<Backend> openedBackend() const;
    Backend& openBackend();
    // The write in the messages: "inserting", "updating", "deleting".
    static QString actionName(RowWrite kind);
    // Runs `write` (which returns the rows it changed) under the rule above.
    void writeOneRow(const std::function<int()>& write, RowWrite kind);

    QString m_connectionString;
    BackendFactory m_backendFactory;
    std::unique_ptr<Backend> m_backend;
    QHash<QString, TableInfo> m_tables;
    bool m_inTransaction = false;
};

} // namespace db

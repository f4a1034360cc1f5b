#pragma once
#include <QObject>
#include <QPointer>
#include <QString>

#include <stdexcept>

namespace db {

// What the server says of a connection that broke under a statement (the
// Windows "SQL Server" driver's words), where the driver itself says nothing.
inline constexpr char kLostConnectionMessage[] =
    "[DBNETLIB][ConnectionWrite (send()).]General network error. Check your network documentation.";

// Every failure of the data-access layer: the server's or driver's message, or
// the layer's own refusal. what() is the message in UTF-8; kind() tells callers
// what went wrong without reading the text.
class DatabaseError : public std::runtime_error {
public:
    enum class Kind {
        Server,         // the server or driver refused the statement
        ConnectionLost, // the connection broke; the statement did not run
        RefusedByField, // a field refused a value it cannot hold
        RowChanged,     // a row write found no row with the values last read
        NotUnique,      // a row write would have changed more than one row; undone
        ForeignKey,     // a foreign key refused the write: the row is referred to
                        // by rows of another table, or refers to a row that is not there
        Closed,         // an operation that needs an open dataset or connection
        ReadOnly,       // a change of something that cannot be modified
        Usage,          // the layer used in a way it does not support
    };

    explicit DatabaseError(const QString& message, Kind kind = Kind::Server)
        : std::runtime_error(message.toStdString())
        , m_message(message)
        , m_kind(kind)
    {
    }
    const QString& message() const { return m_message; }
    Kind kind() const { return m_kind; }

    // The dataset whose record the failure kept from being posted, where one
    // did: whoever shows the failure may offer to act on that record.
    QObject* dataset() const { return m_dataset; }
    void setDataset(QObject* dataset) { m_dataset = dataset; }

private:
    QString m_message;
    Kind m_kind;
    QPointer<QObject> m_dataset;
};

} // namespace db

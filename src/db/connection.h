#pragma once
#include <QObject>
#include <QString>

namespace db {

// One connection to the database server, addressed by a connection string of
// `key=value;` pairs. Closing a closed connection does nothing.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    void setConnectionString(const QString& text) { m_connectionString = text; }
    const QString& connectionString() const { return m_connectionString; }

    bool isOpen() const { return m_open; }
    void close();

signals:
    void closed();

private:
    QString m_connectionString;
    bool m_open = false;
};

} // namespace db

#pragma once
// A database file opened straight through Qt SQL, outside the layer under
// test: for setting up rows and checking what reached the file.
#include <QString>
#include <QVariant>

class DirectSql {
public:
    DirectSql() = default;
    ~DirectSql();
    DirectSql(const DirectSql&) = delete;
    DirectSql& operator=(const DirectSql&) = delete;

    // Opens `path` on a connection of its own (closing one opened before).
    void open(const QString& path);
    // Fails the running test when the statement fails.
    void sql(const QString& statement) const;
    // The first column of the first row; null when there is none.
    QVariant scalar(const QString& statement) const;

private:
    void close();

    QString m_connection;
};

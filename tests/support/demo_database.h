#pragma once
// A fresh copy of the embedded demo database for each test: built once per
// test executable with the project's builder, then copied.
#include "direct_sql.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

class DemoDatabase {
public:
    DemoDatabase();
    ~DemoDatabase();

    QString path() const { return m_path; }
    QString folder() const { return m_folder.path(); }
    // A connection string in the form the sign-in builds, on this copy.
    QString connectionString(const QString& login = QStringLiteral("qel_demo"),
                             const QString& password = QStringLiteral("Dm7419kq")) const;
    // The "Data Source" value for this copy.
    QString dataSource() const { return QStringLiteral("file:") + m_path; }

    // Makes the folder a program folder: Data/QEL holds the gateway login and
    // the server, by default "file:Data/demo.db" (this copy), and the
    // program's folder is this one until the copy goes.
    void becomeProgramFolder(const std::string& gatewayPassword = "gate2026",
                             const std::string& dataSource = "file:Data/demo.db") const;

    // Statements straight on the file, outside the program's connection.
    void sql(const QString& statement) const { m_direct.sql(statement); }
    QVariant scalar(const QString& statement) const { return m_direct.scalar(statement); }

private:
    QTemporaryDir m_folder;
    QString m_path;
    DirectSql m_direct;
};

#include "tds_server.h"

#include "db/errors.h"
#include "embedded_faults.h"
#include "odbc_test_driver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace tds_server {
namespace {

QString variable(const char* name)
{
    return qEnvironmentVariable(name);
}

// SQL Server's dialect, but the driver named by its file.
class FreeTdsDialect final : public db::OdbcDialect {
public:
    QString serverName() const override { return m_dialect->serverName(); }
    bool isSqlServer() const override { return true; }
    QString connectionString(const db::ConnectionParameters& parameters, int) const override
    {
        return tds_server::connectionString(parameters);
    }
    QString tableColumnsStatement() const override { return m_dialect->tableColumnsStatement(); }
    QString foreignKeysStatement() const override { return m_dialect->foreignKeysStatement(); }
    QString insertBatch(const QString& insert) const override { return m_dialect->insertBatch(insert); }
    QString identityStatement() const override { return m_dialect->identityStatement(); }
    QString writeBatch(const QString& write) const override { return m_dialect->writeBatch(write); }
    QString rowCountStatement() const override { return m_dialect->rowCountStatement(); }
    QString resyncTransactionStatement() const override { return m_dialect->resyncTransactionStatement(); }
    bool mustRunDirectly(const QString& statement) const override { return m_dialect->mustRunDirectly(statement); }
    const db::RowWriter& rowWriter() const override { return m_dialect->rowWriter(); }
    bool isTimeout(const QSqlError& error) const override { return m_dialect->isTimeout(error); }
    bool isForeignKeyViolation(const QSqlError& error) const override
    {
        return m_dialect->isForeignKeyViolation(error);
    }
    qint64 textParameterSize(qsizetype length, int declaredSize) const override
    {
        return m_dialect->textParameterSize(length, declaredSize);
    }
    QString permissionStatement(bool onColumn) const override { return m_dialect->permissionStatement(onColumn); }

private:
    std::unique_ptr<db::OdbcDialect> m_dialect = db::sqlServerDialect();
};

// This engine keeps its databases in one shared catalog: two tests that
// create or drop a database at the same moment may see "tuple concurrently
// updated", where SQL Server would run both. The harness tries again.
void executeOnMaster(const QString& statement)
{
    constexpr int attempts = 5;
    for (int attempt = 1;; ++attempt) {
        try {
            connect(adminLogin(), adminPassword(), QStringLiteral("master"))->execute(statement);
            return;
        } catch (const db::DatabaseError& error) {
            if (attempt == attempts || !error.message().contains(QLatin1String("concurrently updated")))
                throw;
            QThread::msleep(200 * attempt);
        }
    }
}

} // namespace

bool available()
{
    return !variable("QEL_TDS_PORT").isEmpty();
}

const char* skipReason()
{
    return "no T-SQL server: scripts/test.sh starts one for its SQL Server stage (QEL_TDS_PORT is not set)";
}

QString dataSource()
{
    return variable("QEL_TDS_HOST") + u',' + variable("QEL_TDS_PORT");
}

QString adminLogin()
{
    return variable("QEL_TDS_ADMIN_LOGIN");
}

QString adminPassword()
{
    return variable("QEL_TDS_ADMIN_PASSWORD");
}

int postgresPort()
{
    return variable("QEL_TDS_PG_PORT").toInt();
}

QString postgresSocket()
{
    return variable("QEL_TDS_PG_SOCKET");
}

void postgres(const QString& statement)
{
    const QStringList arguments{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), variable("QEL_TDS_HOST"),
                                QStringLiteral("-p"), variable("QEL_TDS_PG_PORT"), QStringLiteral("-U"),
                                QStringLiteral("postgres"), QStringLiteral("-d"), QStringLiteral("babelfish_db"),
                                QStringLiteral("-c"), statement};
#ifdef _WIN32
    // Under Wine the Linux client starts as a Unix program: detached, with no
    // handle to wait on, and named by a Windows path by which it cannot find
    // its own files. A shell starts it by its Unix name and leaves its output
    // and exit code in files the test waits for.
    QTemporaryDir folder;
    const QString status = folder.filePath(QStringLiteral("status"));
    const QString output = folder.filePath(QStringLiteral("output"));
    const QString script = QStringLiteral(
        "status=$1; output=$2; LD_LIBRARY_PATH=$3; export LD_LIBRARY_PATH; shift 3; "
        "\"$@\" >\"$output\" 2>&1; echo $? >\"$status.part\"; mv \"$status.part\" \"$status\"");
    const bool started = QProcess::startDetached(
        QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"), script, QStringLiteral("sh"), odbc_test_driver::driverSideName(status),
                    odbc_test_driver::driverSideName(output), variable("QEL_TDS_PG_LIBRARIES"),
                    variable("QEL_TDS_PSQL")}
            + arguments);
    QDeadlineTimer deadline(30000);
    while (started && !QFile::exists(status) && !deadline.hasExpired())
        QThread::msleep(50);
    QFile statusFile(status);
    QFile outputFile(output);
    const bool passed = statusFile.open(QIODevice::ReadOnly) && statusFile.readAll().trimmed() == "0";
    outputFile.open(QIODevice::ReadOnly);
    EXPECT_TRUE(passed) << statement.toStdString() << ": " << outputFile.readAll().toStdString();
#else
    QProcess psql;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), variable("QEL_TDS_PG_LIBRARIES"));
    psql.setProcessEnvironment(environment);
    psql.start(variable("QEL_TDS_PSQL"), arguments);
    const bool finished = psql.waitForFinished(30000);
    EXPECT_TRUE(finished && psql.exitStatus() == QProcess::NormalExit && psql.exitCode() == 0)
        << statement.toStdString() << ": " << psql.readAllStandardError().toStdString();
#endif
}

QString connectionString(const db::ConnectionParameters& parameters)
{
    QString text = db::odbcConnectionString(parameters);
    text.replace(QRegularExpression(QStringLiteral("^DRIVER=\\{[^}]*\\};")),
                 QStringLiteral("DRIVER={%1};").arg(QStringLiteral(QEL_FREETDS_ODBC_DRIVER)));
    if (!text.contains(QLatin1String("ClientCharset=")))
        text += QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;");
    return text;
}

db::Connection::BackendFactory backendFactory(int statementTimeoutSeconds)
{
    return [statementTimeoutSeconds](const db::ConnectionParameters&) {
        auto backend = std::make_unique<db::OdbcBackend>(std::make_unique<FreeTdsDialect>());
        backend->setStatementTimeout(statementTimeoutSeconds);
        return backend;
    };
}

QString oleDbString(const QString& login, const QString& password, const QString& database)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=%3;Data Source=%4;Use Procedure for Prepare=1")
        .arg(password, login, database, dataSource());
}

std::unique_ptr<db::Connection> connect(const QString& login, const QString& password, const QString& database,
                                        int statementTimeoutSeconds)
{
    auto connection = std::make_unique<db::Connection>();
    connection->setBackendFactory(backendFactory(statementTimeoutSeconds));
    connection->setConnectionString(oleDbString(login, password, database));
    connection->open();
    return connection;
}

ScratchDatabase::ScratchDatabase()
{
    static int made = 0;
    m_name = QStringLiteral("scratch_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    try {
        executeOnMaster(QStringLiteral("CREATE DATABASE %1").arg(m_name));
        db::embedded_faults::exempt([&] { m_admin = connect(adminLogin(), adminPassword(), m_name); });
    } catch (const db::DatabaseError& error) {
        ADD_FAILURE() << "The T-SQL server's scratch database: " << error.message().toStdString();
    }
}

ScratchDatabase::~ScratchDatabase()
{
    m_admin.reset();
    try {
        // Sessions of the test that are still open would keep it.
        executeOnMaster(QStringLiteral("DROP DATABASE %1").arg(m_name));
    } catch (const db::DatabaseError& error) {
        ADD_FAILURE() << "Dropping " << m_name.toStdString() << ": " << error.message().toStdString();
    }
}

void ScratchDatabase::sql(const QString& statement) const
{
    ASSERT_TRUE(m_admin);
    try {
        m_admin->execute(statement);
    } catch (const db::DatabaseError& error) {
        FAIL() << error.message().toStdString() << " in " << statement.toStdString();
    }
}

QVariant ScratchDatabase::scalar(const QString& statement) const
{
    if (!m_admin)
        return {};
    try {
        const db::ResultSet result = m_admin->query(statement);
        return result.rows.isEmpty() || result.rows.first().isEmpty() ? QVariant() : result.rows.first().first();
    } catch (const db::DatabaseError& error) {
        ADD_FAILURE() << error.message().toStdString() << " in " << statement.toStdString();
        return {};
    }
}

} // namespace tds_server

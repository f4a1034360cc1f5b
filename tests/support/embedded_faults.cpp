#include "embedded_faults.h"

#include "db/connection_p.h"
#include "db/errors.h"
#include "db/row_writer.h"

#include <QSqlDatabase>
#include <QSqlDriver>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <utility>

namespace db::embedded_faults {
namespace {

struct Faults {
    QString nextStatement;
    QString containingFragment;
    QString containingMessage;
    QString nextWrite;
    QString nextOpen;
    QString nextRollback;
    std::optional<int> nextRowCount;
    bool loseAfterNextWrite = false;
    std::function<void()> afterNextWrite;
    int lostGeneration = 0;
};

Faults& faults()
{
    static Faults f;
    return f;
}


// A backend that fails when a fault is due, and otherwise passes everything on.
class FaultInjectingBackend final : public Backend {
public:
    explicit FaultInjectingBackend(std::unique_ptr<Backend> inner)
        : m_inner(std::move(inner))
    {
    }

    void open(const ConnectionParameters& parameters) override
    {
        if (!faults().nextOpen.isEmpty())
            throw DatabaseError(std::exchange(faults().nextOpen, QString()));
        // The Qt SQL connection the backend adds is the one to break.
        const QStringList before = QSqlDatabase::connectionNames();
        m_inner->open(parameters);
        for (const QString& name : QSqlDatabase::connectionNames())
            if (!before.contains(name))
                m_qtConnection = name;
        m_generation = faults().lostGeneration;
    }
    void close() override { m_inner->close(); }
    ResultSet query(const QString& statement) override
    {
        check(statement, false);
        return m_inner->query(statement);
    }
    ResultSet read(const BoundStatement& statement) override
    {
        check(statement.text, false);
        return m_inner->read(statement);
    }
    TableInfo tableInfo(const QString& table) override
    {
        check({}, false);
        return m_inner->tableInfo(table);
    }
    QVector<ForeignKeyInfo> foreignKeys(const QString& table) override
    {
        check({}, false);
        return m_inner->foreignKeys(table);
    }
    int write(const BoundStatement& statement) override
    {
        check(statement.text, true);
        const int rows = m_inner->write(statement);
        afterWrite();
        return faults().nextRowCount ? *std::exchange(faults().nextRowCount, std::nullopt) : rows;
    }
    InsertResult insert(const BoundStatement& statement) override
    {
        check(statement.text, true);
        InsertResult result = m_inner->insert(statement);
        afterWrite();
        if (faults().nextRowCount)
            result.rows = *std::exchange(faults().nextRowCount, std::nullopt);
        return result;
    }
    const RowWriter& rowWriter() const override { return m_inner->rowWriter(); }
    ServerAnswer<bool> hasPermission(const QString& object, const QString& permission, const QString& column) override
    {
        check({}, false);
        return m_inner->hasPermission(object, permission, column);
    }
    ServerAnswer<QHash<QString, QString>> collations(const QString& table) override
    {
        check({}, false);
        return m_inner->collations(table);
    }
    QString uniformCollation() const override { return m_inner->uniformCollation(); }
    void beginTransaction() override
    {
        checkLost();
        m_inner->beginTransaction();
    }
    void commitTransaction() override
    {
        checkLost();
        m_inner->commitTransaction();
    }
    void rollbackTransaction() override
    {
        checkLost();
        m_inner->rollbackTransaction();
        if (!faults().nextRollback.isEmpty())
            throw DatabaseError(std::exchange(faults().nextRollback, QString()));
    }

private:
    // A broken link: the backend finds out for itself at its next call.
    void checkLost()
    {
        if (m_generation == faults().lostGeneration || m_broken)
            return;
        m_broken = true;
        QSqlDatabase database = QSqlDatabase::database(m_qtConnection, false);
        if (database.driverName() != QLatin1String("QODBC")) {
            database.close(); // SQLite undoes an open transaction
            return;
        }
        const QVariant handle = database.driver()->handle();
        if (handle.metaType() != QMetaType::fromType<SQLHANDLE>())
            return;
        const SQLHDBC connection = *static_cast<const SQLHANDLE*>(handle.constData());
        SQLEndTran(SQL_HANDLE_DBC, connection, SQL_ROLLBACK);
        SQLDisconnect(connection);
    }
    void afterWrite()
    {
        if (auto work = std::exchange(faults().afterNextWrite, nullptr))
            work();
        if (std::exchange(faults().loseAfterNextWrite, false)) {
            loseConnections();
            checkLost();
        }
    }
    void check(const QString& statement, bool isWrite)
    {
        checkLost();
        Faults& f = faults();
        if (!f.nextStatement.isEmpty())
            throw DatabaseError(std::exchange(f.nextStatement, QString()));
        if (isWrite && !f.nextWrite.isEmpty())
            throw DatabaseError(std::exchange(f.nextWrite, QString()));
        if (!f.containingFragment.isEmpty() && statement.contains(f.containingFragment, Qt::CaseInsensitive)) {
            f.containingFragment.clear();
            throw DatabaseError(std::exchange(f.containingMessage, QString()));
        }
    }

    std::unique_ptr<Backend> m_inner;
    QString m_qtConnection;
    int m_generation = 0;
    bool m_broken = false;
};

} // namespace

void failNextStatement(const QString& message) { faults().nextStatement = message; }
void failStatementContaining(const QString& fragment, const QString& message)
{
    faults().containingFragment = fragment;
    faults().containingMessage = message;
}
void failNextWrite(const QString& message) { faults().nextWrite = message; }
void failNextOpen(const QString& message) { faults().nextOpen = message; }
void failNextRollback(const QString& message) { faults().nextRollback = message; }
void reportRowCountOfNextWrite(int rows) { faults().nextRowCount = rows; }
void loseConnections() { ++faults().lostGeneration; }
void loseConnectionsAfterNextWrite() { faults().loseAfterNextWrite = true; }
void runAfterNextWrite(std::function<void()> work) { faults().afterNextWrite = std::move(work); }
void clear()
{
    const int generation = faults().lostGeneration;
    faults() = Faults();
    faults().lostGeneration = generation;
}

void install()
{
    setBackendWrapper(
        [](std::unique_ptr<Backend> backend) { return std::make_unique<FaultInjectingBackend>(std::move(backend)); });
}

void exempt(const std::function<void()>& open)
{
    struct Reinstall {
        ~Reinstall() { install(); }
    } reinstall;
    setBackendWrapper({});
    open();
}

} // namespace db::embedded_faults

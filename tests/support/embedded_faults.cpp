#include "embedded_faults.h"

#include "db/connection_p.h"
#include "db/embedded_server.h"
#include "db/errors.h"
#include "db/row_writer.h"

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
        m_inner->open(parameters);
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
    int write(const BoundStatement& statement) override
    {
        check(statement.text, true);
        const int rows = m_inner->write(statement);
        return faults().nextRowCount ? *std::exchange(faults().nextRowCount, std::nullopt) : rows;
    }
    InsertResult insert(const BoundStatement& statement) override
    {
        check(statement.text, true);
        InsertResult result = m_inner->insert(statement);
        if (faults().nextRowCount)
            result.rows = *std::exchange(faults().nextRowCount, std::nullopt);
        return result;
    }
    const RowWriter& rowWriter() const override { return m_inner->rowWriter(); }
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
        m_inner->rollbackTransaction();
        if (!faults().nextRollback.isEmpty())
            throw DatabaseError(std::exchange(faults().nextRollback, QString()));
    }

private:
    void checkLost() const
    {
        if (m_generation != faults().lostGeneration)
            throw DatabaseError(QString::fromLatin1(kLostConnectionMessage), DatabaseError::Kind::ConnectionLost);
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
    int m_generation = 0;
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

} // namespace db::embedded_faults

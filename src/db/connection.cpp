#include "db/connection.h"

namespace db {

Connection::Connection(QObject* parent)
    : QObject(parent)
{
}

Connection::~Connection()
{
    close();
}

void Connection::close()
{
    if (!m_open)
        return;
    m_open = false;
    emit closed();
}

} // namespace db

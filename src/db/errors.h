#pragma once
#include <QString>

#include <stdexcept>

namespace db {

// Every failure of the data-access layer: the server's or driver's message, or
// the layer's own refusal. what() is the message in UTF-8.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace db

#include "signin/sign_in_exchange.h"

#include "db/connection.h"
#include "db/errors.h"
#include "platform/workstation.h"
#include "signin/get_user_statement.h"
#include "signin/text8.h"

SignInExchange::SignInExchange(db::Connection& connection)
    : m_connection(connection)
{
}

std::optional<QString> SignInExchange::connectGateway()
{
    m_settings = ReadConnectionSettings();
    m_connection.close();
    m_connection.setConnectionString(fromText8(BuildConnectionString(m_settings)));
    try {
        m_connection.open();
        return std::nullopt;
    } catch (const db::DatabaseError& error) {
        return QString(error.message()).remove(fromText8(m_settings.UserID));
    }
}

GetUserReply SignInExchange::askGetUser(const SignInRequest& request, const std::string& address)
{
    const std::string statement = GetUserStatement(toText8(request.login), toText8(request.password),
                                                   toText8(request.newPasswordArgument), address,
                                                   platform::computerName());
    return readGetUserReply(m_connection.query(fromText8(statement)));
}

void SignInExchange::connectAsUser(const GetUserReply& reply)
{
    m_connection.close();
    m_connection.setConnectionString(fromText8(BuildConnectionString(reply.userConnection(m_settings))));
    m_connection.open();
}

void SignInExchange::close()
{
    m_connection.close();
}

#include "signin/sign_in_exchange.h"

#include "db/connection.h"
#include "db/errors.h"
#include "signin/get_user_statement.h"
#include "signin/text8.h"

SignInExchange::SignInExchange(db::Connection& connection, TFirstConnectInfo settings)
    : m_connection(connection)
    , m_settings(std::move(settings))
{
}

std::optional<QString> SignInExchange::connectGateway()
{
    m_connection.close();
    m_connection.setConnectionString(fromText8(BuildConnectionString(m_settings)));
    try {
        m_connection.open();
        return std::nullopt;
    } catch (const db::DatabaseError& error) {
        return error.message();
    }
}

QString SignInExchange::withoutGatewayLogin(const QString& text) const
{
    return QString(text).remove(fromText8(m_settings.UserID));
}

GetUserReply SignInExchange::askGetUser(const SignInRequest& request, const Workstation& workstation)
{
    return readGetUserReply(askGetUserRows(request, workstation));
}

db::ResultSet SignInExchange::askGetUserRows(const SignInRequest& request, const Workstation& workstation)
{
    const std::string statement =
        GetUserStatement(toText8(request.login), toText8(request.password), toText8(request.newPasswordArgument),
                         workstation.address, workstation.computerName);
    return m_connection.query(fromText8(statement));
}

QString SignInExchange::userConnectionString(const GetUserReply& reply) const
{
    return fromText8(BuildConnectionString(reply.userConnection(m_settings)));
}

void SignInExchange::connectAsUser(const GetUserReply& reply)
{
    m_connection.close();
    m_connection.setConnectionString(userConnectionString(reply));
    m_connection.open();
}

void SignInExchange::close()
{
    m_connection.close();
}

#pragma once
// The sign-in's exchange with the server over one connection, the same for
// the sign-in window and the command-line tools: connect with the settings'
// gateway login, ask GET_USER about the user from this workstation, and give
// the user's own database login from its reply. What to do with the reply is
// decideSignIn's; putting it in words is the caller's.
#include "signin/connection_settings.h"
#include "signin/get_user_reply.h"

#include <QString>

#include <optional>
#include <string>

namespace db {
class Connection;
}

// What the user typed for one attempt.
struct SignInRequest {
    QString login;
    QString password;
    // Exactly "NULL" for a normal sign-in, otherwise the new password.
    QString newPasswordArgument;
};

// What GET_USER is told of the workstation (Windows-1251 bytes).
struct Workstation {
    std::string address; // IPv4 in dotted-decimal text
    std::string computerName;
};

class SignInExchange {
public:
    // `settings`: the four values of the settings file (or of a tool's
    // command line), read by the caller.
    SignInExchange(db::Connection& connection, TFirstConnectInfo settings);

    // Connects with the settings' gateway login. A refused connection is not
    // an error here, as running GET_USER tries once more: the server's text
    // comes back.
    std::optional<QString> connectGateway();
    // The text without the gateway login, which a user of the program is not
    // to see.
    QString withoutGatewayLogin(const QString& text) const;

    // Runs GET_USER for the request and reads its row. Throws
    // db::DatabaseError, or UnsendableLogin for a login it cannot carry.
    GetUserReply askGetUser(const SignInRequest& request, const Workstation& workstation);
    // The rows GET_USER answers, as they came (for a check of their shape).
    db::ResultSet askGetUserRows(const SignInRequest& request, const Workstation& workstation);

    // The connection string of the user's own database login from the reply:
    // the settings' server and database with the decoded login and password.
    QString userConnectionString(const GetUserReply& reply) const;

    // Reconnects with the user's own database login. Throws
    // db::DatabaseError when the server refuses it.
    void connectAsUser(const GetUserReply& reply);

    void close();

private:
    db::Connection& m_connection;
    const TFirstConnectInfo m_settings;
};

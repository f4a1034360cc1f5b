#pragma once
// The sign-in's exchange with the server over the program's one connection:
// connect with the settings file's gateway login, ask GET_USER about the
// user, and reconnect with the user's own database login from its reply.
// What to do with the reply is decideSignIn's; showing it is the window's.
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

class SignInExchange {
public:
    explicit SignInExchange(db::Connection& connection);

    // Reads the settings file afresh (throws platform::FileError when it
    // cannot) and connects with its gateway login. A refused connection is
    // not an error here, as running GET_USER tries once more: its text comes
    // back, without the gateway login, which the user is not to see.
    std::optional<QString> connectGateway();

    // Runs GET_USER for the request from the workstation at `address` and
    // reads its row. Throws db::DatabaseError.
    GetUserReply askGetUser(const SignInRequest& request, const std::string& address);

    // Reconnects with the user's own database login from the reply. Throws
    // db::DatabaseError when the server refuses it.
    void connectAsUser(const GetUserReply& reply);

    void close();

private:
    db::Connection& m_connection;
    TFirstConnectInfo m_settings;
};

#pragma once
// The one row that GET_USER answers a sign-in with, read by field position,
// and what a sign-in attempt does with it. The sign-in window and the server
// check both read the row here.
#include "db/backend.h"
#include "signin/connection_settings.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <utility>

// An integer field of the reply as the server sent it. It is read only when
// the sign-in gets to it: a text that is not a whole number fails then, as a
// database client's field access does, and not before (a row carrying a message may
// hold anything in the fields the message makes irrelevant).
class ReplyInteger {
public:
    ReplyInteger(int value = 0) // implicit: tables of replies write plain numbers
        : m_raw(value)
    {
    }
    explicit ReplyInteger(QVariant raw)
        : m_raw(std::move(raw))
    {
    }
    // A null reads as 0. Throws db::DatabaseError when the field holds no integer.
    int value() const;

private:
    QVariant m_raw;
};

// The row's width: fields 0 to 5.
inline constexpr int kGetUserFieldCount = 6;

struct GetUserReply {
    QString shiftedDatabaseLogin;    // field 0: the user's own database login, shifted
    QString shiftedDatabasePassword; // field 1: its password, shifted
    // Field 2 is the server's own business.
    ReplyInteger passwordTerm;       // field 3: days left; below 0 the password must change
    QString message;                 // field 4: non-empty refuses the sign-in with this text
    ReplyInteger updateFlag;         // field 5: 2 or more asks the program to replace itself

    // The settings with the user's own database login and password, decoded,
    // in place of the gateway's; server and database stay.
    TFirstConnectInfo userConnection(TFirstConnectInfo settings) const;
};

// Reads the first row: a null text reads as empty. Throws db::DatabaseError,
// in the words the users know from the server's client library ("Either BOF
// or EOF is True ..."), when there is no row or it has fewer than
// kGetUserFieldCount fields.
GetUserReply readGetUserReply(const db::ResultSet& result);

// What a sign-in attempt does with the reply, in this order of precedence.
enum class SignInDecision {
    SelfUpdate,          // update flag 2 or more, whatever else the row says
    ShowServerMessage,   // the server's message refuses the sign-in
    ForcePasswordChange, // password term below 0, on every attempt
    OfferPasswordChange, // term below 20 on the first attempt, for a user with a database login
    Accept,              // reconnect with the user's own database login
};

// `attempt` is the window's attempt counter: 1 on the first attempt. Reads
// the integer fields as it gets to them, so it throws db::DatabaseError where
// one it needs holds no integer.
SignInDecision decideSignIn(const GetUserReply& reply, uint8_t attempt);

#include "db/errors.h"
#include "signin/get_user_reply.h"

#include <gmock/gmock.h>

#include <functional>

namespace {

using Decision = SignInDecision;

// What each GET_USER row leads to on which attempt, without a window or a server.
TEST(SignInDecisionTable, EachReplyAndAttemptLeadsToItsStep)
{
    const QString login = QStringLiteral("pdk^cdln"); // a shifted database login
    struct Case {
        const char* what;
        GetUserReply reply;
        uint8_t attempt;
        Decision expected;
    };
    const Case cases[] = {
        {"an update outranks the message", {login, {}, 90, QStringLiteral("blocked"), 2}, 1, Decision::SelfUpdate},
        {"an update outranks a forced change", {login, {}, -1, {}, 3}, 2, Decision::SelfUpdate},
        {"update flag 1 is an ordinary sign-in", {login, {}, 90, {}, 1}, 1, Decision::Accept},
        {"a message outranks a forced change", {login, {}, -1, QStringLiteral("blocked"), 0}, 1,
         Decision::ShowServerMessage},
        {"a message without a database login", {{}, {}, 0, QStringLiteral("Неверный логин или пароль"), 0}, 1,
         Decision::ShowServerMessage},
        {"term -1 on the first attempt", {login, {}, -1, {}, 0}, 1, Decision::ForcePasswordChange},
        {"term -1 on every later attempt", {login, {}, -1, {}, 0}, 2, Decision::ForcePasswordChange},
        {"term -1 without a database login", {{}, {}, -1, {}, 0}, 5, Decision::ForcePasswordChange},
        {"term 19 on the first attempt", {login, {}, 19, {}, 0}, 1, Decision::OfferPasswordChange},
        {"term 0 on the first attempt", {login, {}, 0, {}, 0}, 1, Decision::OfferPasswordChange},
        {"term 20 on the first attempt", {login, {}, 20, {}, 0}, 1, Decision::Accept},
        {"term 19 once the offer was declined", {login, {}, 19, {}, 0}, 2, Decision::Accept},
        {"term 19 without a database login", {{}, {}, 19, {}, 0}, 1, Decision::Accept},
        {"term 19 when the counter has wrapped to 0", {login, {}, 19, {}, 0}, 0, Decision::Accept},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decideSignIn(c.reply, c.attempt), c.expected) << c.what;
}

db::ResultSet oneRow(const QVector<QVariant>& fields)
{
    db::ResultSet result;
    result.rows.append(fields);
    return result;
}

QString failure(const std::function<void()>& step)
{
    try {
        step();
    } catch (const db::DatabaseError& error) {
        return error.message();
    }
    return QStringLiteral("(no failure)");
}

// The row as servers send it: nulls, numbers as text, too few fields, none.
TEST(GetUserReplyReading, NullsReadAsEmptyAndZeroAndBrokenRowsFailInTheClientLibrarysWords)
{
    const GetUserReply nulls = readGetUserReply(oneRow(QVector<QVariant>(6)));
    EXPECT_TRUE(nulls.shiftedDatabaseLogin.isEmpty());
    EXPECT_TRUE(nulls.message.isEmpty());
    EXPECT_EQ(nulls.passwordTerm.value(), 0);
    EXPECT_EQ(nulls.updateFlag.value(), 0);
    EXPECT_EQ(decideSignIn(nulls, 1), Decision::Accept);

    const GetUserReply texts = readGetUserReply(
        oneRow({QStringLiteral("pdk"), QStringLiteral("x"), QStringLiteral("field 2"), QStringLiteral(" 19 "),
                QString(), QStringLiteral("0")}));
    EXPECT_EQ(texts.shiftedDatabaseLogin, "pdk");
    EXPECT_EQ(texts.passwordTerm.value(), 19);
    EXPECT_EQ(decideSignIn(texts, 1), Decision::OfferPasswordChange);

    // A term that is no number fails only where the decision needs it.
    const GetUserReply refused = readGetUserReply(
        oneRow({QString(), QString(), QVariant(), QStringLiteral(""), QStringLiteral("Доступ закрыт"), 0}));
    EXPECT_EQ(decideSignIn(refused, 1), Decision::ShowServerMessage);
    GetUserReply badTerm = refused;
    badTerm.message.clear();
    EXPECT_EQ(failure([&] { decideSignIn(badTerm, 1); }), "'' is not a valid integer value");
    badTerm.updateFlag = ReplyInteger(QVariant(QStringLiteral("yes")));
    EXPECT_EQ(failure([&] { decideSignIn(badTerm, 1); }), "'yes' is not a valid integer value");

    EXPECT_EQ(failure([] { readGetUserReply(db::ResultSet{}); }),
              "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
              "current record.");
    EXPECT_EQ(failure([] { readGetUserReply(oneRow(QVector<QVariant>(5))); }),
              "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

} // namespace

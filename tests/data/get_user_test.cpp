#include "data_fixture.h"

#include "platform/cp1251.h"

#include <QCryptographicHash>

namespace {

// The digest the client sends: MD5 over the Windows-1251 bytes, upper-case hex.
QString digestOf(const QString& password)
{
    const std::string bytes = platform::utf8ToCp1251(password.toStdString()).value();
    return QString::fromLatin1(QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Md5)
                                   .toHex()
                                   .toUpper());
}

class GetUser : public DataModuleTest {
protected:
    void SetUp() override
    {
        gateway.setConnectionString(demo.connectionString(QStringLiteral("qel_gate"), QStringLiteral("gate2026")));
        gateway.open();
    }
    QVector<QVariant> call(const QString& login, const QString& password, const QString& newPassword = QString())
    {
        const QString third = newPassword.isNull() ? QStringLiteral("NULL") : u'\'' + digestOf(newPassword) + u'\'';
        const QString quoted = QString(login).replace(u'\'', QLatin1String("''"));
        return gateway
            .query(QStringLiteral("EXEC GET_USER '%1','%2',%3, 'QEL 23', '127.0.0.1', 'PC', '%1','0','%4'")
                       .arg(quoted, digestOf(password), third, QString::number(third.size())))
            .rows.value(0);
    }
    db::Connection gateway;
};

TEST_F(GetUser, AcceptsTheRightPairWithTheShiftedDatabaseLogin)
{
    const auto row = call(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_EQ(row.at(0).toString(), "pdk^cdln"); // qel_demo shifted
    EXPECT_EQ(row.at(1).toString(), "Cl6308jp");
    EXPECT_EQ(row.at(3).toInt(), 60);
    EXPECT_TRUE(row.at(4).isNull());
    EXPECT_EQ(row.at(5).toInt(), 0);
    EXPECT_EQ(call(QStringLiteral("новый"), QStringLiteral("пароль2026")).at(0).toString(), "pdk^mnuxh");
    // Logins match as on the shared server, without regard to case, Cyrillic too.
    EXPECT_EQ(call(QStringLiteral("Demo"), QStringLiteral("demo2026")).at(0).toString(), "pdk^cdln");
    EXPECT_EQ(call(QStringLiteral("НОВЫЙ"), QStringLiteral("пароль2026")).at(0).toString(), "pdk^mnuxh");
}

TEST_F(GetUser, AMissingUserTableIsNamed)
{
    demo.sql(QStringLiteral("ALTER TABLE QEL_User RENAME TO QEL_User_old"));
    EXPECT_EQ(refusal([&] { call(QStringLiteral("demo"), QStringLiteral("demo2026")); }),
              "Invalid object name 'QEL_User'.");
}

TEST_F(GetUser, RefusesAWrongPairAndReportsMessagesAndTerms)
{
    EXPECT_EQ(call(QStringLiteral("demo"), QStringLiteral("Demo2026")).at(4).toString(), "Неверный логин или пароль");
    EXPECT_EQ(call(QStringLiteral("nobody"), QStringLiteral("x")).at(4).toString(), "Неверный логин или пароль");
    EXPECT_FALSE(call(QStringLiteral("blocked"), QStringLiteral("blocked2026")).at(4).toString().isEmpty());
    EXPECT_EQ(call(QStringLiteral("expired"), QStringLiteral("expired2026")).at(3).toInt(), -1);
}

// The per-user pair opens every table, so it goes only with a row on which
// the program signs in or merely offers a new password; anyone holding the
// gateway login could otherwise take it from a refusal.
TEST_F(GetUser, TheDatabaseLoginGoesOnlyToAUserWhoMayWork)
{
    const auto handsOutLogin = [](const QVector<QVariant>& row) {
        return !row.at(0).isNull() || !row.at(1).isNull();
    };
    EXPECT_TRUE(handsOutLogin(call(QStringLiteral("demo"), QStringLiteral("demo2026")))) << "accepted";
    demo.sql(QStringLiteral("update QEL_User set password_term = 19 where QEL_login = 'demo'"));
    const auto offered = call(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_EQ(offered.at(0).toString(), "pdk^cdln") << "a change offered: the program needs the login to offer it";
    EXPECT_EQ(offered.at(1).toString(), "Cl6308jp");

    const auto blocked = call(QStringLiteral("blocked"), QStringLiteral("blocked2026"));
    EXPECT_FALSE(blocked.at(4).toString().isEmpty());
    EXPECT_FALSE(handsOutLogin(blocked)) << "a message";
    const auto forced = call(QStringLiteral("expired"), QStringLiteral("expired2026"));
    EXPECT_EQ(forced.at(3).toInt(), -1);
    EXPECT_FALSE(handsOutLogin(forced)) << "a forced change";
    demo.sql(QStringLiteral("update QEL_User set update_flag = 2 where QEL_login = 'demo'"));
    const auto update = call(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_EQ(update.at(5).toInt(), 2);
    EXPECT_FALSE(handsOutLogin(update)) << "an update";
    EXPECT_FALSE(handsOutLogin(call(QStringLiteral("demo"), QStringLiteral("wrong")))) << "a wrong password";

    // The forced change made: the user is accepted with the new password at once.
    const auto changed = call(QStringLiteral("expired"), QStringLiteral("expired2026"), QStringLiteral("fresh_pw1"));
    EXPECT_EQ(changed.at(0).toString(), "pdk^dwohqdc"); // qel_expired shifted
}

// The session finds its user again by the login's text: a login that differs
// from another only in letter case, Cyrillic too, would be a second user
// with the first one's departments. Letters with marks stay apart, as the
// server's collation keeps them.
TEST_F(GetUser, ALoginIsUniqueWithoutRegardToCase)
{
    db::Connection user;
    user.setConnectionString(demo.connectionString());
    const auto add = [&](int id, const QString& login) {
        user.execute(QStringLiteral("INSERT INTO QEL_User (id_QEL_user, QEL_login) VALUES (%1, '%2')").arg(id).arg(login));
    };
    int id = 100;
    for (const QString& login : {QStringLiteral("DEMO"), QStringLiteral("Demo"), QStringLiteral("НОВЫЙ"),
                                QStringLiteral("Новый"), QStringLiteral("новый")})
        EXPECT_THROW(add(++id, login), db::DatabaseError) << login.toStdString();
    EXPECT_NO_THROW(add(++id, QStringLiteral("ёлка")));
    EXPECT_THROW(add(++id, QStringLiteral("ЁЛКА")), db::DatabaseError);
    EXPECT_NO_THROW(add(++id, QStringLiteral("елка")));
    EXPECT_NO_THROW(add(++id, QStringLiteral("demo2")));
}

// Every capital of Windows-1251 is the same login as its small letter, and a
// character the server's collation ignores (the soft hyphen) makes no
// second login: the unique index refuses what the comparison calls equal.
TEST_F(GetUser, EveryCapitalAndWhatTheCollationIgnoresMakeNoSecondLogin)
{
    db::Connection user;
    user.setConnectionString(demo.connectionString());
    int id = 200;
    const auto add = [&](const QString& login) {
        user.execute(QStringLiteral("INSERT INTO QEL_User (id_QEL_user, QEL_login) VALUES (%1, '%2')").arg(++id).arg(login));
    };
    int pairs = 0;
    for (int code = 0x41; code <= 0xFF; ++code) {
        const std::string byte(1, static_cast<char>(code));
        const QString capital = QString::fromStdString(platform::cp1251ToUtf8(byte));
        const QString small = capital.toLower();
        if (capital.size() != 1 || small == capital || !platform::utf8ToCp1251(small.toStdString()))
            continue;
        ++pairs;
        ASSERT_NO_THROW(add(QStringLiteral("x") + small)) << small.toStdString();
        EXPECT_THROW(add(QStringLiteral("x") + capital), db::DatabaseError) << capital.toStdString();
    }
    EXPECT_EQ(pairs, 26 + 32 + 15); // Latin, Russian, and the other Cyrillic letters of the code page
    EXPECT_THROW(add(QStringLiteral("de\u00ADmo")), db::DatabaseError);
    EXPECT_NO_THROW(add(QStringLiteral("de-mo")));
}

TEST_F(GetUser, ANewPasswordIsStoredWithANinetyDayTerm)
{
    EXPECT_EQ(call(QStringLiteral("expired"), QStringLiteral("expired2026"), QStringLiteral("fresh_pw1")).at(3).toInt(), 90);
    EXPECT_EQ(call(QStringLiteral("expired"), QStringLiteral("expired2026")).at(4).toString(), "Неверный логин или пароль");
    EXPECT_EQ(call(QStringLiteral("expired"), QStringLiteral("fresh_pw1")).at(3).toInt(), 90);
}

} // namespace

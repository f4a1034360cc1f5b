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

TEST_F(GetUser, ANewPasswordIsStoredWithANinetyDayTerm)
{
    EXPECT_EQ(call(QStringLiteral("expired"), QStringLiteral("expired2026"), QStringLiteral("fresh_pw1")).at(3).toInt(), 90);
    EXPECT_EQ(call(QStringLiteral("expired"), QStringLiteral("expired2026")).at(4).toString(), "Неверный логин или пароль");
    EXPECT_EQ(call(QStringLiteral("expired"), QStringLiteral("fresh_pw1")).at(3).toInt(), 90);
}

} // namespace

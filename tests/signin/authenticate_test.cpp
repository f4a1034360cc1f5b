#include "sign_in_fixture.h"

#include "platform/files.h"
#include "platform/workstation.h"
#include "signin/connection_settings.h"
#include "signin/get_user_statement.h"
#include "signin/password_digest.h"
#include "signin/text8.h"

#include <QFile>
#include <QTest>

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace {

const QString kMustChange = QStringLiteral(
    "Вы должны поменять пароль\rЭто делается для безопастности и сохранения данных от злоумышлеников");
const QString kWrong = QStringLiteral("Неверно ввели логин или пароль.");

QString digest(const QString& text)
{
    return QString::fromStdString(PasswordDigest(toText8(text)));
}

QString dateFormat()
{
    return DM_MB->ADOCon->query(QStringLiteral("DBCC USEROPTIONS")).rows.at(0).at(1).toString();
}

using Authenticate = SignInTest;

TEST_F(Authenticate, NormalSignInSendsNullAndFourThenOpensTheSession)
{
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    ASSERT_EQ(getUserCalls().size(), 1);
    const QString host = QString::fromStdString(platform::computerName()).replace(u'\'', QLatin1String("''"));
    EXPECT_EQ(getUserCalls().first(),
              QStringLiteral("EXEC GET_USER 'demo','%1',NULL, 'QEL 23', '10.1.2.3', '%2', 'demo','0','4'")
                  .arg(digest(QStringLiteral("demo2026")), host));
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(app->showMainForm());
    EXPECT_EQ(session.signedInLogin(), "demo");
    EXPECT_EQ(dataModule->ADOQ_Kafedra->recordCount(), 3);
    EXPECT_TRUE(dataModule->ADOQ_FIO->isOpen());
    EXPECT_EQ(dateFormat(), "dmy");
    EXPECT_TRUE(statements.contains(QStringLiteral("SET DATEFORMAT dmy")));
    // Now connected with the user's own login, which may read the tables.
    EXPECT_NO_THROW(DM_MB->ADOCon->query(QStringLiteral("select count(*) from t_fio")));
}

TEST_F(Authenticate, CyrillicUserSignsIn)
{
    signIn(QStringLiteral("новый"), QStringLiteral("пароль2026"));
    EXPECT_TRUE(accepted());
    EXPECT_EQ(session.signedInLogin(), "новый");
    EXPECT_EQ(dataModule->ADOQ_Kafedra->recordCount(), 2);
}

// A character without a Windows-1251 byte would reach the digest as '?':
// "demo😀2026" must not sign in where the password is "demo?2026".
TEST_F(Authenticate, CharactersOutsideTheCodePageAreRefusedBeforeTheServer)
{
    demo.sql(QStringLiteral("update QEL_User set password_md5 = '%1' where QEL_login = 'demo'")
                 .arg(digest(QStringLiteral("demo?2026"))));
    signIn(QStringLiteral("demo"), QStringLiteral("demo😀2026"));
    EXPECT_FALSE(accepted());
    EXPECT_TRUE(getUserCalls().isEmpty());
    EXPECT_EQ(form->statusText(),
              "В пароле есть символы, которые нельзя использовать!!!\rВведите пароль заново.");
    EXPECT_EQ(form->Password_Edit->text(), "");

    signIn(QStringLiteral("dem😀o"), QStringLiteral("demo?2026"));
    EXPECT_FALSE(accepted());
    EXPECT_TRUE(getUserCalls().isEmpty());
    EXPECT_EQ(form->statusText(), "В логине есть символы, которые нельзя использовать!!!\rИсправьте логин.");

    signIn(QStringLiteral("demo"), QStringLiteral("demo?2026"));
    EXPECT_TRUE(accepted());
}

TEST_F(Authenticate, ALoginWithAnApostropheIsDoubledInBothPlaces)
{
    signIn(QStringLiteral("d'Arc"), QStringLiteral("x"));
    ASSERT_EQ(getUserCalls().size(), 1);
    EXPECT_THAT(getUserCalls().first().toStdString(), HasSubstr("EXEC GET_USER 'd''Arc','"));
    EXPECT_THAT(getUserCalls().first().toStdString(), HasSubstr(", 'd''Arc','0','4'"));
    EXPECT_EQ(form->statusText(), "Неверный логин или пароль"); // the server's message
    EXPECT_FALSE(accepted());
    EXPECT_TRUE(DM_MB->ADOCon->isOpen()); // left open with the settings' login
}

TEST_F(Authenticate, ForcedChangeThenSignInWithTheNewPassword)
{
    signIn(QStringLiteral("expired"), QStringLiteral("expired2026"));
    EXPECT_FALSE(accepted());
    EXPECT_EQ(form->statusText(), kMustChange);
    EXPECT_TRUE(form->passwordChangeMode());
    EXPECT_EQ(form->height(), 416);
    EXPECT_FALSE(form->SpeedButton3->isEnabled());
    EXPECT_FALSE(DM_MB->ADOCon->isOpen());

    form->Edit1->setText(QStringLiteral("New_pass1"));
    form->Edit2->setText(QStringLiteral("New_pass1"));
    form->SpeedButton2Click();
    ASSERT_EQ(getUserCalls().size(), 2);
    EXPECT_THAT(getUserCalls().last().toStdString(),
                HasSubstr(QStringLiteral("'%1','%2', 'QEL 23'")
                              .arg(digest(QStringLiteral("expired2026")), digest(QStringLiteral("New_pass1")))
                              .toStdString()));
    EXPECT_TRUE(getUserCalls().last().endsWith(QStringLiteral(", 'expired','0','34'")));
    EXPECT_TRUE(accepted());
    EXPECT_EQ(demo.scalar("select password_term from QEL_User where QEL_login = 'expired'").toInt(), 90);
}

TEST_F(Authenticate, ForcedChangeComesOnEveryAttempt)
{
    signIn(QStringLiteral("expired"), QStringLiteral("expired2026"));
    form->SpeedButton3Click(); // the window can still be toggled by code, but its button is off
    form->SpeedButton2Click();
    EXPECT_EQ(form->attemptCounter(), 2);
    EXPECT_EQ(form->statusText(), kMustChange);
    EXPECT_FALSE(form->SpeedButton3->isEnabled());
    EXPECT_FALSE(accepted());
}

TEST_F(Authenticate, ATermBelowTwentyIsOfferedOnlyOnTheFirstAttempt)
{
    demo.sql(QStringLiteral("update QEL_User set password_term = 19 where QEL_login = 'demo'"));
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_FALSE(accepted());
    EXPECT_EQ(form->statusText(), kMustChange);
    EXPECT_TRUE(form->passwordChangeMode());
    EXPECT_TRUE(form->SpeedButton3->isEnabled());
    EXPECT_FALSE(DM_MB->ADOCon->isOpen());

    form->SpeedButton3->click(); // the user declines and signs in with the old password
    form->SpeedButton2Click();
    EXPECT_EQ(form->attemptCounter(), 2);
    EXPECT_TRUE(accepted());
}

// Below 20 on the first attempt is an offer, 0 included; 20 is accepted.
TEST_F(Authenticate, TermTwentyIsAcceptedAndZeroOfferedOnTheFirstAttempt)
{
    for (const int term : {20, 0}) {
        demo.sql(QStringLiteral("update QEL_User set password_term = %1 where QEL_login = 'demo'").arg(term));
        TForm8 fresh(environment);
        fresh.Login_Edit->setText(QStringLiteral("demo"));
        fresh.Password_Edit->setText(QStringLiteral("demo2026"));
        fresh.SpeedButton2Click();
        EXPECT_EQ(fresh.result() == QDialog::Accepted, term == 20) << term;
        EXPECT_EQ(fresh.passwordChangeMode(), term == 0) << term;
        if (term == 0) {
            fresh.SpeedButton3Click(); // declined: a later attempt with term 0 is accepted
            fresh.SpeedButton2Click();
            EXPECT_EQ(fresh.result(), QDialog::Accepted);
        }
    }
}

TEST_F(Authenticate, AnEmptyPerUserLoginSkipsTheOfferAndThenFailsToReopen)
{
    demo.sql(QStringLiteral("update QEL_User set password_term = 19, db_login = NULL where QEL_login = 'demo'"));
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_FALSE(form->passwordChangeMode()); // no offer without a per-user login
    EXPECT_FALSE(accepted());                 // this server knows no empty login
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_THAT(dialogs.texts().first().toStdString(), HasSubstr("Login failed"));
    EXPECT_EQ(form->statusText(), "");
    EXPECT_FALSE(DM_MB->ADOCon->isOpen());
}

TEST_F(Authenticate, AServerMessageRefusesTheSignIn)
{
    signIn(QStringLiteral("blocked"), QStringLiteral("blocked2026"));
    EXPECT_EQ(form->statusText(), demo.scalar("select message from QEL_User where QEL_login = 'blocked'").toString());
    EXPECT_FALSE(accepted());
    EXPECT_FALSE(app->showMainForm());
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(Authenticate, AFirstOpenFailureIsShownWithoutTheSettingsLogin)
{
    db::embedded_faults::failNextOpen(QStringLiteral("Login failed for user 'qel_gate'. Reason: qel_gate is locked."));
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026")); // the statement opens it again and goes on
    EXPECT_TRUE(accepted());
    EXPECT_EQ(form->statusText(), "Login failed for user ''. Reason:  is locked.");

    db::embedded_faults::failNextOpen(QStringLiteral("Server is paused"));
    TForm8 second(environment);
    second.Login_Edit->setText(QStringLiteral("blocked"));
    second.Password_Edit->setText(QStringLiteral("wrong"));
    db::embedded_faults::failNextStatement(QStringLiteral("never reached"));
    second.SpeedButton2Click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), "never reached");
    EXPECT_EQ(second.statusText(), kWrong);
}

TEST_F(Authenticate, WrongGatewayPasswordEndsAsWrongLoginAfterAMessage)
{
    demo.becomeProgramFolder("not-the-password");
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_THAT(dialogs.texts().first().toStdString(), HasSubstr("Login failed for user 'qel_gate'"));
    EXPECT_EQ(form->statusText(), kWrong);
    EXPECT_FALSE(DM_MB->ADOCon->isOpen());
}

TEST_F(Authenticate, AFailingStatementShowsItsTextThenWrongLogin)
{
    db::embedded_faults::failStatementContaining(QStringLiteral("EXEC GET_USER"), QStringLiteral("Timeout expired"));
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), "Timeout expired");
    EXPECT_EQ(form->statusText(), kWrong);
    EXPECT_FALSE(DM_MB->ADOCon->isOpen());
    EXPECT_FALSE(accepted());
}

TEST_F(Authenticate, ReopeningOrLoadingFailuresEmptyTheStatus)
{
    demo.sql(QStringLiteral("update server_logins set password = 'changed' where login = 'qel_demo'"));
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_THAT(dialogs.texts().first().toStdString(), HasSubstr("Login failed for user 'qel_demo'"));
    EXPECT_EQ(form->statusText(), "");
    EXPECT_FALSE(DM_MB->ADOCon->isOpen());

    demo.sql(QStringLiteral("update server_logins set password = 'Dm7419kq' where login = 'qel_demo'"));
    dialogs.clear();
    db::embedded_faults::failStatementContaining(QStringLiteral("FROM Organization"), QStringLiteral("Invalid object name 'Organization'."));
    form->SpeedButton2Click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), "Invalid object name 'Organization'.");
    EXPECT_FALSE(accepted());
    EXPECT_FALSE(DM_MB->ADOQ_year->isOpen());

    dialogs.clear();
    form->SpeedButton2Click(); // and the next attempt goes through
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(DM_MB->ADOQ_year->isOpen());
    EXPECT_TRUE(DM_MB->ADOT_Spec_Code->isOpen());
}

TEST_F(Authenticate, AMissingSettingsFileReachesTheErrorDisplay)
{
    platform::overrideProgramFolder(demo.folder().toStdString() + "/nowhere");
    form->show();
    form->Login_Edit->setText(QStringLiteral("demo"));
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), "File not found");
    EXPECT_TRUE(getUserCalls().isEmpty());
    EXPECT_FALSE(DM_MB->ADOCon->isOpen());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Authenticate, AFailingAddressLookupReachesTheErrorDisplay)
{
    environment.address = []() -> std::string { throw platform::NetworkError("Host name \"pc\" could not be resolved"); };
    form->show();
    form->Login_Edit->setText(QStringLiteral("demo"));
    form->Password_Edit->setText(QStringLiteral("demo2026"));
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), "Host name \"pc\" could not be resolved");
    EXPECT_TRUE(getUserCalls().isEmpty());
    EXPECT_TRUE(DM_MB->ADOCon->isOpen()); // as the first open left it
    EXPECT_EQ(form->statusText(), "");
}

// ---- values the connection string must carry ----

// A gateway password, a database file and a user's own password with
// semicolons and quotes: both connection strings carry them, and the user
// signs in.
TEST_F(Authenticate, SemicolonsAndQuotesInConnectionValuesSignIn)
{
    demo.sql(QStringLiteral("update server_logins set password = 'p;q' where login = 'qel_gate'"));
    demo.sql(QStringLiteral("update server_logins set password = 'Dm;7\"419' where login = 'qel_demo'"));
    demo.sql(QStringLiteral("update QEL_User set db_password = 'Dm;7\"419' where QEL_login = 'demo'"));
    const QString folder = demo.folder() + QStringLiteral("/Data/");
    ASSERT_TRUE(QFile::copy(demo.path(), folder + QStringLiteral("de;mo.db")));
    platform::writeFile((folder + QStringLiteral("QEL")).toStdString(),
                        EncodeConnectionSettings({"qel_gate", "p;q", "QEL", "file:Data/de;mo.db"}));

    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(accepted());
    EXPECT_EQ(dataModule->ADOQ_Kafedra->recordCount(), 3);
}

// A login with a control character is not sent: the statement is refused
// before the server, and the user is told.
TEST_F(Authenticate, ALoginWithAControlCharacterIsRefusedBeforeTheServer)
{
    form->show();
    form->Login_Edit->setText(QStringLiteral("de\x01mo"));
    form->Password_Edit->setText(QStringLiteral("demo2026"));
    bool opened = false;
    QObject::connect(dataModule->ADOCon, &db::Connection::opened, [&opened] { opened = true; });
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    EXPECT_TRUE(getUserCalls().isEmpty());
    EXPECT_FALSE(opened);
    EXPECT_FALSE(accepted());
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(form->statusText(), QString::fromUtf8(kUnsendableLoginText));
}

} // namespace

#include "sign_in_fixture.h"

#include "loopback_http_server.h"
#include "platform/files.h"
#include "signin/self_update.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {

const QString kMismatch = QStringLiteral("Новый пароль подтвержден не верно!!!\rПодтвердите пароль заново.");
const QString kTooShort =
    QStringLiteral("Пароль должен состоять не менее чем из 6 символов!!!\rВведите новый пароль заново.");

using SignInWindow = SignInTest;

TEST_F(SignInWindow, CreatedBorderlessWithItsPartsInPlace)
{
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->windowTitle(), "Аутентификация");
    EXPECT_EQ(form->size(), QSize(497, 273));
    EXPECT_EQ(form->Label1->text(), "V.1");
    EXPECT_EQ(form->attemptCounter(), 0);
    EXPECT_FALSE(form->passwordChangeMode());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 2000);
    EXPECT_EQ(form->Login_Edit->geometry(), QRect(146, 202, 187, 21));
    EXPECT_EQ(form->Edit2->geometry(), QRect(148, 345, 186, 21));
    // Each hidden character shows as an asterisk.
    for (QLineEdit* hidden : {form->Password_Edit, form->Edit1, form->Edit2}) {
        EXPECT_EQ(hidden->echoMode(), QLineEdit::Password);
        hidden->setText(QStringLiteral("пар0"));
        EXPECT_EQ(hidden->displayText(), "****") << hidden->objectName().toStdString();
        hidden->clear();
    }
    EXPECT_FALSE(form->Image1->pixmap().isNull());
    EXPECT_FALSE(form->Image2->pixmap().isNull());
    // The new-password boxes lie below the visible height, yet Tab reaches them.
    QWidget* next = form->Password_Edit->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    EXPECT_EQ(next, form->Edit1);
}

TEST_F(SignInWindow, PasswordChangeModeHeights)
{
    form->SpeedButton3->click();
    EXPECT_TRUE(form->passwordChangeMode());
    EXPECT_EQ(form->height(), 416);
    form->SpeedButton3->click();
    EXPECT_FALSE(form->passwordChangeMode());
    EXPECT_EQ(form->height(), 275);
}

TEST_F(SignInWindow, NewPasswordChecksComeInOrderWithoutAskingTheServer)
{
    form->SpeedButton3Click();
    struct Case {
        const char* password;
        const char* confirmation;
        QString status;
    };
    for (const Case& c : {Case{"abc", "abd", kMismatch}, Case{"abcde", "abcde", kTooShort}, Case{"", "", kTooShort}}) {
        form->Edit1->setText(QString::fromLatin1(c.password));
        form->Edit2->setText(QString::fromLatin1(c.confirmation));
        form->SpeedButton2Click();
        EXPECT_EQ(form->statusText(), c.status) << c.password;
        EXPECT_TRUE(form->Edit1->text().isEmpty());
        EXPECT_TRUE(form->Edit2->text().isEmpty());
    }
    EXPECT_EQ(form->attemptCounter(), 3); // counted although refused
    EXPECT_TRUE(getUserCalls().isEmpty());
    EXPECT_EQ(form->RzLabel1->text(), controls::displayText(kTooShort));

    form->Login_Edit->setText(QStringLiteral("demo"));
    form->Password_Edit->setText(QStringLiteral("demo2026"));
    form->Edit1->setText(QStringLiteral("abcdef"));
    form->Edit2->setText(QStringLiteral("abcdef"));
    form->SpeedButton2Click();
    EXPECT_EQ(getUserCalls().size(), 1); // six characters go on to the server
}

TEST_F(SignInWindow, NewPasswordBoxesTakeOnlyLatinLettersDigitsAndUnderscore)
{
    form->show();
    form->SpeedButton3Click();
    for (QLineEdit* box : {form->Edit1, form->Edit2}) {
        box->setFocus();
        for (const QChar ch : QStringLiteral("aЖ 1_!Z"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        EXPECT_EQ(box->text(), "a1_Z");
        QTest::keyClick(box, Qt::Key_Backspace);
        EXPECT_EQ(box->text(), "a1_");
    }
    form->Login_Edit->setFocus();
    QTest::sendKeyEvent(QTest::Click, form->Login_Edit, Qt::Key_unknown, QStringLiteral("Ж"), Qt::NoModifier);
    EXPECT_EQ(form->Login_Edit->text(), "Ж"); // the login takes any character
}

TEST_F(SignInWindow, EnterInThePasswordBoxSignsInExactlyOnce)
{
    form->show();
    form->Login_Edit->setText(QStringLiteral("demo"));
    form->Password_Edit->setText(QStringLiteral("wrong"));
    form->Password_Edit->setFocus();
    QTest::keyClick(form->Password_Edit, Qt::Key_Return);
    EXPECT_EQ(getUserCalls().size(), 1);
    EXPECT_EQ(form->attemptCounter(), 1);
    EXPECT_EQ(form->Password_Edit->text(), "wrong"); // no character added
    EXPECT_TRUE(form->isVisible());
    QTest::keyClick(form->Login_Edit, Qt::Key_Escape); // no Cancel either
    EXPECT_TRUE(form->isVisible());
}

TEST_F(SignInWindow, OnlyTheLeftButtonOnPicturesOrStatusDragsTheWindow)
{
    int moves = 0;
    form->systemMove = [&] { ++moves; };
    form->show();
    QTest::mousePress(form->Image1, Qt::RightButton);
    QTest::mousePress(form->Login_Edit, Qt::LeftButton);
    QTest::mousePress(form->Label1, Qt::LeftButton);
    EXPECT_EQ(moves, 0);
    QTest::mousePress(form->Image1, Qt::LeftButton);
    QTest::mousePress(form->Image2, Qt::LeftButton);
    QTest::mousePress(form->RzLabel1, Qt::LeftButton);
    EXPECT_EQ(moves, 3);
}

TEST_F(SignInWindow, ALeftoverUpdateScriptGoesAtCreation)
{
    platform::writeFile(UpdateScriptPath(), "@ECHO OFF\r\n");
    ASSERT_TRUE(platform::fileExists(UpdateScriptPath()));
    TForm8 another;
    EXPECT_FALSE(platform::fileExists(UpdateScriptPath()));
}

TEST_F(SignInWindow, ExitButtonRequestsTermination)
{
    form->SpeedButton1->click();
    EXPECT_TRUE(app->isTerminated());
}

class SelfUpdate : public SignInTest {
protected:
    void SetUp() override
    {
        SignInTest::SetUp();
        form->startScript = [this](const std::string& path) { startedScripts.push_back(path); };
        demo.sql(QStringLiteral("update QEL_User set update_flag = 2, message = 'не показывать' where QEL_login = 'demo'"));
    }
    std::vector<std::string> startedScripts;
    testing_support::LoopbackHttpServer server;
};

TEST_F(SelfUpdate, DownloadsWritesTheScriptAndEndsTwoSecondsLater)
{
    server.setReply("/qelprogs/QEL 23.exe", {200, std::string(1024, 'x'), {}});
    form->updateUrl = server.url("/qelprogs/QEL 23.exe");
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_FALSE(accepted());
    EXPECT_NE(form->statusText(), "не показывать");
    EXPECT_EQ(form->Label1->text(), "Идёт обновление программы, ПОДОЖДИТЕ...");
    EXPECT_EQ(platform::readFileStart(UpdateDownloadTarget(), 1024), std::string(1024, 'x'));
    EXPECT_TRUE(platform::fileExists(UpdateScriptPath()));
    ASSERT_EQ(startedScripts.size(), 1u);
    EXPECT_EQ(startedScripts.front(), UpdateScriptPath());
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 2000);
    EXPECT_FALSE(app->isTerminated());
    EXPECT_TRUE(dialogs.messages().isEmpty());

    QMetaObject::invokeMethod(form->Timer1, "timeout");
    EXPECT_EQ(form->Timer1->interval(), 100);
    EXPECT_TRUE(app->isTerminated());
    QMetaObject::invokeMethod(form->Timer1, "timeout"); // repeats until the program has ended
    EXPECT_EQ(form->Timer1->interval(), 100);
}

TEST_F(SelfUpdate, AnUnreachableServerOrAnErrorPageEndsTheProgramWithAMessage)
{
    server.setReply("/qelprogs/QEL 23.exe", {404, "<html>Not found</html>", {}});
    for (const std::string& url : {server.url("/qelprogs/QEL 23.exe"),
                                   "http://127.0.0.1:" + std::to_string(server.unusedPort()) + "/qelprogs/x"}) {
        app->resetTermination();
        dialogs.clear();
        form->updateUrl = url;
        signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_EQ(dialogs.messages().first().text, "Сервер обновлений не доступен.\rОбратитесь к администратору.");
        EXPECT_EQ(dialogs.messages().first().caption, "Уведомление");
        EXPECT_TRUE(app->isTerminated());
        EXPECT_TRUE(startedScripts.empty());
        EXPECT_EQ(platform::readFileStart(UpdateDownloadTarget(), 0), ""); // the empty target stays
    }
}

TEST_F(SelfUpdate, UpdateFlagOneIsAnOrdinarySignIn)
{
    demo.sql(QStringLiteral("update QEL_User set update_flag = 1, message = NULL where QEL_login = 'demo'"));
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(startedScripts.empty());
}

} // namespace

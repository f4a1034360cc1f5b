#include "sign_in_fixture.h"

#include "loopback_http_server.h"
#include "platform/files.h"
#include "signin/self_update.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

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

// The window grows and shrinks in place: its top-left corner stays, and its
// position stays an explicit one, which a window manager keeps (a window
// placed by the window system may be placed anew when it changes size).
TEST_F(SignInWindow, PasswordChangeModeHeights)
{
    form->show(); // centred, as shown modally
    const QPoint shownAt = form->pos();
    form->SpeedButton3->click();
    EXPECT_TRUE(form->passwordChangeMode());
    EXPECT_EQ(form->height(), 416);
    EXPECT_EQ(form->pos(), shownAt);
    EXPECT_TRUE(form->testAttribute(Qt::WA_Moved));
    form->SpeedButton3->click();
    EXPECT_FALSE(form->passwordChangeMode());
    EXPECT_EQ(form->height(), 275);
    EXPECT_EQ(form->pos(), shownAt);
}

TEST_F(SignInWindow, NewPasswordChecksComeInOrderWithoutAskingTheServer)
{
    form->SpeedButton3Click();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    struct Case {
        const char* password;
        const char* confirmation;
        QString status;
    };
    for (const Case& c : {Case{"abc", "abd", kMismatch}, Case{"abcde", "abcde", kTooShort}, Case{"", "", kTooShort}}) {
        form->Edit1->setText(QString::fromLatin1(c.password));
        form->Edit2->setText(QString::fromLatin1(c.confirmation));
        form->Edit2->setFocus(); // the confirmation typed last
        form->SpeedButton2Click();
        EXPECT_EQ(form->statusText(), c.status) << c.password;
        EXPECT_TRUE(form->Edit1->text().isEmpty());
        EXPECT_TRUE(form->Edit2->text().isEmpty());
        // The new password is typed again from its first box.
        EXPECT_EQ(QApplication::focusWidget(), form->Edit1) << c.password;
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
    form->show();
    QTest::mousePress(form->Image1, Qt::RightButton);
    QTest::mousePress(form->Login_Edit, Qt::LeftButton);
    QTest::mousePress(form->Label1, Qt::LeftButton);
    EXPECT_EQ(environment.moves, 0);
    QTest::mousePress(form->Image1, Qt::LeftButton);
    QTest::mousePress(form->Image2, Qt::LeftButton);
    QTest::mousePress(form->RzLabel1, Qt::LeftButton);
    EXPECT_EQ(environment.moves, 3);
}

TEST_F(SignInWindow, ALeftoverUpdateScriptGoesAtCreation)
{
    platform::writeFile(UpdateScriptPath(), "@ECHO OFF\r\n");
    ASSERT_TRUE(platform::fileExists(UpdateScriptPath()));
    TForm8 another(environment);
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
        demo.sql(QStringLiteral("update QEL_User set update_flag = 2, message = 'не показывать' where QEL_login = 'demo'"));
    }
    // A window of its own for another try: the one that started an update
    // takes no further sign-in.
    void freshWindow() { form = std::make_unique<TForm8>(environment); }
    // A small program for this system, as the update server offers it.
    static std::string program()
    {
        std::ifstream in(QEL_UPDATE_DUMMY, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Waits (generously) for the download's thread to end and the window to act on it.
    void waitForTheDownload()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !form->downloadingUpdate(); }, 60000));
    }
    void signInAndWait()
    {
        signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
        waitForTheDownload();
    }
    std::string downloaded() const
    {
        std::ifstream in(UpdateDownloadTarget(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    const std::vector<std::string>& startedScripts = environment.startedScripts;
    testing_support::LoopbackHttpServer server;
};

TEST_F(SelfUpdate, DownloadsWritesTheScriptAndEndsTwoSecondsLater)
{
    server.setReply("/qelprogs/QEL 23.exe", {200, program(), {}});
    environment.url = server.url("/qelprogs/QEL 23.exe");
    signInAndWait();
    EXPECT_FALSE(accepted());
    EXPECT_NE(form->statusText(), "не показывать");
    EXPECT_EQ(form->Label1->text(), "Идёт обновление программы, ПОДОЖДИТЕ...");
    EXPECT_EQ(downloaded(), program());
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

// Impatient users press Enter again: an Enter waiting while the update
// starts, and Enter and clicks during the two seconds before the end, start
// no second download and no second script.
TEST_F(SelfUpdate, FurtherSignInsAfterTheUpdateStartedAreIgnored)
{
    server.setReply("/qelprogs/QEL 23.exe", {200, program(), {}});
    environment.url = server.url("/qelprogs/QEL 23.exe");
    form->show();
    form->Login_Edit->setText(QStringLiteral("demo"));
    form->Password_Edit->setText(QStringLiteral("demo2026"));
    form->Password_Edit->setFocus();
    QCoreApplication::postEvent(form->Password_Edit,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
    form->SpeedButton2Click();
    ASSERT_TRUE(form->updating());

    QTest::keyClick(form->Password_Edit, Qt::Key_Return);
    QTest::keyClick(form->Login_Edit, Qt::Key_Enter);
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    form->SpeedButton2->click();
    QCoreApplication::processEvents();
    waitForTheDownload();

    EXPECT_EQ(getUserCalls().size(), 1);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(startedScripts.size(), 1u);
    EXPECT_EQ(form->attemptCounter(), 1);
    EXPECT_FALSE(accepted());
}

TEST_F(SelfUpdate, AnythingButAWholeProgramEndsTheProgramWithAMessage)
{
    const std::string whole = program();
    server.setReply("/missing", {404, "<html>Not found</html>", {}});
    server.setReply("/tiny", {200, "tiny file", {}});
    server.setReply("/portal", {200, "<html>" + std::string(50000, ' ') + "</html>", {}});
    server.setReply("/cut-off", {200, whole.substr(0, 5000), {}, whole.size()});
    server.setReply("/reset", {200, whole.substr(0, whole.size() / 2), {}, whole.size(), true});
    for (const std::string& url : {server.url("/missing"), server.url("/tiny"), server.url("/portal"),
                                   server.url("/cut-off"), server.url("/reset"),
                                   "http://127.0.0.1:" + std::to_string(server.unusedPort()) + "/qelprogs/x"}) {
        app->resetTermination();
        dialogs.clear();
        freshWindow();
        environment.url = url;
        signInAndWait();
        ASSERT_EQ(dialogs.messages().size(), 1) << url;
        EXPECT_EQ(dialogs.messages().first().text, "Сервер обновлений не доступен.\rОбратитесь к администратору.");
        EXPECT_EQ(dialogs.messages().first().caption, "Уведомление");
        EXPECT_TRUE(app->isTerminated()) << url;
        EXPECT_TRUE(startedScripts.empty()) << url;
        EXPECT_FALSE(platform::fileExists(UpdateScriptPath())) << url;
    }
}

// A script that cannot be written is a file error of the sign-in: the
// program goes on, and the next sign-in may try the update again.
TEST_F(SelfUpdate, AScriptThatCannotBeWrittenLeavesTheWindowUsable)
{
    server.setReply("/qelprogs/QEL 23.exe", {200, program(), {}});
    environment.url = server.url("/qelprogs/QEL 23.exe");
    platform::createFolder(UpdateScriptPath()); // a folder where the script should go
    signInAndWait();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(form->statusText(), "Неверно ввели логин или пароль.");
    EXPECT_FALSE(form->updating());
    EXPECT_TRUE(startedScripts.empty());
    EXPECT_FALSE(app->isTerminated());

    std::filesystem::remove(UpdateScriptPath());
    signInAndWait();
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(startedScripts.size(), 1u);
}

// A slow download leaves the window answering, shows what has come, and
// Cancel ends the program without a message and without an update.
TEST_F(SelfUpdate, TheWindowAnswersDuringTheDownloadAndCancelEndsItQuietly)
{
    const std::string large(4 * 1024 * 1024, 'x');
    testing_support::LoopbackHttpServer::Reply slow{200, large, {}};
    slow.trickleBytes = 2048;
    slow.trickleGap = std::chrono::milliseconds(100);
    server.setReply("/qelprogs/QEL 23.exe", slow);
    environment.url = server.url("/qelprogs/QEL 23.exe");
    form->show();
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    ASSERT_TRUE(form->downloadingUpdate());
    EXPECT_TRUE(form->UpdatePanel->isVisible());

    bool answered = false;
    QTimer::singleShot(0, form.get(), [&answered] { answered = true; });
    ASSERT_TRUE(QTest::qWaitFor([&answered] { return answered; }, 60000));
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->UpdateProgress->value() >= 2; }, 60000));
    EXPECT_EQ(form->UpdateProgress->maximum(), 4096);
    // One unit, the bar's: the label counts no bytes beside it.
    EXPECT_TRUE(form->UpdateProgress->text().endsWith(QStringLiteral("из 4096 КБ"))) << form->UpdateProgress->text().toStdString();
    EXPECT_FALSE(form->UpdateLabel->text().contains(QStringLiteral("байт"))) << form->UpdateLabel->text().toStdString();
    EXPECT_TRUE(form->updating());

    form->UpdateCancel->click();
    waitForTheDownload();
    EXPECT_TRUE(app->isTerminated());
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_TRUE(startedScripts.empty());
    EXPECT_FALSE(platform::fileExists(UpdateScriptPath()));
    EXPECT_FALSE(form->UpdatePanel->isVisible());
    EXPECT_TRUE(form->updating());
}

// A server that sends too little for too long is as unreachable as none.
TEST_F(SelfUpdate, ATricklingServerEndsAsUnavailable)
{
    testing_support::LoopbackHttpServer::Reply trickle{200, program(), {}};
    trickle.trickleBytes = 16;
    trickle.trickleGap = std::chrono::milliseconds(50);
    server.setReply("/qelprogs/QEL 23.exe", trickle);
    environment.url = server.url("/qelprogs/QEL 23.exe");
    environment.limits = {std::chrono::seconds(5), std::chrono::milliseconds(300), 1024 * 1024};
    signInAndWait();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().first().text, "Сервер обновлений не доступен.\rОбратитесь к администратору.");
    EXPECT_TRUE(app->isTerminated());
    EXPECT_TRUE(startedScripts.empty());
}

TEST_F(SelfUpdate, UpdateFlagOneIsAnOrdinarySignIn)
{
    demo.sql(QStringLiteral("update QEL_User set update_flag = 1, message = NULL where QEL_login = 'demo'"));
    signIn(QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(startedScripts.empty());
}

} // namespace

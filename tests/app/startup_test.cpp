#include "startup.h"

#include "controls/application.h"
#include "data/data_module.h"
#include "signin/sign_in_window.h"
#include "ui/main_window.h"
#include "fake_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

// Qt's own rule for the title it hands the window system (X11, Windows): the
// application's display name, when one is set, follows the window's caption.
class QPlatformWindow {
public:
    static QString formatWindowTitle(const QString& title, const QString& separator);
};

namespace {

QString titleShownBySystem(const QWidget& window)
{
    return QPlatformWindow::formatWindowTitle(window.windowTitle(), QString::fromUtf8(" \xe2\x80\x94 "));
}

// Watches every Show event of the main window.
class ShowCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("Form1"))
            ++shows;
        return false;
    }
    int shows = 0;
};

class StartUp : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = controls::Application::instance();
        app->resetTermination();
        app->installEventFilter(&counter);
    }
    void TearDown() override { app->removeEventFilter(&counter); }

    // Runs `step` once the sign-in window is up (its modal loop is running).
    static void whenSignInShows(std::function<void()> step)
    {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [poll, step] {
            if (Form8 && Form8->isVisible()) {
                poll->deleteLater();
                poll->stop();
                step();
            }
        });
        poll->start(5);
    }

    controls::Application* app = nullptr;
    ShowCounter counter;
    FakeDialogs dialogs;
};

TEST_F(StartUp, ExitButtonBeforeSignInEndsWithoutShowingTheMainWindow)
{
    bool dataModuleExistedDuringSignIn = false;
    whenSignInShows([&] {
        dataModuleExistedDuringSignIn = DM_MB != nullptr && !DM_MB->ADOCon->isOpen();
        Form8->SpeedButton1->click();
    });
    runProgram(*app);
    EXPECT_TRUE(dataModuleExistedDuringSignIn);
    EXPECT_TRUE(app->isTerminated());
    EXPECT_EQ(counter.shows, 0);
    EXPECT_EQ(Form8, nullptr);
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(DM_MB, nullptr);
    // Message boxes are captioned with the program's title.
    EXPECT_EQ(app->applicationName(), QStringLiteral("QEL 23 Научная деятельность сотрудника"));
}

TEST_F(StartUp, AcceptedSignInShowsTheMainWindowOnceCentredAndClearsForm8)
{
    bool form8ClearedWhileRunning = false;
    QString caption;
    QString boxCaption;
    QString signInCaption;
    QPoint centreOffset;
    bool inside = false;
    whenSignInShows([&] {
        signInCaption = titleShownBySystem(*Form8);
        app->setShowMainForm(true);
        Form8->accept();
        QTimer::singleShot(0, [&] {
            form8ClearedWhileRunning = Form8 == nullptr;
            caption = titleShownBySystem(*Form1);
            QMessageBox box(QMessageBox::Question, QStringLiteral("Уведомление"), QStringLiteral("?"));
            boxCaption = titleShownBySystem(box);
            const QRect screen = Form1->screen()->availableGeometry();
            centreOffset = Form1->frameGeometry().center() - screen.center();
            inside = screen.contains(Form1->frameGeometry());
            Form1->close();
        });
    });
    runProgram(*app);
    EXPECT_FALSE(app->isTerminated());
    EXPECT_EQ(counter.shows, 1);
    EXPECT_TRUE(form8ClearedWhileRunning);
    // Each window shows exactly its own caption: nothing is appended to it.
    EXPECT_EQ(caption, QStringLiteral("QEL 23 Научная деятельность сотрудника"));
    EXPECT_EQ(signInCaption, QStringLiteral("Аутентификация"));
    EXPECT_EQ(boxCaption, QStringLiteral("Уведомление"));
    EXPECT_LE(centreOffset.manhattanLength(), 2);
    EXPECT_TRUE(inside);
}

// The box a handler asks goes over the main window even when no window of the
// program is active at that moment (the window manager gave the activation
// elsewhere), and its standard buttons speak Russian, as the start-up loads
// the toolkit's translation.
TEST_F(StartUp, ABoxOpensOverItsWindowWithTheToolkitsButtonsInRussian)
{
    QString owner;
    QStringList buttons;
    controls::Button answer = controls::Button::Ok;
    whenSignInShows([&] {
        app->setShowMainForm(true);
        Form8->accept();
        QTimer::singleShot(0, [&] {
            QApplication::setActiveWindow(nullptr);
            controls::installDialogs(nullptr);
            auto* poll = new QTimer;
            QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                poll->stop();
                poll->deleteLater();
                owner = box->parentWidget() ? box->parentWidget()->objectName() : QString();
                for (QAbstractButton* button : box->buttons())
                    buttons << button->text().remove(QLatin1Char('&'));
                box->button(QMessageBox::No)->click();
            });
            poll->start(10);
            answer = controls::ask({QStringLiteral("Уведомление"), QStringLiteral("Сохранить?"), controls::Icon::Question,
                                    {controls::Button::Yes, controls::Button::No, controls::Button::Cancel}});
            controls::installDialogs(&dialogs);
            Form1->close();
        });
    });
    runProgram(*app);
    EXPECT_EQ(owner, "Form1");
    EXPECT_EQ(answer, controls::Button::No);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Да", "Нет", "Отмена"}));
}

// A window manager frames the window only after it is mapped; the program
// fits it again then. Run by scripts/test_window_manager.sh (openbox on an
// Xvfb screen of 1366 x 768); headless there is no frame to fit.
TEST_F(StartUp, UnderAWindowManagerTheFramedMainWindowFitsAndABoxGivesTheFocusBack)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager: scripts/test_window_manager.sh";
    bool framed = false;
    QRect frame;
    QRect screen;
    QRect boxFrame;
    QStringList buttons;
    bool focusBack = false;
    whenSignInShows([&] {
        app->setShowMainForm(true);
        Form8->accept();
        QTimer::singleShot(0, [&] {
            framed = QTest::qWaitFor([] { return Form1->frameGeometry().height() > Form1->height(); }, 5000);
            screen = Form1->screen()->availableGeometry();
            static_cast<void>(QTest::qWaitFor([&] { return screen.contains(Form1->frameGeometry()); }, 3000));
            frame = Form1->frameGeometry();

            static_cast<void>(QTest::qWaitForWindowActive(Form1));
            Form1->DBLookupComboBox2->setFocus();
            controls::installDialogs(nullptr);
            auto* poll = new QTimer;
            QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || !box->isActiveWindow())
                    return;
                poll->stop();
                poll->deleteLater();
                boxFrame = box->frameGeometry();
                for (QAbstractButton* button : box->buttons())
                    buttons << button->text().remove(QLatin1Char('&'));
                box->button(QMessageBox::Ok)->click();
            });
            poll->start(20);
            controls::ask({QStringLiteral("Уведомление"), QStringLiteral("Готово"), controls::Icon::Information,
                           {controls::Button::Ok, controls::Button::Cancel}});
            controls::installDialogs(&dialogs);
            focusBack = QTest::qWaitFor(
                [] { return Form1->isActiveWindow() && QApplication::focusWidget() == Form1->DBLookupComboBox2; },
                3000);
            Form1->close();
        });
    });
    runProgram(*app);
    ASSERT_TRUE(framed) << "no frame came";
    EXPECT_TRUE(screen.contains(frame)) << "frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                        << frame.height() << " on " << screen.width() << "x" << screen.height();
    EXPECT_TRUE(screen.contains(boxFrame));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"OK", "Отмена"}));
    EXPECT_TRUE(focusBack);
}

TEST_F(StartUp, RejectedSignInEndsEvenWhenAnAttemptHadSetTheShowFlag)
{
    whenSignInShows([&] {
        app->setShowMainForm(true); // a failed attempt may have set it
        Form8->reject();
    });
    runProgram(*app);
    EXPECT_TRUE(app->isTerminated());
    EXPECT_EQ(counter.shows, 0);
    EXPECT_EQ(Form8, nullptr);
}

TEST_F(StartUp, AnExceptionInAHandlerIsShownAndTheProgramGoesOn)
{
    QObject target;
    QObject::connect(&target, &QObject::objectNameChanged, [] { throw std::runtime_error("Ошибка обработчика"); });
    QTimer::singleShot(0, &target, [&] { target.setObjectName("x"); });
    QTimer::singleShot(20, app, &QCoreApplication::quit);
    app->exec();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().first().text, QStringLiteral("Ошибка обработчика"));
}

} // namespace

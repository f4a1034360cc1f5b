#pragma once
#include "controls/application.h"
#include "data/data_module.h"
#include "data/session_loading.h"
#include "embedded_faults.h"
#include "demo_database.h"
#include "fake_dialogs.h"
#include "ui/dictionary_editor.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QListView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The main window over a fresh demo database, signed in as the demo user the
// way the sign-in leaves the data module: own login, session data loaded,
// dates day-month-year.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls::Application::instance()->resetTermination();
        dataModule = std::make_unique<TDM_MB>();
        DM_MB = dataModule.get();
        form = std::make_unique<TForm1>([this] { return signIn(); });
        QObject::connect(dataModule->ADOCon, &db::Connection::statementSent,
                         [this](const QString& statement) { statements << statement; });
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        dataModule.reset();
        DM_MB = nullptr;
        db::embedded_faults::clear();
    }

    // The sign-in the main window runs at its creation: here the session the
    // sign-in window leaves, started on the demo copy.
    virtual bool signIn()
    {
        startSession(*dataModule, demo.connectionString(), QStringLiteral("demo"));
        return true;
    }

    // Opens a reference-books menu item; `whileOpen` runs inside the
    // dictionary editor's modal loop and must close it.
    static void openItem(QAction* item, const std::function<void(TForm2&)>& whileOpen)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ASSERT_NE(Form2, nullptr);
            ASSERT_TRUE(Form2->isModal());
            ran = true;
            whileOpen(*Form2);
            if (Form2 && Form2->isVisible())
                Form2->close();
        });
        item->trigger();
        EXPECT_TRUE(ran);
        EXPECT_EQ(Form2, nullptr);
    }

    // A selection by the user: the entry holding `key` picked from the open list.
    static void userSelects(controls::DBLookupComboBox* picker, const QVariant& key)
    {
        db::Dataset* list = picker->listSource()->dataset();
        const int row = list->locate(picker->keyField(), key);
        ASSERT_GE(row, 0) << "no entry " << key.toString().toStdString();
        picker->dropDown();
        picker->listView()->setCurrentIndex(picker->listView()->model()->index(row, 0));
        picker->closeUp(true);
    }
    void chooseTeacher(int teacher, int year = 16, int department = 1)
    {
        userSelects(form->DBLookupComboBox2, year);
        userSelects(form->DBLookupComboBox1, department);
        userSelects(form->DBLookupComboboxEh1, teacher);
    }
    // The window active with the focus in it, as a user has it.
    void activate(QWidget* window)
    {
        window->show();
        // Pending activations first (a picker's list closed a moment ago).
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        ASSERT_EQ(QApplication::activeWindow(), window);
    }
    // Types into whatever has the focus, as a user would (Cyrillic too).
    static void type(const QString& text)
    {
        if (!QApplication::focusWidget()) {
            ADD_FAILURE() << "typing with the focus nowhere";
            return;
        }
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
        QCoreApplication::processEvents();
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (!QApplication::focusWidget()) {
            ADD_FAILURE() << "a key pressed with the focus nowhere";
            return;
        }
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QCoreApplication::processEvents();
    }
    int count(const QString& statement) const { return demo.scalar(statement).toInt(); }
    int sent(const QString& fragment) const { return int(statements.filter(fragment).size()); }

    DemoDatabase demo;
    FakeDialogs dialogs;
    std::unique_ptr<TDM_MB> dataModule;
    std::unique_ptr<TForm1> form;
    QStringList statements;
};

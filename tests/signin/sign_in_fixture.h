#pragma once
#include "controls/application.h"
#include "data/data_module.h"
#include "embedded_faults.h"
#include "demo_database.h"
#include "fake_dialogs.h"
#include "fake_sign_in_environment.h"
#include "fake_session.h"
#include "signin/sign_in_window.h"

#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

// The sign-in window over a fresh demo database, the program folder being the
// database's folder.
class SignInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = controls::Application::instance();
        app->resetTermination();
        app->setShowMainForm(false);
        demo.becomeProgramFolder();
        dataModule = std::make_unique<TDM_MB>();
        DM_MB = dataModule.get();
        dataModule->setSession(&session);
        session.login.clear();
        QObject::connect(dataModule->ADOCon, &db::Connection::statementSent,
                         [this](const QString& statement) { statements << statement; });
        form = std::make_unique<TForm8>(environment);
    }
    void TearDown() override
    {
        form.reset();
        dataModule.reset();
        DM_MB = nullptr;
        db::embedded_faults::clear();
    }
    void signIn(const QString& login, const QString& password)
    {
        form->Login_Edit->setText(login);
        form->Password_Edit->setText(password);
        form->SpeedButton2Click();
    }
    QStringList getUserCalls() const { return statements.filter(QStringLiteral("EXEC GET_USER")); }
    bool accepted() const { return form->result() == QDialog::Accepted; }

    controls::Application* app = nullptr;
    DemoDatabase demo;
    FakeDialogs dialogs;
    FakeSession session;
    FakeSignInEnvironment environment;
    std::unique_ptr<TDM_MB> dataModule;
    std::unique_ptr<TForm8> form;
    QStringList statements;
};

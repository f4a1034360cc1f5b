#pragma once
// The main window: hidden until a user has signed in.
#include "data/session.h"

#include <QWidget>

#include <functional>

inline constexpr char kProgramTitle[] = "QEL 23 Научная деятельность сотрудника";

class TForm1 : public QWidget, public SessionState {
    Q_OBJECT
public:
    // Shows the sign-in modally; true when it closed with OK.
    using SignIn = std::function<bool()>;

    // Creating the main window runs `signIn` (the sign-in window lives in a
    // layer above the windows, so start-up hands it in); termination is
    // requested unless it succeeds.
    explicit TForm1(const SignIn& signIn, QWidget* parent = nullptr);
    ~TForm1() override;

    QVariant currentTeacherKey() const override { return {}; }
    QString signedInLogin() const override { return m_signedInLogin; }
    void setSignedInLogin(const QString& login) override { m_signedInLogin = login; }

private:
    void FormCreate(const SignIn& signIn);

    QString m_signedInLogin;
};

extern TForm1* Form1;

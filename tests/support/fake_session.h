#pragma once
#include "data/session.h"

// Stands in for the main window: the teacher picker's key and the login.
class FakeSession : public SessionState {
public:
    QVariant currentTeacherKey() const override { return teacher; }
    QString signedInLogin() const override { return login; }
    void setSignedInLogin(const QString& value) override { login = value; }
    QVariant teacher;
    QString login = QStringLiteral("demo");
};

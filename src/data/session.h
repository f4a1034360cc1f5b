#pragma once
// The two values of the signed-in session that the data module's rules read at
// the moment they run. The main window holds them and implements this; the
// data module never includes a window.
#include <QString>
#include <QVariant>

class SessionState {
public:
    virtual ~SessionState() = default;
    // The teacher picker's key value: a null QVariant when no teacher is chosen.
    virtual QVariant currentTeacherKey() const = 0;
    // The text of the login box at the moment of a successful sign-in.
    virtual QString signedInLogin() const = 0;
    virtual void setSignedInLogin(const QString& login) = 0;
};

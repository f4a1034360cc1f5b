#pragma once
// The sign-in window: a borderless window of two pictures with the login and
// password boxes laid over their white fields, three flat buttons over their
// painted captions, a status label and a version label. A second, lower strip
// with the new-password boxes shows in password-change mode.
#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

// The workstation's address, asked afresh at each sign-in attempt.
class TIdIPWatch {
public:
    // Resolves the workstation's own host name; throws when it cannot.
    std::string LocalIP() const;
    // Tests put another lookup in place of the system's.
    std::function<std::string()> lookup;
};

class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);
    ~TForm8() override;

    QLabel* Image1;
    QLineEdit* Login_Edit;
    QLineEdit* Password_Edit;
    QToolButton* SpeedButton2; // sign in
    QToolButton* SpeedButton3; // password change
    QLabel* Image2;
    QLineEdit* Edit1;          // new password
    QLineEdit* Edit2;          // its confirmation
    QToolButton* SpeedButton1; // exit
    QLabel* RzLabel1;          // status
    TIdIPWatch IdIPWatch1;
    QTimer* Timer1;            // end timer of the self-update
    QLabel* Label1;            // version

    // The exchange with the server's GET_USER; true when the user has been
    // accepted, the connection reopened with the user's own login and the
    // session data loaded.
    bool Authenticate(const QString& newPasswordArgument);
    void LoadSessionData();
    void StartSelfUpdate();

    uint8_t attemptCounter() const { return m_attempts; }
    // From the start of a self-update on: no further sign-in is taken.
    bool updating() const { return m_updating; }
    bool passwordChangeMode() const { return m_passwordChangeMode; }
    // The status text as set, with its carriage returns.
    const QString& statusText() const { return m_status; }

    // Where the new build is fetched from; tests point it at a local server.
    std::string updateUrl;
    // Starts the window system's move of the window; tests count the calls.
    std::function<void()> systemMove;
    // Starts the update script hidden; tests record it instead.
    std::function<void(const std::string&)> startScript;

public slots:
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void buildPictures();
    void buildBoxes();
    void buildButtons();
    void buildLabels();
    void setStatus(const QString& text);
    void Timer1Timer();
    void Image1MouseDown(QMouseEvent* event);
    bool EditAllKeyDown(QKeyEvent* event);

    uint8_t m_attempts = 0;
    bool m_passwordChangeMode = false;
    bool m_updating = false;
    QString m_status;
};

// The sign-in window while it exists; cleared when it is destroyed.
extern TForm8* Form8;

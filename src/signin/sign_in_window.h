#pragma once
// The sign-in window: a borderless window of two pictures with the login and
// password boxes laid over their white fields, three flat buttons over their
// painted captions, a status label and a version label. A second, lower strip
// with the new-password boxes shows in password-change mode.
//
// The window holds the layout and the checks of what was typed; the exchange
// with the server is SignInExchange's, the decision on its reply
// decideSignIn's, and what it needs from outside comes from its
// SignInEnvironment.
#include "signin/sign_in_environment.h"

#include <QDialog>

#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QLineEdit;
class QTimer;
class QToolButton;
class SignInExchange;
class UpdateDownload;
struct GetUserReply;
enum class SignInDecision;
enum class UpdateDownloadResult;

class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(SignInEnvironment& environment = SignInEnvironment::system(), QWidget* parent = nullptr);
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
    QTimer* Timer1;            // end timer of the self-update
    QLabel* Label1;            // version
    QFrame* UpdatePanel;       // shown while the new build downloads
    QLabel* UpdateLabel;       // its bytes received
    QProgressBar* UpdateProgress; // in KiB, when the server announced the length
    QPushButton* UpdateCancel;

    // One sign-in attempt with the server; true when the user has been
    // accepted and the session started (startSession): the connection
    // reopened with the user's own login, the session data loaded, the date
    // format set.
    bool Authenticate(const QString& newPasswordArgument);
    // Starts the new build's download on a thread of its own; the window
    // stays usable for Cancel, and finishes the update when it has ended.
    void StartSelfUpdate();
    bool downloadingUpdate() const { return m_downloadThread.joinable(); }

    uint8_t attemptCounter() const { return m_attempts; }
    // From the start of a self-update on: no further sign-in is taken.
    bool updating() const { return m_updating; }
    bool passwordChangeMode() const { return m_passwordChangeMode; }
    // The status text as set, with its carriage returns.
    const QString& statusText() const { return m_status; }

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
    void clearNewPassword();
    // Acts on a reply that does not sign the user in.
    void refuse(SignInDecision decision, const GetUserReply& reply, SignInExchange& exchange);
    void buildUpdatePanel();
    void showUpdateProgress(std::uint64_t received, std::int64_t total);
    // On the window's thread once the download's thread has ended.
    void finishSelfUpdate(UpdateDownloadResult result, std::exception_ptr error);
    void Timer1Timer();
    void Image1MouseDown(QMouseEvent* event);
    bool EditAllKeyDown(QKeyEvent* event);

    SignInEnvironment& m_environment;
    uint8_t m_attempts = 0;
    bool m_passwordChangeMode = false;
    bool m_updating = false;
    QString m_status;
    std::unique_ptr<UpdateDownload> m_download;
    std::thread m_downloadThread;
};

// The sign-in window while it exists; cleared when it is destroyed.
extern TForm8* Form8;

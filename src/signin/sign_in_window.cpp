#include "signin/sign_in_window.h"

#include "controls/application.h"
#include "controls/dialogs.h"
#include "data/data_module.h"
#include "data/session_loading.h"
#include "signin/get_user_reply.h"
#include "platform/workstation.h"
#include "signin/get_user_statement.h"
#include "signin/jpeg_image.h"
#include "signin/self_update.h"
#include "signin/sign_in_exchange.h"
#include "signin/text8.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <climits>

TForm8* Form8 = nullptr;

namespace {

constexpr int kVersion = 1;
constexpr int kNormalHeight = 275;
constexpr int kPasswordChangeHeight = 416;
constexpr int kMinimumPasswordLength = 6;
constexpr int kEndDelayMs = 2000;
constexpr int kEndRepeatMs = 100;

const QString kMustChangePassword = QStringLiteral(
    "Вы должны поменять пароль\rЭто делается для безопастности и сохранения данных от злоумышлеников");
const QString kWrongLoginOrPassword = QStringLiteral("Неверно ввели логин или пароль.");
const QString kConfirmationDiffers =
    QStringLiteral("Новый пароль подтвержден не верно!!!\rПодтвердите пароль заново.");
const QString kPasswordTooShort =
    QStringLiteral("Пароль должен состоять не менее чем из 6 символов!!!\rВведите новый пароль заново.");
// The server compares digests of the Windows-1251 bytes of a password: a
// character the code page cannot hold is refused rather than turned into '?'.
// A login with a control character cannot be sent either: it is refused here,
// before any connection, with the same text.
const QString kLoginCharacters = QString::fromUtf8(kUnsendableLoginText);
const QString kPasswordCharacters =
    QStringLiteral("В пароле есть символы, которые нельзя использовать!!!\rВведите пароль заново.");

// A text box that keeps its text unselected when Tab brings the focus to it.
class PlainFocusLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QLineEdit::focusInEvent(event);
        deselect();
    }
};

QLineEdit* makeBox(QWidget* parent, const char* name, const QRect& geometry, bool selectAllOnFocus, bool hidden)
{
    QLineEdit* box = selectAllOnFocus ? new QLineEdit(parent) : new PlainFocusLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setFrame(false);
    // A hidden box shows each character as an asterisk (42), not the style's bullet.
    box->setStyleSheet(hidden ? QStringLiteral("QLineEdit { background: white; color: black; border: none; "
                                               "lineedit-password-character: 42; }")
                              : QStringLiteral("QLineEdit { background: white; color: black; border: none; }"));
    if (hidden)
        box->setEchoMode(QLineEdit::Password);
    return box;
}

QToolButton* makeFlatButton(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QToolButton { background: transparent; border: none; }"
                                         "QToolButton:hover { background: rgba(255, 255, 255, 45); }"
                                         "QToolButton:pressed { background: rgba(0, 0, 0, 35); }"
                                         "QToolButton:disabled { background: rgba(255, 255, 255, 110); }"));
    return button;
}

QString errorText(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

} // namespace

TForm8::TForm8(SignInEnvironment& environment, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Аутентификация"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    resize(497, 273);
    buildPictures();
    buildBoxes();
    buildButtons();
    buildLabels();
    Timer1 = new QTimer(this);
    Timer1->setInterval(kEndDelayMs);
    connect(Timer1, &QTimer::timeout, this, &TForm8::Timer1Timer);
    buildUpdatePanel();
    FormCreate();
}

TForm8::~TForm8()
{
    if (m_download)
        m_download->cancel();
    if (m_downloadThread.joinable())
        m_downloadThread.join();
}

// Over the boxes, which take no input while the update runs.
void TForm8::buildUpdatePanel()
{
    UpdatePanel = new QFrame(this);
    UpdatePanel->setObjectName(QStringLiteral("UpdatePanel"));
    UpdatePanel->setGeometry(12, 192, 473, 72);
    UpdatePanel->setFrameShape(QFrame::StyledPanel);
    UpdatePanel->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(UpdatePanel);
    UpdateLabel = new QLabel(UpdatePanel);
    column->addWidget(UpdateLabel);
    auto* row = new QHBoxLayout;
    UpdateProgress = new QProgressBar(UpdatePanel);
    UpdateProgress->setFormat(QStringLiteral("%v КБ из %m КБ"));
    row->addWidget(UpdateProgress, 1);
    UpdateCancel = new QPushButton(QStringLiteral("Отмена"), UpdatePanel);
    UpdateCancel->setObjectName(QStringLiteral("UpdateCancel"));
    connect(UpdateCancel, &QPushButton::clicked, this, [this] {
        UpdateCancel->setEnabled(false);
        if (m_download)
            m_download->cancel();
    });
    row->addWidget(UpdateCancel);
    column->addLayout(row);
    UpdatePanel->hide();
}

void TForm8::buildPictures()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 497, 278);
    Image1->setPixmap(QPixmap::fromImage(loadJpegResource(QStringLiteral(":/signin/top.jpg"))
                                             .scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    Image1->installEventFilter(this);
}

void TForm8::buildBoxes()
{
    Login_Edit = makeBox(this, "Login_Edit", {146, 202, 187, 21}, false, false);
    Password_Edit = makeBox(this, "Password_Edit", {146, 238, 187, 21}, true, true);
    SpeedButton2 = makeFlatButton(this, "SpeedButton2", {349, 200, 55, 20});
    SpeedButton3 = makeFlatButton(this, "SpeedButton3", {346, 236, 139, 22});

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 277, 497, 139);
    Image2->setPixmap(QPixmap::fromImage(loadJpegResource(QStringLiteral(":/signin/bottom.jpg"))
                                             .scaled(Image2->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    Image2->installEventFilter(this);

    Edit1 = makeBox(this, "Edit1", {148, 309, 186, 21}, false, true);
    Edit2 = makeBox(this, "Edit2", {148, 345, 186, 21}, true, true);
    // New passwords: Latin letters, digits and the underscore only.
    const auto* allowed = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z_]*")), this);
    Edit1->setValidator(allowed);
    Edit2->setValidator(allowed);

    setTabOrder(Login_Edit, Password_Edit);
    setTabOrder(Password_Edit, Edit1);
    setTabOrder(Edit1, Edit2);
    for (QLineEdit* box : {Login_Edit, Password_Edit, Edit1, Edit2})
        box->installEventFilter(this);
}

void TForm8::buildButtons()
{
    SpeedButton1 = makeFlatButton(this, "SpeedButton1", {418, 199, 67, 22});
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm8::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm8::SpeedButton3Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm8::SpeedButton1Click);
}

void TForm8::buildLabels()
{
    RzLabel1 = new QLabel(this);
    RzLabel1->setObjectName(QStringLiteral("RzLabel1"));
    RzLabel1->setGeometry(60, 107, 329, 78);
    RzLabel1->setAlignment(Qt::AlignCenter);
    RzLabel1->setWordWrap(true);
    RzLabel1->setAttribute(Qt::WA_TranslucentBackground);
    QFont status(QStringLiteral("Arial"));
    status.setPixelSize(13);
    status.setBold(true);
    RzLabel1->setFont(status);
    RzLabel1->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    RzLabel1->installEventFilter(this);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(6, 5);
    QFont version(QStringLiteral("MS Sans Serif"));
    version.setPixelSize(13);
    version.setBold(true);
    Label1->setFont(version);
    Label1->setStyleSheet(QStringLiteral("background: transparent;"));
}

void TForm8::FormCreate()
{
    RemoveLeftoverUpdateScript();
    Label1->setText(QStringLiteral("V.") + QString::number(kVersion));
    Label1->adjustSize();
    m_attempts = 0;
    m_passwordChangeMode = false;
    Login_Edit->setFocus();
}

void TForm8::setStatus(const QString& text)
{
    m_status = text;
    RzLabel1->setText(controls::displayText(text));
}

// ---- buttons ----

void TForm8::SpeedButton2Click()
{
    // Once the update has started, the program only waits for its end: no
    // second download, no second script.
    if (m_updating)
        return;
    ++m_attempts;
    if (!fitsText8(Login_Edit->text()) || !IsSendableLogin(toText8(Login_Edit->text()))) {
        setStatus(kLoginCharacters);
        return;
    }
    const bool passwordFits = fitsText8(Password_Edit->text());
    const bool newPasswordFits = !m_passwordChangeMode || (fitsText8(Edit1->text()) && fitsText8(Edit2->text()));
    if (!passwordFits || !newPasswordFits) {
        if (!passwordFits)
            Password_Edit->clear();
        if (!newPasswordFits)
            clearNewPassword();
        setStatus(kPasswordCharacters);
        return;
    }
    bool accepted = false;
    if (!m_passwordChangeMode) {
        accepted = Authenticate(QStringLiteral("NULL"));
    } else if (Edit1->text() != Edit2->text()) {
        clearNewPassword();
        setStatus(kConfirmationDiffers);
        return;
    } else if (Edit1->text().size() < kMinimumPasswordLength) {
        clearNewPassword();
        setStatus(kPasswordTooShort);
        return;
    } else {
        accepted = Authenticate(Edit1->text());
    }
    if (accepted)
        done(QDialog::Accepted);
}

// Both new-password boxes emptied: the new password is typed again from the
// first one.
void TForm8::clearNewPassword()
{
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus(Qt::OtherFocusReason);
}

// The window grows or shrinks in place. Its place is given with the new
// size: a window the window system placed (centred when shown) may otherwise
// be placed anew by a window manager when only its size changes.
void TForm8::SpeedButton3Click()
{
    m_passwordChangeMode = !m_passwordChangeMode;
    const int height = m_passwordChangeMode ? kPasswordChangeHeight : kNormalHeight;
    setGeometry(QRect(geometry().topLeft(), QSize(width(), height)));
}

void TForm8::SpeedButton1Click()
{
    controls::Application::instance()->terminate();
}

// ---- keys and mouse ----

bool TForm8::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched))
        return EditAllKeyDown(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::MouseButtonPress && (watched == Image1 || watched == Image2 || watched == RzLabel1)) {
        Image1MouseDown(static_cast<QMouseEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Enter in any of the four boxes signs in, and goes no further.
bool TForm8::EditAllKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    SpeedButton2Click();
    return true;
}

// The window has no Cancel: Escape does not close it.
void TForm8::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TForm8::Image1MouseDown(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_environment.startWindowMove(*this);
}

// ---- the exchange with the server ----

bool TForm8::Authenticate(const QString& newPasswordArgument)
{
    SignInExchange exchange(*DM_MB->ADOCon, ReadConnectionSettings());
    if (const std::optional<QString> refusal = exchange.connectGateway())
        setStatus(exchange.withoutGatewayLogin(*refusal));
    const SignInRequest request{Login_Edit->text(), Password_Edit->text(), newPasswordArgument};
    // Asked outside the handling below: a failing lookup reaches the default error display.
    const Workstation workstation{m_environment.localAddress(), platform::computerName()};

    GetUserReply reply;
    try {
        reply = exchange.askGetUser(request, workstation);
        if (const SignInDecision decision = decideSignIn(reply, m_attempts); decision != SignInDecision::Accept) {
            refuse(decision, reply, exchange);
            return false;
        }
    } catch (const std::exception& error) {
        controls::showMessage(errorText(error));
        setStatus(kWrongLoginOrPassword);
        exchange.close();
        return false;
    }

    try {
        startSession(*DM_MB, exchange.userConnectionString(reply), request.login);
        controls::Application::instance()->setShowMainForm(true);
        return true;
    } catch (const std::exception& error) {
        controls::showMessage(errorText(error));
        setStatus(QString());
        exchange.close();
        return false;
    }
}

// A self-update and the server's message leave the gateway connection open;
// a password change closes it, the next attempt bringing the new password.
void TForm8::refuse(SignInDecision decision, const GetUserReply& reply, SignInExchange& exchange)
{
    switch (decision) {
    case SignInDecision::SelfUpdate:
        StartSelfUpdate();
        return;
    case SignInDecision::ShowServerMessage:
        setStatus(reply.message);
        return;
    case SignInDecision::ForcePasswordChange:
    case SignInDecision::OfferPasswordChange:
        exchange.close();
        setStatus(kMustChangePassword);
        SpeedButton3Click();
        // A forced change cannot be declined: the mode stays open.
        if (decision == SignInDecision::ForcePasswordChange)
            SpeedButton3->setEnabled(false);
        return;
    case SignInDecision::Accept:
        return;
    }
}

// ---- self-update ----

void TForm8::StartSelfUpdate()
{
    // Set before anything else, so that a further Enter or click while the
    // download runs starts no second update. Cleared only when writing the
    // download or the script fails: the program then keeps running and the
    // user may sign in again.
    m_updating = true;
    Label1->setText(QStringLiteral("Идёт обновление программы, ПОДОЖДИТЕ..."));
    Label1->adjustSize();
    showUpdateProgress(0, -1);
    UpdateCancel->setEnabled(true);
    UpdatePanel->show();
    UpdatePanel->raise();

    m_download = std::make_unique<UpdateDownload>(m_environment.updateUrl(), m_environment.updateLimits());
    m_downloadThread = std::thread([this, download = m_download.get()] {
        UpdateDownloadResult result = UpdateDownloadResult::Unavailable;
        std::exception_ptr error;
        try {
            result = download->run([this](std::uint64_t received, std::int64_t total) {
                QMetaObject::invokeMethod(
                    this, [this, received, total] { showUpdateProgress(received, total); }, Qt::QueuedConnection);
            });
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            this, [this, result, error] { finishSelfUpdate(result, error); }, Qt::QueuedConnection);
    });
}

void TForm8::showUpdateProgress(std::uint64_t received, std::int64_t total)
{
    const auto kib = [](std::uint64_t bytes) { return static_cast<int>(std::min<std::uint64_t>(bytes / 1024, INT_MAX)); };
    if (total >= 0) {
        UpdateLabel->setText(QStringLiteral("Загрузка обновления…"));
        UpdateProgress->setRange(0, kib(static_cast<std::uint64_t>(total)));
        UpdateProgress->setValue(kib(received));
    } else {
        UpdateLabel->setText(QStringLiteral("Загрузка обновления… %1 КБ").arg(kib(received)));
        UpdateProgress->setRange(0, 0); // busy: no length to measure against
    }
}

void TForm8::finishSelfUpdate(UpdateDownloadResult result, std::exception_ptr error)
{
    m_downloadThread.join();
    m_download.reset();
    UpdatePanel->hide();
    bool scriptWritten = false;
    try {
        if (error)
            std::rethrow_exception(error);
        switch (result) {
        case UpdateDownloadResult::Cancelled:
            controls::Application::instance()->terminate();
            return;
        case UpdateDownloadResult::Unavailable:
            controls::ask({QStringLiteral("Уведомление"),
                           QStringLiteral("Сервер обновлений не доступен.\rОбратитесь к администратору."),
                           controls::Icon::Information, {controls::Button::Ok}});
            controls::Application::instance()->terminate();
            return;
        case UpdateDownloadResult::Ready:
            break;
        }
        WriteUpdateScript();
        scriptWritten = true;
        m_environment.startScript(UpdateScriptPath());
    } catch (const std::exception& failure) {
        // As any failure of the sign-in: the gateway connection goes. Unless
        // a script is in place, the user may sign in and try again.
        m_updating = scriptWritten;
        controls::showMessage(errorText(failure));
        setStatus(kWrongLoginOrPassword);
        DM_MB->ADOCon->close();
        return;
    }
    Timer1->start();
}

void TForm8::Timer1Timer()
{
    if (Timer1->interval() == kEndDelayMs)
        Timer1->setInterval(kEndRepeatMs);
    controls::Application::instance()->terminate();
}

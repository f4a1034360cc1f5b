#include "controls/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QMessageBox>

#include <exception>
#include <utility>

namespace controls {
namespace {

QMessageBox::Icon toBoxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton toBoxButton(Button button)
{
    switch (button) {
    case Button::Ok: return QMessageBox::Ok;
    case Button::Cancel: return QMessageBox::Cancel;
    case Button::Yes: return QMessageBox::Yes;
    case Button::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// The window a box belongs to: the active one; when the window manager has
// handed the activation elsewhere for a moment, the modal window or the
// window with the program's focus, else the program's last visible window.
// A box without one opens wherever the window system puts it.
QWidget* owningWindow()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (const QWidget* focus = QApplication::focusWidget())
        return focus->window();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const Qt::WindowType type = (*it)->windowType();
        if ((*it)->isVisible() && (type == Qt::Window || type == Qt::Dialog))
            return *it;
    }
    return nullptr;
}

class MessageBoxes final : public Dialogs {
public:
    Button ask(const Message& message) override
    {
        // Over its window, which a window manager then activates again.
        QMessageBox box(toBoxIcon(message.icon), message.caption, displayText(message.text), QMessageBox::NoButton,
                        owningWindow());
        for (const Button b : message.buttons)
            box.addButton(toBoxButton(b));
        const int chosen = box.exec();
        for (const Button b : message.buttons)
            if (chosen == toBoxButton(b))
                return b;
        // Closed without a button: the way out is the last button offered.
        return message.buttons.isEmpty() ? Button::Ok : message.buttons.last();
    }

    // Starts in the folder saved to last (at first the user's documents, or
    // home where there is no such folder, never the program's folder); a
    // name typed without extension gets the filter's.
    QString saveFileName(const QString& caption, const QString& suggestedName, const QString& filter) override
    {
        QFileDialog dialog(owningWindow(), caption, QDir(m_folder.isEmpty() ? startFolder() : m_folder).filePath(suggestedName),
                           filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(extensionOf(filter));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString path = dialog.selectedFiles().constFirst();
        m_folder = QFileInfo(path).absolutePath();
        return path;
    }

private:
    static QString startFolder()
    {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QDir(documents).exists() ? documents : QDir::homePath();
    }
    // "CSV (*.csv)" gives "csv".
    static QString extensionOf(const QString& filter)
    {
        const qsizetype star = filter.indexOf(QLatin1String("*."));
        if (star < 0)
            return {};
        QString extension = filter.mid(star + 2);
        extension.truncate(extension.indexOf(QRegularExpression(QStringLiteral("[ );]"))));
        return extension;
    }

    QString m_folder;
};

Dialogs*& installed()
{
    static Dialogs* current = nullptr;
    return current;
}

// The latest wording made; each links to the one made before it.
ErrorWording*& latestWording()
{
    static ErrorWording* latest = nullptr;
    return latest;
}

FailureHandler& failureHandler()
{
    static FailureHandler handler;
    return handler;
}

} // namespace

Dialogs& dialogs()
{
    static MessageBoxes boxes;
    return installed() ? *installed() : boxes;
}

void installDialogs(Dialogs* replacement)
{
    installed() = replacement;
}

FocusReturn::FocusReturn()
    : m_window(owningWindow())
    , m_focus(QApplication::focusWidget())
{
}

FocusReturn::~FocusReturn()
{
    if (!m_window || !m_window->isVisible())
        return;
    if (m_focus && m_focus->window() == m_window && m_focus->isVisible() && m_focus->isEnabled())
        m_focus->setFocus(Qt::ActiveWindowFocusReason); // taken when the window is active again
    if (QApplication::activeWindow() != m_window)
        m_window->activateWindow();
}

Button ask(const Message& message)
{
    const FocusReturn focusReturn;
    return dialogs().ask(message);
}

QString askSaveFileName(const QString& caption, const QString& suggestedName, const QString& filter)
{
    const FocusReturn focusReturn;
    return dialogs().saveFileName(caption, suggestedName, filter);
}

void showError(const QString& text)
{
    ask({QApplication::applicationName(), text, Icon::Critical, {Button::Ok}});
}

void showMessage(const QString& text)
{
    ask({QApplication::applicationName(), text, Icon::None, {Button::Ok}});
}

void showInformation(const QString& caption, const QString& text)
{
    ask({caption, text, Icon::Information, {Button::Ok}});
}

bool confirm(const QString& text)
{
    return ask({QApplication::applicationName(), text, Icon::Question,
                {Button::Ok, Button::Cancel}}) != Button::Cancel;
}

void installFailureHandler(FailureHandler handler)
{
    failureHandler() = std::move(handler);
}

void showFailure(const std::exception& error)
{
    if (!failureHandler() || !failureHandler()(error))
        showError(ErrorWording::textOf(error));
}

bool guarded(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        showFailure(error);
    } catch (...) {
        showError(QApplication::translate("controls::Application", "Unknown error"));
    }
    return false;
}

ErrorWording::ErrorWording(db::DatabaseError::Kind kind, QString text)
    : m_kind(kind)
    , m_text(std::move(text))
    , m_previous(std::exchange(latestWording(), this))
{
}

// Wordings end in the reverse order of their making, as scopes and windows
// nested in one another do; one that ends early is taken out of the chain.
ErrorWording::~ErrorWording()
{
    for (ErrorWording** link = &latestWording(); *link; link = &(*link)->m_previous)
        if (*link == this) {
            *link = m_previous;
            return;
        }
}

QString ErrorWording::textOf(const std::exception& failure)
{
    if (const auto* error = dynamic_cast<const db::DatabaseError*>(&failure))
        for (const ErrorWording* wording = latestWording(); wording; wording = wording->m_previous)
            if (wording->m_kind == error->kind())
                return wording->m_text;
    return QString::fromUtf8(failure.what());
}

QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace controls

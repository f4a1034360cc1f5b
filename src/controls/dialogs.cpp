#include "controls/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QMessageBox>

#include <exception>

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

class MessageBoxes final : public Dialogs {
public:
    Button ask(const Message& message) override
    {
        QMessageBox box(toBoxIcon(message.icon), message.caption, displayText(message.text));
        for (const Button b : message.buttons)
            box.addButton(toBoxButton(b));
        const int chosen = box.exec();
        for (const Button b : message.buttons)
            if (chosen == toBoxButton(b))
                return b;
        // Closed without a button: the way out is the last button offered.
        return message.buttons.isEmpty() ? Button::Ok : message.buttons.last();
    }

    QString saveFileName(const QString& caption, const QString& suggestedName, const QString& filter) override
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, QDir(folder).filePath(suggestedName),
                                            filter);
    }
};

Dialogs*& installed()
{
    static Dialogs* current = nullptr;
    return current;
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

Button ask(const Message& message)
{
    return dialogs().ask(message);
}

QString askSaveFileName(const QString& caption, const QString& suggestedName, const QString& filter)
{
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
        showError(QString::fromUtf8(error.what()));
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

QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace controls

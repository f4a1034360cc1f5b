#pragma once
// Every message box, question and error display of the program goes through
// here, so that tests can answer and record them instead of blocking.
#include <QList>
#include <QString>

#include <exception>
#include <functional>

namespace controls {

// Numeric values are the answer codes of the system's message boxes.
enum class Button { Ok = 1, Cancel = 2, Yes = 6, No = 7 };
enum class Icon { None, Information, Question, Warning, Critical };

struct Message {
    QString caption;
    QString text;  // a lone carriage return breaks lines
    Icon icon = Icon::None;
    QList<Button> buttons{Button::Ok};
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows the message modally and returns the button chosen.
    virtual Button ask(const Message& message) = 0;
    // Asks where to save a file, offering `suggestedName` in the user's
    // documents folder; `filter` as the file dialog takes it ("PDF (*.pdf)").
    // The path chosen, or empty when the user cancelled.
    virtual QString saveFileName(const QString& caption, const QString& suggestedName, const QString& filter) = 0;
};

// The installed implementation; QMessageBox unless something else is installed.
Dialogs& dialogs();
// Installs `replacement` (not owned); nullptr restores the message boxes.
void installDialogs(Dialogs* replacement);

// Shortcuts through dialogs().
Button ask(const Message& message);
QString askSaveFileName(const QString& caption, const QString& suggestedName, const QString& filter);
// The error display: the text with one OK button, captioned with the
// application's name (QCoreApplication::applicationName()).
void showError(const QString& text);
// A plain message box with the text and one OK button.
void showMessage(const QString& text);
// An information box with one OK button.
void showInformation(const QString& caption, const QString& text);
// OK/Cancel with the confirmation icon; true unless Cancel is chosen.
bool confirm(const QString& text);

// The application may take certain failures over from the error display
// (offering to reconnect, say): the handler returns true when it has dealt
// with the failure, and nothing more is shown. An empty handler takes none.
using FailureHandler = std::function<bool(const std::exception&)>;
void installFailureHandler(FailureHandler handler);
// The error display for a caught failure: the handler first, else showError.
void showFailure(const std::exception& error);

// For the entry points the toolkit calls (event handlers, slots, model and
// selection-model overrides): runs `action`, and if it fails shows the
// failure through the error display instead of letting it unwind through the
// toolkit's own code. True when the action ran to its end.
bool guarded(const std::function<void()>& action);

// Message texts break lines with a lone carriage return; widgets want '\n'.
QString displayText(QString text);

} // namespace controls

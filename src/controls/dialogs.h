#pragma once
// Every message box, question and error display of the program goes through
// here, so that tests can answer and record them instead of blocking.
#include "db/errors.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

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
    // Asks where to save a file, offering `suggestedName` in the folder saved
    // to last (at first the user's documents folder); `filter` as the file
    // dialog takes it ("PDF (*.pdf)"), whose extension a name typed without
    // one gets. The path chosen, or empty when the user cancelled.
    virtual QString saveFileName(const QString& caption, const QString& suggestedName, const QString& filter) = 0;
};

// The installed implementation; QMessageBox unless something else is installed.
Dialogs& dialogs();
// Installs `replacement` (not owned); nullptr restores the message boxes.
void installDialogs(Dialogs* replacement);

// While it lives, a modal window may take the focus; once it is gone, the
// window that was active is activated again and the control that had the
// focus gets it back (when it no longer exists, the window's own remembered
// control does). A window manager activates the window below a closed box,
// but without one nothing would, and the keys would go nowhere. Every
// message and question below is shown under one.
class FocusReturn {
public:
    FocusReturn();
    ~FocusReturn();
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};

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

// The program's own words for one kind of data-access failure: while an
// ErrorWording lives, the error display shows its text for a failure of that
// kind instead of the server's message. A window makes one for what a kind
// means in it; the latest one made for a kind holds.
class ErrorWording {
public:
    ErrorWording(db::DatabaseError::Kind kind, QString text);
    ~ErrorWording();
    ErrorWording(const ErrorWording&) = delete;
    ErrorWording& operator=(const ErrorWording&) = delete;

    // The text the error display shows for `failure`.
    static QString textOf(const std::exception& failure);

private:
    db::DatabaseError::Kind m_kind;
    QString m_text;
    ErrorWording* m_previous;
};

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
// toolkit's own code (in an ErrorWording's words where one applies). True
// when the action ran to its end.
bool guarded(const std::function<void()>& action);

// Message texts break lines with a lone carriage return; widgets want '\n'.
QString displayText(QString text);

} // namespace controls

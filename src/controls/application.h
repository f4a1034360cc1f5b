#pragma once
// The application object: the default error display, the show-main-window
// flag and termination requests. Every window it shows stays inside the
// screen (controls/screen_fit.h).
#include <QApplication>

namespace controls {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    static Application* instance();

    // An exception leaving an event handler ends that handler only: its text
    // is shown through the error display and the program goes on.
    bool notify(QObject* receiver, QEvent* event) override;

    // Loads the toolkit's own texts (standard buttons, file dialogs, the
    // editors' menus) in `language` ("ru"): qtbase_<language>.qm from the
    // folder "translations" beside the program (the Windows package carries
    // it there), else from Qt's own translations. False when neither has it.
    bool installToolkitTranslation(const QString& language);

    bool showMainForm() const { return m_showMainForm; }
    void setShowMainForm(bool show) { m_showMainForm = show; }

    // Ends the event loop, and any modal loop running (its result is Cancel).
    // May be requested again; the flag stays set.
    void terminate();
    bool isTerminated() const { return m_terminated; }
    // For tests that run the program's start-up more than once in one process.
    void resetTermination() { m_terminated = false; }

private:
    bool m_showMainForm = false;
    bool m_terminated = false;
};

} // namespace controls

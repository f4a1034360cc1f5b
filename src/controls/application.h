#pragma once
// The application object: the default error display, the show-main-window
// flag and termination requests.
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

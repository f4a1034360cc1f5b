#pragma once
#include "controls/dialogs.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

// Records every message and answers from a queue of planned answers; with the
// queue empty it answers with the first button offered.
class FakeDialogs : public controls::Dialogs {
public:
    FakeDialogs() { controls::installDialogs(this); }
    ~FakeDialogs() override { controls::installDialogs(nullptr); }

    controls::Button ask(const controls::Message& message) override;
    // Answers with the next planned path; with none planned, as if cancelled.
    QString saveFileName(const QString& caption, const QString& suggestedName, const QString& filter) override;

    void plan(controls::Button answer) { m_answers.push_back(answer); }
    void planFile(const QString& path) { m_files.push_back(path); }
    // The names offered by the save questions asked so far.
    const QStringList& suggestedNames() const { return m_suggestedNames; }
    const QList<controls::Message>& messages() const { return m_messages; }
    QStringList texts() const;
    void clear() { m_messages.clear(); }
    // Runs while a message is "shown", as the real box's modal loop would
    // (for instance taking the focus away as the box does).
    std::function<void(const controls::Message&)> whileShown;

    // How a message is shown: only recorded, or as a real box is, a modal
    // window of its own that takes the focus and runs its own event loop
    // (work queued by the focus change runs inside it) until it closes.
    // Without a window manager nothing activates the window below again;
    // with one, the window below is activated again once the box has gone.
    enum class Box { Recorded, WindowWithoutManager, WindowWithManager };
    Box box = Box::Recorded;

private:
    QList<controls::Message> m_messages;
    std::deque<controls::Button> m_answers;
    std::deque<QString> m_files;
    QStringList m_suggestedNames;
};

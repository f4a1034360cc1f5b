#include "fake_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

void showModalWindow(bool windowManager)
{
    const QPointer<QWidget> below = QApplication::activeWindow();
    QDialog box(below);
    new QPushButton(QStringLiteral("OK"), &box);
    QTimer::singleShot(0, &box, [&box] {
        // The box is activated, and what that queued runs, inside its loop.
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
        box.accept();
    });
    box.exec();
    if (windowManager && below)
        QApplication::setActiveWindow(below);
}

} // namespace

controls::Button FakeDialogs::ask(const controls::Message& message)
{
    m_messages.append(message);
    if (whileShown)
        whileShown(message);
    if (box != Box::Recorded)
        showModalWindow(box == Box::WindowWithManager);
    if (!m_answers.empty()) {
        const controls::Button answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    return message.buttons.isEmpty() ? controls::Button::Ok : message.buttons.first();
}

QStringList FakeDialogs::texts() const
{
    QStringList all;
    for (const auto& m : m_messages)
        all << m.text;
    return all;
}

QString FakeDialogs::saveFileName(const QString&, const QString& suggestedName, const QString&)
{
    m_suggestedNames << suggestedName;
    if (m_files.empty())
        return {};
    const QString path = m_files.front();
    m_files.pop_front();
    return path;
}

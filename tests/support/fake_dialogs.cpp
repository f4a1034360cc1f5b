#include "fake_dialogs.h"

controls::Button FakeDialogs::ask(const controls::Message& message)
{
    m_messages.append(message);
    if (whileShown)
        whileShown(message);
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

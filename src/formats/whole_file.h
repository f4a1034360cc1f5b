#pragma once
// Saving a file whole or not at all: the bytes go to a temporary file beside
// it, which then takes the file's name, so that a failure leaves a file of
// that name as it was. Every file the program and its tools write is saved so.
#include <QByteArray>
#include <QString>

#include <stdexcept>

namespace formats {

// A file that could not be saved: its name and the system's reason. The
// caller words the message for its user; what() is a plain English one.
class SaveError : public std::runtime_error {
public:
    SaveError(QString path, QString reason);
    const QString& path() const { return m_path; }
    const QString& reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

// Replaces the file `path` with `bytes`. Throws SaveError.
void saveWholeFile(const QString& path, const QByteArray& bytes);

} // namespace formats

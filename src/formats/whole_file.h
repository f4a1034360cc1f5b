#pragma once
// Saving a file whole or not at all, for the toolkit's types: the bytes go to
// a temporary file beside it, flushed to the disk, which then takes the file's
// name (platform::writeFile, the one save of every file the program and its
// tools write), so that a failure (a full disk) leaves a file of that name as
// it was. A symbolic link in its place is replaced, not followed.
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

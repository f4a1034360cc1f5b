#include "formats/whole_file.h"

#include <QDir>
#include <QSaveFile>

namespace formats {

SaveError::SaveError(QString path, QString reason)
    : std::runtime_error(QStringLiteral("Cannot write file \"%1\": %2")
                             .arg(QDir::toNativeSeparators(path), reason)
                             .toStdString())
    , m_path(std::move(path))
    , m_reason(std::move(reason))
{
}

void saveWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw SaveError(path, file.errorString());
}

} // namespace formats

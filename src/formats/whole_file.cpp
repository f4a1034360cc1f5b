#include "formats/whole_file.h"

#include "platform/files.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <string_view>

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
#ifdef _WIN32
    const std::filesystem::path native(path.toStdWString());
#else
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
#endif
    try {
        platform::writeFile(native, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    } catch (const platform::WriteError& error) {
        throw SaveError(path, QString::fromStdString(error.reason()));
    }
}

} // namespace formats

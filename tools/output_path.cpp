#include "output_path.h"

#include "platform/files.h"

#include <QDir>
#include <QFileInfo>

namespace tool {
namespace {

// `path` with its folder's symbolic links resolved; the last part as it is.
QString resolved(const QString& path)
{
    const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QString folder = info.dir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

bool isWithin(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

} // namespace

std::optional<QString> refusedOutput(const QString& path)
{
    const QString program = QDir(QString::fromStdString(platform::programFolder())).canonicalPath();
    if (program.isEmpty())
        return std::nullopt;
    const QString target = resolved(path);
    if (isWithin(target, QDir(program).filePath(QStringLiteral("Data"))))
        return QStringLiteral("%1 is in the program's Data folder, which holds its settings and database")
            .arg(QDir::toNativeSeparators(path));
    const QFileInfo existing(target);
    if (isWithin(target, program) && (existing.exists() || existing.isSymLink()))
        return QStringLiteral("%1 is one of the program's own files").arg(QDir::toNativeSeparators(path));
    return std::nullopt;
}

} // namespace tool

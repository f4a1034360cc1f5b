#pragma once
// Where a tool may write its output: never over the program's own files (the
// executables and libraries in the program folder) nor into its Data folder
// (the settings file, the embedded database), however the path reaches them
// (a relative path, a symbolic link to the folder). A symbolic link at the
// path itself is replaced by the file, not followed (formats::saveWholeFile).
// Any other file, existing or not, may be written.
#include <QString>

#include <optional>

namespace tool {

// Why `path` may not be written, or nullopt when it may.
std::optional<QString> refusedOutput(const QString& path);

} // namespace tool

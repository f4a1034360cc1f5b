#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#include <climits>
#endif

namespace platform {
namespace {

std::string& folderOverride()
{
    static std::string folder;
    return folder;
}

} // namespace

std::string executablePath()
{
#ifdef _WIN32
    char buffer[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, n);
#else
    char buffer[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
#endif
}

namespace {

size_t lastSeparator(const std::string& path)
{
#ifdef _WIN32
    return path.find_last_of("\\/");
#else
    return path.find_last_of('/');
#endif
}

// A file that replaces another keeps the other's permissions (a settings file
// readable by its owner only stays so); a new one gets those asked for.
void setPermissions(const std::string& original, const std::string& replacement, NewFileAccess access)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto status = fs::status(original, ec);
    if (!ec && fs::is_regular_file(status)) {
        fs::permissions(replacement, status.permissions(), ec);
        return;
    }
#ifndef _WIN32
    if (access == NewFileAccess::OwnerOnly)
        fs::permissions(replacement, fs::perms::owner_read | fs::perms::owner_write, ec);
#else
    (void)access; // Windows files inherit their folder's access rules
#endif
}

} // namespace

std::string programFolder()
{
    if (!folderOverride().empty())
        return folderOverride();
    const std::string path = executablePath();
    const size_t cut = lastSeparator(path);
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

void overrideProgramFolder(const std::string& folder)
{
    folderOverride() = folder;
}

std::string executableFileName()
{
    const std::string path = executablePath();
    const size_t cut = lastSeparator(path);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string joinPath(std::string folder, std::initializer_list<std::string> names)
{
    for (const auto& name : names) {
        folder += kPathSeparator;
        folder += name;
    }
    return folder;
}

std::string readFileStart(const std::string& path, size_t count)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw FileError(kFolderInPlaceOfFile);
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
            throw FileError(kFileNotFound);
        case EACCES:
        case EPERM:
            throw FileError(kFileAccessDenied);
        default:
            throw FileError(kCannotOpenFile);
        }
    }
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    if (static_cast<size_t>(in.gcount()) != count)
        throw FileError(kReadBeyondEnd);
    return bytes;
}

FileWriter::FileWriter(const std::string& path)
    : out_(path, std::ios::binary | std::ios::trunc)
{
    if (!out_)
        throw FileError("Cannot create file \"" + path + "\"");
}

void FileWriter::write(const char* data, size_t count)
{
    out_.write(data, static_cast<std::streamsize>(count));
    if (!out_)
        throw FileError("Disk full");
}

void FileWriter::close()
{
    out_.close();
    if (!out_)
        throw FileError("Disk full");
}

void writeFile(const std::string& path, const std::string& bytes, NewFileAccess access)
{
    const std::string temporary = path + ".new";
    try {
        std::optional<FileWriter> file;
        try {
            file.emplace(temporary);
        } catch (const FileError&) {
            throw FileError("Cannot create file \"" + path + "\"");
        }
        setPermissions(path, temporary, access);
        file->write(bytes.data(), bytes.size());
        file->close();
        replaceFile(temporary, path);
    } catch (const FileError&) {
        removeFileIfExists(temporary);
        throw;
    }
}

void replaceFile(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    const bool renamed = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    const bool renamed = std::rename(from.c_str(), to.c_str()) == 0;
#endif
    if (!renamed)
        throw FileError("Cannot replace file \"" + to + "\"");
}

bool removeFileIfExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::remove(path, ec);
}

bool createFolder(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directory(path, ec);
    return !ec && std::filesystem::is_directory(path, ec);
}

bool fileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace platform

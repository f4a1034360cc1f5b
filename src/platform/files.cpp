#include "platform/files.h"

#include <filesystem>
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

size_t lastSeparator(const std::string& path)
{
#ifdef _WIN32
    return path.find_last_of("\\/");
#else
    return path.find_last_of('/');
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
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError("File not found");
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    if (static_cast<size_t>(in.gcount()) != count)
        throw FileError("Read beyond end of file");
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

void writeFile(const std::string& path, const std::string& bytes)
{
    FileWriter file(path);
    file.write(bytes.data(), bytes.size());
    file.close();
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

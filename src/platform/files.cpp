#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
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
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status))
        throw FileError(kFolderInPlaceOfFile);
    // A FIFO would keep the open waiting for a writer for good, a device
    // would be read as whatever it gives: only a regular file is read.
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw FileError(kCannotOpenFile);
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

namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A name beside the file that no other save uses at the same time.
fs::path temporaryNameFor(const fs::path& path, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    const auto now = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    fs::path name = path;
    name += "." + std::to_string((now ^ (now >> 29)) % 1000000) + "-" + std::to_string(counter++) + "-"
        + std::to_string(attempt) + ".tmp";
    return name;
}

#ifdef _WIN32

std::string systemReason(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L'.' || wide.back() == L' '))
        wide.pop_back();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr);
    return out;
}

fs::path nativePath(const std::string& path)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), size);
    return fs::path(wide);
}

// The temporary file's handle; it is closed, and the file removed, unless kept.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& path)
    {
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            name_ = temporaryNameFor(path, attempt);
            handle_ = CreateFileW(name_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle_ != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
        if (handle_ == INVALID_HANDLE_VALUE)
            throw WriteError(path, systemReason(GetLastError()));
    }
    ~TemporaryFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        if (!kept_)
            DeleteFileW(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Writes, flushes to the disk and closes; the reason of a failure, or empty.
    std::string writeWhole(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 24));
            DWORD written = 0;
            if (!WriteFile(handle_, bytes.data(), piece, &written, nullptr))
                return systemReason(GetLastError());
            bytes.remove_prefix(written);
        }
        if (!FlushFileBuffers(handle_))
            return systemReason(GetLastError());
        const bool closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed ? std::string() : systemReason(GetLastError());
    }
    std::string moveTo(const fs::path& path)
    {
        if (!MoveFileExW(name_.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return systemReason(GetLastError());
        kept_ = true;
        return {};
    }

private:
    fs::path name_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool kept_ = false;
};

#else

std::string systemReason(int error)
{
    return std::generic_category().message(error);
}

fs::path nativePath(const std::string& path)
{
    return fs::path(path);
}

// The permissions of the file the save replaces, or those asked for a new one.
mode_t permissionsFor(const fs::path& path, NewFileAccess access, bool& replacing)
{
    struct stat existing {};
    replacing = ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (replacing)
        return existing.st_mode & 07777;
    return access == NewFileAccess::OwnerOnly ? 0600 : 0666;
}

class TemporaryFile {
public:
    TemporaryFile(const fs::path& path, NewFileAccess access)
    {
        bool replacing = false;
        const mode_t mode = permissionsFor(path, access, replacing);
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            name_ = temporaryNameFor(path, attempt);
            fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd_ >= 0 || errno != EEXIST)
                break;
        }
        if (fd_ < 0)
            throw WriteError(path, systemReason(errno));
        // The process's umask narrows a new file's permissions, as it should;
        // a replaced file keeps exactly those it had.
        if (replacing)
            ::fchmod(fd_, mode);
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_)
            ::unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Writes, flushes to the disk and closes; the reason of a failure, or empty.
    std::string writeWhole(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return systemReason(errno);
            }
            bytes.remove_prefix(static_cast<size_t>(written));
        }
        if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) // EINVAL: a file system that cannot sync
            return systemReason(errno);
        const int closed = ::close(fd_);
        fd_ = -1;
        return closed == 0 ? std::string() : systemReason(errno);
    }
    std::string moveTo(const fs::path& path)
    {
        if (::rename(name_.c_str(), path.c_str()) != 0)
            return systemReason(errno);
        kept_ = true;
        return {};
    }

private:
    fs::path name_;
    int fd_ = -1;
    bool kept_ = false;
};

#endif

} // namespace

WriteError::WriteError(std::filesystem::path path, std::string reason)
    : FileError("Cannot write file \"" + utf8(path) + "\": " + reason)
    , path_(std::move(path))
    , reason_(std::move(reason))
{
}

std::string WriteError::pathText() const
{
    return utf8(path_);
}

void writeFile(const std::filesystem::path& path, std::string_view bytes, NewFileAccess access)
{
#ifdef _WIN32
    (void)access; // Windows files inherit their folder's access rules
    TemporaryFile file(path);
#else
    TemporaryFile file(path, access);
#endif
    std::string reason = file.writeWhole(bytes);
    if (reason.empty())
        reason = file.moveTo(path);
    if (!reason.empty())
        throw WriteError(path, reason);
}

void writeFile(const std::string& path, std::string_view bytes, NewFileAccess access)
{
    writeFile(nativePath(path), bytes, access);
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

#pragma once
// Files beside the executable, with the platform's file error texts.
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A failure of a file operation; what() is the platform's text, for example
// "File not found" or "Read beyond end of file".
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// Folder of the running executable, without trailing separator.
std::string programFolder();
// Tests run the program's logic from another folder: a non-empty override
// replaces programFolder() until it is cleared with an empty text.
void overrideProgramFolder(const std::string& folder);

// File name of the running executable with its extension, without folder.
std::string executableFileName();
// Full path of the running executable (never overridden).
std::string executablePath();

// folder + separator + name, for each name in turn.
std::string joinPath(std::string folder, std::initializer_list<std::string> names);

// Texts of the reading errors.
inline constexpr char kFileNotFound[] = "File not found";
inline constexpr char kFileAccessDenied[] = "File access denied";
inline constexpr char kFolderInPlaceOfFile[] = "A folder is in place of the file";
inline constexpr char kCannotOpenFile[] = "Cannot open file";
inline constexpr char kReadBeyondEnd[] = "Read beyond end of file";

// Reads exactly `count` bytes from the start of the file. Throws FileError:
// "File not found" when neither it nor its folder exists, "File access denied"
// when the system refuses to open it, "A folder is in place of the file" when
// the name is a folder's, "Cannot open file" for anything else that is not a
// regular file (a FIFO, a device) and for any other failure to open,
// and "Read beyond end of file" when it is shorter.
std::string readFileStart(const std::string& path, size_t count);

// A file written from its start, replacing an existing one of that name.
// Throws FileError("Cannot create file \"<path>\"") when it cannot be created
// and FileError("Disk full") when writing or closing fails.
class FileWriter {
public:
    explicit FileWriter(const std::string& path);
    void write(const char* data, size_t count);
    // Flushes and closes; the destructor closes without reporting.
    void close();

private:
    std::ofstream out_;
};

// A file that could not be written whole: its name and the system's reason
// ("No space left on device"), in UTF-8, for the caller to word its message.
// what() is "Cannot write file "<path>": <reason>".
class WriteError : public FileError {
public:
    WriteError(std::filesystem::path path, std::string reason);
    const std::filesystem::path& path() const { return path_; }
    // The path in UTF-8, for messages.
    std::string pathText() const;
    const std::string& reason() const { return reason_; }

private:
    std::filesystem::path path_;
    std::string reason_;
};

// Who may read a file that writeFile creates where none was.
enum class NewFileAccess {
    Default,   // as the system's defaults make it
    OwnerOnly, // POSIX: read and write for the owner only (0600); Windows: default
};

// Saves a file whole, the one way every file of the program and its tools is
// saved: `bytes` go to a new temporary file beside it, are flushed to the
// disk, and the temporary file is renamed over the name, so that the old file
// stays as it was when anything fails (a full disk included). The name itself
// is replaced: a symbolic link there is replaced, not followed. A regular file
// that was there passes its permissions on; a new one gets `access`. Either is
// set before any byte is written. Throws WriteError on failure, the temporary
// file removed.
void writeFile(const std::filesystem::path& path, std::string_view bytes,
               NewFileAccess access = NewFileAccess::Default);
// The same for a path in the system's 8-bit encoding (the ANSI code page on
// Windows, as programFolder() gives it).
void writeFile(const std::string& path, std::string_view bytes, NewFileAccess access = NewFileAccess::Default);

// Deletes the file; a missing file is not an error. Returns whether a file went.
bool removeFileIfExists(const std::string& path);

// Creates one folder level; an existing folder is fine. Returns success.
bool createFolder(const std::string& path);

bool fileExists(const std::string& path);

} // namespace platform

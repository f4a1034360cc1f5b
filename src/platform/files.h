#pragma once
// Files beside the executable, with the platform's file error texts.
#include <fstream>
#include <stdexcept>
#include <string>

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

// folder + separator + name, for each name in turn.
std::string joinPath(std::string folder, std::initializer_list<std::string> names);

// Reads exactly `count` bytes from the start of the file.
// Throws FileError("File not found") when it cannot be opened and
// FileError("Read beyond end of file") when it is shorter.
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

// Replaces the file with `bytes`; throws FileError on failure.
void writeFile(const std::string& path, const std::string& bytes);

// Deletes the file; a missing file is not an error. Returns whether a file went.
bool removeFileIfExists(const std::string& path);

// Creates one folder level; an existing folder is fine. Returns success.
bool createFolder(const std::string& path);

bool fileExists(const std::string& path);

} // namespace platform

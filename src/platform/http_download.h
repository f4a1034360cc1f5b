#pragma once
// Fetching one URL into a file over HTTP: libcurl on POSIX, WinInet on Windows.
#include <cstddef>
#include <string>

namespace platform {

// Largest piece read from the connection at a time.
inline constexpr std::size_t kDownloadReadSize = 1024;

// Downloads `url` into `target`, which is created or replaced once the URL has
// been opened. The body is read in pieces of at most kDownloadReadSize bytes and
// exactly what was read is written, until a read yields nothing.
//
// Returns false when the very first read yields nothing: the server is not
// reachable, the name does not resolve, the body is empty, or the final
// response (after redirects) has a status outside 2xx, whose body is never
// written. The empty target then stays behind. Returns true otherwise.
//
// The agent name is executableFileName(); the system's proxy settings apply
// (on POSIX the usual http_proxy / no_proxy environment variables).
// Throws FileError when the target cannot be created or written.
bool DownloadFile(const std::string& url, const std::string& target);

} // namespace platform

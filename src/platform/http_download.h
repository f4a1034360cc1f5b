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
// Returns true only for a whole body: at least one byte came, the transfer
// ended without error, and where the response announced its length exactly
// that many bytes arrived. Returns false otherwise:
// - when the very first read yields nothing: the server is not reachable, the
//   name does not resolve, the body is empty, or the final response (after
//   redirects) has a status outside 2xx, whose body is never written; the
//   empty target then stays behind;
// - when the body was cut off (connection closed early or reset, time-out,
//   fewer or more bytes than announced); what arrived stays in the target.
//
// The agent name is executableFileName(); the system's proxy settings apply
// (on POSIX the usual http_proxy / no_proxy environment variables).
// Throws FileError when the target cannot be created or written.
bool DownloadFile(const std::string& url, const std::string& target);

} // namespace platform

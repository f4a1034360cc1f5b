#pragma once
// Resolving a host name to its first IPv4 address, the same on every system
// (Windows needs Winsock started first).
#include <string>

namespace platform {

// The first IPv4 address `host` resolves to, loopback included, in
// dotted-decimal text; throws NetworkError when there is none.
std::string firstIPv4Of(const std::string& host);

} // namespace platform

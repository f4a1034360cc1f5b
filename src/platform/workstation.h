#pragma once
// Facts about the workstation that the sign-in sends to the server.
#include <stdexcept>
#include <string>

namespace platform {

class NetworkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The computer name as the system reports it, read into a 256-byte buffer and
// taken up to its first zero byte.
std::string computerName();

// A fresh lookup of the workstation's own host name: the first IPv4 address
// returned (loopback included) in dotted-decimal text. Throws NetworkError when
// the name does not resolve or yields no IPv4 address.
std::string firstIPv4OfHostName();

} // namespace platform

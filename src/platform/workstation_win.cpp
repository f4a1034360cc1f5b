#include "platform/workstation.h"

#include "platform/host_address.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <array>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

// Winsock is started once for the whole run and never cleaned up: the
// program may look the address up again at any sign-in attempt.
void startWinsockOnce()
{
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

std::string ownHostName()
{
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), static_cast<int>(buffer.size() - 1)) != 0)
        throw NetworkError("The host name of this computer is not available (Winsock error "
                           + std::to_string(WSAGetLastError()) + ")");
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

} // namespace

std::string computerName()
{
    std::array<char, 256> buffer{};
    DWORD size = static_cast<DWORD>(buffer.size());
    GetComputerNameA(buffer.data(), &size);
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string firstIPv4OfHostName()
{
    startWinsockOnce();
    return firstIPv4Of(ownHostName());
}

} // namespace platform

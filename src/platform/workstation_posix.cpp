#include "platform/workstation.h"

#include "platform/host_address.h"

#include <unistd.h>

#include <array>
#include <cstring>

namespace platform {

std::string computerName()
{
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0)
        return {};
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string firstIPv4OfHostName()
{
    return firstIPv4Of(computerName());
}

} // namespace platform

#include "platform/program_file.h"

#include "platform/files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform {
namespace {

// The first `count` bytes of the file, fewer when it is shorter.
std::string fileStart(const std::string& path, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

unsigned byteAt(const std::string& bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]);
}

unsigned littleEndian16(const std::string& bytes, std::size_t at)
{
    return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8;
}

#ifdef _WIN32

constexpr std::size_t kPeOffsetAt = 0x3C;
constexpr unsigned kExecutableImage = 0x0002;
constexpr unsigned kDll = 0x2000;

bool hasProgramHeader(const std::string& path, std::uintmax_t size)
{
    const std::string dos = fileStart(path, 64);
    if (dos.size() < 64 || dos.compare(0, 2, "MZ") != 0)
        return false;
    const std::uintmax_t peAt = littleEndian16(dos, kPeOffsetAt) | std::uintmax_t(littleEndian16(dos, kPeOffsetAt + 2)) << 16;
    // Signature and the 20-byte file header, whose characteristics end it.
    if (peAt + 24 > size || peAt > 64 * 1024)
        return false;
    const std::string pe = fileStart(path, static_cast<std::size_t>(peAt) + 24).substr(static_cast<std::size_t>(peAt));
    if (pe.size() < 24 || pe.compare(0, 4, std::string("PE\0\0", 4)) != 0)
        return false;
    const unsigned characteristics = littleEndian16(pe, 22);
    return (characteristics & kExecutableImage) != 0 && (characteristics & kDll) == 0;
}

#else

constexpr std::size_t kClassAt = 4;   // 32- or 64-bit
constexpr std::size_t kDataAt = 5;    // byte order
constexpr std::size_t kTypeAt = 16;   // two bytes, in the file's byte order
constexpr std::size_t kMachineAt = 18;
constexpr unsigned kLittleEndian = 1;
constexpr unsigned kExecutable = 2;
constexpr unsigned kSharedObject = 3; // also a position-independent executable

unsigned headerHalf(const std::string& header, std::size_t at)
{
    return byteAt(header, kDataAt) == kLittleEndian ? littleEndian16(header, at)
                                                    : byteAt(header, at) << 8 | byteAt(header, at + 1);
}

bool hasProgramHeader(const std::string& path, std::uintmax_t)
{
    const std::string header = fileStart(path, 20);
    const std::string own = fileStart(executablePath(), 20);
    if (header.size() < 20 || own.size() < 20 || header.compare(0, 4, "\x7F" "ELF") != 0)
        return false;
    const unsigned type = headerHalf(header, kTypeAt);
    return header[kClassAt] == own[kClassAt] && header[kDataAt] == own[kDataAt]
        && (type == kExecutable || type == kSharedObject)
        && headerHalf(header, kMachineAt) == headerHalf(own, kMachineAt);
}

#endif

} // namespace

bool looksLikeProgram(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size < kSmallestProgramSize || size > kLargestProgramSize)
        return false;
    return hasProgramHeader(path, size);
}

} // namespace platform

#include "platform/program_file.h"

#include "platform/files.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace platform {
namespace {

// Pieces of a file read by offset; a piece reaching past the end reads as none.
class FilePieces {
public:
    explicit FilePieces(const std::string& path)
        : in_(path, std::ios::binary)
    {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(path, ec);
        size_ = ec || !in_ ? 0 : size;
    }

    // Whether `count` bytes from `offset` lie within the file (overflow-safe).
    bool holds(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= size_ && count <= size_ - offset;
    }

    std::optional<std::string> read(std::uint64_t offset, std::size_t count)
    {
        if (!holds(offset, count))
            return std::nullopt;
        std::string bytes(count, '\0');
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(bytes.data(), static_cast<std::streamsize>(count));
        if (static_cast<std::size_t>(in_.gcount()) != count)
            return std::nullopt;
        return bytes;
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

unsigned byteAt(const std::string& bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]);
}

// An unsigned number of `width` bytes at `at`.
std::uint64_t number(const std::string& bytes, std::size_t at, std::size_t width, bool littleEndian = true)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | byteAt(bytes, littleEndian ? at + width - 1 - i : at + i);
    return value;
}

// ---- PE ----

constexpr std::size_t kPeOffsetAt = 0x3C;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSymbolSize = 18;
constexpr unsigned kPe32Magic = 0x10B;
constexpr unsigned kPe32PlusMagic = 0x20B;
constexpr std::size_t kSizeOfHeadersAt = 60; // in the optional header, either kind
constexpr std::size_t kCertificateDirectory = 4;

// The PE signature's offset, when the file starts with a DOS header.
std::optional<std::uint64_t> peSignatureAt(FilePieces& file)
{
    const auto dos = file.read(0, 64);
    if (!dos || dos->compare(0, 2, "MZ") != 0)
        return std::nullopt;
    return number(*dos, kPeOffsetAt, 4);
}

#ifdef _WIN32

constexpr unsigned kExecutableImage = 0x0002;
constexpr unsigned kDll = 0x2000;

bool hasProgramHeader(const std::string& path)
{
    FilePieces file(path);
    const auto peAt = peSignatureAt(file);
    if (!peAt || *peAt > 64 * 1024)
        return false;
    const auto pe = file.read(*peAt, 4 + kCoffHeaderSize);
    if (!pe || pe->compare(0, 4, std::string("PE\0\0", 4)) != 0)
        return false;
    const auto characteristics = number(*pe, 22, 2);
    return (characteristics & kExecutableImage) != 0 && (characteristics & kDll) == 0;
}

bool layoutFits(const std::string& path)
{
    return peLayoutFits(path);
}

#else

// ---- ELF header against the running program's ----

constexpr std::size_t kClassAt = 4; // 32- or 64-bit
constexpr std::size_t kDataAt = 5;  // byte order
constexpr std::size_t kTypeAt = 16; // two bytes, in the file's byte order
constexpr std::size_t kMachineAt = 18;
constexpr unsigned kLittleEndian = 1;
constexpr unsigned kExecutable = 2;
constexpr unsigned kSharedObject = 3; // also a position-independent executable

bool hasProgramHeader(const std::string& path)
{
    FilePieces file(path);
    FilePieces self(executablePath());
    const auto header = file.read(0, 20);
    const auto own = self.read(0, 20);
    if (!header || !own || header->compare(0, 4, "\x7F" "ELF") != 0)
        return false;
    const bool little = byteAt(*header, kDataAt) == kLittleEndian;
    const auto type = number(*header, kTypeAt, 2, little);
    return (*header)[kClassAt] == (*own)[kClassAt] && (*header)[kDataAt] == (*own)[kDataAt]
        && (type == kExecutable || type == kSharedObject)
        && number(*header, kMachineAt, 2, little) == number(*own, kMachineAt, 2, byteAt(*own, kDataAt) == kLittleEndian);
}

bool layoutFits(const std::string& path)
{
    return elfLayoutFits(path);
}

#endif

// ---- ELF layout ----

// Where the fields that place parts of the file are, for one word size.
struct ElfFields {
    std::size_t headerSize;
    std::size_t word; // bytes of an offset or a size
    std::size_t programTableAt, sectionTableAt;
    std::size_t programEntrySizeAt, programCountAt, sectionEntrySizeAt, sectionCountAt;
    std::size_t programEntrySize, segmentOffsetAt, segmentFileSizeAt;
    std::size_t sectionEntrySize, sectionTypeAt, sectionOffsetAt, sectionSizeAt;
};
constexpr ElfFields kElf32{52, 4, 28, 32, 42, 44, 46, 48, 32, 4, 16, 40, 4, 16, 20};
constexpr ElfFields kElf64{64, 8, 32, 40, 54, 56, 58, 60, 56, 8, 32, 64, 4, 24, 32};
constexpr unsigned kSectionNull = 0;
constexpr unsigned kSectionNoBits = 8; // .bss and the like take no file space

} // namespace

bool peLayoutFits(const std::string& path)
{
    FilePieces file(path);
    const auto peAt = peSignatureAt(file);
    if (!peAt)
        return false;
    const auto coff = file.read(*peAt, 4 + kCoffHeaderSize);
    if (!coff || coff->compare(0, 4, std::string("PE\0\0", 4)) != 0)
        return false;
    const std::uint64_t sections = number(*coff, 6, 2);
    const std::uint64_t symbolsAt = number(*coff, 12, 4);
    const std::uint64_t symbolCount = number(*coff, 16, 4);
    const std::uint64_t optionalAt = *peAt + 4 + kCoffHeaderSize;
    const auto optional = file.read(optionalAt, static_cast<std::size_t>(number(*coff, 20, 2)));
    if (!optional || optional->size() < 2 || sections == 0)
        return false;

    const auto magic = number(*optional, 0, 2);
    const std::size_t directoriesAt = magic == kPe32Magic ? 96 : magic == kPe32PlusMagic ? 112 : 0;
    if (directoriesAt == 0 || optional->size() < directoriesAt || !file.holds(0, number(*optional, kSizeOfHeadersAt, 4)))
        return false;
    // The certificate table is the one data directory given as a file offset.
    const std::size_t certificateAt = directoriesAt + 8 * kCertificateDirectory;
    if (number(*optional, directoriesAt - 4, 4) > kCertificateDirectory && optional->size() >= certificateAt + 8) {
        const std::uint64_t size = number(*optional, certificateAt + 4, 4);
        if (size != 0 && !file.holds(number(*optional, certificateAt, 4), size))
            return false;
    }

    const auto table = file.read(optionalAt + optional->size(), static_cast<std::size_t>(sections * kSectionHeaderSize));
    if (!table)
        return false;
    for (std::size_t at = 0; at < table->size(); at += kSectionHeaderSize) {
        const std::uint64_t rawSize = number(*table, at + 16, 4);
        if (rawSize != 0 && !file.holds(number(*table, at + 20, 4), rawSize))
            return false;
    }

    // A COFF symbol table is followed by its string table, which starts with
    // its own size.
    if (symbolsAt != 0) {
        const std::uint64_t stringsAt = symbolsAt + symbolCount * kSymbolSize;
        const auto stringsSize = file.read(stringsAt, 4);
        if (!stringsSize || !file.holds(stringsAt, number(*stringsSize, 0, 4)))
            return false;
    }
    return true;
}

bool elfLayoutFits(const std::string& path)
{
    FilePieces file(path);
    const auto ident = file.read(0, 16);
    if (!ident || ident->compare(0, 4, "\x7F" "ELF") != 0)
        return false;
    const unsigned wordClass = byteAt(*ident, 4);
    const unsigned byteOrder = byteAt(*ident, 5);
    if ((wordClass != 1 && wordClass != 2) || (byteOrder != 1 && byteOrder != 2))
        return false;
    const ElfFields& f = wordClass == 2 ? kElf64 : kElf32;
    const bool little = byteOrder == 1;
    const auto header = file.read(0, f.headerSize);
    if (!header)
        return false;
    const auto field = [&](const std::string& bytes, std::size_t at, std::size_t width) {
        return number(bytes, at, width, little);
    };

    const std::uint64_t programTable = field(*header, f.programTableAt, f.word);
    const std::uint64_t programCount = field(*header, f.programCountAt, 2);
    if (programCount == 0 || field(*header, f.programEntrySizeAt, 2) != f.programEntrySize
        || !file.holds(programTable, programCount * f.programEntrySize))
        return false;
    for (std::uint64_t i = 0; i < programCount; ++i) {
        const auto entry = file.read(programTable + i * f.programEntrySize, f.programEntrySize);
        if (!entry)
            return false;
        const std::uint64_t fileSize = field(*entry, f.segmentFileSizeAt, f.word);
        if (fileSize != 0 && !file.holds(field(*entry, f.segmentOffsetAt, f.word), fileSize))
            return false;
    }

    // A program stripped of its section header table has none to check.
    const std::uint64_t sectionTable = field(*header, f.sectionTableAt, f.word);
    if (sectionTable == 0)
        return true;
    if (field(*header, f.sectionEntrySizeAt, 2) != f.sectionEntrySize)
        return false;
    const auto first = file.read(sectionTable, f.sectionEntrySize);
    if (!first)
        return false;
    // With 0xFF00 sections or more the count is the first entry's size.
    std::uint64_t sectionCount = field(*header, f.sectionCountAt, 2);
    if (sectionCount == 0)
        sectionCount = field(*first, f.sectionSizeAt, f.word);
    if (sectionCount > (UINT64_MAX / f.sectionEntrySize) || !file.holds(sectionTable, sectionCount * f.sectionEntrySize))
        return false;
    for (std::uint64_t i = 0; i < sectionCount; ++i) {
        const auto entry = file.read(sectionTable + i * f.sectionEntrySize, f.sectionEntrySize);
        if (!entry)
            return false;
        const auto type = field(*entry, f.sectionTypeAt, 4);
        const std::uint64_t size = field(*entry, f.sectionSizeAt, f.word);
        if (type != kSectionNull && type != kSectionNoBits && !file.holds(field(*entry, f.sectionOffsetAt, f.word), size))
            return false;
    }
    return true;
}

bool looksLikeProgram(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size < kSmallestProgramSize || size > kLargestProgramSize)
        return false;
    return hasProgramHeader(path) && layoutFits(path);
}

} // namespace platform

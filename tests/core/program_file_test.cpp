// The program check on whole and cut files: PE and ELF layouts built here
// byte by byte, and the real helper program of this system.
#include "platform/files.h"
#include "platform/program_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void put(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t width, bool littleEndian = true)
{
    if (bytes.size() < at + width)
        bytes.resize(at + width, '\0');
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t shift = 8 * (littleEndian ? i : width - 1 - i);
        bytes[at + i] = static_cast<char>((value >> shift) & 0xFF);
    }
}

// A 64-bit Windows program: DOS header, PE headers, three sections of raw
// data, and a COFF symbol table with its string table at the end.
std::string peProgram()
{
    std::string pe(64, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    const std::size_t peAt = 128;
    put(pe, 0x3C, peAt, 4);
    pe.resize(peAt);
    pe += std::string("PE\0\0", 4);
    const std::size_t sections = 3;
    const std::size_t optionalSize = 240;
    put(pe, peAt + 4, 0x8664, 2);           // machine
    put(pe, peAt + 6, sections, 2);
    put(pe, peAt + 20, optionalSize, 2);
    put(pe, peAt + 22, 0x0022, 2);          // executable image
    const std::size_t optionalAt = peAt + 24;
    put(pe, optionalAt, 0x20B, 2);          // PE32+
    put(pe, optionalAt + 60, 512, 4);       // SizeOfHeaders
    put(pe, optionalAt + 108, 16, 4);       // data directories
    const std::size_t tableAt = optionalAt + optionalSize;
    std::size_t rawAt = 512;
    for (std::size_t i = 0; i < sections; ++i) {
        const std::size_t rawSize = 64 * (i + 1);
        put(pe, tableAt + 40 * i + 16, rawSize, 4);
        put(pe, tableAt + 40 * i + 20, rawAt, 4);
        rawAt += rawSize;
    }
    pe.resize(rawAt, '\x90');
    const std::size_t symbols = 4;
    put(pe, peAt + 12, rawAt, 4);           // PointerToSymbolTable
    put(pe, peAt + 16, symbols, 4);
    pe.resize(rawAt + 18 * symbols, 's');
    put(pe, pe.size(), 12, 4);              // string table: its size, then 8 bytes
    pe += std::string("strings\0", 8);
    return pe;
}

// An ELF program of either word size and byte order: two segments, four
// sections (one without file space, larger than the file), the section
// header table last, as linkers put it.
std::string elfProgram(bool wide, bool littleEndian)
{
    const std::size_t word = wide ? 8 : 4;
    const std::size_t headerSize = wide ? 64 : 52;
    const std::size_t programEntry = wide ? 56 : 32;
    const std::size_t sectionEntry = wide ? 64 : 40;
    const auto field = [&](std::string& bytes, std::size_t at, std::uint64_t value, std::size_t width) {
        put(bytes, at, value, width, littleEndian);
    };
    std::string elf = "\x7F" "ELF";
    elf += static_cast<char>(wide ? 2 : 1);
    elf += static_cast<char>(littleEndian ? 1 : 2);
    elf += '\x01';
    elf.resize(headerSize, '\0');
    field(elf, 16, 3, 2); // position-independent executable
    const std::size_t programTable = headerSize;
    const std::size_t dataAt = programTable + 2 * programEntry;
    const std::size_t dataSize = 300;
    const std::size_t sectionTable = dataAt + dataSize;
    field(elf, wide ? 32 : 28, programTable, word);
    field(elf, wide ? 40 : 32, sectionTable, word);
    field(elf, wide ? 54 : 42, programEntry, 2);
    field(elf, wide ? 56 : 44, 2, 2);
    field(elf, wide ? 58 : 46, sectionEntry, 2);
    field(elf, wide ? 60 : 48, 4, 2);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::size_t at = programTable + i * programEntry;
        field(elf, at, 1, 4);                               // loadable
        field(elf, at + (wide ? 8 : 4), i == 0 ? 0 : dataAt, word);
        field(elf, at + (wide ? 32 : 16), i == 0 ? dataAt : dataSize, word);
    }
    elf.resize(sectionTable, '\xCC');
    const struct {
        unsigned type;
        std::uint64_t offset, size;
    } sections[] = {{0, 0, 0}, {1, dataAt, 100}, {8, dataAt + 100, 1 << 20}, {1, dataAt + 100, 200}};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t at = sectionTable + i * sectionEntry;
        elf.resize(at + sectionEntry, '\0');
        field(elf, at + 4, sections[i].type, 4);
        field(elf, at + (wide ? 24 : 16), sections[i].offset, word);
        field(elf, at + (wide ? 32 : 20), sections[i].size, word);
    }
    return elf;
}

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = fs::temp_directory_path()
            / ("qel-program-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }
    void TearDown() override { fs::remove(path); }
    const std::string& write(const std::string& bytes)
    {
        // A new file each time: ext4 flushes a file truncated and rewritten
        // at its close, which would make the many cuts slow.
        fs::remove(path);
        std::ofstream(path, std::ios::binary) << bytes;
        written = path.string();
        return written;
    }
    // The lengths at which `check` accepted a cut copy of `bytes`, whole
    // lengths excepted; every `step`-th length and the last few are tried.
    template <typename Check>
    std::vector<std::size_t> acceptedCuts(const std::string& bytes, Check check, std::size_t step = 1)
    {
        std::vector<std::size_t> accepted;
        for (std::size_t length = 0; length < bytes.size(); length += (bytes.size() - length <= 8 ? 1 : step)) {
            if (check(write(bytes.substr(0, length))))
                accepted.push_back(length);
        }
        return accepted;
    }

    fs::path path;
    std::string written;
};

TEST_F(ProgramFile, APeFileCutAnywhereIsRefused)
{
    const std::string pe = peProgram();
    EXPECT_TRUE(platform::peLayoutFits(write(pe)));
    EXPECT_TRUE(platform::peLayoutFits(write(pe + "appended, not cut")));
    EXPECT_EQ(acceptedCuts(pe, platform::peLayoutFits), std::vector<std::size_t>{});
    EXPECT_FALSE(platform::elfLayoutFits(write(pe)));
}

TEST_F(ProgramFile, AnElfFileCutAnywhereIsRefused)
{
    for (const bool wide : {true, false}) {
        for (const bool little : {true, false}) {
            const std::string elf = elfProgram(wide, little);
            EXPECT_TRUE(platform::elfLayoutFits(write(elf))) << wide << little;
            EXPECT_TRUE(platform::elfLayoutFits(write(elf + "appended"))) << wide << little;
            EXPECT_EQ(acceptedCuts(elf, platform::elfLayoutFits), std::vector<std::size_t>{}) << wide << little;
            EXPECT_FALSE(platform::peLayoutFits(write(elf)));
        }
    }
}

// A header that places a section outside the file is refused though nothing
// was cut: the structure, not the size, decides.
TEST_F(ProgramFile, APartPlacedBeyondTheEndIsRefused)
{
    std::string pe = peProgram();
    put(pe, 128 + 24 + 240 + 40 * 2 + 20, 0xFFFFFF00u, 4); // last section's raw data far away
    EXPECT_FALSE(platform::peLayoutFits(write(pe)));

    std::string elf = elfProgram(true, true);
    put(elf, 40, 0xFFFFFFFFFFFFFF00u, 8); // section header table where no file reaches
    EXPECT_FALSE(platform::elfLayoutFits(write(elf)));
}

// The helper program built for this system passes whole and fails cut at
// any of a hundred places, a half of it sent without Content-Length included.
TEST_F(ProgramFile, TheRealProgramIsAcceptedWholeOnly)
{
#ifdef _WIN32
    const std::string program = fileBytes(fs::path(platform::programFolder()) / "update_dummy.exe");
#else
    const std::string program = fileBytes(fs::path(platform::programFolder()) / "update_dummy");
#endif
    ASSERT_GE(program.size(), platform::kSmallestProgramSize);
    EXPECT_TRUE(platform::looksLikeProgram(write(program)));
    const std::size_t step = program.size() / 100 + 1;
    EXPECT_EQ(acceptedCuts(program, platform::looksLikeProgram, step), std::vector<std::size_t>{});
}

} // namespace

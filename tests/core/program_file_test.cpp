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

enum class PeFormat { Pe32, Pe32Plus };

// A Windows program, 32-bit (PE32) or 64-bit (PE32+): DOS header, PE headers
// with the stack and heap sizes a linker writes, three sections of raw data,
// then a COFF symbol table with its string table, or for a signed program,
// a release build without symbols, the certificate table, where a signing
// tool appends it.
std::string peProgram(PeFormat format = PeFormat::Pe32Plus, bool signedProgram = false)
{
    const bool plus = format == PeFormat::Pe32Plus;
    std::string pe(64, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    const std::size_t peAt = 128;
    put(pe, 0x3C, peAt, 4);
    pe.resize(peAt);
    pe += std::string("PE\0\0", 4);
    const std::size_t sections = 3;
    const std::size_t optionalSize = plus ? 240 : 224;
    put(pe, peAt + 4, plus ? 0x8664 : 0x14C, 2); // machine
    put(pe, peAt + 6, sections, 2);
    put(pe, peAt + 20, optionalSize, 2);
    put(pe, peAt + 22, plus ? 0x0022 : 0x0102, 2); // executable image
    const std::size_t optionalAt = peAt + 24;
    put(pe, optionalAt, plus ? 0x20B : 0x10B, 2);
    put(pe, optionalAt + 60, 512, 4); // SizeOfHeaders
    const std::size_t word = plus ? 8 : 4;
    const std::size_t stackAt = 72; // stack reserve and commit, heap reserve and commit
    put(pe, optionalAt + stackAt, 0x200000, word);
    put(pe, optionalAt + stackAt + word, 0x1000, word);
    put(pe, optionalAt + stackAt + 2 * word, 0x100000, word);
    put(pe, optionalAt + stackAt + 3 * word, 0x1000, word);
    const std::size_t directoriesAt = optionalAt + (plus ? 112 : 96);
    put(pe, directoriesAt - 4, 16, 4); // NumberOfRvaAndSizes
    put(pe, directoriesAt + 8 * 1, 0x3000, 4); // import table: an address in memory, not in the file
    put(pe, directoriesAt + 8 * 1 + 4, 0x28, 4);
    const std::size_t tableAt = optionalAt + optionalSize;
    std::size_t rawAt = 512;
    for (std::size_t i = 0; i < sections; ++i) {
        const std::size_t rawSize = 64 * (i + 1);
        put(pe, tableAt + 40 * i + 16, rawSize, 4);
        put(pe, tableAt + 40 * i + 20, rawAt, 4);
        rawAt += rawSize;
    }
    pe.resize(rawAt, '\x90');
    if (!signedProgram) {
        const std::size_t symbols = 4;
        put(pe, peAt + 12, rawAt, 4); // PointerToSymbolTable
        put(pe, peAt + 16, symbols, 4);
        pe.resize(rawAt + 18 * symbols, 's');
        put(pe, pe.size(), 12, 4); // string table: its size, then 8 bytes
        pe += std::string("strings\0", 8);
    } else {
        // The certificate directory holds a file offset, eight-byte aligned.
        pe.resize((pe.size() + 7) / 8 * 8, '\0');
        const std::size_t certificateAt = pe.size();
        const std::size_t certificateSize = 0x180;
        put(pe, directoriesAt + 8 * 4, certificateAt, 4);
        put(pe, directoriesAt + 8 * 4 + 4, certificateSize, 4);
        put(pe, certificateAt, certificateSize, 4); // WIN_CERTIFICATE: length, revision, PKCS#7
        put(pe, certificateAt + 4, 0x0200, 2);
        put(pe, certificateAt + 6, 0x0002, 2);
        pe.resize(certificateAt + certificateSize, '\x30');
    }
    return pe;
}

// Where peProgram() puts the data directories.
std::size_t peDirectoriesAt(PeFormat format)
{
    return 128 + 24 + (format == PeFormat::Pe32Plus ? 112 : 96);
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

// A signed release build of either format, without COFF symbols, is whole
// as it is and refused cut anywhere, within its certificate table (the last
// part) too: each format's data directories are where its own optional
// header has them.
TEST_F(ProgramFile, ASignedPeFileOfEitherFormatCutAnywhereIsRefused)
{
    for (const PeFormat format : {PeFormat::Pe32, PeFormat::Pe32Plus}) {
        const std::string pe = peProgram(format, true);
        const char* const name = format == PeFormat::Pe32 ? "PE32" : "PE32+";
        EXPECT_TRUE(platform::peLayoutFits(write(pe))) << name;
        EXPECT_TRUE(platform::peLayoutFits(write(pe + "appended"))) << name;
        EXPECT_EQ(acceptedCuts(pe, platform::peLayoutFits), std::vector<std::size_t>{}) << name;
    }
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

            // Stripped of its section header table, as sstrip leaves a
            // program: the segments alone place its parts.
            std::string stripped = elf.substr(0, elf.size() - 4 * (wide ? 64 : 40));
            put(stripped, wide ? 40 : 32, 0, wide ? 8 : 4, little);
            put(stripped, wide ? 60 : 48, 0, 2, little);
            EXPECT_TRUE(platform::elfLayoutFits(write(stripped))) << wide << little;
            EXPECT_EQ(acceptedCuts(stripped, platform::elfLayoutFits), std::vector<std::size_t>{}) << wide << little;
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
    for (const PeFormat format : {PeFormat::Pe32, PeFormat::Pe32Plus}) {
        std::string signedPe = peProgram(format, true);
        put(signedPe, peDirectoriesAt(format) + 8 * 4 + 4, 0x10000, 4); // a certificate table longer than the file
        EXPECT_FALSE(platform::peLayoutFits(write(signedPe))) << (format == PeFormat::Pe32 ? "PE32" : "PE32+");
    }

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

// Both kinds of executable a linker makes are programs, and only they: on
// Windows an executable image that is no DLL; elsewhere a fixed-address and a
// position-independent executable, not a relocatable object or a core dump.
TEST_F(ProgramFile, EveryKindOfExecutableIsAcceptedAndNothingElse)
{
#ifdef _WIN32
    const std::string program = fileBytes(fs::path(platform::programFolder()) / "update_dummy.exe");
    ASSERT_TRUE(platform::looksLikeProgram(write(program)));
    std::size_t characteristicsAt = 22; // in the file header after the signature, placed at 0x3C
    for (std::size_t i = 0; i < 4; ++i)
        characteristicsAt += std::size_t(static_cast<unsigned char>(program[0x3C + i])) << (8 * i);
    std::string library = program;
    library[characteristicsAt + 1] = static_cast<char>(library[characteristicsAt + 1] | 0x20); // DLL
    EXPECT_FALSE(platform::looksLikeProgram(write(library))) << "a DLL";
    std::string object = program;
    object[characteristicsAt] = static_cast<char>(object[characteristicsAt] & ~0x02); // no executable image
    EXPECT_FALSE(platform::looksLikeProgram(write(object))) << "not an executable image";
#else
    std::string program = fileBytes(fs::path(platform::programFolder()) / "update_dummy");
    const bool little = program[5] == 1;
    for (const unsigned type : {2u, 3u}) {
        put(program, 16, type, 2, little);
        EXPECT_TRUE(platform::looksLikeProgram(write(program))) << "type " << type;
    }
    for (const unsigned type : {0u, 1u, 4u}) {
        put(program, 16, type, 2, little);
        EXPECT_FALSE(platform::looksLikeProgram(write(program))) << "type " << type;
    }
#endif
}

} // namespace

#include "platform/files.h"
#include "signin/connection_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

// A program folder of its own for each test, with Data/QEL written raw.
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path()
            / ("qel-settings-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder / "Data");
        platform::overrideProgramFolder(folder.string());
    }
    void TearDown() override
    {
        platform::overrideProgramFolder({});
        fs::remove_all(folder);
    }
    void writeRaw(const std::string& bytes)
    {
        platform::writeFile((folder / "Data" / "QEL").string(), bytes);
    }
    // 84 bytes with each field's stored bytes and length byte set as given.
    static std::string layout(const std::string& user, unsigned userLen, const std::string& pass, unsigned passLen,
                              const std::string& server, unsigned serverLen, const std::string& base, unsigned baseLen)
    {
        std::string bytes(84, '\x55');
        bytes.replace(0, user.size(), user);
        bytes.replace(20, pass.size(), pass);
        bytes[40] = static_cast<char>(userLen);
        bytes[41] = static_cast<char>(passLen);
        bytes.replace(42, server.size(), server);
        bytes.replace(62, base.size(), base);
        bytes[82] = static_cast<char>(serverLen);
        bytes[83] = static_cast<char>(baseLen);
        return bytes;
    }
    fs::path folder;
};

TEST_F(SettingsFile, PathIsProgramFolderDataQel)
{
    EXPECT_EQ(ConnectionSettingsPath(), (folder / "Data" / "QEL").string());
}

TEST_F(SettingsFile, DecodesShiftedFieldsInTheirBlocks)
{
    // "abc" stored as 60 61 62; the second block holds the server first.
    writeRaw(layout("\x60\x61\x62", 3, "\x6F\x60\x72\x72", 4, "\x72\x64\x71\x75", 4, "PDK", 3));
    const TFirstConnectInfo info = ReadConnectionSettings();
    EXPECT_EQ(info.UserID, "abc");
    EXPECT_EQ(info.Password, "pass");
    EXPECT_EQ(info.DataSource, "serv");
    EXPECT_EQ(info.InitialCatalog, "QEL");
}

TEST_F(SettingsFile, LengthZeroGivesEmptyAndLengthAbove20GivesAll20BytesWithZeros)
{
    std::string twenty(20, '\x60');
    twenty[5] = '\xFF'; // decodes to a zero byte, which is a character
    writeRaw(layout("", 0, twenty, 200, "", 0, "x", 1));
    const TFirstConnectInfo info = ReadConnectionSettings();
    EXPECT_EQ(info.UserID, "");
    ASSERT_EQ(info.Password.size(), 20u);
    EXPECT_EQ(info.Password[5], '\0');
    EXPECT_EQ(info.Password[0], 'a');
    EXPECT_EQ(info.DataSource, "");
    EXPECT_NE(BuildConnectionString(info).find(";User ID=;Initial Catalog=y;Data Source=;"), std::string::npos);
}

TEST_F(SettingsFile, ShortFileFailsAndLongFileReadsLike84Bytes)
{
    const std::string good = layout("\x60", 1, "\x60", 1, "\x60", 1, "\x60", 1);
    writeRaw(good.substr(0, 83));
    try {
        ReadConnectionSettings();
        FAIL() << "a file of 83 bytes was read";
    } catch (const platform::FileError& error) {
        EXPECT_STREQ(error.what(), "Read beyond end of file");
    }
    writeRaw(good + "trailing bytes are ignored");
    EXPECT_EQ(ReadConnectionSettings().InitialCatalog, "a");
}

TEST_F(SettingsFile, MissingFileOrFolderIsFileNotFound)
{
    for (const bool removeFolder : {false, true}) {
        if (removeFolder)
            fs::remove_all(folder / "Data");
        try {
            ReadConnectionSettings();
            FAIL() << "nothing to read, yet it read";
        } catch (const platform::FileError& error) {
            EXPECT_STREQ(error.what(), "File not found");
        }
    }
}

TEST_F(SettingsFile, FolderInPlaceOfTheFileHasItsOwnText)
{
    fs::create_directories(folder / "Data" / "QEL");
    try {
        ReadConnectionSettings();
        FAIL() << "a folder was read as the settings file";
    } catch (const platform::FileError& error) {
        EXPECT_STREQ(error.what(), "A folder is in place of the file");
    }
}

#ifndef _WIN32
// The error text of reading the settings file, as a user without root's
// override of file permissions gets it.
std::string readingErrorAsAnOrdinaryUser()
{
    if (geteuid() != 0) {
        try {
            ReadConnectionSettings();
            return "read";
        } catch (const platform::FileError& error) {
            return error.what();
        }
    }
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        std::string text = "read";
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            text = "cannot drop privileges";
        } else {
            try {
                ReadConnectionSettings();
            } catch (const platform::FileError& error) {
                text = error.what();
            }
        }
        const ssize_t written = write(pipeEnds[1], text.data(), text.size());
        _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    close(pipeEnds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return text;
}

TEST_F(SettingsFile, UnreadableFileIsAccessDeniedNotFileNotFound)
{
    writeRaw(std::string(84, '\x60'));
    fs::permissions(folder / "Data" / "QEL", fs::perms::none);
    EXPECT_EQ(readingErrorAsAnOrdinaryUser(), "File access denied");
}
#endif

TEST_F(SettingsFile, WriterAndReaderAgreeOnEveryByteValue)
{
    for (int start = 0; start < 256; start += 20) {
        std::string value;
        for (int b = start; b < start + 20 && b < 256; ++b)
            value += static_cast<char>(b);
        const TFirstConnectInfo written{value, std::string(value.rbegin(), value.rend()), "cat", value.substr(3)};
        writeRaw(EncodeConnectionSettings(written));
        const TFirstConnectInfo read = ReadConnectionSettings();
        EXPECT_EQ(read.UserID, written.UserID);
        EXPECT_EQ(read.Password, written.Password);
        EXPECT_EQ(read.InitialCatalog, written.InitialCatalog);
        EXPECT_EQ(read.DataSource, written.DataSource);
    }
}

TEST(Settings, WriterRefusesValuesLongerThan20Bytes)
{
    EXPECT_THROW(EncodeConnectionSettings({std::string(21, 'u'), "", "", ""}), std::invalid_argument);
    EXPECT_NO_THROW(EncodeConnectionSettings({std::string(20, 'u'), "", "", ""}));
}

TEST(Settings, ShiftDecodeAddsOneModulo256)
{
    EXPECT_EQ(ShiftDecode("\x60\x61\x62"), "abc");
    EXPECT_EQ(ShiftDecode(std::string("\xFF", 1)), std::string(1, '\0'));
    EXPECT_EQ(ShiftDecode(ShiftEncode(std::string("\0\x01\xFE\xFF", 4))), std::string("\0\x01\xFE\xFF", 4));
}

// Plain values go in as they stand; one that the syntax would misread (a
// semicolon ending it early, a leading quote, blanks at its ends) is quoted.
TEST(Settings, ConnectionStringHasTheFixedPartsAndQuotesOnlyWhatNeedsIt)
{
    const TFirstConnectInfo info{"gate;way", "p w", "QEL", "srv\\inst"};
    EXPECT_EQ(BuildConnectionString(info),
              "Provider=SQLOLEDB.1;Password=p w;Persist Security Info=True;User ID=\"gate;way\";"
              "Initial Catalog=QEL;Data Source=srv\\inst;Use Procedure for Prepare=1;"
              "Auto Translate=True;Packet Size=4096;Use Encryption for Data=False;"
              "Tag with column collation when possible=False");
    const auto password = [](const std::string& value) {
        const std::string text = BuildConnectionString({"u", value, "QEL", "s"});
        const size_t start = text.find("Password=") + 9;
        return text.substr(start, text.find(";Persist Security Info") - start);
    };
    EXPECT_EQ(password("a\"b;c"), "'a\"b;c'");
    EXPECT_EQ(password("'x"), "\"'x\"");
    EXPECT_EQ(password("a'b\";c"), "\"a'b\"\";c\"");
    EXPECT_EQ(password(" lead"), "\" lead\"");
    EXPECT_EQ(password("trail "), "\"trail \"");
    EXPECT_EQ(password("a=b'c\""), "a=b'c\"");
}

} // namespace

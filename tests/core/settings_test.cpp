#include "platform/files.h"
#include "signin/connection_settings.h"
#include "small_disk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
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

// A FIFO in place of the file would keep the sign-in waiting for a writer for
// good; a device would be read as whatever it gives. Neither is a file.
TEST_F(SettingsFile, AnythingButARegularFileCannotBeOpened)
{
    const fs::path fifo = folder / "Data" / "QEL";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, []() -> std::string {
        try {
            ReadConnectionSettings();
            return "read";
        } catch (const platform::FileError& error) {
            return error.what();
        }
    });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the waiting open go on: a writer comes and goes.
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
        ADD_FAILURE() << "reading a FIFO waited for a writer";
    }
    EXPECT_EQ(reading.get(), "Cannot open file");

    fs::remove(fifo);
    fs::create_symlink("/dev/zero", fifo);
    try {
        ReadConnectionSettings();
        ADD_FAILURE() << "a device was read as the settings file";
    } catch (const platform::FileError& error) {
        EXPECT_STREQ(error.what(), "Cannot open file");
    }
}
#endif

// On a full disk the save fails with the file's name and the system's reason;
// the file that was there stays as it was and nothing is left beside it.
TEST_F(SettingsFile, AFullDiskLeavesTheOldFileAndNothingBesideIt)
{
    const testing_support::SmallDisk disk("settings");
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    const fs::path path = disk.folder() / "QEL";
    const std::string before = EncodeConnectionSettings({"old", "secret", "QEL", "srv"});
    platform::writeFile(path.string(), before);
    disk.fill();
    try {
        platform::writeFile(path.string(), EncodeConnectionSettings({"new", "secret", "QEL", "srv"}));
        FAIL() << "the save on a full disk succeeded";
    } catch (const platform::WriteError& error) {
        EXPECT_EQ(error.path(), path);
        EXPECT_EQ(error.reason(), "No space left on device");
        EXPECT_EQ(std::string(error.what()), "Cannot write file \"" + path.string() + "\": No space left on device");
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), before);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(disk.folder()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"QEL", "filler"}));
}

#ifndef _WIN32
// A symbolic link in the file's place is replaced by the file, not followed:
// what it pointed to is untouched, a dangling one creates nothing elsewhere.
TEST_F(SettingsFile, ASaveReplacesASymbolicLinkInsteadOfFollowingIt)
{
    const fs::path victim = folder / "victim";
    platform::writeFile(victim.string(), "not to be overwritten");
    const fs::path link = folder / "Data" / "link";
    fs::create_symlink(victim, link);
    platform::writeFile(link.string(), "saved");
    EXPECT_FALSE(fs::is_symlink(link));
    std::ifstream saved(link), kept(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), std::istreambuf_iterator<char>()), "saved");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), "not to be overwritten");

    const fs::path dangling = folder / "Data" / "dangling";
    fs::create_symlink(folder / "nowhere", dangling);
    platform::writeFile(dangling.string(), "saved");
    EXPECT_FALSE(fs::exists(folder / "nowhere"));
    EXPECT_TRUE(fs::is_regular_file(dangling));
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

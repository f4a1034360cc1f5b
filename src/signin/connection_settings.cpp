#include "signin/connection_settings.h"

#include "platform/files.h"

#include <stdexcept>

namespace {

using settings_file::kFieldSize;

struct FieldPlace {
    size_t offset;
    size_t lengthOffset;
};

constexpr FieldPlace kUserID{0, 40};
constexpr FieldPlace kPassword{20, 41};
constexpr FieldPlace kDataSource{42, 82};
constexpr FieldPlace kInitialCatalog{62, 83};

std::string readField(const std::string& bytes, FieldPlace place)
{
    size_t length = static_cast<unsigned char>(bytes[place.lengthOffset]);
    if (length > kFieldSize)
        length = kFieldSize;
    return ShiftDecode(bytes.substr(place.offset, length));
}

void writeField(std::string& bytes, FieldPlace place, const std::string& value, const char* name)
{
    if (value.size() > kFieldSize)
        throw std::invalid_argument(std::string(name) + " is longer than 20 characters");
    bytes.replace(place.offset, value.size(), ShiftEncode(value));
    bytes[place.lengthOffset] = static_cast<char>(value.size());
}

// A value as the connection string's syntax carries it: as it stands when
// nothing in it could be taken for syntax, otherwise in double quotes (single
// ones when it holds a double quote and no single one), the enclosing quote
// doubled inside. A semicolon would end the value, a leading quote start a
// quoted one, and blanks at either end would be trimmed.
std::string connectionValue(const std::string& value)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    const bool plain = value.find(';') == std::string::npos
        && (value.empty()
            || (value.front() != '"' && value.front() != '\'' && !isBlank(value.front()) && !isBlank(value.back())));
    if (plain)
        return value;
    const char quote = value.find('"') != std::string::npos && value.find('\'') == std::string::npos ? '\'' : '"';
    std::string quoted(1, quote);
    for (const char c : value) {
        quoted += c;
        if (c == quote)
            quoted += c;
    }
    return quoted + quote;
}

std::string shifted(const std::string& text, int delta)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(static_cast<unsigned char>(c) + delta);
    return out;
}

} // namespace

std::string ConnectionSettingsPath()
{
    return platform::joinPath(platform::programFolder(), {"Data", "QEL"});
}

TFirstConnectInfo ReadConnectionSettings()
{
    const std::string bytes = platform::readFileStart(ConnectionSettingsPath(), settings_file::kSize);
    TFirstConnectInfo info;
    info.UserID = readField(bytes, kUserID);
    info.Password = readField(bytes, kPassword);
    info.DataSource = readField(bytes, kDataSource);
    info.InitialCatalog = readField(bytes, kInitialCatalog);
    return info;
}

std::string ShiftDecode(const std::string& text)
{
    return shifted(text, +1);
}

std::string ShiftEncode(const std::string& text)
{
    return shifted(text, -1);
}

std::string EncodeConnectionSettings(const TFirstConnectInfo& info)
{
    std::string bytes(settings_file::kSize, '\0');
    writeField(bytes, kUserID, info.UserID, "User ID");
    writeField(bytes, kPassword, info.Password, "Password");
    writeField(bytes, kDataSource, info.DataSource, "Data Source");
    writeField(bytes, kInitialCatalog, info.InitialCatalog, "Initial Catalog");
    return bytes;
}

std::string BuildConnectionString(const TFirstConnectInfo& info)
{
    return "Provider=SQLOLEDB.1;Password=" + connectionValue(info.Password)
         + ";Persist Security Info=True;User ID=" + connectionValue(info.UserID)
         + ";Initial Catalog=" + connectionValue(info.InitialCatalog)
         + ";Data Source=" + connectionValue(info.DataSource)
         + ";Use Procedure for Prepare=1;Auto Translate=True;"
           "Packet Size=4096;Use Encryption for Data=False;"
           "Tag with column collation when possible=False";
}

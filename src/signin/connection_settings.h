#pragma once
// The connection settings file Data/QEL beside the executable and the
// connection string built from it. All texts are Windows-1251 bytes.
//
// File layout, 84 bytes in two blocks of 42, every text stored with the
// character shift (stored byte = real byte - 1, modulo 256):
//   0  20  UserID          40 1 length of UserID
//   20 20  Password        41 1 length of Password
//   42 20  DataSource      82 1 length of DataSource
//   62 20  InitialCatalog  83 1 length of InitialCatalog
// Bytes of a field past its length are ignored; a length above 20 means 20.
#include <string>

struct TFirstConnectInfo {
    std::string UserID;
    std::string Password;
    std::string InitialCatalog;
    std::string DataSource;
};

namespace settings_file {
inline constexpr size_t kSize = 84;
inline constexpr size_t kFieldSize = 20;
} // namespace settings_file

// Program folder + "Data" + "QEL", joined with the platform's separator.
std::string ConnectionSettingsPath();

// Reads the file afresh. Throws platform::FileError ("File not found",
// "Read beyond end of file").
TFirstConnectInfo ReadConnectionSettings();

// Undoes the character shift: every byte plus one, modulo 256.
std::string ShiftDecode(const std::string& text);
// The shift itself, for whoever writes the file: every byte minus one.
std::string ShiftEncode(const std::string& text);

// The 84 bytes of a settings file holding `info`. Throws std::invalid_argument
// naming the field when a value is longer than 20 bytes.
std::string EncodeConnectionSettings(const TFirstConnectInfo& info);

// The connection string. A value goes in as it stands unless it holds a
// semicolon, starts with a quote or has blanks at either end: such a value is
// quoted as the OLE DB syntax allows ("p;q" becomes "\"p;q\""), which
// db::parseConnectionString undoes.
std::string BuildConnectionString(const TFirstConnectInfo& info);

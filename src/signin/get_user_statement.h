#pragma once
// The statement that asks the server's GET_USER whether a user may sign in.
// Texts are Windows-1251 bytes.
#include <string>

// Doubles every apostrophe, as every text value inside an SQL literal needs.
std::string DoubleApostrophes(const std::string& text);

// `newPasswordArgument` is exactly "NULL" for a normal sign-in, otherwise the
// new password typed in password-change mode: it is sent as its digest in
// apostrophes, and the last argument is the length of what was sent ("4" or
// "34"). Login and computer name have their apostrophes doubled.
std::string GetUserStatement(const std::string& login, const std::string& password,
                             const std::string& newPasswordArgument, const std::string& ipAddress,
                             const std::string& computerName);

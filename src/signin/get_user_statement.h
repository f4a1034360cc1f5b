#pragma once
// The statement that asks the server's GET_USER whether a user may sign in.
// Texts are Windows-1251 bytes.
#include <stdexcept>
#include <string>

// Doubles every apostrophe, as every text value inside an SQL literal needs.
std::string DoubleApostrophes(const std::string& text);

// What the user is told of a login that cannot be sent (UTF-8, as every
// message text).
inline constexpr char kUnsendableLoginText[] =
    "В логине есть символы, которые нельзя использовать!!!\rИсправьте логин.";

// A login the statement refuses to carry; what() is kUnsendableLoginText.
class UnsendableLogin : public std::invalid_argument {
public:
    UnsendableLogin() : std::invalid_argument(kUnsendableLoginText) {}
};

// Whether the login may go into the statement: no control characters (codes
// below 32, and 127), which no one types into the login box and which would
// bend the statement on its way (a zero byte ends it early for some drivers).
bool IsSendableLogin(const std::string& login);

// `newPasswordArgument` is exactly "NULL" for a normal sign-in, otherwise the
// new password typed in password-change mode: it is sent as its digest in
// apostrophes, and the last argument is the length of what was sent ("4" or
// "34"). Login and computer name have their apostrophes doubled. Throws
// UnsendableLogin when IsSendableLogin(login) is false.
std::string GetUserStatement(const std::string& login, const std::string& password,
                             const std::string& newPasswordArgument, const std::string& ipAddress,
                             const std::string& computerName);

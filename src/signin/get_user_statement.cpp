#include "signin/get_user_statement.h"

#include "platform/cp1251.h"
#include "signin/password_digest.h"
#include "signin/self_update.h"

std::string DoubleApostrophes(const std::string& text)
{
    std::string doubled;
    doubled.reserve(text.size());
    for (const char c : text) {
        doubled += c;
        if (c == '\'')
            doubled += '\'';
    }
    return doubled;
}

bool IsSendableLogin(const std::string& login)
{
    return !platform::hasControlCharacter(login);
}

std::string GetUserStatement(const std::string& login, const std::string& password,
                             const std::string& newPasswordArgument, const std::string& ipAddress,
                             const std::string& computerName)
{
    if (!IsSendableLogin(login))
        throw UnsendableLogin();
    const std::string newPassword =
        newPasswordArgument == "NULL" ? newPasswordArgument : "'" + PasswordDigest(newPasswordArgument) + "'";
    const std::string quotedLogin = DoubleApostrophes(login);
    return "EXEC GET_USER '" + quotedLogin + "'," + "'" + PasswordDigest(password) + "'," + newPassword + ", "
         + "'" + kProgramIdentity + "'" + ", '" + ipAddress + "', " + "'" + DoubleApostrophes(computerName) + "'"
         + ", '" + quotedLogin + "'," + "'0'," + "'" + std::to_string(newPassword.size()) + "'";
}

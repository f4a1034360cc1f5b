#include "signin/password_digest.h"

#include "signin/md5.h"

std::string PasswordDigest(const std::string& text)
{
    MD5Digest digest = MD5OfText(text);
    std::string hex = DigestToHex(digest);
    SecureWipe(digest.data(), digest.size());
    return hex;
}

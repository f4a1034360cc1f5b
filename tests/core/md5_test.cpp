#include "signin/md5.h"
#include "signin/password_digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string md5Hex(const std::string& text)
{
    return DigestToHex(MD5OfText(text));
}

TEST(Md5, Rfc1321TestSuite)
{
    EXPECT_EQ(md5Hex(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(md5Hex("a"), "0CC175B9C0F1B6A831C399E269772661");
    EXPECT_EQ(md5Hex("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(md5Hex("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
    EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz"), "C3FCD3D76192E4007DFB496CCA67E13B");
    EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "D174AB98D277D9F5A5611C2C9F419D9F");
    EXPECT_EQ(md5Hex("1234567890123456789012345678901234567890"
                     "1234567890123456789012345678901234567890"),
              "57EDF4A22BE3C955AC49DA2E2107B67A");
}

TEST(Md5, LengthsAroundTheBlockBoundary)
{
    // Digests of n letters 'a', as any RFC 1321 implementation gives them.
    EXPECT_EQ(md5Hex(std::string(55, 'a')), "EF1772B6DFF9A122358552954AD0DF65");
    EXPECT_EQ(md5Hex(std::string(56, 'a')), "3B0C8AC703F828B04C6C197006D17218");
    EXPECT_EQ(md5Hex(std::string(63, 'a')), "B06521F39153D618550606BE297466D5");
    EXPECT_EQ(md5Hex(std::string(64, 'a')), "014842D480B571495A4A0363793F7367");
    EXPECT_EQ(md5Hex(std::string(65, 'a')), "C743A45E0D2E6A95CB859ADAE0248435");
}

TEST(Md5, UnevenPiecesGiveTheSameDigestAsOneBuffer)
{
    std::string message;
    for (int i = 0; i < 5000; ++i)
        message += static_cast<char>(i * 7 + i / 13);
    const MD5Digest whole = MD5OfText(message);

    MD5Context context;
    MD5Init(context);
    size_t at = 0;
    for (size_t piece = 1; at < message.size(); piece = piece * 3 % 97 + 1) {
        const size_t take = std::min(piece, message.size() - at);
        MD5Update(context, reinterpret_cast<const uint8_t*>(message.data() + at), take);
        at += take;
    }
    EXPECT_EQ(MD5Final(context), whole);
}

TEST(Md5, FinalWipesTheContext)
{
    MD5Context context;
    MD5Init(context);
    const std::string secret = "secret password";
    MD5Update(context, reinterpret_cast<const uint8_t*>(secret.data()), secret.size());
    MD5Final(context);
    MD5Context zero;
    SecureWipe(&zero, sizeof zero);
    EXPECT_EQ(std::memcmp(&context, &zero, sizeof context), 0);
}

TEST(PasswordDigest, UpperCaseHexOfTheBytes)
{
    EXPECT_EQ(PasswordDigest("abc"), "900150983CD24FB0D6963F7D28E17F72");
    const std::string empty = PasswordDigest("");
    EXPECT_EQ(empty.size(), 32u);
    EXPECT_EQ(empty, "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_NE(PasswordDigest("Secret"), PasswordDigest("secret"));
    for (const char c : PasswordDigest("The quick brown fox"))
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << c;
}

TEST(PasswordDigest, CyrillicPasswordIsDigestedOverItsWindows1251Bytes)
{
    // "пароль" in Windows-1251: EF E0 F0 EE EB FC.
    const std::string cp1251 = "\xEF\xE0\xF0\xEE\xEB\xFC";
    EXPECT_EQ(PasswordDigest(cp1251), md5Hex(cp1251));
    EXPECT_EQ(PasswordDigest(cp1251), "749789E4982B0C563F6729AAC100A614");
    EXPECT_NE(PasswordDigest(cp1251), PasswordDigest("пароль")); // not its UTF-8 bytes
}

} // namespace

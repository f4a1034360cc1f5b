#include "platform/cp1251.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1251, CyrillicRoundTrip)
{
    const std::string russian = "Ёлка ёж Научная деятельность №5 «кавычки» — тире";
    const auto bytes = platform::utf8ToCp1251(russian);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), 48u);
    EXPECT_EQ(static_cast<unsigned char>((*bytes)[0]), 0xA8); // Ё
    EXPECT_EQ(platform::cp1251ToUtf8(*bytes), russian);
}

TEST(Cp1251, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(platform::utf8ToCp1251(platform::cp1251ToUtf8(all)), all);
}

TEST(Cp1251, UnrepresentableOrBrokenTextIsRefused)
{
    EXPECT_FALSE(platform::utf8ToCp1251("日本").has_value());
    EXPECT_FALSE(platform::utf8ToCp1251("\xC3").has_value());
    EXPECT_EQ(platform::utf8ToCp1251("plain ascii"), "plain ascii");
}

// What a login or a settings value may not hold: the C0 controls and DEL at
// both ends of their ranges, not the space, the tilde or the upper half that
// holds the Cyrillic letters.
TEST(Cp1251, ControlCharactersAreTheC0RangeAndDelOnly)
{
    for (const char* text : {"\x01", "a\tb", "line\r\n", "\x1F", "end\x7F"})
        EXPECT_TRUE(platform::hasControlCharacter(text)) << ::testing::PrintToString(std::string(text));
    EXPECT_TRUE(platform::hasControlCharacter(std::string_view("nul\0inside", 11)));
    const std::string cyrillic = platform::utf8ToCp1251("Яя Ёё №").value(); // 0xDF 0xFF 0xA8 0xB8 0xB9
    for (const std::string& text : {std::string(" ~"), std::string("demo_2026"), cyrillic, std::string("\x80\x98\xA0")})
        EXPECT_FALSE(platform::hasControlCharacter(text)) << ::testing::PrintToString(text);
}

} // namespace

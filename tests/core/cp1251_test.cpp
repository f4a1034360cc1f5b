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

} // namespace

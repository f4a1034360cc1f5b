#include "platform/workstation.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

TEST(Workstation, ComputerNameIsPlainText)
{
    const std::string name = platform::computerName();
    EXPECT_FALSE(name.empty());
    EXPECT_LT(name.size(), 256u);
    EXPECT_EQ(name.find('\0'), std::string::npos);
}

TEST(Workstation, AddressIsFourDottedDecimalBytes)
{
    const std::string address = platform::firstIPv4OfHostName();
    std::istringstream in(address);
    for (int part = 0; part < 4; ++part) {
        std::string number;
        std::getline(in, number, '.');
        ASSERT_FALSE(number.empty()) << address;
        ASSERT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << address;
        ASSERT_LE(number.size(), 3u) << address;
        EXPECT_LE(std::stoi(number), 255) << address;
    }
    EXPECT_TRUE(in.eof()) << address;
}

} // namespace

// Hexadecimal address text and white-space trimming.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/text_convert.h"

namespace {

const std::string kHexDigits = "0123456789abcdefABCDEF";

int ReferenceDigit(char c)
{
    const size_t at = kHexDigits.find(c);
    if (c == '\0' || at == std::string::npos) {
        return -1;
    }
    return static_cast<int>(at < 16 ? at : at - 6);
}

TEST(HexPairToByte, AgreesWithReferenceForEveryCharacterPair)
{
    for (int i0 = 0; i0 < 256; ++i0) {
        for (int i1 = 0; i1 < 256; ++i1) {
            const char c0 = static_cast<char>(i0);
            const char c1 = static_cast<char>(i1);
            const int high = ReferenceDigit(c0);
            const int low = ReferenceDigit(c1);
            uint8_t value = 0x5A;
            const bool ok = HexPairToByte(c0, c1, value);
            ASSERT_EQ(ok, high >= 0 && low >= 0) << "pair " << i0 << "," << i1;
            if (ok) {
                ASSERT_EQ(value, high * 16 + low) << "pair " << i0 << "," << i1;
            }
        }
    }
}

TEST(HexPairToByte, MixedCaseAndRejection)
{
    uint8_t value = 0;
    EXPECT_TRUE(HexPairToByte('f', 'F', value));
    EXPECT_EQ(value, 0xFF);
    EXPECT_FALSE(HexPairToByte('g', '0', value));
    EXPECT_FALSE(HexPairToByte('0', 'G', value));
}

TEST(IsHexText, Cases)
{
    const struct {
        std::string text;
        bool expected;
    } cases[] = {
        {"", true},
        {kHexDigits, true},
        {"12 34", false},
        {"12g4", false},
        {std::string("0\0", 2), false},
        {"\xA0", false},
        {"0x12", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsHexText(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(HexToBdAddr, AcceptsTwelveDigitsOfEitherCase)
{
    BdAddr addr;
    std::memset(&addr, 0xEE, sizeof(addr));
    ASSERT_TRUE(HexToBdAddr("0a1B2c3D4e5F", addr));
    const uint8_t expected[6] = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    EXPECT_EQ(std::memcmp(addr.bytes, expected, 6), 0);
}

TEST(HexToBdAddr, RejectsWrongLengthSeparatorsAndBadDigits)
{
    BdAddr addr{};
    for (const char* text : {"", "0A1B2C3D4E5", "0A1B2C3D4E5F0", "0A:1B:2C:3D:4E:5F", "0A1B2C3D4E5F\r"}) {
        EXPECT_FALSE(HexToBdAddr(text, addr)) << text;
    }
    const std::string good = "0A1B2C3D4E5F";
    for (size_t pos = 0; pos < good.size(); ++pos) {
        for (char bad : {'g', 'G', ' ', ':', '\0', '\xC0'}) {
            std::string text = good;
            text[pos] = bad;
            EXPECT_FALSE(HexToBdAddr(text, addr)) << "position " << pos << " char " << int(bad);
        }
    }
}

TEST(BdAddrToHex, UpperCaseFirstByteFirstAndRoundTrips)
{
    const struct {
        BdAddr addr;
        const char* text;
    } cases[] = {
        {{{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}}, "0A1B2C3D4E5F"},
        {{{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}, "000000000000"},
        {{{0xFF, 0xFE, 0x01, 0x10, 0xAB, 0xCD}}, "FFFE0110ABCD"},
    };
    for (const auto& c : cases) {
        const std::string text = BdAddrToHex(c.addr);
        EXPECT_EQ(text, c.text);
        BdAddr back{};
        ASSERT_TRUE(HexToBdAddr(text, back));
        EXPECT_EQ(std::memcmp(back.bytes, c.addr.bytes, 6), 0) << c.text;
    }
}

// Any single non-zero byte, in any position, is an address.
TEST(IsZeroAddress, OnlyAllSixBytesZero)
{
    EXPECT_TRUE(IsZeroAddress(BdAddr{}));
    for (size_t position = 0; position < sizeof(BdAddr::bytes); ++position) {
        for (const uint8_t value : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
            BdAddr addr{};
            addr.bytes[position] = value;
            EXPECT_FALSE(IsZeroAddress(addr)) << "byte " << position << " = " << int{value};
        }
    }
}

TEST(TrimSpaces, Cases)
{
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {" \t-45\r\n", "-45"},
        {" \t\r\n\v\f", ""},
        {"", ""},
        {"a b", "a b"},
        {"\v\fx y\f\v", "x y"},
        // Bytes that some locales count as space stay: the test is POSIX's.
        {"\xA0x\x85", "\xA0x\x85"},
        {std::string("\0x\0", 3), std::string("\0x\0", 3)},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        TrimSpaces(text);
        EXPECT_EQ(text, c.expected) << '"' << c.text << '"';
    }
}

}  // namespace

// Hexadecimal text of Bluetooth addresses and white-space trimming.
// Character classes are spelled out so that the process locale never
// changes what counts as a digit, a letter or white space.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "text/text_convert.h"

namespace {

bool HexDigitValue(char c, uint8_t& value)
{
    if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
    }
    if (c >= '0' && c <= '9') {
        value = static_cast<uint8_t>(c - '0');
        return true;
    }
    if (c >= 'A' && c <= 'F') {
        value = static_cast<uint8_t>(c - 'A' + 10);
        return true;
    }
    return false;
}

bool IsPosixSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool IsHexText(const std::string& text)
{
    uint8_t ignored = 0;
    for (char c : text) {
        if (!HexDigitValue(c, ignored)) {
            return false;
        }
    }
    return true;
}

bool HexPairToByte(char c0, char c1, uint8_t& out)
{
    out = 0;
    uint8_t high = 0;
    uint8_t low = 0;
    if (!HexDigitValue(c0, high) || !HexDigitValue(c1, low)) {
        return false;
    }
    out = static_cast<uint8_t>((high << 4) | low);
    return true;
}

bool HexToBdAddr(std::string text, BdAddr& out)
{
    constexpr size_t kHexLength = 2 * sizeof(out.bytes);
    if (text.size() != kHexLength) {
        return false;
    }
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    out = BdAddr{};
    for (size_t i = 0; i < sizeof(out.bytes); ++i) {
        if (!HexPairToByte(text[2 * i], text[2 * i + 1], out.bytes[i])) {
            return false;
        }
    }
    return true;
}

bool IsZeroAddress(const BdAddr& addr)
{
    return std::all_of(std::begin(addr.bytes), std::end(addr.bytes), [](uint8_t byte) { return byte == 0; });
}

std::string BdAddrToHex(const BdAddr& addr)
{
    char text[13] = {};
    std::snprintf(text, sizeof(text), "%02X%02X%02X%02X%02X%02X", addr.bytes[0], addr.bytes[1], addr.bytes[2],
                  addr.bytes[3], addr.bytes[4], addr.bytes[5]);
    return std::string(text, 12);
}

void TrimSpaces(std::string& text)
{
    size_t first = 0;
    while (first < text.size() && IsPosixSpace(text[first])) {
        ++first;
    }
    size_t last = text.size();
    while (last > first && IsPosixSpace(text[last - 1])) {
        --last;
    }
    text = text.substr(first, last - first);
}

// UTF-16 / UTF-8 / ANSI conversions. The same expectations hold on Windows,
// where the system converters do the work, and elsewhere.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <type_traits>

#include "text/text_convert.h"

namespace {

using Bytes = std::string;

// Units as hexadecimal, so that a failure shows which bytes differ.
template <typename Units>
std::string Hex(const Units& units)
{
    std::string text;
    for (auto unit : units) {
        char piece[8] = {};
        std::snprintf(piece, sizeof(piece), sizeof(unit) == 1 ? "%02X " : "%04X ",
                      static_cast<unsigned>(static_cast<std::make_unsigned_t<decltype(unit)>>(unit)));
        text += piece;
    }
    return text;
}

constexpr char16_t kFffd = 0xFFFD;

struct Utf16Utf8Case {
    const char* what;
    WideString wide;
    Bytes utf8;
};

// Well-formed pairs convert both ways.
const Utf16Utf8Case kWellFormed[] = {
    {"empty", {}, ""},
    {"ASCII", u"ZANTOR-KX400", "ZANTOR-KX400"},
    {"embedded zero", WideString{u'a', 0, u'b'}, Bytes("a\0b", 3)},
    {"two-byte bounds", WideString{0x80, 0x7FF}, "\xC2\x80\xDF\xBF"},
    {"three-byte bounds", WideString{0x800, 0xFFFF}, "\xE0\xA0\x80\xEF\xBF\xBF"},
    {"Hangul", u"\uD55C\uAE00", "\xED\x95\x9C\xEA\xB8\x80"},
    {"surrogate pair", WideString{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
    {"highest code point", WideString{0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF"},
    {"U+FFFD itself", WideString{kFffd}, "\xEF\xBF\xBD"},
};

TEST(WideToUtf8, WellFormed)
{
    for (const auto& c : kWellFormed) {
        std::string out = "stale";
        const size_t count = WideToUtf8(c.wide, out);
        EXPECT_EQ(Hex(out), Hex(c.utf8)) << c.what;
        EXPECT_EQ(count, out.size()) << c.what;
    }
}

TEST(Utf8ToWide, WellFormed)
{
    for (const auto& c : kWellFormed) {
        WideString out = u"stale";
        const size_t count = Utf8ToWide(c.utf8, out);
        EXPECT_EQ(Hex(out), Hex(c.wide)) << c.what;
        EXPECT_EQ(count, out.size()) << c.what;
    }
}

TEST(WideToUtf8, UnpairedSurrogatesBecomeReplacementCharacter)
{
    const Bytes r = "\xEF\xBF\xBD";
    const Utf16Utf8Case cases[] = {
        {"lone high", WideString{0xD800}, r},
        {"lone low", WideString{0xDC00}, r},
        {"high at end", WideString{u'a', 0xDBFF}, "a" + r},
        {"high before ASCII", WideString{0xD800, u'x'}, r + "x"},
        {"low before high", WideString{0xDC00, 0xD800}, r + r},
        {"two highs then low", WideString{0xD800, 0xD83D, 0xDE00}, r + "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        std::string out;
        const size_t count = WideToUtf8(c.wide, out);
        EXPECT_EQ(Hex(out), Hex(c.utf8)) << c.what;
        EXPECT_EQ(count, out.size()) << c.what;
    }
}

// The replacement rules of Windows' UTF-8 converter with flags 0, which the
// portable converter reproduces.
TEST(Utf8ToWide, MalformedSequencesBecomeReplacementCharacters)
{
    const char16_t r = kFffd;
    const Utf16Utf8Case cases[] = {
        {"lone continuation", WideString{r}, "\x80"},
        {"continuation run", WideString{r, r, u'a'}, "\x80\xBF" "a"},
        {"lead C0 (always overlong)", WideString{r, r}, "\xC0\x80"},
        {"lead C1 (always overlong)", WideString{r, r}, "\xC1\xBF"},
        {"lead F5", WideString{r, r, r}, "\xF5\x80\x80"},
        {"lead FF", WideString{r, u'a'}, "\xFF" "a"},
        {"overlong three-byte takes its first continuation", WideString{r, r}, "\xE0\x80\x80"},
        {"overlong four-byte takes its first continuation", WideString{r, r, r}, "\xF0\x8F\xBF\xBF"},
        {"encoded surrogate takes its first continuation", WideString{r, r}, "\xED\xA0\x80"},
        {"above U+10FFFF leaves its second continuation", WideString{r, r, r}, "\xF4\x90\x80\x80"},
        {"broken by ASCII", WideString{r, u'A', u'B'}, "\xE2\x82" "AB"},
        {"broken by a lead", WideString{r, 0xD55C}, "\xED\xED\x95\x9C"},
        {"broken at the second byte", WideString{r, u'(', r}, "\xE2\x28\xA1"},
        {"four-byte broken at the fourth byte", WideString{r, u'x'}, "\xF0\x9F\x98" "x"},
        {"cut short at the end", WideString{u'a', r}, "a\xE2\x82"},
        {"lone lead at the end", WideString{u'a', r}, "a\xC3"},
        {"cut short takes the rest of the input", WideString{u'a', r}, "a\xF0\x41\x41"},
    };
    for (const auto& c : cases) {
        WideString out;
        const size_t count = Utf8ToWide(c.utf8, out);
        EXPECT_EQ(Hex(out), Hex(c.wide)) << c.what;
        EXPECT_EQ(count, out.size()) << c.what;
    }
}

TEST(WideToUtf8, LengthsCountBytesNotCharacters)
{
    std::string out;
    EXPECT_EQ(WideToUtf8(u"Abcdefgh", out), 8u);
    EXPECT_EQ(WideToUtf8(u"\uAC00\uB098\uB2E4\uB77C\uB9C8\uBC14\uC0AC\uC544", out), 24u);
    EXPECT_EQ(WideToUtf8(u"\uD55C\uAE00\uB9D0", out), 9u);
}

TEST(WideToAnsi, AsciiPassesUnchanged)
{
    std::string out = "stale";
    EXPECT_EQ(WideToAnsi(WideString(u"COM12"), out), 5u);
    EXPECT_EQ(out, "COM12");
    EXPECT_EQ(WideToAnsi(std::wstring(L"COM12"), out), 5u);
    EXPECT_EQ(out, "COM12");
    EXPECT_EQ(WideToAnsi(WideString(u"0A1B2C3D4E5F"), out), 12u);
    EXPECT_EQ(out, "0A1B2C3D4E5F");
    EXPECT_EQ(WideToAnsi(WideString{u'A', 0, u'B'}, out), 3u);
    EXPECT_EQ(out, Bytes("A\0B", 3));
    EXPECT_EQ(WideToAnsi(std::wstring(), out), 0u);
    EXPECT_EQ(out, "");
}

TEST(WideToAnsi, UnrepresentableCharacterBecomesDefaultCharacter)
{
    // Thai is outside every code page an English or Korean system uses.
    std::string out;
    EXPECT_EQ(WideToAnsi(WideString(u"COM\u0E01"), out), 4u);
    EXPECT_EQ(out, "COM?");
    EXPECT_EQ(WideToAnsi(std::wstring(L"\u0E01"), out), 1u);
    EXPECT_EQ(out, "?");
}

// A port name passes only when the code page holds it exactly. The
// expectations hold for the code pages of the test systems (1252, 949) and
// for the ASCII stand-in elsewhere.
TEST(WideToAnsiExact, NameWithoutExactFormIsRefused)
{
    const struct {
        const char* what;
        std::wstring wide;
        bool converts;
        Bytes ansi;
    } cases[] = {
        {"ASCII port name", L"COM7", true, "COM7"},
        {"empty", L"", true, ""},
        // A best-fit conversion would give 'A' and so another port's name.
        {"look-alike", L"COM\u0100", false, ""},
        {"Thai, in no test system's code page", L"COM\u0E01", false, ""},
        {"unpaired surrogate", std::wstring(L"COM") + static_cast<wchar_t>(0xD800), false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = "stale";
        EXPECT_EQ(WideToAnsiExact(c.wide, out), c.converts);
        EXPECT_EQ(Hex(out), Hex(c.ansi));
    }
}

TEST(AnsiToWide, AsciiPassesUnchanged)
{
    std::wstring out = L"stale";
    EXPECT_EQ(AnsiToWide("COM12", out), 5u);
    EXPECT_EQ(out, L"COM12");
    EXPECT_EQ(AnsiToWide("The system cannot find the file specified.", out), 42u);
    EXPECT_EQ(out, L"The system cannot find the file specified.");
    EXPECT_EQ(AnsiToWide(Bytes("A\0B", 3), out), 3u);
    EXPECT_EQ(out, std::wstring(L"A\0B", 3));
    EXPECT_EQ(AnsiToWide("", out), 0u);
    EXPECT_EQ(out, L"");
}

// The same text as the user interface's std::wstring and as WideString,
// both ways.
TEST(ToWstring, SameTextBothWays)
{
    const struct {
        const char* what;
        WideString utf16;
        std::wstring wide;
    } cases[] = {
        {"empty", {}, {}},
        {"ASCII", u"KX-Tag1", L"KX-Tag1"},
        {"embedded zero", WideString{u'a', 0, u'b'}, std::wstring(L"a\0b", 3)},
        {"Hangul", u"\uD55C\uAE00", L"\uD55C\uAE00"},
        {"outside the BMP", u"\U0001F600x", L"\U0001F600x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ToWstring(c.utf16), c.wide);
        EXPECT_EQ(Hex(ToWideString(c.wide)), Hex(c.utf16));
    }
}

}  // namespace

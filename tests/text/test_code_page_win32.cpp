// The exact conversion of port names with the code page as an input: a UTF-8
// ANSI code page converts everything but invalid UTF-16, with the one flag
// Windows accepts for it; the other code pages refuse look-alikes. Wine
// accepts any flag for UTF-8, so the flags are checked on their own.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/code_page_win32.h"

namespace {

std::string Hex(const std::string& bytes)
{
    std::string text;
    for (unsigned char b : bytes) {
        char piece[4] = {};
        std::snprintf(piece, sizeof piece, "%02X ", b);
        text += piece;
    }
    return text;
}

const std::wstring kUnpairedSurrogate = std::wstring(L"COM") + static_cast<wchar_t>(0xD800);

TEST(WideToCodePageExact, ConvertsOnlyWhatTheCodePageHolds)
{
    const struct {
        const char* what;
        unsigned codePage;
        std::wstring wide;
        bool converts;
        std::string bytes;
    } cases[] = {
        {"UTF-8: ASCII", CP_UTF8, L"COM7", true, "COM7"},
        {"UTF-8: no look-alike needed", CP_UTF8, L"COM\u0100", true, "COM\xC4\x80"},
        {"UTF-8: Hangul", CP_UTF8, L"\uD3EC\uD2B83", true, "\xED\x8F\xAC\xED\x8A\xB8" "3"},
        {"UTF-8: unpaired surrogate", CP_UTF8, kUnpairedSurrogate, false, ""},
        {"1252: ASCII", 1252, L"COM12", true, "COM12"},
        {"1252: own character", 1252, L"COM\u00E9", true, "COM\xE9"},
        {"1252: look-alike only", 1252, L"COM\u0100", false, ""},
        {"1252: unpaired surrogate", 1252, kUnpairedSurrogate, false, ""},
        {"949: Hangul", 949, L"\uD3EC\uD2B8", true, "\xC6\xF7\xC6\xAE"},
        {"949: Thai", 949, L"COM\u0E01", false, ""},
        {"empty", CP_UTF8, L"", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = "stale";
        EXPECT_EQ(WideToCodePageExact(c.wide, c.codePage, out), c.converts);
        EXPECT_EQ(Hex(out), Hex(c.bytes));
    }
}

TEST(ExactConversionFlags, Utf8TakesOnlyTheFlagWindowsAllowsForIt)
{
    const struct {
        unsigned codePage;
        unsigned long flags;
    } cases[] = {
        {CP_UTF8, WC_ERR_INVALID_CHARS},
        {1252, WC_NO_BEST_FIT_CHARS},
        {949, WC_NO_BEST_FIT_CHARS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(ExactConversionFlags(c.codePage), c.flags);
    }
}

}  // namespace

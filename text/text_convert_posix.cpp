// Code page conversions where Windows' converters are not available.
// They follow the replacement rules of WideCharToMultiByte and
// MultiByteToWideChar with flags 0, so that both platforms give the same
// bytes: unpaired surrogates and malformed UTF-8 become U+FFFD. The ANSI
// code page is taken to be ASCII with '?' as its default character.
#include "text/text_convert.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char kAnsiDefaultChar = '?';

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(char32_t codePoint, std::string& out)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The number of continuation bytes a lead byte announces; 0 for bytes that
// cannot start a sequence (continuations, C0 and C1, F5 to FF).
int ContinuationCount(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 3;
    }
    return 0;
}

// The smallest value the bits decoded so far may have, by the number of
// continuation bytes still to come; anything smaller is an overlong form.
char32_t MinimumPrefix(int continuationsLeft)
{
    static const char32_t kMinimum[] = {0x80, 0x800 >> 6, 0x10000 >> 12};
    return kMinimum[continuationsLeft];
}

bool IsSurrogatePrefix(char32_t prefix) { return prefix >= (0xD800 >> 6) && prefix <= (0xDFFF >> 6); }

void AppendUtf16(char32_t codePoint, WideString& out)
{
    if (codePoint < 0x10000) {
        out += static_cast<char16_t>(codePoint);
    } else {
        codePoint -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
        out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    }
}

}  // namespace

size_t WideToAnsi(const WideString& wide, std::string& out)
{
    // One default character per UTF-16 unit, as Windows' single-byte code pages give.
    out.clear();
    for (char16_t unit : wide) {
        out += unit < 0x80 ? static_cast<char>(unit) : kAnsiDefaultChar;
    }
    return out.size();
}

size_t WideToAnsi(const std::wstring& wide, std::string& out)
{
    // wchar_t holds whole code points here, so each unit is one character.
    out.clear();
    for (wchar_t unit : wide) {
        const auto codePoint = static_cast<char32_t>(unit);
        out += codePoint < 0x80 ? static_cast<char>(codePoint) : kAnsiDefaultChar;
    }
    return out.size();
}

bool WideToAnsiExact(const std::wstring& wide, std::string& out)
{
    out.clear();
    for (wchar_t unit : wide) {
        if (static_cast<char32_t>(unit) >= 0x80) {
            out.clear();
            return false;
        }
        out += static_cast<char>(unit);
    }
    return true;
}

size_t AnsiToWide(const std::string& ansi, std::wstring& out)
{
    out.clear();
    for (char byte : ansi) {
        const auto unit = static_cast<unsigned char>(byte);
        out += unit < 0x80 ? static_cast<wchar_t>(unit) : static_cast<wchar_t>(kAnsiDefaultChar);
    }
    return out.size();
}

std::wstring ToWstring(const WideString& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            out += static_cast<wchar_t>(kReplacement);
        } else {
            out += static_cast<wchar_t>(unit);
        }
    }
    return out;
}

WideString ToWideString(const std::wstring& text)
{
    WideString out;
    for (wchar_t unit : text) {
        const auto codePoint = static_cast<char32_t>(unit);
        const bool valid = codePoint <= 0x10FFFF && !IsHighSurrogate(codePoint) && !IsLowSurrogate(codePoint);
        AppendUtf16(valid ? codePoint : kReplacement, out);
    }
    return out;
}

size_t WideToUtf8(const WideString& wide, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < wide.size(); ++i) {
        const char32_t unit = wide[i];
        if (IsHighSurrogate(unit) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00), out);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(kReplacement, out);
        } else {
            AppendUtf8(unit, out);
        }
    }
    return out.size();
}

// Decodes the way Windows' converter does with flags 0: a byte that cannot
// start a sequence is one U+FFFD; a sequence broken by a byte that is not a
// continuation is one U+FFFD up to that byte; an overlong or surrogate prefix
// is one U+FFFD including the continuation byte that revealed it, while a
// code point above U+10FFFF is detected one byte earlier and that byte is
// left for the next character; a sequence cut short by the end of the input
// takes the whole rest of the input into one U+FFFD.
size_t Utf8ToWide(const std::string& utf8, WideString& out)
{
    out.clear();
    const size_t size = utf8.size();
    size_t i = 0;
    while (i < size) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        ++i;
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            continue;
        }
        const int continuations = ContinuationCount(lead);
        if (continuations == 0) {
            out += kReplacement;
            continue;
        }
        if (size - i < static_cast<size_t>(continuations)) {
            out += kReplacement;
            break;
        }
        char32_t value = lead & (0x3F >> continuations);
        bool valid = true;
        for (int left = continuations - 1; valid && left >= 0; --left) {
            const auto next = static_cast<unsigned char>(utf8[i]);
            if (next < 0x80 || next > 0xBF) {
                valid = false;
                break;
            }
            value = (value << 6) | (next & 0x3F);
            if (left == 1 && value >= (0x110000 >> 6)) {
                valid = false;
                break;
            }
            ++i;
            valid = value >= MinimumPrefix(left) && !(left == 1 && IsSurrogatePrefix(value));
        }
        AppendUtf16(valid ? value : kReplacement, out);
    }
    return out.size();
}

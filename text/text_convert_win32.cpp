// Code page conversions through Windows' own converters, flags 0 and no
// default character, so the system decides every replacement.
#include <windows.h>

#include <climits>
#include <stdexcept>
#include <system_error>

#include "text/code_page_win32.h"
#include "text/text_convert.h"

namespace {

int CheckedLength(size_t size)
{
    if (size > static_cast<size_t>(INT_MAX)) {
        throw std::length_error("text too long for the code page converter");
    }
    return static_cast<int>(size);
}

[[noreturn]] void ThrowLastError(const char* what)
{
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

size_t WideToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, size_t size, std::string& out)
{
    out.clear();
    if (size == 0) {
        return 0;
    }
    const int wideLength = CheckedLength(size);
    const int needed = WideCharToMultiByte(codePage, flags, wide, wideLength, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        ThrowLastError("WideCharToMultiByte");
    }
    out.resize(static_cast<size_t>(needed));
    const int written = WideCharToMultiByte(codePage, flags, wide, wideLength, &out[0], needed, nullptr, nullptr);
    if (written <= 0) {
        ThrowLastError("WideCharToMultiByte");
    }
    out.resize(static_cast<size_t>(written));
    return out.size();
}

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit on Windows");

const wchar_t* AsWchar(const WideString& wide)
{
    return reinterpret_cast<const wchar_t*>(wide.data());
}

// String is WideString or std::wstring: both hold UTF-16 units here.
template <class String>
size_t MultiByteToWide(UINT codePage, const std::string& bytes, String& out)
{
    out.clear();
    if (bytes.empty()) {
        return 0;
    }
    const int length = CheckedLength(bytes.size());
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        ThrowLastError("MultiByteToWideChar");
    }
    out.resize(static_cast<size_t>(needed));
    const int written =
        MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(&out[0]), needed);
    if (written <= 0) {
        ThrowLastError("MultiByteToWideChar");
    }
    out.resize(static_cast<size_t>(written));
    return out.size();
}

}  // namespace

size_t WideToAnsi(const WideString& wide, std::string& out)
{
    return WideToMultiByte(CP_ACP, 0, AsWchar(wide), wide.size(), out);
}

size_t WideToAnsi(const std::wstring& wide, std::string& out)
{
    return WideToMultiByte(CP_ACP, 0, wide.data(), wide.size(), out);
}

unsigned long ExactConversionFlags(unsigned codePage)
{
    return codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
}

bool WideToCodePageExact(const std::wstring& wide, unsigned codePage, std::string& out)
{
    out.clear();
    if (wide.empty()) {
        return true;
    }
    const int wideLength = CheckedLength(wide.size());
    const DWORD flags = ExactConversionFlags(codePage);
    // UTF-8 reports what it cannot convert as a failure, and refuses the
    // used-default-character argument; the other code pages report it there.
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultArg = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int needed =
        WideCharToMultiByte(codePage, flags, wide.data(), wideLength, nullptr, 0, nullptr, usedDefaultArg);
    if (needed <= 0) {
        if (GetLastError() == ERROR_NO_UNICODE_TRANSLATION) {
            return false;
        }
        ThrowLastError("WideCharToMultiByte");
    }
    if (usedDefault) {
        return false;
    }
    out.resize(static_cast<size_t>(needed));
    const int written =
        WideCharToMultiByte(codePage, flags, wide.data(), wideLength, &out[0], needed, nullptr, usedDefaultArg);
    if (written <= 0) {
        ThrowLastError("WideCharToMultiByte");
    }
    if (usedDefault) {
        out.clear();
        return false;
    }
    out.resize(static_cast<size_t>(written));
    return true;
}

bool WideToAnsiExact(const std::wstring& wide, std::string& out)
{
    return WideToCodePageExact(wide, GetACP(), out);
}

size_t WideToUtf8(const WideString& wide, std::string& out)
{
    return WideToMultiByte(CP_UTF8, 0, AsWchar(wide), wide.size(), out);
}

size_t Utf8ToWide(const std::string& utf8, WideString& out)
{
    return MultiByteToWide(CP_UTF8, utf8, out);
}

size_t AnsiToWide(const std::string& ansi, std::wstring& out)
{
    return MultiByteToWide(CP_ACP, ansi, out);
}

std::wstring ToWstring(const WideString& text)
{
    return std::wstring(AsWchar(text), text.size());
}

WideString ToWideString(const std::wstring& text)
{
    return WideString(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

// Code page conversions through Windows' own converters, flags 0 and no
// default character, so the system decides every replacement.
#include <windows.h>

#include <climits>
#include <stdexcept>
#include <system_error>

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

size_t WideToMultiByte(UINT codePage, const wchar_t* wide, size_t size, std::string& out)
{
    out.clear();
    if (size == 0) {
        return 0;
    }
    const int wideLength = CheckedLength(size);
    const int needed = WideCharToMultiByte(codePage, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        ThrowLastError("WideCharToMultiByte");
    }
    out.resize(static_cast<size_t>(needed));
    const int written = WideCharToMultiByte(codePage, 0, wide, wideLength, &out[0], needed, nullptr, nullptr);
    if (written <= 0) {
        ThrowLastError("WideCharToMultiByte");
    }
    out.resize(static_cast<size_t>(written));
    return out.size();
}

const wchar_t* AsWchar(const WideString& wide)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is a UTF-16 unit on Windows");
    return reinterpret_cast<const wchar_t*>(wide.data());
}

}  // namespace

size_t WideToAnsi(const WideString& wide, std::string& out)
{
    return WideToMultiByte(CP_ACP, AsWchar(wide), wide.size(), out);
}

size_t WideToAnsi(const std::wstring& wide, std::string& out)
{
    return WideToMultiByte(CP_ACP, wide.data(), wide.size(), out);
}

size_t WideToUtf8(const WideString& wide, std::string& out)
{
    return WideToMultiByte(CP_UTF8, AsWchar(wide), wide.size(), out);
}

size_t Utf8ToWide(const std::string& utf8, WideString& out)
{
    out.clear();
    if (utf8.empty()) {
        return 0;
    }
    const int length = CheckedLength(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) {
        ThrowLastError("MultiByteToWideChar");
    }
    out.resize(static_cast<size_t>(needed));
    const int written =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, reinterpret_cast<wchar_t*>(&out[0]), needed);
    if (written <= 0) {
        ThrowLastError("MultiByteToWideChar");
    }
    out.resize(static_cast<size_t>(written));
    return out.size();
}

// System error texts in UTF-16 from the system's message table, in the
// user's display language.
#include <windows.h>

#include "text/error_text.h"
#include "text/text_convert.h"

std::string ErrorText(const std::error_code& error)
{
    if (error.category() != std::system_category())
        return error.message();
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return error.message();  // a code without a text: message() names its number
    WideString text(reinterpret_cast<const char16_t*>(buffer), length);
    LocalFree(buffer);
    // The table's texts end in a line break.
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' '))
        text.pop_back();
    std::string utf8;
    WideToUtf8(text, utf8);
    return utf8;
}

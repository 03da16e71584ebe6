#include "ui/framework/failure_report.h"

#include <exception>
#include <string>
#include <system_error>

#include "text/error_text.h"
#include "ui/framework/win_app.h"

namespace {

constexpr LANGID kKoreanUiLanguage = 1042;

thread_local bool tShowingFailure = false;

const wchar_t* GenericFailureText() {
    return GetSystemDefaultUILanguage() == kKoreanUiLanguage ? L"예기치 않은 오류가 발생했습니다."
                                                             : L"An unexpected error occurred.";
}

std::wstring Utf8ToUiText(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > 0x7FFFFFFF) return {};
    const int length = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring text(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), needed);
    return text;
}

// The text of the exception in flight; empty when it has none.
std::wstring CaughtExceptionText() {
    try {
        throw;
    } catch (const std::system_error& failure) {
        // what() holds the system's text in the ANSI code page.
        std::string text = failure.what();
        const std::string ansiMessage = failure.code().message();
        if (text.size() >= ansiMessage.size() &&
            text.compare(text.size() - ansiMessage.size(), ansiMessage.size(), ansiMessage) == 0) {
            text.resize(text.size() - ansiMessage.size());
        }
        return Utf8ToUiText(text + ErrorText(failure.code()));
    } catch (const std::exception& failure) {
        return Utf8ToUiText(failure.what());
    } catch (...) {
        return {};
    }
}

}  // namespace

void ReportCaughtException(HWND owner) noexcept {
    if (tShowingFailure) return;
    tShowingFailure = true;
    try {
        std::wstring text = CaughtExceptionText();
        if (text.empty()) text = GenericFailureText();
        CWinApp* app = AfxGetApp();
        const wchar_t* caption = app != nullptr ? app->AppName().c_str() : L"";
        if (owner != nullptr && !::IsWindow(owner)) owner = nullptr;
        ::MessageBoxW(owner, text.c_str(), caption, MB_OK | MB_ICONERROR);
    } catch (...) {
        // No memory for the text: nothing more can be said.
    }
    tShowingFailure = false;
}

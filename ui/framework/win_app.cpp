#include "ui/framework/win_app.h"

#include <vector>

namespace {

CWinApp* gApp = nullptr;

// A profile string longer than this is treated as corrupt, not read.
constexpr DWORD kMaxProfileStringBytes = 64 * 1024;

std::wstring ProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return std::wstring(path.data(), length);
        path.resize(path.size() * 2);
    }
}

// The folder with its final backslash, and the file name without extension.
std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring BaseNameOf(const std::wstring& path) {
    const std::wstring name = path.substr(FolderOf(path).size());
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

}  // namespace

CWinApp::CWinApp() {
    const std::wstring path = ProgramPath();
    appFolder_ = FolderOf(path);
    appName_ = BaseNameOf(path);
    gApp = this;
}

CWinApp::~CWinApp() {
    if (gApp == this) gApp = nullptr;
}

CWinApp* AfxGetApp() { return gApp; }

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    app->InitInstance();
    return 0;
}

std::wstring CWinApp::SectionPath(const wchar_t* section) const {
    return L"Software\\" + registryKey_ + L"\\" + appName_ + L"\\" + section;
}

std::wstring CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                       const wchar_t* defaultValue) const {
    const std::wstring fallback = defaultValue != nullptr ? defaultValue : L"";
    const std::wstring path = SectionPath(section);
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), entry, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size > kMaxProfileStringBytes) {
        return fallback;
    }
    // RegGetValueW terminates the text and reports the size with the NUL.
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), entry, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS) {
        return fallback;
    }
    return std::wstring(text.data());
}

bool CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value) {
    const std::wstring text = value != nullptr ? value : L"";
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetKeyValueW(HKEY_CURRENT_USER, SectionPath(section).c_str(), entry, REG_SZ, text.c_str(),
                           bytes) == ERROR_SUCCESS;
}

int CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, SectionPath(section).c_str(), entry, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS) {
        return defaultValue;
    }
    return static_cast<int>(value);
}

bool CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) {
    const DWORD data = static_cast<DWORD>(value);
    return RegSetKeyValueW(HKEY_CURRENT_USER, SectionPath(section).c_str(), entry, REG_DWORD, &data,
                           sizeof(data)) == ERROR_SUCCESS;
}

void CWinApp::BeginWaitCursor() {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    if (waitCursorCount_++ == 0) cursorBeforeWait_ = previous;
}

void CWinApp::EndWaitCursor() {
    if (waitCursorCount_ == 0) return;
    if (--waitCursorCount_ == 0) {
        SetCursor(cursorBeforeWait_ != nullptr ? cursorBeforeWait_ : LoadCursorW(nullptr, IDC_ARROW));
    }
}

void CWinApp::RestoreWaitCursor() {
    if (waitCursorCount_ > 0) SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

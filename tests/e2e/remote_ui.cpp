#include "tests/e2e/remote_ui.h"

#include <objidl.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <cstdio>
#include <vector>

bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs) {
    const ULONGLONG end = GetTickCount64() + limitMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return condition();
        Sleep(20);
    }
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT, unlike GetWindowTextW, reads a control of another process.
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring Environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return L"";
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

namespace {

// List view items are read in the program's memory with this driver's
// LVITEMW layout, which differs between 32- and 64-bit processes.
bool SameKindAsThisProcess(HANDLE process) {
    BOOL otherIsWow64 = FALSE;
    BOOL selfIsWow64 = FALSE;
    return IsWow64Process(process, &otherIsWow64) && IsWow64Process(GetCurrentProcess(), &selfIsWow64) &&
           otherIsWow64 == selfIsWow64;
}

}  // namespace

RemoteProgram::RemoteProgram(const std::wstring& path, const std::wstring& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return;
    CloseHandle(info.hThread);
    if (!SameKindAsThisProcess(info.hProcess)) {
        std::fprintf(stderr, "the driver and the program must both be 32-bit or both 64-bit programs\n");
        TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        return;
    }
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

RemoteProgram::~RemoteProgram() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

namespace {

struct DialogSearch {
    DWORD processId;
    int childId;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<DialogSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !IsWindowVisible(window)) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (wcscmp(className, L"#32770") != 0 || GetDlgItem(window, search.childId) == nullptr) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

HWND RemoteProgram::WaitForDialog(int childId, DWORD limitMs) const {
    DialogSearch search{processId_, childId, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        limitMs);
    return search.found;
}

HWND RemoteProgram::WaitForMessageBox(DWORD limitMs) const {
    return WaitForDialog(0xFFFF, limitMs);
}

bool RemoteProgram::WaitForExit(DWORD limitMs) const {
    return process_ != nullptr && WaitForSingleObject(process_, limitMs) == WAIT_OBJECT_0;
}

DWORD RemoteProgram::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

int ListRowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

namespace {

// An LVITEMW and its text buffer in the other process's memory: list view
// messages carry pointers, which must be valid in the list's own process.
class RemoteItem {
public:
    static constexpr int kTextUnits = 128;
    explicit RemoteItem(HANDLE process) : process_(process) {
        memory_ = VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kTextUnits * sizeof(wchar_t),
                                 MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteItem() {
        if (memory_ != nullptr) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    }
    RemoteItem(const RemoteItem&) = delete;
    RemoteItem& operator=(const RemoteItem&) = delete;

    bool Valid() const { return memory_ != nullptr; }
    LPARAM Item() const { return reinterpret_cast<LPARAM>(memory_); }
    wchar_t* Text() const { return reinterpret_cast<wchar_t*>(static_cast<char*>(memory_) + sizeof(LVITEMW)); }
    bool Write(const LVITEMW& item) const {
        return WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr) != FALSE;
    }
    std::wstring ReadText() const {
        wchar_t text[kTextUnits] = {};
        if (!ReadProcessMemory(process_, Text(), text, sizeof text, nullptr)) return L"";
        text[kTextUnits - 1] = L'\0';
        return text;
    }

private:
    HANDLE process_;
    void* memory_ = nullptr;
};

}  // namespace

std::wstring ListItemText(HANDLE process, HWND list, int row, int column) {
    RemoteItem remote(process);
    if (!remote.Valid()) return L"";
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = remote.Text();
    item.cchTextMax = RemoteItem::kTextUnits;
    if (!remote.Write(item)) return L"";
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.Item());
    return remote.ReadText();
}

void SelectListRow(HANDLE process, HWND list, int row) {
    RemoteItem remote(process);
    if (!remote.Valid()) return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (remote.Write(item)) SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.Item());
}

std::wstring StatusPaneText(HANDLE process, HWND bar, int pane) {
    RemoteItem remote(process);
    if (!remote.Valid()) return L"";
    const LRESULT result = SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane), 0);
    if (LOWORD(result) >= RemoteItem::kTextUnits) return L"";
    SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(remote.Text()));
    return remote.ReadText();
}

std::wstring ProgramString(const std::wstring& programPath, UINT id, WORD primaryLanguage) {
    HMODULE module = LoadLibraryExW(programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return L"";
    std::wstring text;
    const WORD language = MAKELANGID(primaryLanguage, primaryLanguage == LANG_NEUTRAL ? SUBLANG_NEUTRAL : SUBLANG_DEFAULT);
    // Strings come in blocks of 16, each a length-prefixed UTF-16 run.
    if (HRSRC found = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_STRING),
                                      MAKEINTRESOURCEW(id / 16 + 1), language)) {
        const auto* at = static_cast<const wchar_t*>(LockResource(LoadResource(module, found)));
        const wchar_t* end = at + SizeofResource(module, found) / sizeof(wchar_t);
        for (UINT index = 0; at != nullptr && at < end; ++index) {
            const size_t length = *at++;
            if (length > static_cast<size_t>(end - at)) break;
            if (index == id % 16) {
                text.assign(at, length);
                break;
            }
            at += length;
        }
    }
    FreeLibrary(module);
    return text;
}

const wchar_t* const kProfileKey = L"Software\\Norvane\\ZANTOR-KX400 Manager\\KX400 Manager Default Values";

void DeleteProfile() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Norvane\\ZANTOR-KX400 Manager");
}

void WriteProfileText(const wchar_t* value, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kProfileKey, value, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void WriteProfileNumber(const wchar_t* value, long number) {
    const DWORD data = static_cast<DWORD>(number);
    RegSetKeyValueW(HKEY_CURRENT_USER, kProfileKey, value, REG_DWORD, &data, sizeof data);
}

std::wstring ReadProfileText(const wchar_t* value) {
    wchar_t text[256] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kProfileKey, value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return L"";
    return text;
}

long long ReadProfileNumber(const wchar_t* value) {
    DWORD number = 0;
    DWORD size = sizeof number;
    if (RegGetValueW(HKEY_CURRENT_USER, kProfileKey, value, RRF_RT_REG_DWORD, nullptr, &number, &size) !=
        ERROR_SUCCESS)
        return -1;
    return static_cast<LONG>(number);
}

namespace {

// GDI+ names its encoders by class id; this is the PNG one.
const CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

}  // namespace

bool SaveScreenshot(const std::wstring& file) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool saved = false;
    HDC screen = GetDC(nullptr);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        {
            Gdiplus::Bitmap image(bitmap, nullptr);
            saved = image.Save(file.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
        }
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

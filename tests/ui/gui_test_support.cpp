#include "gui_test_support.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <chrono>

#include "ui/framework/resource_language.h"
#include "ui/settings/profile_names.h"

const wchar_t* const kTestSection = kProfileSection;

namespace {

class TestApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};

TestApp gTestApp;

// What the program's start-up does before any window: common controls,
// GDI+, rich edit, the registry key.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
        InitCommonControlsEx(&controls);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        ASSERT_NE(LoadLibraryW(L"riched20.dll"), nullptr);
        gTestApp.SetRegistryKey(L"Norvane");
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr auto kWaitLimit = std::chrono::seconds(10);

struct Search {
    int childId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    // The main window and the about box have no kMessageBoxText static; a message box
    // has no child with the ids the tests look for.
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window) && GetDlgItem(window, search->childId) != nullptr)
        search->found.push_back(window);
    return TRUE;
}

HWND WaitForWindow(DWORD threadId, int childId) {
    HWND found = nullptr;
    WaitUntil([&] {
        const std::vector<HWND> dialogs = DialogsWithChild(threadId, childId);
        found = dialogs.empty() ? nullptr : dialogs.front();
        return found != nullptr;
    });
    return found;
}

}  // namespace

bool KoreanRun() { return UiResourceLanguage() == MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN); }

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::vector<HWND> DialogsWithChild(DWORD threadId, int childId) {
    Search search{childId, {}};
    EnumThreadWindows(threadId, &CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialogWithChild(DWORD threadId, int childId) { return WaitForWindow(threadId, childId); }

HWND WaitForMessageBox(DWORD threadId) { return WaitForWindow(threadId, kMessageBoxText); }

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

DialogDriver::DialogDriver(std::function<void(DWORD uiThread)> driver)
    : thread_([driver, uiThread = GetCurrentThreadId()] { driver(uiThread); }) {}

DialogDriver::~DialogDriver() { thread_.join(); }

void SetSerialPortMap(std::initializer_list<SerialMapValue> values) {
    const wchar_t* path = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const SerialMapValue& value : values) {
        const std::wstring text = value.text;
        RegSetValueExW(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

void ClearTestProfile() {
    const std::wstring path = L"Software\\Norvane\\" + AfxGetApp()->AppName();
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
}

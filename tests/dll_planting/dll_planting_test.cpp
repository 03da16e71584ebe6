// A program copied to a download folder must not run the DLLs that lie
// beside it. Each program is copied into a folder of its own together with a
// DLL that announces itself (planted_dll.cpp) under the names of DLLs that it
// uses, started, and must start as usual while no planted DLL leaves its
// mark. And each program file imports, for Windows to bind before its first
// instruction, only DLLs that Windows always takes from the system folder.
// The runner script (run-planting-test.sh) names the files in the
// environment.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "resource.h"
#include "tests/dll_planting/import_table.h"
#include "tests/e2e/remote_ui.h"

namespace {

struct PlantingCase {
    const char* name;
    const wchar_t* programVariable;
    const wchar_t* arguments;
    // The window program: its COM port dialog appears, and it binds
    // COMCTL32.dll through its manifest.
    bool window;
};

const PlantingCase kCases[] = {
    {"window_program", L"KX4XX_PLANTING_MANAGER", L"", true},
    {"kx4xx", L"KX4XX_PLANTING_CLI", L"ports", false},
};

// What the programs or the system DLLs they use load by name.
const wchar_t* const kPlantedNames[] = {L"version.dll", L"gdiplus.dll", L"riched20.dll", L"shell32.dll", L"comctl32.dll"};

// The DLLs that Windows 7 to 11 take from the system folder whatever lies
// beside a program (its known DLLs), as far as these programs may need them.
const char* const kKnownDlls[] = {"advapi32.dll", "comdlg32.dll", "gdi32.dll",   "kernel32.dll",
                                  "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shell32.dll",
                                  "shlwapi.dll",  "user32.dll",   "ws2_32.dll"};

constexpr DWORD kLimitMs = 20000;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Wine's user32 imports version.dll, and Wine keeps no known DLLs: under
// Wine every program with windows loads a version.dll beside it before its
// first instruction, whatever the program does. Windows' user32 is a known
// DLL, whose own imports always come from the system folder. Under Wine that
// name is planted for the console tool only.
bool Plants(const PlantingCase& planting, const std::wstring& name) {
    return !(planting.window && name == L"version.dll" && UnderWine());
}

// Wine prefers its own DLLs to any beside a program. "Native, then builtin"
// for the planted names makes it search as Windows does, the program's
// folder first; the runner script sets it for the whole run (Wine takes it
// from the environment it was started with, not from a parent's changes).
std::wstring WineOverrides() {
    std::wstring names;
    for (const std::wstring name : kPlantedNames) {
        names += (names.empty() ? L"" : L",") + name.substr(0, name.find(L'.'));
    }
    return names + L"=n,b";
}

// The names of the marker files in the folder.
std::vector<std::string> Markers(const std::wstring& folder) {
    std::vector<std::string> found;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((folder + L"\\*.loaded").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        found.push_back(Narrow(entry.cFileName));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(folder + L"\\" + name);
            } else {
                DeleteFileW((folder + L"\\" + name).c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Cancels the COM port dialog, checks that the main window shows the version
// read from the program file's version record (the program file is named
// with its folder, which the DLL search no longer includes), and closes the
// main window, as a person would.
void CloseThroughTheWindows(const RemoteProgram& program) {
    const HWND portDialog = program.WaitForDialog(IDC_COMBO_COM_PORT, kLimitMs);
    EXPECT_NE(portDialog, nullptr) << "the COM port dialog did not appear";
    if (portDialog == nullptr) return;
    PostMessageW(portDialog, WM_COMMAND, IDCANCEL, 0);
    const HWND window = program.WaitForDialog(IDC_LIST_SCAN, kLimitMs);
    EXPECT_NE(window, nullptr) << "the main window did not appear";
    if (window == nullptr) return;
    EXPECT_EQ(Narrow(StatusPaneText(program.Process(), GetDlgItem(window, IDC_STATUS_BAR), 1)), "Version 1.1.0");
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

class DllPlanting : public ::testing::TestWithParam<PlantingCase> {
protected:
    void SetUp() override {
        program_ = Environment(GetParam().programVariable);
        ASSERT_FALSE(program_.empty()) << "run through tests/dll_planting/run-planting-test.sh";
    }
    // A new folder in the temporary folder, removed after the test.
    void MakeFolder() {
        wchar_t temp[MAX_PATH];
        const DWORD length = GetTempPathW(MAX_PATH, temp);
        ASSERT_TRUE(length > 0 && length < MAX_PATH);
        folder_ = std::wstring(temp, length) + L"kx4xx-planting-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  GetParam().programVariable;
        // What a failed earlier run with the same process id left behind.
        RemoveFolder(folder_);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    }
    void TearDown() override {
        if (!folder_.empty()) RemoveFolder(folder_);
    }

    std::wstring program_;
    std::wstring folder_;
};

TEST_P(DllPlanting, StartsWithoutRunningTheDllsBesideIt) {
    const PlantingCase& planting = GetParam();
    const std::wstring plantedDll = Environment(L"KX4XX_PLANTED_DLL");
    ASSERT_FALSE(plantedDll.empty()) << "run through tests/dll_planting/run-planting-test.sh";
    ASSERT_NO_FATAL_FAILURE(MakeFolder());
    const std::wstring markers = folder_ + L"\\markers";
    ASSERT_TRUE(CreateDirectoryW(markers.c_str(), nullptr));
    const std::wstring copy = folder_ + L"\\" + FileName(program_);
    ASSERT_TRUE(CopyFileW(program_.c_str(), copy.c_str(), FALSE));
    if (UnderWine()) {
        ASSERT_EQ(Environment(L"WINEDLLOVERRIDES").rfind(WineOverrides(), 0), 0u)
            << "Wine would load its own DLLs whatever lies beside the program";
    }
    for (const wchar_t* name : kPlantedNames) {
        if (!Plants(planting, name)) continue;
        ASSERT_TRUE(CopyFileW(plantedDll.c_str(), (folder_ + L"\\" + name).c_str(), FALSE));
    }
    ASSERT_TRUE(SetEnvironmentVariableW(L"KX4XX_PLANTED_MARKERS", markers.c_str()));
    {
        RemoteProgram program(copy, planting.arguments);
        ASSERT_TRUE(program.Started());
        if (planting.window) CloseThroughTheWindows(program);
        EXPECT_TRUE(program.WaitForExit(kLimitMs)) << "the program did not end";
        EXPECT_EQ(program.ExitCode(), 0u);
    }
    std::string loaded;
    for (const std::string& marker : Markers(markers)) loaded += " " + marker;
    EXPECT_TRUE(loaded.empty()) << "planted DLLs that ran:" << loaded;
}

TEST_P(DllPlanting, ImportsOnlyDllsThatWindowsTakesFromTheSystemFolder) {
    const PlantingCase& planting = GetParam();
    std::vector<std::string> imports;
    ASSERT_TRUE(ReadImportedDlls(program_, imports)) << Narrow(program_);
    std::vector<std::string> allowed(std::begin(kKnownDlls), std::end(kKnownDlls));
    // The manifest's dependency on Common Controls 6 binds it to the
    // system's side-by-side copy before any folder is searched.
    if (planting.window) allowed.push_back("comctl32.dll");
    std::string unsafe;
    for (const std::string& name : imports) {
        if (std::find(allowed.begin(), allowed.end(), Lower(name)) == allowed.end()) unsafe += " " + name;
    }
    EXPECT_NE(std::find(imports.begin(), imports.end(), "KERNEL32.dll"), imports.end()) << "no import table read";
    EXPECT_TRUE(unsafe.empty()) << "imports searched beside the program first:" << unsafe;
}

INSTANTIATE_TEST_SUITE_P(Programs, DllPlanting, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PlantingCase>& param) { return param.param.name; });

}  // namespace

// The COM port dialog, run modally on the test's thread and driven from a
// second thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "resource.h"
#include "ui/settings/com_config_dlg.h"
#include "ui/settings/profile_names.h"
#include "platform/serial_port_enum.h"

namespace {

std::vector<std::wstring> ComboTexts(HWND combo) {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        wchar_t text[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        texts.push_back(text);
    }
    return texts;
}

std::wstring SelectedText(HWND combo) {
    const auto selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return L"<none>";
    wchar_t text[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
    return text;
}

// Selects an entry as the user would: the selection, then the notification.
void ChooseEntry(HWND dialog, HWND combo, const wchar_t* text) {
    const auto index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMBO_COM_PORT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

class ComPortDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ClearTestProfile();
        // Registry order COM3, COM5, COM10; a duplicate and a non-text value
        // that must not be listed.
        SetSerialPortMap({{L"\\Device\\Serial0", L"COM3"}, {L"\\Device\\Serial1", L"COM5"},
                          {L"\\Device\\Serial2", L"COM10"}, {L"\\Device\\Serial3", L"COM3"}});
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_SET_VALUE, &key);
        const DWORD number = 4;
        RegSetValueExW(key, L"NotText", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
        RegCloseKey(key);
    }
    void TearDown() override { ClearTestProfile(); }

    std::wstring SavedPort() const { return AfxGetApp()->GetProfileString(kTestSection, kProfileComPort, L"<absent>"); }
};

TEST_F(ComPortDialog, EnumerationKeepsTextValuesOnceInRegistryOrder) {
    std::vector<SerialPortEntry> ports{{"stale", ""}};
    EXPECT_FALSE(EnumerateSerialPorts(ports));
    std::vector<std::string> names;
    for (const SerialPortEntry& port : ports) {
        names.push_back(port.name);
        EXPECT_TRUE(port.description.empty());
    }
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"COM10", "COM3", "COM5"}));

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
    EXPECT_FALSE(EnumerateSerialPorts(ports)) << "a missing map is no error";
    EXPECT_TRUE(ports.empty());
}

// A name the ANSI code page cannot hold exactly is left out, and only it.
TEST_F(ComPortDialog, EnumerationSkipsOnlyNamesWithoutAnExactAnsiForm) {
    const wchar_t unpaired[] = {L'C', L'O', L'M', 0xD800, L'\0'};
    SetSerialPortMap({{L"\\Device\\Serial0", L"COM3"},
                      {L"\\Device\\Serial1", L"COM\u0100"},  // a best fit would make it "COMA"
                      {L"\\Device\\Serial2", unpaired},
                      {L"\\Device\\Serial3", L"COM4"}});
    std::vector<SerialPortEntry> ports;
    EXPECT_FALSE(EnumerateSerialPorts(ports));
    std::vector<std::string> names;
    for (const SerialPortEntry& port : ports) names.push_back(port.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"COM3", "COM4"}));
}

TEST_F(ComPortDialog, PreselectsTheSavedPortPersistsChangesAndHandsOverFixedLineSettings) {
    AfxGetApp()->WriteProfileString(kTestSection, kProfileComPort, L"COM5");
    ComConfigDlg dialog;
    std::vector<std::wstring> listed;
    std::wstring preselected;
    std::wstring savedAfterChange;
    std::wstring hint;
    {
        DialogDriver driver([&](DWORD uiThread) {
            HWND window = WaitForDialogWithChild(uiThread, IDC_COMBO_COM_PORT);
            if (window == nullptr) return;
            HWND combo = GetDlgItem(window, IDC_COMBO_COM_PORT);
            listed = ComboTexts(combo);
            preselected = SelectedText(combo);
            hint = WindowText(GetDlgItem(window, IDC_RICHEDIT_HINT));
            ChooseEntry(window, combo, L"COM3");
            savedAfterChange = AfxGetApp()->GetProfileString(kTestSection, kProfileComPort, L"");
            SendMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"COM10", L"COM3", L"COM5"}));
    EXPECT_EQ(preselected, L"COM5");
    EXPECT_EQ(savedAfterChange, L"COM3") << "a selection change is saved at once";
    const bool korean = GetSystemDefaultUILanguage() == 1042;
    EXPECT_EQ(hint, korean ? L"통신속도 다이얼을 'Set'으로 설정해 주세요" : L"Place baud rate dial to 'Set'");

    const ComPortSettings& settings = dialog.Settings();
    EXPECT_EQ(settings.portName, L"COM3");
    EXPECT_EQ(settings.baudRate, 115200u);
    EXPECT_EQ(settings.dataBits, 8);
    EXPECT_EQ(settings.parity, 0);
    EXPECT_EQ(settings.stopBits, 0);
    EXPECT_EQ(SavedPort(), L"COM3");
    // The hidden line-setting lists are empty, so their values stay unwritten.
    EXPECT_EQ(AfxGetApp()->GetProfileInt(kTestSection, kProfileBaudRate, -7), -7);
}

TEST_F(ComPortDialog, AnAbsentSavedPortSelectsTheFirstListedWithoutWritingTheProfile) {
    AfxGetApp()->WriteProfileString(kTestSection, kProfileComPort, L"COM9");
    ComConfigDlg dialog;
    std::wstring preselected;
    std::wstring reopened;
    {
        DialogDriver driver([&](DWORD uiThread) {
            HWND window = WaitForDialogWithChild(uiThread, IDC_COMBO_COM_PORT);
            if (window == nullptr) return;
            HWND combo = GetDlgItem(window, IDC_COMBO_COM_PORT);
            preselected = SelectedText(combo);
            // Opening the list enumerates again: a new port appears.
            SetSerialPortMap({{L"\\Device\\Serial0", L"COM3"}, {L"\\Device\\Serial9", L"COM9"}});
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_COMBO_COM_PORT, CBN_DROPDOWN),
                         reinterpret_cast<LPARAM>(combo));
            reopened = SelectedText(combo);
            SendMessageW(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    EXPECT_EQ(preselected, L"COM10");
    EXPECT_EQ(reopened, L"COM9");
    EXPECT_EQ(SavedPort(), L"COM9");
}

TEST_F(ComPortDialog, OkWithNoPortsEndsWithAnEmptyPortName) {
    SetSerialPortMap({});
    ComConfigDlg dialog;
    {
        DialogDriver driver([&](DWORD uiThread) {
            HWND window = WaitForDialogWithChild(uiThread, IDC_COMBO_COM_PORT);
            if (window != nullptr) SendMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    EXPECT_TRUE(dialog.Settings().portName.empty());
    EXPECT_EQ(SavedPort(), L"<absent>");
}

}  // namespace

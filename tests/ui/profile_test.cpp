// The application profile under HKCU\Software\Norvane\<program name>.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "gui_test_support.h"

namespace {

class Profile : public ::testing::Test {
protected:
    void SetUp() override { ClearTestProfile(); }
    void TearDown() override { ClearTestProfile(); }
    CWinApp& app = *AfxGetApp();
};

TEST_F(Profile, ValuesRoundTripUnderTheProgramsKey) {
    EXPECT_TRUE(app.WriteProfileString(kTestSection, L"Text", L"COM7"));
    EXPECT_TRUE(app.WriteProfileInt(kTestSection, L"Number", -45));
    EXPECT_EQ(app.GetProfileString(kTestSection, L"Text", L"x"), L"COM7");
    EXPECT_EQ(app.GetProfileInt(kTestSection, L"Number", 0), -45);

    // The key is named after the program file, and the types are the
    // registry's string and 32-bit number.
    const std::wstring path = L"Software\\Norvane\\" + app.AppName() + L"\\" + kTestSection;
    DWORD type = 0;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, path.c_str(), L"Text", RRF_RT_ANY, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, path.c_str(), L"Number", RRF_RT_ANY, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(Profile, AbsentWrongTypeAndOversizedValuesGiveTheDefault) {
    EXPECT_EQ(app.GetProfileString(kTestSection, L"Missing", L"COM1"), L"COM1");
    EXPECT_EQ(app.GetProfileInt(kTestSection, L"Missing", 7), 7);

    app.WriteProfileInt(kTestSection, L"NumberNotText", 3);
    app.WriteProfileString(kTestSection, L"TextNotNumber", L"3");
    EXPECT_EQ(app.GetProfileString(kTestSection, L"NumberNotText", L"default"), L"default");
    EXPECT_EQ(app.GetProfileInt(kTestSection, L"TextNotNumber", -1), -1);

    const std::wstring huge(100000, L'A');
    app.WriteProfileString(kTestSection, L"Huge", huge.c_str());
    EXPECT_EQ(app.GetProfileString(kTestSection, L"Huge", L"default"), L"default");
}

TEST(Application, NameIsTheProgramFilesBaseName) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    EXPECT_EQ(AfxGetApp()->AppName() + L".exe", name);
}

}  // namespace

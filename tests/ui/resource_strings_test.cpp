// Every string of the table loads its exact text in the run's language,
// blanks at either end included.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gui_test_support.h"
#include "ui/framework/resource_language.h"

namespace {

struct StringCase {
    UINT id;
    const wchar_t* english;
    const wchar_t* korean;
};

const StringCase kStrings[] = {
    {101, L"ZANTOR-KX400 Manager Info.(&A)...", L"ZANTOR-KX400 Manager 정보(&A)..."},
    {102, L"COM port closed", L"COM 포트 닫힘"},
    {103, L"Ready", L"준비"},
    {104, L"Unable to open a COM port.", L"COM 포트를 열 수 없습니다."},
    {105,
     L"This program is for the ZANTOR-KX400 series only.\r\nPlease check the product name, communication port, "
     L"dial to set, etc. and try again.",
     L"이 프로그램은 ZANTOR-KX400 시리즈 전용 프로그램입니다.\r\n제품명, 통신포트, 설정모드 다이얼 등을 "
     L"확인하시고 다시 시도해주세요."},
    {106, L"Error on COM port. Closing the port.", L" COM 포트 오류. 포트를 닫습니다."},
    {107, L"Scan", L"검색"},
    {108, L"Stop", L"중지"},
    {109, L"Device name is too long.", L"장치 이름이 너무 깁니다."},
    {110, L"No device selected in the scanned devices list.", L"검색 장치 목록에서 선택된 장치가 없습니다."},
    {111, L"Slot %d: Invalid Bluetooth address.", L"Slot %d: 블루투스 주소가 잘못되었습니다."},
    {112, L"Completed device name settings.", L"장치 이름 설정을 완료하였습니다."},
    {113, L"Invalid advertising interval value.", L"애드버타이징 간격 값이 잘못되어 있습니다."},
    {116, L"Failed device name settings.", L"장치 이름 설정을 실패하였습니다."},
    {118, L"Setting advertising interval has been completed ", L"애드버타이징 간격 설정이 완료되었습니다."},
    {119, L"Failed to save advertising interval.", L"애드버타이징 간격 설정을 실패하였습니다."},
    {120, L"The device is already assigned to a slot.", L"해당 장치는 이미 슬롯에 할당되어 있습니다."},
    {121, L"Duplicated Bluetooth addresses are assigned to slot", L"Slot에 중복된 블루투스 주소 할당되어 있습니다."},
    {122, L"Node (device) registration has been completed", L"노드(장치) 등록을 완료하였습니다."},
    {123, L"Failed to register node (device).", L"노드(장치) 등록을 실패하였습니다."},
    {124, L"HW flow control: Item not selected.", L"HW flow control: 항목이 선택되지 않았습니다."},
    {125, L"Parity: Item not selected.", L"Parity: 항목이 선택되지 않았습니다."},
    {126, L"Stopbit: Item not selected.", L"Stopbit: 항목이 선택되지 않았습니다."},
    {127, L"Completed UART option settings.", L"UART 옵션 설정을 완료하였습니다."},
    {128, L"Failed UART option settings.", L"UART 옵션 설정을 실패하였습니다."},
    {129, L"Invalid name length on scan filter.", L"Scan filter의 이름 길이가 잘못되었습니다."},
    {136, L"Invalid RSSI filter value", L"RSSI 필터값이 잘못되어 있습니다."},
    {137, L"Slot %d: Invalid TAG length.", L"Slot %d: TAG 길이가 잘못되었습니다."},
    {138, L"Run a factory reset. Do you want to continue?", L"공장 초기화를 실행합니다. 계속 하시겠습니까?"},
    {139,
     L"It seems like an unsupported device is attached. Please check the type of device you have connected and "
     L"try again.",
     L"지원하지 않는 장치입니다. 연결된 장치 종류를 확인하시고 다시 시도해 주세요."},
    {140, L"Device Address", L"장치 주소"},
    {141, L"Device Name", L"장치 이름"},
    {142, L"RSSI", L"RSSI"},
};

TEST(ResourceStrings, EveryIdLoadsItsExactTextInTheRunsLanguage) {
    for (const StringCase& entry : kStrings) {
        const std::wstring expected = KoreanRun() ? entry.korean : entry.english;
        EXPECT_EQ(LoadUiString(entry.id), expected) << "string " << entry.id;
    }
}

TEST(ResourceStrings, IdsOutsideTheTableLoadNothing) {
    for (UINT id : {114u, 115u, 117u, 143u, 9999u}) EXPECT_TRUE(LoadUiString(id).empty()) << "string " << id;
}

// The run script names the language it set up; a locale that Wine did not
// take would otherwise pass silently as an English run.
TEST(ResourceLanguage, IsTheOneTheRunSetUp) {
    const char* language = std::getenv("KX4XX_UI_LANGUAGE");
    if (language == nullptr) GTEST_SKIP() << "not started by run-gui-test.sh";
    EXPECT_EQ(KoreanRun(), std::string(language) == "ko");
    EXPECT_EQ(GetSystemDefaultUILanguage() == 1042, std::string(language) == "ko");
}

}  // namespace

// End-to-end scenarios: the real program file runs as a process of its own
// under Wine, against the simulated adapter on a mapped COM port, and is
// driven as a person would drive it, through its windows only. Each
// scenario checks what the window shows and what the adapter received.
// The runner script runs the whole suite once per user interface language.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "resource.h"
#include "tests/e2e/person.h"
#include "tests/support/sim_link.h"

namespace {

bool KoreanRun() {
    return Environment(L"KX4XX_UI_LANGUAGE") == L"ko";
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class Scenario : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = Environment(L"KX4XX_E2E_PROGRAM");
        if (program_.empty()) GTEST_SKIP() << "no program file: run through tests/e2e/run-e2e.sh";
        sim_ = std::make_unique<SimLink>();
        sim_->Set("jitter 0");
        port_ = Wide(sim_->PortName());
        DeleteProfile();
    }
    void TearDown() override { DeleteProfile(); }

    // The program's own string in the language of this run.
    std::wstring Text(UINT id) const {
        return ProgramString(program_, id, KoreanRun() ? LANG_KOREAN : LANG_NEUTRAL);
    }
    void Shot(const wchar_t* moment) const {
        const std::wstring folder = Environment(L"KX4XX_E2E_SHOTS");
        if (folder.empty()) return;
        const std::wstring file = folder + L"\\" + moment + (KoreanRun() ? L"-ko.png" : L"-en.png");
        EXPECT_TRUE(SaveScreenshot(file)) << "screenshot " << std::string(file.begin(), file.end());
    }
    bool Connect(Person& person) const { return person.ChoosePort(port_) && person.WaitReady(); }

    bool Received(const std::string& command) const {
        const auto record = sim_->Record();
        return std::find(record.begin(), record.end(), command) != record.end();
    }
    bool WaitForCommand(const std::string& command) const {
        return WaitUntil([&] { return Received(command); });
    }
    // Ready again after the read that ends with the last slot.
    bool WaitForFullRead(Person& person) const {
        return WaitForCommand("AT+GETSLOT=7\r") && person.WaitReady();
    }
    std::string State() const { return sim_->Set("state"); }

    std::wstring program_;
    std::wstring port_;
    std::unique_ptr<SimLink> sim_;
};

#define EXPECT_STATE_HAS(text) EXPECT_NE(State().find(text), std::string::npos) << State()

TEST_F(Scenario, FirstStartWithThePortChosenInTheDialog) {
    Person person(program_);
    ASSERT_TRUE(person.Program().Started());
    ASSERT_NE(person.PortDialog(), nullptr);
    Shot(L"port-dialog");
    ASSERT_TRUE(Connect(person));
    Shot(L"ready");

    const auto record = sim_->Record();
    ASSERT_GE(record.size(), 3u);
    EXPECT_EQ(record[0], "AT\r");
    EXPECT_EQ(record[1], "AT+MODEL?\r");
    EXPECT_EQ(record.back(), "AT+GETSLOT=7\r");
    EXPECT_EQ(person.StatusPane(0), port_);
    EXPECT_EQ(ReadProfileText(L"Application COM port"), port_);
    // The window speaks the language of the run.
    EXPECT_EQ(person.ItemText(IDC_BTN_SCAN), Text(IDS_SCAN));
    EXPECT_EQ(Text(IDS_SCAN) == L"Scan", !KoreanRun());
    EXPECT_EQ(GetUserDefaultUILanguage() == 0x412, KoreanRun());
}

TEST_F(Scenario, AFullReadIsShown) {
    sim_->Set("model ZANTOR-KX420");
    sim_->Set("version v3.1.4");
    sim_->Set("name Gate-7");
    sim_->Set("address 0A1B2C3D4E5F");
    sim_->Set("interval 640");
    sim_->Set("uart 1,O,2");
    sim_->Set("slot 2 112233445566 Door");
    sim_->Set("slot 7 A0B0C0D0E0F0");
    Person person(program_);
    ASSERT_TRUE(Connect(person));
    EXPECT_EQ(person.ItemText(IDC_STATIC_FW_VERSION), L"v3.1.4");
    EXPECT_EQ(person.ItemText(IDC_STATIC_BDADDR), L"0A1B2C3D4E5F");
    EXPECT_EQ(person.ItemText(IDC_EDIT_DEVICE_NAME), L"Gate-7");
    EXPECT_EQ(person.ItemText(IDC_EDIT_ADV_INTERVAL), L"640");
    EXPECT_EQ(person.SelectedData(IDC_COMBO_FLOW_CONTROL), 1);
    EXPECT_EQ(person.SelectedData(IDC_COMBO_PARITY), 'O');
    EXPECT_EQ(person.SelectedData(IDC_COMBO_STOPBIT), 2);
    const struct {
        const wchar_t* address;
        const wchar_t* tag;
    } rows[] = {{L"", L""}, {L"112233445566", L"Door"}, {L"", L""},          {L"", L""},
                {L"", L""}, {L"", L""},                 {L"A0B0C0D0E0F0", L""}};
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(person.ItemText(IDC_EDIT_SLOT_ADDR1 + row), rows[row].address) << "row " << row + 1;
        EXPECT_EQ(person.ItemText(IDC_EDIT_SLOT_TAG1 + row), rows[row].tag) << "row " << row + 1;
    }
    Shot(L"full-read");
}

TEST_F(Scenario, DeviceNameIntervalAndUartOptionsAreSaved) {
    Person person(program_);
    ASSERT_TRUE(Connect(person));
    // A Korean user names the adapter in Hangul: two syllables, six bytes.
    const std::wstring name = KoreanRun() ? L"\uD55C\uAE00" : L"Desk-A";
    const std::string sentName = KoreanRun() ? "AT+MANUF=\xED\x95\x9C\xEA\xB8\x80\r" : "AT+MANUF=Desk-A\r";
    person.Type(IDC_EDIT_DEVICE_NAME, name);
    person.Click(IDC_BTN_SAVE_NAME);
    EXPECT_EQ(person.AnswerBox(), Text(IDS_NAME_SAVED));
    person.Type(IDC_EDIT_ADV_INTERVAL, L"1250");
    person.Click(IDC_BTN_SAVE_ADV_INTERVAL);
    EXPECT_EQ(person.AnswerBox(), Text(IDS_ADV_INTERVAL_SAVED));
    person.SelectData(IDC_COMBO_FLOW_CONTROL, 1);
    person.SelectData(IDC_COMBO_PARITY, 'E');
    person.SelectData(IDC_COMBO_STOPBIT, 2);
    person.Click(IDC_BTN_SAVE_UART);
    EXPECT_EQ(person.AnswerBox(), Text(IDS_UART_SAVED));
    ASSERT_TRUE(person.WaitReady());
    EXPECT_TRUE(Received(sentName));
    EXPECT_TRUE(Received("AT+ADVINTERVAL=1250\r"));
    EXPECT_TRUE(Received("AT+UARTOPT=1,E,2\r"));
    EXPECT_STATE_HAS("interval=1250 uart=1,E,2");
}

TEST_F(Scenario, ScanWithFiltersFillsASlotAndAllSlotsAreSavedAndReadBack) {
    sim_->Set("peers clear");
    sim_->Set("peers add 0000000000B1 -80 KxWeak");
    sim_->Set("peers add 0000000000A1 -40 KxStrongPeer");
    sim_->Set("peers add 0000000000C1 -30 Other");
    sim_->Set("scan-period 20");
    Person person(program_);
    ASSERT_TRUE(Connect(person));
    person.SetCheck(IDC_CHECK_NAME_FILTER, true);
    person.Type(IDC_EDIT_NAME_FILTER, L"Kx");
    person.SetCheck(IDC_CHECK_RSSI_FILTER, true);
    person.Type(IDC_EDIT_RSSI_FILTER, L"-50");
    person.Click(IDC_BTN_SCAN);
    ASSERT_TRUE(WaitUntil([&] { return person.ListRows() >= 1; }));
    EXPECT_EQ(person.ItemText(IDC_BTN_SCAN), Text(IDS_STOP));
    // The weak peer comes closer and is listed now.
    sim_->Set("peers clear");
    sim_->Set("peers add 0000000000B1 -45 KxWeak");
    sim_->Set("peers add 0000000000C1 -30 Other");
    ASSERT_TRUE(WaitUntil([&] { return person.ListRows() >= 2; }));
    Shot(L"scan");
    person.Click(IDC_BTN_SCAN);
    ASSERT_TRUE(person.WaitReady());
    EXPECT_EQ(person.ItemText(IDC_BTN_SCAN), Text(IDS_SCAN));
    EXPECT_TRUE(Received("AT+SF=ON,Kx\r"));
    EXPECT_TRUE(Received("AT+STARTSCAN\r"));
    EXPECT_TRUE(Received("AT+STOPSCAN\r"));

    // The adapter's name filter kept "Other" out; the threshold let each
    // peer in only while it was strong enough.
    ASSERT_EQ(person.ListRows(), 2);
    int strongRow = -1;
    for (int row = 0; row < 2; ++row) {
        if (person.ListText(row, 0) == L"0000000000A1") strongRow = row;
    }
    ASSERT_GE(strongRow, 0);
    EXPECT_EQ(person.ListText(strongRow, 1), L"KxStrongPeer");
    EXPECT_EQ(person.ListText(strongRow, 2), L"-40");
    EXPECT_EQ(person.ListText(1 - strongRow, 0), L"0000000000B1");

    person.SelectListRow(strongRow);
    person.Click(IDC_BTN_ASSIGN_SLOT3);
    ASSERT_TRUE(WaitUntil([&] { return person.ItemText(IDC_EDIT_SLOT_ADDR3) == L"0000000000A1"; }));
    EXPECT_EQ(person.ItemText(IDC_EDIT_SLOT_TAG3), L"KxStrong");
    person.Type(IDC_EDIT_SLOT_ADDR6, L"c0c1c2c3c4c5");
    sim_->Set("clear-record");
    person.Click(IDC_BTN_SAVE_SLOTS);
    EXPECT_EQ(person.AnswerBox(), Text(IDS_SLOTS_SAVED));
    ASSERT_TRUE(WaitForFullRead(person));
    const auto record = sim_->Record();
    for (const char* sent : {"AT+DELSLOT=1\r", "AT+DELSLOT=2\r", "AT+SETSLOT=3,0000000000A1,KxStrong\r",
                             "AT+DELSLOT=4\r", "AT+DELSLOT=5\r", "AT+SETSLOT=6,C0C1C2C3C4C5\r", "AT+DELSLOT=7\r"}) {
        EXPECT_EQ(std::count(record.begin(), record.end(), sent), 1) << sent;
    }
    EXPECT_STATE_HAS("slots=1:-,2:-,3:0000000000A1:KxStrong,4:-,5:-,6:C0C1C2C3C4C5,7:-");
    // Read back: the rows show what the adapter now holds.
    EXPECT_EQ(person.ItemText(IDC_EDIT_SLOT_ADDR6), L"C0C1C2C3C4C5");
    Shot(L"slots-saved");

    // The filter texts were saved as the focus left them; the program
    // never writes the check boxes' state.
    EXPECT_EQ(ReadProfileText(L"Name filter value"), L"Kx");
    EXPECT_EQ(ReadProfileNumber(L"RSSI filter value"), -50);
    EXPECT_EQ(ReadProfileNumber(L"Name filter check"), -1);
}

TEST_F(Scenario, RestartIsFollowedByANewRead) {
    Person person(program_);
    ASSERT_TRUE(Connect(person));
    sim_->Set("clear-record");
    person.Click(IDC_BTN_RESTART);
    ASSERT_TRUE(WaitForFullRead(person));
    const auto record = sim_->Record();
    const auto restart = std::find(record.begin(), record.end(), "ATZ\r");
    ASSERT_NE(restart, record.end());
    EXPECT_NE(std::find(restart, record.end(), "AT\r"), record.end()) << "no identification after the restart";
    EXPECT_EQ(person.StatusPane(0), port_);
}

TEST_F(Scenario, FactoryResetAndReconnection) {
    Person person(program_);
    ASSERT_TRUE(Connect(person));
    sim_->Set("name Custom");
    sim_->Set("interval 900");
    person.Click(IDC_BTN_FACTORY_RESET);
    EXPECT_EQ(person.AnswerBox(IDOK), Text(IDS_CONFIRM_FACTORY_RESET));
    // The port dialog comes back at once, the port closed behind it.
    ASSERT_NE(person.PortDialog(), nullptr);
    EXPECT_EQ(person.StatusPane(0), Text(IDS_COM_PORT_CLOSED));
    EXPECT_TRUE(Received("AT&F\r"));
    EXPECT_STATE_HAS("name=KX400");
    sim_->Set("clear-record");
    ASSERT_TRUE(Connect(person));
    EXPECT_EQ(person.ItemText(IDC_EDIT_DEVICE_NAME), L"KX400");
    EXPECT_EQ(person.ItemText(IDC_EDIT_ADV_INTERVAL), L"100");
    EXPECT_EQ(person.StatusPane(0), port_);
}

TEST_F(Scenario, AdapterUnpluggedWhileReady) {
    Person person(program_);
    ASSERT_TRUE(Connect(person));
    sim_->Set("hangup");
    EXPECT_EQ(person.AnswerBox(), Text(IDS_ERR_PORT_FAILURE));
    EXPECT_TRUE(WaitUntil([&] { return person.StatusPane(0) == Text(IDS_COM_PORT_CLOSED); }));
    EXPECT_FALSE(IsWindowEnabled(person.Item(IDC_BTN_UPDATE)));
    Shot(L"unplugged");
    // Plugged in again, the person picks the port from the menu.
    ASSERT_EQ(sim_->Control("reopen").rfind("ok", 0), 0u);
    person.Menu(IDM_SELECT_COM_PORT);
    ASSERT_TRUE(Connect(person));
    EXPECT_EQ(person.StatusPane(0), port_);
}

TEST_F(Scenario, SecondStartFindsThePortAndFiltersInTheRegistry) {
    // The check boxes show what the profile holds (the program reads them
    // and never writes them); the texts are what the first run saved.
    WriteProfileNumber(L"Name filter check", 1);
    WriteProfileNumber(L"RSSI filter check", 1);
    {
        Person first(program_);
        ASSERT_TRUE(Connect(first));
        first.Type(IDC_EDIT_NAME_FILTER, L"Tag");
        first.Type(IDC_EDIT_RSSI_FILTER, L"-72");
        first.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(WaitUntil([&] {
            return first.ItemText(IDC_BTN_SCAN) == Text(IDS_STOP) && IsWindowEnabled(first.Item(IDC_BTN_SCAN));
        }));
        first.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(WaitForCommand("AT+STOPSCAN\r"));
        ASSERT_TRUE(first.WaitReady());
        first.PressCloseBox();
        ASSERT_TRUE(first.Program().WaitForExit(20000));
    }
    Person second(program_);
    ASSERT_NE(second.PortDialog(), nullptr);
    EXPECT_EQ(second.ChosenPort(), port_);
    ASSERT_TRUE(second.ChoosePort());
    EXPECT_EQ(SendMessageW(second.Item(IDC_CHECK_NAME_FILTER), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(second.ItemText(IDC_EDIT_NAME_FILTER), L"Tag");
    EXPECT_EQ(SendMessageW(second.Item(IDC_CHECK_RSSI_FILTER), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(second.ItemText(IDC_EDIT_RSSI_FILTER), L"-72");
    EXPECT_TRUE(second.WaitReady());
    EXPECT_EQ(second.StatusPane(0), port_);
}

TEST_F(Scenario, TheCloseBoxEndsTheProgramWhileAScanRuns) {
    sim_->Set("peers clear");
    sim_->Set("peers add 0000000000D1 -40 Running");
    sim_->Set("scan-period 10");
    Person person(program_);
    ASSERT_TRUE(Connect(person));
    person.Click(IDC_BTN_SCAN);
    ASSERT_TRUE(WaitUntil([&] { return person.ListRows() >= 1; }));
    Shot(L"scanning");
    person.PressCloseBox();
    ASSERT_TRUE(person.Program().WaitForExit(10000)) << "the program did not end";
    EXPECT_EQ(person.Program().ExitCode(), 0u);
}

}  // namespace

// The main window at work against the simulated adapter on a mapped COM
// port: connecting, showing the device, settings, validation messages,
// scanning, slots, port failures and closing during commands. The window
// runs modally on the test's thread; a second thread drives it like a user.
#include "device_window_fixture.h"

namespace {

TEST_F(DeviceWindow, ConnectShowsPortAndDevice) {
    sim_->Set("model ZANTOR-KX410");
    sim_->Set("version v2.0.7");
    sim_->Set("name Kx-Demo");
    sim_->Set("address 00A1B2C3D4E5");
    sim_->Set("interval 250");
    sim_->Set("uart 1,E,2");
    sim_->Set("slot 1 112233445566 TAG1");
    sim_->Set("slot 4 AABBCCDDEEFF");
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        EXPECT_EQ(PaneText(user.window, 0), portName_);
        EXPECT_EQ(window_->DevicePictureId(), static_cast<UINT>(IDB_PNG_KX410));
        EXPECT_EQ(user.ItemText(IDC_STATIC_FW_VERSION), L"v2.0.7");
        EXPECT_EQ(user.ItemText(IDC_STATIC_BDADDR), L"00A1B2C3D4E5");
        EXPECT_EQ(user.ItemText(IDC_EDIT_DEVICE_NAME), L"Kx-Demo");
        EXPECT_EQ(user.ItemText(IDC_EDIT_ADV_INTERVAL), L"250");
        EXPECT_EQ(user.SelectedData(IDC_COMBO_FLOW_CONTROL), 1);
        EXPECT_EQ(user.SelectedData(IDC_COMBO_PARITY), 'E');
        EXPECT_EQ(user.SelectedData(IDC_COMBO_STOPBIT), 2);
        const struct {
            const wchar_t* address;
            const wchar_t* tag;
        } rows[] = {{L"112233445566", L"TAG1"}, {L"", L""}, {L"", L""}, {L"AABBCCDDEEFF", L""},
                    {L"", L""},             {L"", L""}, {L"", L""}};
        for (int row = 0; row < 7; ++row) {
            EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_ADDR1 + row), rows[row].address) << "row " << row + 1;
            EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_TAG1 + row), rows[row].tag) << "row " << row + 1;
            EXPECT_EQ(user.ReadOnly(IDC_EDIT_SLOT_ADDR1 + row), *rows[row].address != L'\0') << "row " << row + 1;
        }
        EXPECT_EQ(user.ItemText(IDC_BTN_SCAN), Text(IDS_SCAN));
        // Ready: every device control is enabled.
        std::vector<int> ids = {1014, 1025, 1024, 1027, 1007, 1075, 1076, 1077, 1028,
                                1010, 1011, 1013, 1026, 1033, 1015, 1069, 1070, 1078};
        for (int row = 0; row < 7; ++row) {
            for (int first : {1061, 1043, 1034, 1053}) ids.push_back(first + row);
        }
        for (int id : ids) EXPECT_TRUE(IsWindowEnabled(user.Item(id))) << "control " << id;
    });
}

TEST_F(DeviceWindow, AdapterStillScanningIsStoppedOnce) {
    sim_->Set("scanning on");
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        const auto record = user.Record();
        EXPECT_EQ(std::count(record.begin(), record.end(), "AT+STOPSCAN\r"), 1);
        EXPECT_EQ(user.ItemText(IDC_BTN_SCAN), Text(IDS_SCAN));
        EXPECT_NE(sim_->Set("state").find("scanning=0"), std::string::npos) << sim_->Set("state");
    });
}

TEST_F(DeviceWindow, EachValidationMessageQueuesNothing) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        const struct {
            const char* what;
            std::function<void()> prepare;
            int button;
            std::wstring text;
            LPCWSTR icon;
        } cases[] = {
            {"long name", [&] { user.SetText(IDC_EDIT_DEVICE_NAME, L"ABCDEFGHI"); }, IDC_BTN_SAVE_NAME,
             Text(IDS_ERR_NAME_TOO_LONG), IDI_EXCLAMATION},
            {"interval 19", [&] { user.SetText(IDC_EDIT_ADV_INTERVAL, L"19"); }, IDC_BTN_SAVE_ADV_INTERVAL,
             Text(IDS_ERR_ADV_INTERVAL_VALUE), IDI_ERROR},
            {"interval letters", [&] { user.SetText(IDC_EDIT_ADV_INTERVAL, L"abc"); }, IDC_BTN_SAVE_ADV_INTERVAL,
             Text(IDS_ERR_ADV_INTERVAL_VALUE), IDI_ERROR},
            {"no flow control", [&] { SendMessageW(user.Item(IDC_COMBO_FLOW_CONTROL), CB_SETCURSEL, WPARAM(-1), 0); },
             IDC_BTN_SAVE_UART, Text(IDS_ERR_FLOW_NOT_SELECTED), IDI_ERROR},
            {"no parity",
             [&] {
                 user.SelectData(IDC_COMBO_FLOW_CONTROL, 0);
                 SendMessageW(user.Item(IDC_COMBO_PARITY), CB_SETCURSEL, WPARAM(-1), 0);
             },
             IDC_BTN_SAVE_UART, Text(IDS_ERR_PARITY_NOT_SELECTED), IDI_ERROR},
            {"no stop bits",
             [&] {
                 user.SelectData(IDC_COMBO_PARITY, 'N');
                 SendMessageW(user.Item(IDC_COMBO_STOPBIT), CB_SETCURSEL, WPARAM(-1), 0);
             },
             IDC_BTN_SAVE_UART, Text(IDS_ERR_STOPBIT_NOT_SELECTED), IDI_ERROR},
            {"no scan row", [] {}, IDC_BTN_ASSIGN_SLOT1, Text(IDS_ERR_NO_SCAN_SELECTION), IDI_ERROR},
            {"duplicate",
             [&] {
                 user.SetText(IDC_EDIT_SLOT_ADDR2, L"00112233AABB");
                 user.SetText(IDC_EDIT_SLOT_ADDR5, L"00112233aabb");
             },
             IDC_BTN_SAVE_SLOTS, Text(IDS_ERR_SLOT_DUPLICATE_BDADDR), IDI_ERROR},
            {"bad address",
             [&] {
                 user.SetText(IDC_EDIT_SLOT_ADDR5, L"");
                 user.SetText(IDC_EDIT_SLOT_ADDR1, L"00:11:22:33");
             },
             IDC_BTN_SAVE_SLOTS, Format(IDS_ERR_SLOT_BDADDR, 1), IDI_ERROR},
            {"long tag",
             [&] {
                 user.SetText(IDC_EDIT_SLOT_ADDR1, L"");
                 user.SetText(IDC_EDIT_SLOT_TAG3, L"\uD55C\uAE00\uD55C\uAE00\uD55C\uAE00\uD55C\uAE00");
                 user.SetText(IDC_EDIT_SLOT_ADDR3, L"A1A2A3A4A5A6");
             },
             IDC_BTN_SAVE_SLOTS, Format(IDS_ERR_SLOT_TAG_LENGTH, 3), IDI_ERROR},
            {"empty name filter",
             [&] {
                 user.SetCheck(IDC_CHECK_NAME_FILTER, true);
                 user.SetText(IDC_EDIT_NAME_FILTER, L"");
             },
             IDC_BTN_SCAN, Text(IDS_ERR_NAME_FILTER_LENGTH), IDI_ERROR},
            {"RSSI text before name filter",
             [&] {
                 user.SetCheck(IDC_CHECK_RSSI_FILTER, true);
                 user.SetText(IDC_EDIT_RSSI_FILTER, L"4a");
             },
             IDC_BTN_SCAN, Text(IDS_ERR_RSSI_FILTER_VALUE), IDI_ERROR},
        };
        const size_t before = user.Record().size();
        for (const auto& c : cases) {
            c.prepare();
            user.Click(c.button);
            SCOPED_TRACE(c.what);
            user.ExpectBox(c.text, c.icon);
            EXPECT_TRUE(user.WaitReady());
        }
        EXPECT_EQ(user.Record().size(), before);
        // The slot rows keep what was typed, for correction.
        EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_ADDR3), L"A1A2A3A4A5A6");
    });
}

TEST_F(DeviceWindow, SettingsSendTheirTextsAndReportCompletion) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        user.SetText(IDC_EDIT_DEVICE_NAME, L"NewName");
        user.Click(IDC_BTN_SAVE_NAME);
        user.ExpectBox(Text(IDS_NAME_SAVED), IDI_INFORMATION);
        user.SetText(IDC_EDIT_ADV_INTERVAL, L"300ms");
        user.Click(IDC_BTN_SAVE_ADV_INTERVAL);
        user.ExpectBox(Text(IDS_ADV_INTERVAL_SAVED), IDI_INFORMATION);
        user.SelectData(IDC_COMBO_FLOW_CONTROL, 1);
        user.SelectData(IDC_COMBO_PARITY, 'O');
        user.SelectData(IDC_COMBO_STOPBIT, 2);
        user.Click(IDC_BTN_SAVE_UART);
        user.ExpectBox(Text(IDS_UART_SAVED), IDI_INFORMATION);
        ASSERT_TRUE(user.WaitReady());
        const auto record = user.Record();
        for (const char* sent : {"AT+MANUF=NewName\r", "AT+ADVINTERVAL=300\r", "AT+UARTOPT=1,O,2\r"}) {
            EXPECT_NE(std::find(record.begin(), record.end(), sent), record.end()) << sent;
        }
        const std::string state = sim_->Set("state");
        EXPECT_NE(state.find("NewName"), std::string::npos) << state;
    });
}

TEST_F(DeviceWindow, RefusedCommandShowsFailureAndIdentifiesAgain) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        sim_->Set("fault error AT+MANUF");
        sim_->Set("clear-record");
        user.SetText(IDC_EDIT_DEVICE_NAME, L"Refused");
        user.Click(IDC_BTN_SAVE_NAME);
        user.ExpectBox(Text(IDS_ERR_NAME_SAVE), IDI_ERROR);
        ASSERT_TRUE(user.WaitForCommand("AT+GETSLOT=7\r"));
        ASSERT_TRUE(user.WaitReady());
        const auto record = user.Record();
        ASSERT_GE(record.size(), 3u);
        EXPECT_EQ(record[2], "AT\r");  // model check, refused name, then the identification
        // The name shows what the adapter holds again.
        EXPECT_EQ(user.ItemText(IDC_EDIT_DEVICE_NAME), L"KX400");
    });
}

TEST_F(DeviceWindow, FactoryResetAsksAndThenOffersThePortDialog) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        user.Click(IDC_BTN_FACTORY_RESET);
        user.ExpectBox(Text(IDS_CONFIRM_FACTORY_RESET), IDI_QUESTION, IDCANCEL);
        EXPECT_TRUE(user.WaitReady());
        user.Click(IDC_BTN_FACTORY_RESET);
        user.ExpectBox(Text(IDS_CONFIRM_FACTORY_RESET), IDI_QUESTION, IDOK);
        // No message: the port dialog comes straight away.
        ASSERT_NE(WaitForDialogWithChild(user.UiThread(), IDC_COMBO_COM_PORT), nullptr);
        EXPECT_EQ(PaneText(user.window, 0), Text(IDS_COM_PORT_CLOSED));
        const auto record = user.Record();
        EXPECT_EQ(std::count(record.begin(), record.end(), "AT&F\r"), 1);
        user.CancelPortDialog();
        EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_BTN_UPDATE)));
    });
}

TEST_F(DeviceWindow, ScanListsEachPeerOnceAboveTheThresholdAndStops) {
    sim_->Set("peers clear");
    // Reports come round-robin: the weak peer is heard before the strong one.
    sim_->Set("peers add 0000000000B1 -80 WeakPeer");
    sim_->Set("peers add 0000000000A1 -40 StrongPeerName");
    sim_->Set("scan-period 20");
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        user.SetCheck(IDC_CHECK_RSSI_FILTER, true);
        user.SetText(IDC_EDIT_RSSI_FILTER, L" -45 ");
        user.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(WaitUntil([&] { return user.ListRows() >= 1; }));
        EXPECT_EQ(user.ItemText(IDC_BTN_SCAN), Text(IDS_STOP));
        EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_BTN_UPDATE)));
        // Now the weak peer comes closer: it is listed, having not been remembered.
        sim_->Set("peers clear");
        sim_->Set("peers add 0000000000B1 -40 WeakPeer");
        sim_->Set("peers add 0000000000A1 -40 StrongPeerName");
        ASSERT_TRUE(WaitUntil([&] { return user.ListRows() >= 2; }));
        user.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(user.WaitReady());
        EXPECT_EQ(user.ItemText(IDC_BTN_SCAN), Text(IDS_SCAN));
        ASSERT_EQ(user.ListRows(), 2);
        EXPECT_EQ(user.ListText(0, 0), L"0000000000A1");
        EXPECT_EQ(user.ListText(0, 1), L"StrongPeerName");
        EXPECT_EQ(user.ListText(0, 2), L"-40");
        EXPECT_EQ(user.ListText(1, 0), L"0000000000B1");
        const auto record = user.Record();
        for (const char* sent : {"AT+SF=OFF\r", "AT+STARTSCAN\r", "AT+STOPSCAN\r"}) {
            EXPECT_EQ(std::count(record.begin(), record.end(), sent), 1) << sent;
        }

        // "=>" copies the address and 8 units of the name.
        user.SelectListRow(0);
        user.Click(IDC_BTN_ASSIGN_SLOT2);
        ASSERT_TRUE(WaitUntil([&] { return user.ItemText(IDC_EDIT_SLOT_ADDR2) == L"0000000000A1"; }));
        EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_TAG2), L"StrongPe");
        EXPECT_TRUE(user.ReadOnly(IDC_EDIT_SLOT_ADDR2));
        user.Click(IDC_BTN_ASSIGN_SLOT6);
        user.ExpectBox(Text(IDS_ERR_DEVICE_ALREADY_ASSIGNED), IDI_ERROR);
        EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_ADDR6), L"");

        // Save writes all seven slots, then reads them back.
        sim_->Set("clear-record");
        user.SetText(IDC_EDIT_SLOT_ADDR5, L"a0a1a2a3a4a5");
        user.Click(IDC_BTN_SAVE_SLOTS);
        user.ExpectBox(Text(IDS_SLOTS_SAVED), IDI_INFORMATION);
        ASSERT_TRUE(user.WaitForCommand("AT+GETSLOT=7\r"));
        ASSERT_TRUE(user.WaitReady());
        const auto saved = user.Record();
        const std::vector<std::string> slotCommands = {
            "AT+DELSLOT=1\r", "AT+SETSLOT=2,0000000000A1,StrongPe\r", "AT+DELSLOT=3\r", "AT+DELSLOT=4\r",
            "AT+SETSLOT=5,A0A1A2A3A4A5\r", "AT+DELSLOT=6\r", "AT+DELSLOT=7\r"};
        ASSERT_GE(saved.size(), 8u);
        EXPECT_EQ(std::vector<std::string>(saved.begin() + 1, saved.begin() + 8), slotCommands);
        EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_ADDR5), L"A0A1A2A3A4A5");
        EXPECT_TRUE(user.ReadOnly(IDC_EDIT_SLOT_ADDR5));
        user.Click(IDC_BTN_CLEAR_SLOT5);
        ASSERT_TRUE(WaitUntil([&] { return user.ItemText(IDC_EDIT_SLOT_ADDR5).empty(); }));
        EXPECT_FALSE(user.ReadOnly(IDC_EDIT_SLOT_ADDR5));
    });
}

TEST_F(DeviceWindow, HangUpShowsThePortErrorOnceAndCloses) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        sim_->Set("hangup");
        user.ExpectBox(Text(IDS_ERR_PORT_FAILURE), IDI_ERROR);
        EXPECT_EQ(PaneText(user.window, 0), Text(IDS_COM_PORT_CLOSED));
        EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_BTN_UPDATE)));
        EXPECT_EQ(user.ItemText(IDC_STATIC_FW_VERSION), L"");
        // Anything still queued behind the first error has been handled.
        user.CatchUp();
        EXPECT_EQ(GetWindow(user.window, GW_ENABLEDPOPUP), nullptr) << "a second message box";
    });
}

TEST_F(DeviceWindow, UnsupportedModelOffersThePortDialog) {
    sim_->Set("model ZANTOR-KX4000");
    Run([&](User& user) {
        ASSERT_NE(user.AcceptPortDialog(), nullptr);
        user.ExpectBox(Text(IDS_ERR_UNSUPPORTED_DEVICE), IDI_INFORMATION);
        user.CancelPortDialog();
        EXPECT_EQ(PaneText(user.window, 0), Text(IDS_COM_PORT_CLOSED));
        EXPECT_EQ(window_->DevicePictureId(), static_cast<UINT>(IDB_PNG_EMBLEM));
    });
}

// The worker must never wait for the window: closing the port, and closing
// the window, while a scan start is under way both come back.
TEST_F(DeviceWindow, ClosingDuringAScanStartDoesNotHang) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        user.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(user.WaitForCommand("AT+SF=OFF\r"));
        PostMessageW(user.window, WM_COMMAND, IDM_SELECT_COM_PORT, 0);
        user.CancelPortDialog();
        EXPECT_EQ(PaneText(user.window, 0), Text(IDS_COM_PORT_CLOSED));
        EXPECT_EQ(user.ItemText(IDC_BTN_SCAN), Text(IDS_SCAN));

        // The window works again after the close: connect once more.
        PostMessageW(user.window, WM_COMMAND, IDM_SELECT_COM_PORT, 0);
        ASSERT_NE(user.AcceptPortDialog(), nullptr);
        EXPECT_TRUE(user.WaitReady());
    });
}

TEST_F(DeviceWindow, ClosingTheWindowDuringAScanStartReturns) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        user.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(user.WaitForCommand("AT+SF=OFF\r"));
        PostMessageW(user.window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(user.window); }));
    });
}

}  // namespace

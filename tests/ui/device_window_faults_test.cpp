// The main window against a misbehaving adapter and a hostile profile: every
// fault ends in the messages the user is owed and a closed or ready window,
// nothing hangs, and the port can be chosen and opened again afterwards.
#include <set>

#include "device_window_fixture.h"
#include "ui/settings/profile_names.h"

namespace {

// What the user was shown until the window came to rest, closed.
struct Shown {
    std::vector<std::wstring> boxes;  // sorted: see Settle
    int portDialogs = 0;
};

// Answers every message box with OK and cancels every port dialog until the
// port is closed and nothing is left to show; the boxes come back sorted.
Shown Settle(const User& user) {
    // The port is opened by a posted message: wait until it was, or until
    // something already shows why it is closed again.
    EXPECT_TRUE(WaitUntil([&] {
        return PaneText(user.window, 0) != Text(IDS_COM_PORT_CLOSED) ||
               !DialogsWithChild(user.UiThread(), kMessageBoxText).empty() ||
               !DialogsWithChild(user.UiThread(), IDC_COMBO_COM_PORT).empty();
    }));
    Shown shown;
    std::set<HWND> handled;
    const bool settled = WaitUntil([&] {
        bool open = false;
        for (HWND box : DialogsWithChild(user.UiThread(), kMessageBoxText)) {
            open = true;
            if (!handled.insert(box).second) continue;
            shown.boxes.push_back(WindowText(GetDlgItem(box, kMessageBoxText)));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        for (HWND dialog : DialogsWithChild(user.UiThread(), IDC_COMBO_COM_PORT)) {
            open = true;
            if (!handled.insert(dialog).second) continue;
            ++shown.portDialogs;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        if (open || PaneText(user.window, 0) != Text(IDS_COM_PORT_CLOSED)) return false;
        // The port is closed, so the worker is gone: every outcome it posted
        // has been handled once the UI thread has caught up.
        user.CatchUp();
        return DialogsWithChild(user.UiThread(), kMessageBoxText).empty() &&
               DialogsWithChild(user.UiThread(), IDC_COMBO_COM_PORT).empty();
    });
    EXPECT_TRUE(settled) << shown.boxes.size() << " boxes answered";
    std::sort(shown.boxes.begin(), shown.boxes.end());
    return shown;
}

std::vector<std::wstring> Texts(std::initializer_list<UINT> ids) {
    std::vector<std::wstring> texts;
    for (UINT id : ids) texts.push_back(Text(id));
    std::sort(texts.begin(), texts.end());
    return texts;
}

class DeviceWindowFaults : public DeviceWindow {
protected:
    // A freshly plugged-in adapter: a new line, nothing left in flight.
    void PlugInAgain() {
        sim_->Set("reopen");
        sim_->Set("reset");
        sim_->Set("jitter 0");
    }
    // The window without a port, as after Cancel in the first port dialog.
    static void StartWithoutPort(User& user) {
        user.CancelPortDialog();
        user.window = WaitForDialogWithChild(user.UiThread(), IDC_LIST_SCAN);
    }
    // Reconnects to the adapter plugged in again and then prepared.
    bool ReconnectPluggedInAgain(User& user, const std::function<void()>& prepare) {
        return Reconnect(user, [&] {
            PlugInAgain();
            prepare();
        });
    }
    static void ExpectClosed(const User& user) {
        EXPECT_EQ(PaneText(user.window, 0), Text(IDS_COM_PORT_CLOSED));
        EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_BTN_UPDATE)));
        EXPECT_FALSE(IsWindowEnabled(user.Item(IDC_BTN_SCAN)));
        EXPECT_EQ(user.ItemText(IDC_STATIC_FW_VERSION), L"");
    }
    // From the menu, as the user reconnects, with `prepare` done to the
    // adapter while the port dialog is open.
    static bool Reconnect(User& user, const std::function<void()>& prepare) {
        PostMessageW(user.window, WM_COMMAND, IDM_SELECT_COM_PORT, 0);
        if (WaitForDialogWithChild(user.UiThread(), IDC_COMBO_COM_PORT) == nullptr) return false;
        prepare();
        return user.AcceptPortDialog() != nullptr;
    }
    void ExpectReconnects(User& user) {
        ASSERT_TRUE(Reconnect(user, [this] { PlugInAgain(); }));
        EXPECT_TRUE(user.WaitReady());
        EXPECT_EQ(PaneText(user.window, 0), portName_);
        EXPECT_EQ(user.ItemText(IDC_STATIC_FW_VERSION), L"v1.2.3");
    }
};

// Each fault present from the start ends the identification in the message
// of its outcome and the port dialog; a healthy adapter then connects.
TEST_F(DeviceWindowFaults, FaultyAdapterAtConnectEndsInItsMessageAndThePortDialog) {
    const struct {
        std::vector<std::string> controls;
        UINT message;  // 0: the adapter is read and the window is ready
    } cases[] = {
        {{"fault silence on"}, IDS_ERR_NOT_ZANTOR_DEVICE},
        {{"fault late 3000"}, IDS_ERR_NOT_ZANTOR_DEVICE},
        {{"fault garbage 40"}, IDS_ERR_NOT_ZANTOR_DEVICE},
        {{"fault longline 256"}, IDS_ERR_NOT_ZANTOR_DEVICE},
        // A line of text in front of the model reply that could be a model
        // is taken as the model text: a long line, noise.
        {{"fault longline 255"}, IDS_ERR_UNSUPPORTED_DEVICE},
        {{"fault burst 900"}, IDS_ERR_UNSUPPORTED_DEVICE},
        // An echoed command is skipped: the adapter is identified and read.
        {{"fault echo on"}, 0},
        // A framed adapter is identified as its model, but its framed version
        // reply is no version, so the full read fails.
        {{"fault framed on"}, IDS_ERR_NOT_ZANTOR_DEVICE},
        {{"fault split on"}, 0},
    };
    Run([&](User& user) {
        StartWithoutPort(user);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.controls.front());
            ASSERT_TRUE(ReconnectPluggedInAgain(user, [&] {
                for (const std::string& control : c.controls) sim_->Set(control);
            }));
            if (c.message == 0) {
                EXPECT_TRUE(user.WaitReady());
                EXPECT_EQ(window_->DevicePictureId(), static_cast<UINT>(IDB_PNG_KX400));
                EXPECT_EQ(user.ItemText(IDC_EDIT_DEVICE_NAME), L"KX400");
                continue;
            }
            const Shown shown = Settle(user);
            EXPECT_EQ(shown.boxes, Texts({c.message}));
            EXPECT_EQ(shown.portDialogs, 1);
            ExpectClosed(user);
            EXPECT_EQ(window_->DevicePictureId(), static_cast<UINT>(IDB_PNG_EMBLEM));
        }
        ExpectReconnects(user);
    });
}

// An adapter that falls silent after it was read: the setting fails, the
// identification that follows fails, and the user is offered the port dialog.
TEST_F(DeviceWindowFaults, AdapterSilentAfterConnectFailsTheSettingAndOffersThePortDialog) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        sim_->Set("fault silence on");
        user.SetText(IDC_EDIT_DEVICE_NAME, L"Quiet");
        user.Click(IDC_BTN_SAVE_NAME);
        user.ExpectBox(Text(IDS_ERR_NAME_SAVE), IDI_ERROR);
        user.ExpectBox(Text(IDS_ERR_NOT_ZANTOR_DEVICE), IDI_ERROR);
        EXPECT_EQ(Settle(user).portDialogs, 1);
        ExpectClosed(user);
        ExpectReconnects(user);
    });
}

// A hang-up in the middle of a command shows the port error once and leaves
// the window closed: the command's failure, cut off by the close, shows
// nothing and queues nothing. The user reconnects from the menu; the adapter
// plugged in again hears the identification first, never the rest of the
// command, and is read with what it kept.
TEST_F(DeviceWindowFaults, HangUpDuringACommandShowsThePortErrorOnceAndCloses) {
    const struct {
        const char* name;
        unsigned hangupAfter;  // commands answered before the line drops
        std::function<void(User&)> start;
        std::vector<std::string> sent;  // the first commands, up to the hang-up
        std::function<void(User&)> expectKept;
    } cases[] = {
        {"full read", 4, [](User& user) { user.Click(IDC_BTN_UPDATE); },
         {"AT\r", "AT+MODEL?\r", "AT+VER?\r", "AT+INFO?\r"},
         [](User& user) { EXPECT_EQ(user.ItemText(IDC_STATIC_FW_VERSION), L"v1.2.3"); }},
        {"slot save", 3,
         [](User& user) {
             user.SetText(IDC_EDIT_SLOT_ADDR1, L"A1A2A3A4A5A6");
             user.SetText(IDC_EDIT_SLOT_ADDR6, L"B1B2B3B4B5B6");
             user.Click(IDC_BTN_SAVE_SLOTS);
         },
         {"AT+MODEL?\r", "AT+SETSLOT=1,A1A2A3A4A5A6\r"},
         [](User& user) {
             EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_ADDR1), L"A1A2A3A4A5A6");
             EXPECT_EQ(user.ItemText(IDC_EDIT_SLOT_ADDR6), L"");
         }},
    };
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            sim_->Set("clear-record");
            sim_->Set("hangup-after " + std::to_string(c.hangupAfter));
            c.start(user);
            const Shown shown = Settle(user);
            EXPECT_EQ(shown.boxes, Texts({IDS_ERR_PORT_FAILURE}));
            EXPECT_EQ(shown.portDialogs, 0);
            ExpectClosed(user);
            const auto record = user.Record();
            ASSERT_GE(record.size(), c.sent.size());
            EXPECT_EQ(std::vector<std::string>(record.begin(), record.begin() + static_cast<long>(c.sent.size())),
                      c.sent);

            ASSERT_TRUE(Reconnect(user, [this] {
                sim_->Set("reopen");
                sim_->Set("clear-record");
            }));
            ASSERT_TRUE(user.WaitReady());
            const auto again = user.Record();
            ASSERT_FALSE(again.empty());
            EXPECT_EQ(again.front(), "AT\r");
            c.expectKept(user);
        }
    });
}

// "Select COM port" while a command waits for the adapter closes the port and
// shows exactly one port dialog with nothing over it: the command's failure,
// cut off by the close, shows nothing and queues nothing.
TEST_F(DeviceWindowFaults, SelectComPortDuringACommandShowsOnePortDialogAndNothingElse) {
    const struct {
        const char* name;
        const char* fault;  // keeps the command waiting
        std::function<void(User&)> start;  // null: the opening's own commands
        const char* awaited;  // sent by the command that is cut off
    } cases[] = {
        {"identification", "fault silence on", nullptr, "AT\r"},
        // Every reply comes late but within its time limit: the full read
        // takes seconds.
        {"full read", "fault delay 700", nullptr, "AT+VER?\r"},
        {"factory reset", "fault silence on",
         [](User& user) {
             user.Click(IDC_BTN_FACTORY_RESET);
             user.ExpectBox(Text(IDS_CONFIRM_FACTORY_RESET), IDI_QUESTION);
         },
         "AT&F\r"},
        {"interval save", "fault silence on",
         [](User& user) {
             user.SetText(IDC_EDIT_ADV_INTERVAL, L"300");
             user.Click(IDC_BTN_SAVE_ADV_INTERVAL);
         },
         "AT+MODEL?\r"},
    };
    Run([&](User& user) {
        StartWithoutPort(user);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            ASSERT_TRUE(ReconnectPluggedInAgain(user, [&] {
                sim_->Set("clear-record");
                if (!c.start) sim_->Set(c.fault);
            }));
            if (c.start) {
                ASSERT_TRUE(user.WaitReady());
                sim_->Set("clear-record");
                sim_->Set(c.fault);
                c.start(user);
            }
            ASSERT_TRUE(user.WaitForCommand(c.awaited));
            PostMessageW(user.window, WM_COMMAND, IDM_SELECT_COM_PORT, 0);
            const Shown shown = Settle(user);
            EXPECT_EQ(shown.boxes, std::vector<std::wstring>{});
            EXPECT_EQ(shown.portDialogs, 1);
            ExpectClosed(user);
        }
        ExpectReconnects(user);
    });
}

// The menu command arriving twice before the first port dialog is up (the
// second is dispatched by the first dialog's modal loop) shows one dialog.
TEST_F(DeviceWindowFaults, SelectComPortTwiceShowsOnePortDialog) {
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        PostMessageW(user.window, WM_COMMAND, IDM_SELECT_COM_PORT, 0);
        PostMessageW(user.window, WM_COMMAND, IDM_SELECT_COM_PORT, 0);
        const Shown shown = Settle(user);
        EXPECT_EQ(shown.boxes, std::vector<std::wstring>{});
        EXPECT_EQ(shown.portDialogs, 1);
        ExpectClosed(user);
    });
}

// A hang-up while reports come in: one port error, the scan is over on the
// window's side, and after reconnecting the adapter's scan is stopped.
TEST_F(DeviceWindowFaults, HangUpDuringAScanShowsOnePortErrorAndReconnects) {
    sim_->Set("peers clear");
    sim_->Set("peers add 0000000000C1 -40 Nearby");
    sim_->Set("scan-period 20");
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        user.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(WaitUntil([&] { return user.ListRows() >= 1; }));
        sim_->Set("hangup");
        const Shown shown = Settle(user);
        EXPECT_EQ(shown.boxes, Texts({IDS_ERR_PORT_FAILURE}));
        EXPECT_EQ(shown.portDialogs, 0);
        ExpectClosed(user);
        EXPECT_EQ(user.ItemText(IDC_BTN_SCAN), Text(IDS_SCAN));
        EXPECT_EQ(user.ListRows(), 0);

        // Plugged in again still scanning: its reports do not disturb the
        // identification.
        ASSERT_TRUE(Reconnect(user, [this] {
            sim_->Set("reopen");
            sim_->Set("clear-record");
        }));
        ASSERT_TRUE(user.WaitReady());
        const auto record = user.Record();
        EXPECT_EQ(std::count(record.begin(), record.end(), "AT+STOPSCAN\r"), 1);
    });
}

// Profile values of the wrong type or of absurd length: the window starts with
// the defaults, preselects a port that exists, and connects.
TEST_F(DeviceWindowFaults, HostileProfileValuesLeaveTheProgramWorking) {
    CWinApp& app = *AfxGetApp();
    const std::wstring huge(100000, L'N');
    app.WriteProfileString(kProfileSection, kProfileNameFilterValue, huge.c_str());
    app.WriteProfileString(kProfileSection, kProfileRssiFilterValue, L"-60");
    app.WriteProfileString(kProfileSection, kProfileNameFilterCheck, L"1");
    app.WriteProfileInt(kProfileSection, kProfileRssiFilterCheck, 7);
    app.WriteProfileString(kProfileSection, kProfileComPort, L"NOPORT99");
    app.WriteProfileString(kProfileSection, kProfileBaudRate, L"fast");
    Run([&](User& user) {
        ASSERT_TRUE(user.Connect());
        EXPECT_EQ(PaneText(user.window, 0), portName_);
        EXPECT_EQ(user.ItemText(IDC_EDIT_NAME_FILTER), L"NORVANE");
        EXPECT_EQ(user.ItemText(IDC_EDIT_RSSI_FILTER), L"-45");
        EXPECT_EQ(SendMessageW(user.Item(IDC_CHECK_NAME_FILTER), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        // The window keeps working: a scan starts with the filters shown.
        sim_->Set("clear-record");
        user.Click(IDC_BTN_SCAN);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(user.Item(IDC_BTN_SCAN)) && user.ItemText(IDC_BTN_SCAN) == Text(IDS_STOP); }));
        user.Click(IDC_BTN_SCAN);
        EXPECT_TRUE(user.WaitReady());
        const auto record = user.Record();
        ASSERT_FALSE(record.empty());
        EXPECT_EQ(record.front(), "AT+MODEL?\r");
        EXPECT_EQ(std::count(record.begin(), record.end(), "AT+SF=OFF\r"), 1);
    });
}

}  // namespace

namespace {

// Every control that only works with an adapter: 46 of them.
std::vector<int> DeviceControlIds() {
    std::vector<int> ids = {IDC_BTN_UPDATE,        IDC_BTN_RESTART,       IDC_BTN_FACTORY_RESET,
                            IDC_EDIT_DEVICE_NAME,  IDC_BTN_SAVE_NAME,     IDC_CHECK_NAME_FILTER,
                            IDC_EDIT_NAME_FILTER,  IDC_BTN_SCAN,          IDC_CHECK_RSSI_FILTER,
                            IDC_EDIT_RSSI_FILTER,  IDC_BTN_SAVE_SLOTS,    IDC_EDIT_ADV_INTERVAL,
                            IDC_BTN_SAVE_ADV_INTERVAL, IDC_COMBO_FLOW_CONTROL, IDC_COMBO_PARITY,
                            IDC_COMBO_STOPBIT,     IDC_BTN_SAVE_UART,     IDC_LIST_SCAN};
    for (int slot = 0; slot < 7; ++slot) {
        for (int first : {IDC_BTN_CLEAR_SLOT1, IDC_EDIT_SLOT_TAG1, IDC_BTN_ASSIGN_SLOT1, IDC_EDIT_SLOT_ADDR1})
            ids.push_back(first + slot);
    }
    return ids;
}

}  // namespace

// A message box runs its own message loop, so a port error can close the
// port while the box is shown. Whatever the handler would have done after
// the box then belongs to an opening that is gone: the window stays as the
// close left it, the port error is shown once and no port dialog follows.
TEST_F(DeviceWindowFaults, HangUpWhileABoxIsShownLeavesTheWindowClosed) {
    const struct {
        const char* name;
        const char* model;  // the adapter's model when it is plugged in
        std::function<void(User&)> act;  // after the adapter was read; null: none
        UINT box;
    } cases[] = {
        {"setting saved", "ZANTOR-KX400",
         [](User& user) {
             user.SetText(IDC_EDIT_ADV_INTERVAL, L"250");
             user.Click(IDC_BTN_SAVE_ADV_INTERVAL);
         },
         IDS_ADV_INTERVAL_SAVED},
        {"slots saved", "ZANTOR-KX400",
         [](User& user) {
             user.SetText(IDC_EDIT_SLOT_ADDR3, L"C1C2C3C4C5C6");
             user.Click(IDC_BTN_SAVE_SLOTS);
         },
         IDS_SLOTS_SAVED},
        {"value refused", "ZANTOR-KX400",
         [](User& user) {
             user.SetText(IDC_EDIT_ADV_INTERVAL, L"5");
             user.Click(IDC_BTN_SAVE_ADV_INTERVAL);
         },
         IDS_ERR_ADV_INTERVAL_VALUE},
        {"unsupported model", "OTHER-MODEL", nullptr, IDS_ERR_UNSUPPORTED_DEVICE},
    };
    Run([&](User& user) {
        StartWithoutPort(user);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            ASSERT_TRUE(ReconnectPluggedInAgain(user, [&] {
                sim_->Set(std::string("model ") + c.model);
            }));
            if (c.act) {
                ASSERT_TRUE(user.WaitReady());
                c.act(user);
            }
            HWND box = WaitForMessageBox(user.UiThread());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(WindowText(GetDlgItem(box, kMessageBoxText)), Text(c.box));
            sim_->Set("hangup");
            ASSERT_TRUE(WaitUntil([&] { return PaneText(user.window, 0) == Text(IDS_COM_PORT_CLOSED); }));
            const Shown shown = Settle(user);
            EXPECT_EQ(shown.boxes, Texts({c.box, IDS_ERR_PORT_FAILURE}));
            EXPECT_EQ(shown.portDialogs, 0);
            ExpectClosed(user);
            for (int id : DeviceControlIds()) EXPECT_FALSE(IsWindowEnabled(user.Item(id))) << "control " << id;
        }
        ExpectReconnects(user);
    });
}

// The main window driven by keys alone: after every command, box and scan
// step the keyboard focus is on an enabled control of the window, so Tab,
// Enter and Space go on working without the mouse.
#include "device_window_fixture.h"

namespace {

HWND FocusOf(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

HWND ActiveOf(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(thread, &info) ? info.hwndActive : nullptr;
}

class Keyboard {
public:
    explicit Keyboard(const User& user) : user_(user) {}

    // A key pressed and released where the focus is (the active window when
    // nothing has it), handled before this returns.
    void Press(UINT key) const {
        HWND target = FocusOf(user_.UiThread());
        if (target == nullptr) target = ActiveOf(user_.UiThread());
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(target, WM_KEYDOWN, key, scan | 1);
        PostMessageW(target, WM_KEYUP, key, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
        user_.CatchUp();
    }
    // Tabs until the control has the focus; false when a round of the
    // window's tab stops never reaches it.
    bool TabTo(int id) const {
        for (int presses = 0; presses < 64; ++presses) {
            if (FocusOf(user_.UiThread()) == user_.Item(id)) return true;
            Press(VK_TAB);
        }
        return FocusOf(user_.UiThread()) == user_.Item(id);
    }
    // The focus is on an enabled control of the main window.
    bool FocusInWindow() const {
        HWND focus = FocusOf(user_.UiThread());
        return focus != nullptr && IsChild(user_.window, focus) && IsWindowEnabled(focus);
    }
    bool FocusOn(int id) const { return FocusOf(user_.UiThread()) == user_.Item(id); }
    // Answers the message box with Enter on its focused button.
    std::wstring EnterOnBox() const {
        HWND box = WaitForMessageBox(user_.UiThread());
        if (box == nullptr) return {};
        const std::wstring text = WindowText(GetDlgItem(box, kMessageBoxText));
        WaitUntil([&] { return FocusOf(user_.UiThread()) != nullptr && IsChild(box, FocusOf(user_.UiThread())); });
        Press(VK_RETURN);
        WaitUntil([&] { return !IsWindow(box); });
        return text;
    }

private:
    const User& user_;
};

TEST_F(DeviceWindow, KeysAloneDriveConnectUpdateRefusalSaveAndScan) {
    sim_->Set("peers clear");
    sim_->Set("peers add 0000000000D1 -40 KeyPeer");
    sim_->Set("scan-period 50");
    Run([&](User& user) {
        const Keyboard keys(user);
        ASSERT_TRUE(user.Connect());
        ASSERT_TRUE(WaitUntil([&] { return keys.FocusInWindow(); })) << "no focus after connecting";

        // Update by Enter: the focus comes back to it.
        ASSERT_TRUE(keys.TabTo(IDC_BTN_UPDATE));
        keys.Press(VK_RETURN);
        ASSERT_TRUE(user.WaitForCommand("AT+VER?\r"));
        ASSERT_TRUE(user.WaitReady());
        EXPECT_TRUE(WaitUntil([&] { return keys.FocusOn(IDC_BTN_UPDATE); }));

        // A refused value: after the box the focus is on the edit box holding it.
        user.SetText(IDC_EDIT_ADV_INTERVAL, L"5");
        ASSERT_TRUE(keys.TabTo(IDC_BTN_SAVE_ADV_INTERVAL));
        keys.Press(VK_RETURN);
        EXPECT_EQ(keys.EnterOnBox(), Text(IDS_ERR_ADV_INTERVAL_VALUE));
        EXPECT_TRUE(WaitUntil([&] { return keys.FocusOn(IDC_EDIT_ADV_INTERVAL); }));

        // A save: after its box the focus is back on its button.
        user.SetText(IDC_EDIT_ADV_INTERVAL, L"300");
        ASSERT_TRUE(keys.TabTo(IDC_BTN_SAVE_ADV_INTERVAL));
        keys.Press(VK_SPACE);
        EXPECT_EQ(keys.EnterOnBox(), Text(IDS_ADV_INTERVAL_SAVED));
        EXPECT_TRUE(user.WaitReady());
        EXPECT_TRUE(WaitUntil([&] { return keys.FocusOn(IDC_BTN_SAVE_ADV_INTERVAL); }));

        // A scan started and stopped by Enter: while it runs the focus is on
        // its Stop button, the only control enabled.
        ASSERT_TRUE(keys.TabTo(IDC_BTN_SCAN));
        keys.Press(VK_RETURN);
        ASSERT_TRUE(WaitUntil([&] { return user.ItemText(IDC_BTN_SCAN) == Text(IDS_STOP); }));
        EXPECT_TRUE(WaitUntil([&] { return keys.FocusOn(IDC_BTN_SCAN); }));
        ASSERT_TRUE(WaitUntil([&] { return user.ListRows() == 1; }));
        keys.Press(VK_RETURN);
        ASSERT_TRUE(WaitUntil([&] { return user.ItemText(IDC_BTN_SCAN) == Text(IDS_SCAN); }));
        EXPECT_TRUE(user.WaitReady());
        EXPECT_TRUE(WaitUntil([&] { return keys.FocusOn(IDC_BTN_SCAN); }));
        EXPECT_TRUE(user.WaitForCommand("AT+STOPSCAN\r"));
    });
}

}  // namespace

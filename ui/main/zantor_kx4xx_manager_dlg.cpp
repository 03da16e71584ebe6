#include "ui/main/zantor_kx4xx_manager_dlg.h"

#include <cstdio>
#include <functional>
#include <iterator>

#include "app/about_dlg.h"
#include "app/version_record.h"
#include "resource.h"
#include "ui/framework/dpi.h"
#include "ui/framework/message_box.h"
#include "ui/framework/resource_language.h"
#include "ui/framework/win_app.h"
#include "ui/main/combo_table.h"
#include "ui/main/group_caption_font.h"
#include "ui/main/window_messages.h"
#include "ui/settings/profile_names.h"

namespace {

constexpr ComboItem kFlowControlItems[] = {{L"Disable", 0}, {L"Enable", 1}};
constexpr ComboItem kParityItems[] = {{L"None", 'N'}, {L"Even", 'E'}, {L"Odd", 'O'}};
constexpr ComboItem kStopBitItems[] = {{L"1", 1}, {L"2", 2}};

// Device controls that EnableDeviceControls reaches by id, besides the
// members it reaches directly.
constexpr int kDeviceControlIds[] = {
    IDC_EDIT_RSSI_FILTER, IDC_BTN_UPDATE,  IDC_BTN_RESTART,       IDC_BTN_FACTORY_RESET,     IDC_BTN_SCAN,
    IDC_BTN_SAVE_SLOTS,   1034,            1035,                  1036,                      1037,
    1038,                 1039,            1040,                  IDC_BTN_SAVE_NAME,         1053,
    1054,                 1055,            1056,                  1057,                      1058,
    1059,                 IDC_EDIT_ADV_INTERVAL, IDC_BTN_SAVE_ADV_INTERVAL, IDC_BTN_SAVE_UART,
};

// EnableWindow sends the control messages even when its state stays, and
// a connect disables controls that its port dialog left disabled.
void SetControlEnabled(HWND control, bool enable) {
    if (control != nullptr && (::IsWindowEnabled(control) != FALSE) != enable) ::EnableWindow(control, enable);
}

constexpr int kGroupFrameWidth = 3;  // pixels at 96 DPI
constexpr double kStatusPortPaneShare = 0.7;
// The scan list's columns (address, name, RSSI) in pixels at 96 DPI.
constexpr int kScanColumnWidths[] = {110, 88, 60};

}  // namespace

CZANTORKX4xxManagerDlg::CZANTORKX4xxManagerDlg()
    : CDialogEx(IDD_ZANTORKX4XXMANAGER_DIALOG),
      icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CZANTORKX4xxManagerDlg::~CZANTORKX4xxManagerDlg() = default;

MessageMap CZANTORKX4xxManagerDlg::GetMessageMap() const {
    using Self = CZANTORKX4xxManagerDlg;
    static const MessageMapEntry kEntries[] = {
        OnMessage(WM_PAINT, &Self::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &Self::OnQueryDragIcon),
        OnCommand(IDOK, &Self::OnEnterKey),
        OnCommand(IDCANCEL, &Self::OnCancelCommand),
        OnMessage(UM_PORT_ERROR, &Self::OnPortError),
        OnMessage(UM_OPEN_PORT, &Self::OnOpenPort),
        OnCommand(IDM_SELECT_COM_PORT, &Self::OnSelectComPort),
        OnMessage(UM_CMD_RESULT, &Self::OnCmdResult),
        OnCommand(IDC_BTN_SAVE_NAME, &Self::OnSaveName),
        OnCommand(IDC_BTN_SAVE_ADV_INTERVAL, &Self::OnSaveAdvInterval),
        OnMessage(WM_SETCURSOR, &Self::OnSetCursor),
        OnCommand(IDC_BTN_UPDATE, &Self::OnUpdate),
        OnCommand(IDC_BTN_RESTART, &Self::OnRestart),
        OnCommand(IDC_BTN_FACTORY_RESET, &Self::OnFactoryReset),
        OnCommand(IDC_BTN_SAVE_UART, &Self::OnSaveUart),
        OnCommand(IDC_BTN_SCAN, &Self::OnScanButton),
        OnMessage(UM_SCAN_REQUEST, &Self::OnScanRequest),
        OnMessage(WM_TIMER, &Self::OnTimer),
        OnCommandRange(IDC_BTN_ASSIGN_SLOT1, IDC_BTN_ASSIGN_SLOT7, &Self::OnCopyToSlot),
        OnCommandRange(IDC_BTN_CLEAR_SLOT1, IDC_BTN_CLEAR_SLOT7, &Self::OnClearSlot),
        OnCommand(IDC_BTN_SAVE_SLOTS, &Self::OnSaveSlots),
        OnNotify(EN_KILLFOCUS, IDC_EDIT_NAME_FILTER, &Self::OnNameFilterKillFocus),
        OnNotify(EN_KILLFOCUS, IDC_EDIT_RSSI_FILTER, &Self::OnRssiFilterKillFocus),
        OnMessage(WM_SYSCOMMAND, &Self::OnSysCommand),
        OnCommand(IDM_APP_ABOUT, &Self::OnAbout),
        OnMessage(WM_DPICHANGED, &Self::OnDpiChanged),
    };
    return MakeMessageMap(kEntries);
}

void CZANTORKX4xxManagerDlg::DoDataExchange() {
    DDX_Control(IDC_PICTURE_DEVICE, devicePicture_);
    DDX_Control(IDC_GROUP_DEVICE_INFO, deviceInfoGroup_);
    DDX_Control(IDC_GROUP_UART_OPTIONS, uartOptionsGroup_);
    DDX_Control(IDC_GROUP_REGISTER_DEVICES, registerDevicesGroup_);
    DDX_Control(IDC_STATIC_FW_VERSION, firmwareVersion_);
    DDX_Control(IDC_EDIT_DEVICE_NAME, deviceName_);
    DDX_Control(IDC_EDIT_ADV_INTERVAL, advInterval_);
    DDX_Control(IDC_COMBO_PARITY, parityCombo_);
    DDX_Control(IDC_COMBO_STOPBIT, stopBitCombo_);
    DDX_Control(IDC_COMBO_FLOW_CONTROL, flowControlCombo_);
    DDX_Control(IDC_CHECK_NAME_FILTER, nameFilterCheck_);
    DDX_Control(IDC_EDIT_NAME_FILTER, nameFilterEdit_);
    DDX_Control(IDC_CHECK_RSSI_FILTER, rssiFilterCheck_);
    DDX_Control(IDC_EDIT_RSSI_FILTER, rssiFilterEdit_);
    DDX_Control(IDC_LIST_SCAN, scanList_);
    for (size_t row = 0; row < kSlotRows; ++row) {
        DDX_Control(IDC_EDIT_SLOT_ADDR_FIRST + static_cast<int>(row), slotEdits_[row].address);
        DDX_Control(IDC_EDIT_SLOT_TAG_FIRST + static_cast<int>(row), slotEdits_[row].tag);
    }
}

BOOL CZANTORKX4xxManagerDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu != nullptr) {
        const std::wstring aboutText = LoadUiString(IDS_ABOUTBOX);
        if (!aboutText.empty()) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText.c_str());
        }
    }
    SetIcon(icon_, true);
    SetIcon(icon_, false);

    InitControls();
    InitStatusBar();
    EnableDeviceControls(false);
    ShowVersion();

    postTarget_ = m_hWnd;
    engine_.onError = std::bind(&CZANTORKX4xxManagerDlg::OnEngineError, this, std::placeholders::_1,
                                std::placeholders::_2);
    worker_.onOutcome = std::bind(&CZANTORKX4xxManagerDlg::OnWorkerOutcome, this, std::placeholders::_1,
                                  std::placeholders::_2);
    // Cancel leaves the window without a port; the menu's "Select COM port"
    // tries again.
    if (comConfigDlg_.DoModal() == IDOK) PostMessage(UM_OPEN_PORT);
    return TRUE;
}

void CZANTORKX4xxManagerDlg::InitControls() {
    InitScanListAndFilters();

    FillComboFromTable(flowControlCombo_, kFlowControlItems, std::size(kFlowControlItems), 0);
    FillComboFromTable(parityCombo_, kParityItems, std::size(kParityItems), 'N');
    FillComboFromTable(stopBitCombo_, kStopBitItems, std::size(kStopBitItems), 1);

    dpi_ = WindowDpi(m_hWnd);
    SetGroupCaptionFonts(dpi_);
    for (CXGroupBox* group : {&deviceInfoGroup_, &uartOptionsGroup_, &registerDevicesGroup_}) {
        group->SetCaptionAlign(CXGroupBox::kAlignCenter);
        group->SetFrameStyle(CXGroupBox::kFrameFlat);
        group->SetFrameWidth(kGroupFrameWidth);
        group->SetFrameColor(kGroupFrameColor);
    }

    ShowDevicePicture(IDB_PNG_EMBLEM);
}

void CZANTORKX4xxManagerDlg::SetGroupCaptionFonts(UINT dpi) {
    // The dialog font is the one made for dpi_; at a new DPI its height
    // follows before the caption is derived from it.
    LOGFONTW dialogFont{};
    GetObjectW(GetFont(), sizeof(dialogFont), &dialogFont);
    dialogFont.lfHeight = MulDiv(dialogFont.lfHeight, static_cast<int>(dpi), static_cast<int>(dpi_));
    const LOGFONTW captionFont = GroupCaptionFont(dialogFont, dpi);
    for (CXGroupBox* group : {&deviceInfoGroup_, &uartOptionsGroup_, &registerDevicesGroup_})
        group->SetCaptionFont(captionFont);
}

LRESULT CZANTORKX4xxManagerDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam, bool& handled) {
    // Moved to a monitor of another scale: take the rectangle Windows
    // suggests and rescale what is sized in pixels. Left unhandled, so that
    // the dialog manager (Windows 10 1703 and later) lays out the controls
    // and gives them the font of the new DPI.
    const UINT dpi = HIWORD(wParam);
    for (int column = 0; column < static_cast<int>(std::size(kScanColumnWidths)); ++column)
        scanList_.SetColumnWidth(column, MulDiv(scanList_.GetColumnWidth(column), static_cast<int>(dpi),
                                                static_cast<int>(dpi_)));
    SetGroupCaptionFonts(dpi);
    dpi_ = dpi;
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutStatusBar();
    handled = false;
    return 0;
}

void CZANTORKX4xxManagerDlg::InitScanListAndFilters() {
    scanList_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const UINT dpi = WindowDpi(m_hWnd);
    const UINT headings[] = {IDS_COLUMN_DEVICE_ADDRESS, IDS_COLUMN_DEVICE_NAME, IDS_COLUMN_RSSI};
    for (int column = 0; column < static_cast<int>(std::size(headings)); ++column)
        scanList_.InsertColumn(column, LoadUiString(headings[column]).c_str(), LVCFMT_LEFT,
                               ScaleForDpi(kScanColumnWidths[column], dpi));

    const CWinApp* app = AfxGetApp();
    nameFilterCheck_.SetCheck(app->GetProfileInt(kProfileSection, kProfileNameFilterCheck, 0));
    nameFilterEdit_.SetWindowText(app->GetProfileString(kProfileSection, kProfileNameFilterValue, L"NORVANE").c_str());
    rssiFilterCheck_.SetCheck(app->GetProfileInt(kProfileSection, kProfileRssiFilterCheck, 0));
    wchar_t rssiText[16];
    swprintf(rssiText, std::size(rssiText), L"%d", app->GetProfileInt(kProfileSection, kProfileRssiFilterValue, -45));
    rssiFilterEdit_.SetWindowText(rssiText);
}

void CZANTORKX4xxManagerDlg::InitStatusBar() {
    statusBar_.Create(m_hWnd, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, IDC_STATUS_BAR);
    static const UINT kIndicators[] = {IDS_COM_PORT_CLOSED, IDS_READY};
    statusBar_.SetIndicators(kIndicators, std::size(kIndicators));

    LayoutStatusBar();

    // Grow the window by the bar, so that the bar sits below the controls.
    const RECT window = GetWindowRect();
    SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + statusBar_.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    statusBar_.Reposition();
    statusBar_.SetPaneText(1, L"");
}

void CZANTORKX4xxManagerDlg::LayoutStatusBar() {
    const RECT window = GetWindowRect();
    statusBar_.SetPaneInfo(0, IDS_COM_PORT_CLOSED, CStatusBar::kNormal,
                           static_cast<int>((window.right - window.left) * kStatusPortPaneShare));
    statusBar_.SetPaneInfo(1, IDS_READY, CStatusBar::kStretch, 0);
    statusBar_.Reposition();
}

void CZANTORKX4xxManagerDlg::ShowVersion() {
    ProductVersion version;
    if (!ReadProductVersion(version)) return;
    wchar_t text[64];
    swprintf(text, std::size(text), L"Version %d.%d.%d", version.major, version.minor, version.build);
    statusBar_.SetPaneText(1, text);
}

bool CZANTORKX4xxManagerDlg::PortIsOpen() const { return engine_.port != nullptr && engine_.port->isOpen; }

void CZANTORKX4xxManagerDlg::EnableDeviceControls(bool enable) {
    if (!IsWindow()) return;
    if (!enable) {
        // A disabled control keeps no focus: Windows would leave it nowhere,
        // and Tab, Enter and Space would do nothing. The dialog itself holds
        // it meanwhile.
        HWND focus = ::GetFocus();
        if (focus != nullptr && !::IsChild(m_hWnd, focus)) focus = nullptr;
        while (focus != nullptr && ::GetParent(focus) != m_hWnd) focus = ::GetParent(focus);
        if (focus != nullptr) {
            focusId_ = ::GetDlgCtrlID(focus);
            ::SetFocus(m_hWnd);
        }
    }
    for (const CWnd* control : std::initializer_list<const CWnd*>{
             &deviceName_, &nameFilterEdit_, &nameFilterCheck_, &rssiFilterCheck_}) {
        SetControlEnabled(*control, enable);
    }
    for (const SlotEdits& row : slotEdits_) SetControlEnabled(row.address, enable);
    for (const SlotEdits& row : slotEdits_) SetControlEnabled(row.tag, enable);
    for (const CWnd* control : std::initializer_list<const CWnd*>{
             &scanList_, &flowControlCombo_, &parityCombo_, &stopBitCombo_}) {
        SetControlEnabled(*control, enable);
    }
    for (int id : kDeviceControlIds) SetControlEnabled(GetDlgItem(id), enable);
    if (enable) {
        // The window's reactivation after a box may have put the focus on
        // whatever tab stop was enabled then (a group box): the control
        // used last gets it back.
        HWND previous = focusId_ != 0 ? GetDlgItem(focusId_) : nullptr;
        if (previous == nullptr || !::IsWindowEnabled(previous) || !::IsWindowVisible(previous)) {
            HWND focus = ::GetFocus();
            if (focus != nullptr && focus != m_hWnd && ::IsChild(m_hWnd, focus) && ::IsWindowEnabled(focus)) return;
            previous = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
        }
        FocusControl(previous);
    }
}

void CZANTORKX4xxManagerDlg::FocusControl(HWND control) {
    // Not while a box or dialog of this window is up: focusing would activate
    // this window over it. Its activation gives the focus back afterwards.
    if (control == nullptr || ::GetActiveWindow() != m_hWnd) return;
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    focusId_ = 0;
}

void CZANTORKX4xxManagerDlg::FocusAfterEnabling(HWND control) {
    if (control != nullptr) focusId_ = ::GetDlgCtrlID(control);
}

bool CZANTORKX4xxManagerDlg::ShowBoxInOpening(UINT textId, UINT type, int* answer) {
    return ShowBoxInOpening(LoadUiString(textId).c_str(), type, answer);
}

bool CZANTORKX4xxManagerDlg::ShowBoxInOpening(const wchar_t* text, UINT type, int* answer) {
    const uint32_t opening = opening_;
    const int result = AfxMessageBox(text, type);
    if (answer != nullptr) *answer = result;
    return opening == opening_;
}

void CZANTORKX4xxManagerDlg::OnEngineError(const ZantorKX4xxComm* engine, std::error_code& error) {
    HWND target = postTarget_;
    if (engine == &engine_ && PortIsOpen() && target != nullptr) {
        // Set before the post: a failed command's outcome posted after this
        // may still be handled before UM_PORT_ERROR.
        portFailed_ = true;
        ::PostMessageW(target, UM_PORT_ERROR, static_cast<WPARAM>(error.value()), 0);
    }
}

BOOL CZANTORKX4xxManagerDlg::PreTranslateMessage(MSG* message) {
    // Escape never closes the main window.
    if (message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE) return TRUE;
    return CDialogEx::PreTranslateMessage(message);
}

void CZANTORKX4xxManagerDlg::PostNcDestroy() {
    // The window is gone: the engine must not post to it any more, and
    // ClosePort changes no controls.
    postTarget_ = nullptr;
    ClosePort();
    CDialogEx::PostNcDestroy();
}

LRESULT CZANTORKX4xxManagerDlg::OnPaint(WPARAM, LPARAM, bool& handled) {
    if (!IsIconic()) {
        handled = false;
        return 0;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    const RECT client = GetClientRect();
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CZANTORKX4xxManagerDlg::OnQueryDragIcon(WPARAM, LPARAM, bool&) {
    return reinterpret_cast<LRESULT>(icon_);
}

void CZANTORKX4xxManagerDlg::OnEnterKey(UINT) {
    // Enter never closes the main window.
}

void CZANTORKX4xxManagerDlg::OnCancelCommand(UINT) { OnCancel(); }

LRESULT CZANTORKX4xxManagerDlg::OnSetCursor(WPARAM, LPARAM, bool& handled) {
    // Keeps the wait cursor over the window while a command is queued or runs.
    if (!worker_.busy) {
        handled = false;
        return 0;
    }
    AfxGetApp()->RestoreWaitCursor();
    return TRUE;
}

LRESULT CZANTORKX4xxManagerDlg::OnSysCommand(WPARAM wParam, LPARAM, bool& handled) {
    if ((wParam & 0xFFF0) != IDM_ABOUTBOX) {
        handled = false;
        return 0;
    }
    OnAbout(IDM_APP_ABOUT);
    return 0;
}

void CZANTORKX4xxManagerDlg::OnAbout(UINT) {
    CAboutDlg about;
    about.DoModal();
}

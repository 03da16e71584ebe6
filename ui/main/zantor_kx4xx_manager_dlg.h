// CZANTORKX4xxManagerDlg: the program's main window, a modal dialog from
// template 102 that holds every device control, the status bar, the COM port
// dialog and the protocol engine.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <system_error>

#include "protocol/reply_result.h"
#include "protocol/zantor_kx4xx_comm.h"
#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/x_group_box.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"
#include "ui/framework/status_bar.h"
#include "ui/settings/com_config_dlg.h"

class CZANTORKX4xxManagerDlg : public CDialogEx {
public:
    enum ScanState : int32_t { Idle = 0, Scanning = 1, StopRequested = 2 };
    static constexpr size_t kSlotCount = 7;
    static constexpr COLORREF kGroupFrameColor = RGB(164, 164, 250);

    CZANTORKX4xxManagerDlg();
    ~CZANTORKX4xxManagerDlg() override;

    // Enables or disables the 46 device controls as one set; nothing without
    // a live window.
    void EnableDeviceControls(bool enable);

    // The engine's ErrorCallback, on an engine thread: posts UM_PORT_ERROR
    // while this window's engine has its port open.
    void OnEngineError(const ZantorKX4xxComm* engine, std::error_code& error);

    // Closes the engine's port and returns the window to "no port": status
    // pane, device fields, scan list, slots, picture, scan state and busy
    // flag. Does not disable the device controls.
    void ClosePort();

    // Device behaviour, handled with the command queue and worker:
    // UM_OPEN_PORT opens the chosen port and starts identification,
    // UM_PORT_ERROR reacts to a port failure, UM_CMD_RESULT shows a
    // command's outcome, UM_SCAN_REQUEST starts or stops a scan. Their
    // handlers join the message map at the places marked there.

protected:
    MessageMap GetMessageMap() const override;
    void DoDataExchange() override;
    BOOL PreTranslateMessage(MSG* message) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;

private:
    struct SlotEdits {
        CEdit address;  // 1061 + k
        CEdit tag;      // 1043 + k
    };

    void InitControls();
    void InitScanListAndFilters();
    void InitStatusBar();
    void ShowVersion();
    bool PortIsOpen() const;

    LRESULT OnPaint(WPARAM, LPARAM, bool& handled);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM, bool& handled);
    void OnEnterKey(UINT id);
    void OnCancelCommand(UINT id);
    LRESULT OnSetCursor(WPARAM, LPARAM, bool& handled);
    LRESULT OnSysCommand(WPARAM wParam, LPARAM, bool& handled);
    void OnAbout(UINT id);

    HICON icon_;
    CStatusBar statusBar_;
    ComConfigDlg comConfigDlg_;
    ZantorKX4xxComm engine_;
    // The window that OnEngineError posts to; null while there is none.
    std::atomic<HWND> engineErrorTarget_{nullptr};

    // Shared with the worker thread.
    std::atomic<bool> busy_{false};
    std::atomic<int32_t> scanState_{Idle};

    // Device state, as read from the adapter or waiting to be written.
    uint32_t modelIndex_ = 0;  // none identified
    std::string modelText_;
    std::map<std::wstring, ScanReport> seenAddresses_;
    std::string pendingDeviceName_;  // UTF-8
    uint32_t pendingAdvInterval_ = 0;
    char versionText_[kReplyTextSize] = {};
    DeviceInfo deviceInfo_{};
    uint16_t advIntervalRead_ = 0;
    std::array<SlotRecord, kSlotCount> slotsRead_{};
    std::array<SlotRecord, kSlotCount> slotsToWrite_{};
    ScanReport lastScanReport_{};
    UartOptions uartOptionsRead_{};
    UartOptions pendingUartOptions_{};
    bool nameFilterOn_ = false;
    char nameFilter_[kReplyTextSize] = {};

    GdiplusImgCtrl devicePicture_;
    CXGroupBox deviceInfoGroup_;
    CXGroupBox uartOptionsGroup_;
    CXGroupBox registerDevicesGroup_;
    CStatic firmwareVersion_;
    CEdit deviceName_;
    CEdit advInterval_;
    CComboBox parityCombo_;
    CComboBox stopBitCombo_;
    CComboBox flowControlCombo_;
    CButton nameFilterCheck_;
    CEdit nameFilterEdit_;
    CButton rssiFilterCheck_;
    CEdit rssiFilterEdit_;
    CListCtrl scanList_;
    std::array<SlotEdits, kSlotCount> slotEdits_;
};

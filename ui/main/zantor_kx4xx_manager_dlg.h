// CZANTORKX4xxManagerDlg: the program's main window, a modal dialog from
// template 102 that holds every device control, the status bar, the COM port
// dialog, the protocol engine and the command worker.
//
// Its code is split by responsibility: zantor_kx4xx_manager_dlg.cpp (frame),
// connection_workflow.cpp (open, close, port errors, queueing),
// command_results.cpp (UM_CMD_RESULT), settings_actions.cpp (device
// settings buttons and menu), scanning.cpp (filters and Scan) and slots.cpp
// (registered device slots).
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <system_error>

#include "device/command_worker.h"
#include "device/device_records.h"
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
    static constexpr size_t kSlotRows = kSlotCount;
    static constexpr COLORREF kGroupFrameColor = RGB(164, 164, 250);

    CZANTORKX4xxManagerDlg();
    ~CZANTORKX4xxManagerDlg() override;

    // Enables or disables the 46 device controls as one set; nothing without
    // a live window. The keyboard focus is taken off a control before it is
    // disabled and given back to it (or to the first enabled tab stop) when
    // the controls are enabled again.
    void EnableDeviceControls(bool enable);

    // The engine's ErrorCallback, on an engine thread: posts UM_PORT_ERROR
    // while this window's engine has its port open.
    void OnEngineError(const ZantorKX4xxComm* engine, std::error_code& error);

    // Closes the engine's port, stops and joins the worker, and returns the
    // window to "no port": status pane, device fields, scan list, slots,
    // picture, scan state and busy flag. Does not disable the device controls.
    void ClosePort();

    // The PNG resource that picture 1000 shows: the emblem, or the model's.
    UINT DevicePictureId() const { return devicePictureId_; }

    // Hands the pending values to the worker and queues id; begins the wait
    // cursor when nothing was queued. Does nothing while no worker runs
    // (no port): the next open would discard the id anyway.
    void EnqueueCommand(int32_t id, bool clearFirst = false);

    // Closes the port, disables the device controls and offers the COM port
    // dialog again; OK posts UM_OPEN_PORT.
    void PortReselection();

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
    void LayoutStatusBar();
    // The group boxes' caption font for dpi, from the dialog font.
    void SetGroupCaptionFonts(UINT dpi);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam, bool& handled);
    void ShowVersion();
    bool PortIsOpen() const;
    // Shows a message box of this window. The box's own message loop may
    // handle a port error that closes the port: false then, and the caller
    // does nothing more, leaving the window as the close left it.
    bool ShowBoxInOpening(UINT textId, UINT type, int* answer = nullptr);
    bool ShowBoxInOpening(const wchar_t* text, UINT type, int* answer = nullptr);
    // Moves the keyboard focus as the dialog manager does (the default
    // button follows it), while this window is the active one.
    void FocusControl(HWND control);
    // The control to focus when the device controls are enabled next.
    void FocusAfterEnabling(HWND control);
    // The worker's outcome, on the worker thread: posted as UM_CMD_RESULT.
    void OnWorkerOutcome(int32_t id, CmdOutcome outcome);

    // Connection workflow.
    LRESULT OnOpenPort(WPARAM, LPARAM, bool& handled);
    LRESULT OnPortError(WPARAM, LPARAM, bool& handled);
    // Removes the outcomes that a stopped worker posted and this window has
    // not handled yet: they belong to an opening that is closed.
    void DropOutcomesOfClosedOpening();
    void ClearDeviceFields();
    void ShowDevicePicture(UINT pictureId);

    // Command results.
    LRESULT OnCmdResult(WPARAM wParam, LPARAM lParam, bool& handled);
    void IdentifyAgain();
    void OnIdentified();
    void ShowDevice();
    void ShowSlotRows();
    void OnScanStarted();
    void ApplyScanReport(const ScanReport& report);
    // Message box of a setting's outcome, then its follow-up.
    void ReportSetting(CmdOutcome outcome, UINT doneText, UINT failedText);

    // Device settings actions.
    void OnSaveName(UINT id);
    void OnSaveAdvInterval(UINT id);
    void OnUpdate(UINT id);
    void OnRestart(UINT id);
    void OnFactoryReset(UINT id);
    void OnSaveUart(UINT id);
    void OnSelectComPort(UINT id);

    // Scanning.
    void OnScanButton(UINT id);
    LRESULT OnScanRequest(WPARAM, LPARAM, bool& handled);
    void OnNameFilterKillFocus(UINT id);
    void OnRssiFilterKillFocus(UINT id);
    // Turns the scan list's redrawing off until the redraw timer shows the
    // rows added meanwhile, all at once.
    void DeferScanListRedraw();
    LRESULT OnTimer(WPARAM wParam, LPARAM, bool& handled);

    // Registered device slots.
    void OnCopyToSlot(UINT id);
    void OnClearSlot(UINT id);
    void OnSaveSlots(UINT id);

    LRESULT OnPaint(WPARAM, LPARAM, bool& handled);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM, bool& handled);
    void OnEnterKey(UINT id);
    void OnCancelCommand(UINT id);
    LRESULT OnSetCursor(WPARAM, LPARAM, bool& handled);
    LRESULT OnSysCommand(WPARAM wParam, LPARAM, bool& handled);
    void OnAbout(UINT id);

    HICON icon_;
    // The DPI the window's pixel sizes are made for; user interface thread only.
    UINT dpi_ = 96;
    // Counts the port's openings and closes, so that a handler that showed a
    // modal box knows whether its opening outlived it; user interface thread only.
    uint32_t opening_ = 0;
    // The control that had the focus when the device controls were disabled,
    // by id (0: none); user interface thread only.
    int focusId_ = 0;
    CStatusBar statusBar_;
    ComConfigDlg comConfigDlg_;
    ZantorKX4xxComm engine_;
    // The window that OnEngineError and the worker's outcomes post to; null
    // while there is none.
    std::atomic<HWND> postTarget_{nullptr};
    // The engine reported a port error in this opening: its UM_PORT_ERROR,
    // on its way, closes the port, so outcomes arriving before it are
    // dropped. Set on an I/O thread, cleared before each open.
    std::atomic<bool> portFailed_{false};

    // What the worker read from the adapter: written by the worker before it
    // reports an outcome, read here after UM_CMD_RESULT arrives.
    DeviceReadings readings_;
    // The pending values of the next commands (name, interval, UART options,
    // name filter, slot table to write), handed to the worker when queueing.
    CommandInputs pending_;
    // Queue, worker thread, busy flag and ScanState; after engine_ and
    // readings_, which it uses, so that it is destroyed (stopped) first.
    CommandWorker worker_{engine_, readings_};
    // Addresses listed during the current scan, user interface thread only.
    std::map<std::wstring, ScanReport> seenAddresses_;
    // The scan list's redrawing is off and the redraw timer runs; user
    // interface thread only.
    bool scanListRedrawDeferred_ = false;

    GdiplusImgCtrl devicePicture_;
    std::atomic<UINT> devicePictureId_{0};  // read by tests from another thread
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
    std::array<SlotEdits, kSlotRows> slotEdits_;
};

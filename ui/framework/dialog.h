// CDialogEx: a modal dialog from a template of the program's resources, with
// its own modal loop (so that PreTranslateMessage sees every message of the
// thread), data exchange that binds controls to members, and a message map
// that is one flat table.
//
// Handler signatures, for the entries of a message map:
//   message:  LRESULT OnX(WPARAM wParam, LPARAM lParam, bool& handled)
//             handled starts true; set it false to get the default handling.
//   command:  void OnX(UINT id)   WM_COMMAND from a menu, a button click or
//             an accelerator (notification code 0 or 1)
//   notify:   void OnX(UINT id)   WM_COMMAND with the given notification code
// The first entry that matches handles the message.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/framework/wnd.h"

class CDialogEx;

struct MessageMapEntry {
    using MessageHandler = LRESULT (CDialogEx::*)(WPARAM, LPARAM, bool&);
    using CommandHandler = void (CDialogEx::*)(UINT);

    UINT message;
    UINT code;      // notification code, for WM_COMMAND entries
    bool anyCode;   // a command entry: codes 0 (menu, click) and 1 (accelerator)
    UINT firstId;
    UINT lastId;
    MessageHandler onMessage;
    CommandHandler onCommand;
};

struct MessageMap {
    const MessageMapEntry* entries;
    size_t count;
};

template <class T>
MessageMapEntry OnMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM, bool&)) {
    return {message, 0, false, 0, 0, static_cast<MessageMapEntry::MessageHandler>(handler), nullptr};
}

template <class T>
MessageMapEntry OnCommandRange(UINT firstId, UINT lastId, void (T::*handler)(UINT)) {
    return {WM_COMMAND, 0, true, firstId, lastId, nullptr, static_cast<MessageMapEntry::CommandHandler>(handler)};
}

template <class T>
MessageMapEntry OnCommand(UINT id, void (T::*handler)(UINT)) {
    return OnCommandRange(id, id, handler);
}

template <class T>
MessageMapEntry OnNotify(UINT code, UINT id, void (T::*handler)(UINT)) {
    return {WM_COMMAND, code, false, id, id, nullptr, static_cast<MessageMapEntry::CommandHandler>(handler)};
}

template <size_t N>
MessageMap MakeMessageMap(const MessageMapEntry (&entries)[N]) {
    return {entries, N};
}

class CDialogEx : public CWnd {
public:
    // parent null: the application's main window owns the dialog, if any.
    explicit CDialogEx(UINT templateId, HWND parent = nullptr);
    virtual ~CDialogEx();
    CDialogEx(const CDialogEx&) = delete;
    CDialogEx& operator=(const CDialogEx&) = delete;

    // IDOK, IDCANCEL or the value given to EndDialog; -1 when the dialog
    // window cannot be created or is already shown. The window is centred
    // on its owner, or on the work area, unless OnInitDialog moved it.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

protected:
    // Binds the controls (DoDataExchange); TRUE lets the dialog manager set
    // the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange() {}
    // TRUE when the message was handled and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* message);
    // Called after the window has been destroyed.
    virtual void PostNcDestroy() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual MessageMap GetMessageMap() const { return {nullptr, 0}; }

    // Data exchange: a plain wrapper takes the item's handle; a subclassing
    // wrapper subclasses the item (once per window).
    void DDX_Control(int id, CWnd& control) const { control.m_hWnd = GetDlgItem(id); }
    template <class TBase>
    void DDX_Control(int id, CWindowImpl<TBase>& control) const {
        control.SubclassWindow(GetDlgItem(id));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyMenuLanguage(UINT menuId) const;
    void RunModalLoop();

    UINT templateId_;
    HWND parent_;
    bool ended_ = false;
    INT_PTR result_ = IDCANCEL;
};

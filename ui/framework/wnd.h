// CWnd: a window handle with one-line calls. It does not own the window
// and copies for free.
// CWindowImpl<TBase>: a wrapper that subclasses its window to handle
// messages itself (the custom controls).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cassert>
#include <string>

#include "ui/framework/failure_report.h"

class CWnd {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}

    operator HWND() const { return m_hWnd; }
    bool IsWindow() const { return ::IsWindow(m_hWnd) != FALSE; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        assert(IsWindow());
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam) != FALSE;
    }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    bool EnableWindow(bool enable = true) const { return ::EnableWindow(m_hWnd, enable) != FALSE; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool IsIconic() const { return ::IsIconic(m_hWnd) != FALSE; }
    void SetWindowText(const wchar_t* text) const { ::SetWindowTextW(m_hWnd, text); }
    std::wstring GetWindowText() const {
        std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
        text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)); }
    void SetFont(HFONT font, bool redraw = true) const {
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    RECT GetClientRect() const {
        RECT rect{};
        ::GetClientRect(m_hWnd, &rect);
        return rect;
    }
    RECT GetWindowRect() const {
        RECT rect{};
        ::GetWindowRect(m_hWnd, &rect);
        return rect;
    }
    LONG_PTR GetStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
    void ModifyStyle(LONG_PTR remove, LONG_PTR add) const {
        ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (GetStyle() & ~remove) | add);
    }
    void ModifyStyleEx(LONG_PTR remove, LONG_PTR add) const {
        const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
        ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, (style & ~remove) | add);
    }
    void SetIcon(HICON icon, bool big) const {
        ::SendMessageW(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
};

// Subclasses a window with a virtual WindowProc. The window's WM_NCDESTROY
// detaches the wrapper, so it can be bound again to the next window that a
// dialog creates for the same item.
template <class TBase>
class CWindowImpl : public TBase {
public:
    CWindowImpl() = default;
    CWindowImpl(const CWindowImpl&) = delete;
    CWindowImpl& operator=(const CWindowImpl&) = delete;
    virtual ~CWindowImpl() { UnsubclassWindow(); }

    bool SubclassWindow(HWND hwnd) {
        if (hwnd == nullptr) return false;
        if (this->m_hWnd == hwnd) return true;
        UnsubclassWindow();
        this->m_hWnd = hwnd;
        PreSubclassWindow();
        if (!::SetWindowSubclass(hwnd, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
            this->m_hWnd = nullptr;
            return false;
        }
        return true;
    }

    void UnsubclassWindow() {
        if (this->m_hWnd != nullptr) ::RemoveWindowSubclass(this->m_hWnd, &SubclassProc, kSubclassId);
        this->m_hWnd = nullptr;
    }

protected:
    // Runs when the wrapper is bound, before the first message.
    virtual void PreSubclassWindow() {}

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProc(message, wParam, lParam);
    }

    // The window's own handling, as before the subclass.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefSubclassProc(this->m_hWnd, message, wParam, lParam);
    }

private:
    static constexpr UINT_PTR kSubclassId = 0x4B58;

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
        auto* wrapper = reinterpret_cast<CWindowImpl*>(self);
        if (message == WM_NCDESTROY) {
            ::RemoveWindowSubclass(hwnd, &SubclassProc, kSubclassId);
            wrapper->m_hWnd = nullptr;
            return ::DefSubclassProc(hwnd, message, wParam, lParam);
        }
        // The control's failure is shown and the control goes on; nothing may
        // unwind into the system's frames.
        try {
            return wrapper->WindowProc(message, wParam, lParam);
        } catch (...) {
            ReportCaughtException(::GetAncestor(hwnd, GA_ROOT));
            if (message == WM_PAINT) ::ValidateRect(hwnd, nullptr);
            return 0;
        }
    }
};

// Message that a dialog sends to a control with the control's own WM_COMMAND
// notification, so that the control can react to it.
constexpr UINT kReflectedCommand = WM_USER + 0x1C00 + WM_COMMAND;

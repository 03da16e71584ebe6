// Thin wrappers of the standard controls: CStatic, CEdit, CButton,
// CComboBox, CListCtrl, CRichEditCtrl. A wrapper is its window handle;
// it owns nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <iterator>
#include <string>

#include "ui/framework/wnd.h"

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    void SetReadOnly(bool readOnly) const { SendMessage(EM_SETREADONLY, readOnly); }
    void SetLimitText(UINT limit) const { SendMessage(EM_SETLIMITTEXT, limit); }
};

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
};

class CComboBox : public CWnd {
public:
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int AddString(const wchar_t* text) const {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index))); }
    void SetItemData(int index, DWORD_PTR data) const {
        SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
    }
    std::wstring GetLBText(int index) const {
        LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        if (length == CB_ERR) return {};
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        length = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(length == CB_ERR ? 0 : static_cast<size_t>(length));
        return text;
    }
};

class CListCtrl : public CWnd {
public:
    void SetExtendedStyle(DWORD style) const { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)); }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    int InsertColumn(int index, const wchar_t* heading, int format, int width) const {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = format;
        column.cx = width;
        column.pszText = const_cast<wchar_t*>(heading);
        column.iSubItem = index;
        return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
    }
    int GetColumnWidth(int index) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index))); }
    bool SetColumnWidth(int index, int width) const {
        return SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), MAKELPARAM(width, 0)) != FALSE;
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    int InsertItem(int index, const wchar_t* text) const {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<wchar_t*>(text);
        return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    }
    bool SetItemText(int index, int subItem, const wchar_t* text) const {
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = const_cast<wchar_t*>(text);
        return SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != FALSE;
    }
    std::wstring GetItemText(int index, int subItem) const {
        wchar_t buffer[260] = {};
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = buffer;
        item.cchTextMax = static_cast<int>(std::size(buffer));
        SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    // An empty list is left alone: under Wine, emptying it still costs a
    // scroll bar update of tens of milliseconds.
    bool DeleteAllItems() const {
        return GetItemCount() == 0 || SendMessage(LVM_DELETEALLITEMS) != FALSE;
    }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
};

class CRichEditCtrl : public CWnd {
public:
    void SetSel(LONG start, LONG end) const {
        CHARRANGE range{start, end};
        SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    CHARRANGE GetSel() const {
        CHARRANGE range{};
        SendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }
    void ReplaceSel(const wchar_t* text, bool canUndo = false) const {
        SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text));
    }
    int GetFirstVisibleLine() const { return static_cast<int>(SendMessage(EM_GETFIRSTVISIBLELINE)); }
    void LineScroll(int lines) const { SendMessage(EM_LINESCROLL, 0, lines); }
    int LineLength(int charIndex) const { return static_cast<int>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(charIndex))); }
    void SetRedraw(bool redraw) const { SendMessage(WM_SETREDRAW, redraw); }
};

#include "ui/controls/ht_rich_edit_ctrl.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

// Tested in this order, case-sensitively, at every character.
constexpr const wchar_t* kLinkPrefixes[] = {L"ed2k://", L"http://", L"https://", L"ftp://",
                                            L"www.",    L"ftp.",    L"mailto:"};
constexpr const wchar_t* kLinkDelimiters = L" \n\r\t";

// Retries of an insertion that the control reported as not fitting.
constexpr int kOverflowRetries = 10;

size_t LinkPrefixLengthAt(const wchar_t* text) {
    for (const wchar_t* prefix : kLinkPrefixes) {
        const size_t length = std::wcslen(prefix);
        if (std::wcsncmp(text, prefix, length) == 0) return length;
    }
    return 0;
}

}  // namespace

void CHTRichEditCtrl::InitRichEdit() {
    SendMessage(EM_SETUNDOLIMIT, 0);
    SendMessage(EM_EXLIMITTEXT, 0, kTextLimit);
    textLimit_ = static_cast<LONG>(SendMessage(EM_GETLIMITTEXT));
    defaultFormat_ = CHARFORMATW{};
    defaultFormat_.cbSize = sizeof(defaultFormat_);
    SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&defaultFormat_));
    const LRESULT options = SendMessage(EM_GETLANGOPTIONS);
    SendMessage(EM_SETLANGOPTIONS, 0, options & ~static_cast<LRESULT>(IMF_AUTOFONT));
    SendMessage(EM_SHOWSCROLLBAR, SB_VERT, TRUE);
}

LRESULT CHTRichEditCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            if (DefWindowProc(message, wParam, lParam) == -1) return -1;
            InitRichEdit();
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_DELETE || wParam == VK_BACK) return 0;
            break;
        case WM_CHAR:
            if (!allowTyping_) return 0;
            break;
        case WM_PAINT:
        case WM_ERASEBKGND:
            if (busy_) return 1;
            break;
        case kReflectedCommand:
            if (HIWORD(wParam) == EN_ERRSPACE || HIWORD(wParam) == EN_MAXTEXT) overflow_ = true;
            return 0;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}

void CHTRichEditCtrl::AppendText(const wchar_t* text, int length, bool asLink) {
    if (text == nullptr) return;
    const LONG count = length == -1 ? static_cast<LONG>(std::wcslen(text)) : length;
    if (count <= 0) return;
    Append(text, count, asLink ? Run::Link : Run::Plain);
}

void CHTRichEditCtrl::AppendMarker() { Append(kMarker, kMarkerLength, Run::Marker); }

void CHTRichEditCtrl::AppendLinkedText(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') return;
    const wchar_t* start = text;
    const wchar_t* p = text;
    while (*p != L'\0') {
        if (LinkPrefixLengthAt(p) == 0) {
            ++p;
            continue;
        }
        if (p > start) AppendText(start, static_cast<int>(p - start), false);
        const size_t linkLength = std::wcscspn(p, kLinkDelimiters);
        AppendText(p, static_cast<int>(linkLength), true);
        p += linkLength;
        start = p;
    }
    if (p > start) AppendText(start, static_cast<int>(p - start), false);
}

void CHTRichEditCtrl::Append(const wchar_t* text, LONG length, Run run) {
    const LONG pos = GetWindowTextLength();
    LONG selStart = pos;
    LONG selEnd = pos;
    if (run == Run::Marker) {
        const CHARRANGE selection = GetSel();
        selStart = selection.cpMin;
        selEnd = selection.cpMax;
    }
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof(scroll);
    scroll.fMask = SIF_ALL;
    const bool viewAtEnd = autoScroll_ && GetScrollInfo(m_hWnd, SB_VERT, &scroll) &&
                           scroll.nPos >= scroll.nMax - static_cast<int>(scroll.nPage) + 1;
    if (viewAtEnd) {
        Insert(pos, text, length, selStart, selEnd, run);
        if (autoScroll_ && !IsWindowVisible()) SendMessage(WM_VSCROLL, SB_BOTTOM);
        return;
    }
    busy_ = true;
    const bool visible = IsWindowVisible();
    if (visible) SetRedraw(false);
    const int firstLine = autoScroll_ ? 0 : GetFirstVisibleLine();
    Insert(pos, text, length, selStart, selEnd, run);
    SetSel(selStart, selEnd);
    if (autoScroll_) {
        SendMessage(WM_VSCROLL, SB_BOTTOM);
    } else {
        LineScroll(firstLine - GetFirstVisibleLine());
    }
    busy_ = false;
    if (visible) {
        SetRedraw(true);
        Invalidate(true);
        SetSel(-1, -1);
    }
}

void CHTRichEditCtrl::InsertTextAt(LONG pos, const wchar_t* text, LONG length, LONG& selStart, LONG& selEnd,
                                   bool asLink) {
    Insert(pos, text, length, selStart, selEnd, asLink ? Run::Link : Run::Plain);
}

void CHTRichEditCtrl::InsertMarkerAt(LONG pos, LONG& selStart, LONG& selEnd) {
    Insert(pos, kMarker, kMarkerLength, selStart, selEnd, Run::Marker);
}

void CHTRichEditCtrl::BeginQuietUpdate(bool& wasBusy, bool& visible) {
    wasBusy = busy_;
    busy_ = true;
    visible = IsWindowVisible();
    if (visible) SetRedraw(false);
}

void CHTRichEditCtrl::EndQuietUpdate(bool wasBusy, bool visible) {
    busy_ = wasBusy;
    if (visible && !wasBusy) {
        SetRedraw(true);
        Invalidate(true);
    }
}

void CHTRichEditCtrl::DropFirstLine(LONG& selStart, LONG& selEnd) {
    const LONG lineLength = LineLength(0) + 1;  // with its line break
    SetSel(0, lineLength);
    ReplaceSel(L"");
    selStart = std::max<LONG>(0, selStart - lineLength);
    selEnd = std::max<LONG>(0, selEnd - lineLength);
}

void CHTRichEditCtrl::ApplyRunFormat(Run run) {
    if (run == Run::Link) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof(format);
        SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        format.dwMask |= CFM_LINK;
        format.dwEffects |= CFE_LINK;
        SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    } else if (run == Run::Marker) {
        CHARFORMATW format{};
        format.cbSize = sizeof(format);
        SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        format.dwMask |= CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK |
                         CFM_SIZE | CFM_COLOR;
        format.dwEffects = CFE_BOLD;
        format.yHeight = kMarkerHeightTwips;
        format.crTextColor = kMarkerColor;
        SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    } else if (restoreDefaultFormat_) {
        SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&defaultFormat_));
    }
}

void CHTRichEditCtrl::Insert(LONG pos, const wchar_t* text, LONG length, LONG& selStart, LONG& selEnd, Run run) {
    const std::wstring piece(text, static_cast<size_t>(length));
    bool wasBusy = false;
    bool visible = false;
    if (pos + length >= textLimit_) {
        BeginQuietUpdate(wasBusy, visible);
        while (pos > 0 && pos + length > textLimit_) {
            DropFirstLine(selStart, selEnd);
            pos = GetWindowTextLength();
        }
        EndQuietUpdate(wasBusy, visible);
    }
    auto insertOnce = [&] {
        overflow_ = false;
        SetSel(pos, pos);
        ApplyRunFormat(run);
        ReplaceSel(piece.c_str());
        // The link effect stays at the caret like the marker's format, so
        // the next plain run returns to the default format after either.
        restoreDefaultFormat_ = run != Run::Plain;
    };
    insertOnce();
    if (!overflow_) return;
    // The control took only part of the text: remove that part, drop one
    // more old line and try again.
    BeginQuietUpdate(wasBusy, visible);
    for (int attempt = 0; attempt < kOverflowRetries && overflow_; ++attempt) {
        SetSel(pos, -1);
        ReplaceSel(L"");
        DropFirstLine(selStart, selEnd);
        pos = GetWindowTextLength();
        insertOnce();
        if (overflow_ && pos == 0) break;
    }
    EndQuietUpdate(wasBusy, visible);
}

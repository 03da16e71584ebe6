#include "ui/framework/status_bar.h"

#include <commctrl.h>

#include "ui/framework/resource_language.h"

bool CStatusBar::Create(HWND parent, DWORD style, UINT id) {
    m_hWnd = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr),
                               nullptr);
    panes_.clear();
    return m_hWnd != nullptr;
}

bool CStatusBar::SetIndicators(const UINT* ids, size_t count) {
    panes_.clear();
    for (size_t index = 0; index < count; ++index) panes_.push_back({ids[index], kStretch, 0});
    ApplyParts();
    for (size_t index = 0; index < count; ++index) SetPaneText(index, LoadUiString(ids[index]).c_str());
    return true;
}

void CStatusBar::SetPaneInfo(size_t index, UINT id, UINT style, int width) {
    if (index >= panes_.size()) return;
    panes_[index] = {id, style, width};
    ApplyParts();
}

void CStatusBar::ApplyParts() const {
    // The control takes right edges; a stretching pane reaches the end.
    std::vector<int> rightEdges;
    int right = 0;
    for (const Pane& pane : panes_) {
        right += pane.width;
        rightEdges.push_back(pane.style == kStretch ? -1 : right);
    }
    if (!rightEdges.empty()) {
        SendMessage(SB_SETPARTS, rightEdges.size(), reinterpret_cast<LPARAM>(rightEdges.data()));
    }
}

bool CStatusBar::SetPaneText(size_t index, const wchar_t* text) const {
    return SendMessage(SB_SETTEXTW, index, reinterpret_cast<LPARAM>(text)) != FALSE;
}

std::wstring CStatusBar::GetPaneText(size_t index) const {
    const size_t length = LOWORD(SendMessage(SB_GETTEXTLENGTHW, index));
    std::wstring text(length + 1, L'\0');
    SendMessage(SB_GETTEXTW, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

int CStatusBar::GetPaneRight(size_t index) const {
    RECT rect{};
    SendMessage(SB_GETRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect.right;
}

int CStatusBar::Height() const {
    const RECT rect = GetWindowRect();
    return rect.bottom - rect.top;
}

void CStatusBar::Reposition() const { SendMessage(WM_SIZE); }

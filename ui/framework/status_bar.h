// CStatusBar: the common status bar control as a bar of panes at the
// bottom of a dialog. Panes are named by string ids whose texts are their
// initial texts.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/framework/wnd.h"

class CStatusBar : public CWnd {
public:
    static constexpr UINT kNormal = 0;
    static constexpr UINT kStretch = 1;

    bool Create(HWND parent, DWORD style, UINT id);
    // One pane per string id; each pane shows its string.
    bool SetIndicators(const UINT* ids, size_t count);
    // width in pixels; a stretching pane takes what the others leave.
    void SetPaneInfo(size_t index, UINT id, UINT style, int width);
    bool SetPaneText(size_t index, const wchar_t* text) const;
    std::wstring GetPaneText(size_t index) const;
    // The pane's right edge in client pixels, as the control has it.
    int GetPaneRight(size_t index) const;

    int Height() const;
    // Moves the bar to the bottom of its parent's client area.
    void Reposition() const;

private:
    struct Pane {
        UINT id;
        UINT style;
        int width;
    };
    void ApplyParts() const;

    std::vector<Pane> panes_;
};

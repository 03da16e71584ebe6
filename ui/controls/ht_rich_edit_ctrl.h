// CHTRichEditCtrl: a read-only, append-only rich edit 2.0 control. Runs that
// start with a link prefix get the link character effect, a fixed marker
// word can be appended in bold blue, and when the text outgrows the
// control's limit the oldest lines are dropped.
#pragma once

#include <windows.h>
#include <richedit.h>

#include "ui/framework/controls.h"

class CHTRichEditCtrl : public CWindowImpl<CRichEditCtrl> {
public:
    static constexpr const wchar_t* kMarker = L"'Set'";
    static constexpr LONG kMarkerLength = 5;
    static constexpr COLORREF kMarkerColor = 0x00FF0000;  // pure blue
    static constexpr LONG kMarkerHeightTwips = 200;       // 10 points
    static constexpr LONG kTextLimit = 0x20000;

    CHTRichEditCtrl() = default;

    // One-time set-up: no undo, text limit, default format, no automatic
    // font switching, vertical scroll bar. Called on WM_CREATE, or by the
    // owner for a control of a dialog template.
    void InitRichEdit();

    // length -1: up to the terminating NUL; a null text or length 0 adds nothing.
    void AppendText(const wchar_t* text, int length, bool asLink);
    // Cuts the text into plain runs and link runs and appends them.
    void AppendLinkedText(const wchar_t* text);
    // Appends the marker word in its emphasised format.
    void AppendMarker();

    // The insertion steps of the appends. The selection values are moved
    // when old lines are dropped.
    void InsertTextAt(LONG pos, const wchar_t* text, LONG length, LONG& selStart, LONG& selEnd, bool asLink);
    void InsertMarkerAt(LONG pos, LONG& selStart, LONG& selEnd);

    LONG TextLimit() const { return textLimit_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    enum class Run { Plain, Link, Marker };

    void Append(const wchar_t* text, LONG length, Run run);
    void Insert(LONG pos, const wchar_t* text, LONG length, LONG& selStart, LONG& selEnd, Run run);
    void ApplyRunFormat(Run run);
    void DropFirstLine(LONG& selStart, LONG& selEnd);
    void BeginQuietUpdate(bool& wasBusy, bool& visible);
    void EndQuietUpdate(bool wasBusy, bool visible);

    LONG textLimit_ = 0;
    bool allowTyping_ = false;
    bool autoScroll_ = true;
    bool busy_ = false;      // an update runs: painting is suppressed
    bool overflow_ = false;  // the control reported that an insertion did not fit
    bool restoreDefaultFormat_ = false;
    CHARFORMATW defaultFormat_{};
};

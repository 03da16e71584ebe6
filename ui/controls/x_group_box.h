// CXGroupBox: an owner-painted group box with a coloured frame of any width
// and a caption in its own font that cuts a gap into the top edge. It paints
// off-screen in one step and never erases through the system.
#pragma once

#include <windows.h>

#include "ui/framework/controls.h"

class CXGroupBox : public CWindowImpl<CStatic> {
public:
    static constexpr int kAlignLeft = 0;
    static constexpr int kAlignCenter = 1;
    static constexpr int kAlignRight = 2;
    static constexpr int kFrameFlat = 0;
    static constexpr int kFrameEtched = 1;
    static constexpr COLORREF kDefaultFrameColor = static_cast<COLORREF>(-1);

    CXGroupBox();
    ~CXGroupBox() override;

    // Each setter stores its value and repaints the box at once.
    void SetCaptionFont(const LOGFONTW& font);
    void SetCaptionAlign(int align);
    void SetFrameStyle(int style);
    // In pixels at 96 DPI; the box scales it to the DPI it is shown at.
    void SetFrameWidth(int width);
    void SetFrameColor(COLORREF color);

    // The caption font, owned by the box.
    HFONT CaptionFont() const { return captionFont_; }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Redraw() const;
    void Paint();
    void ReplaceCaptionFont(const LOGFONTW& font);

    HFONT captionFont_ = nullptr;
    COLORREF textColor_;
    COLORREF backgroundColor_;
    COLORREF frameColor_ = kDefaultFrameColor;
    int captionMargin_ = 8;
    int captionOffset_ = 0;
    int halfCaptionHeight_ = -1;
    int iconSize_ = 0;  // this program gives no box an icon
    RECT lastFrame_{};
    int captionWidth_ = 0;
    int captionHeight_ = 0;
    bool greyWhenDisabled_ = true;
    int frameStyle_ = kFrameEtched;
    int captionAlign_ = kAlignLeft;
    int frameWidth_ = 1;
};

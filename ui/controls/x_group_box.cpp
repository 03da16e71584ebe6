#include "ui/controls/x_group_box.h"

#include <algorithm>
#include <string>

#include "ui/framework/dpi.h"

namespace {

// Shared by all boxes: painting the parent's pixels into one box can make
// the parent paint again; a nested paint is skipped.
bool gPainting = false;

}  // namespace

CXGroupBox::CXGroupBox()
    : textColor_(GetSysColor(COLOR_BTNTEXT)), backgroundColor_(GetSysColor(COLOR_BTNFACE)) {}

CXGroupBox::~CXGroupBox() {
    if (captionFont_ != nullptr) DeleteObject(captionFont_);
}

void CXGroupBox::PreSubclassWindow() {
    ModifyStyle(WS_BORDER | SS_SUNKEN, 0);
    ModifyStyleEx(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, 0);
    textColor_ = GetSysColor(COLOR_BTNTEXT);

    HFONT font = GetFont();
    if (font == nullptr) font = reinterpret_cast<HFONT>(::SendMessageW(GetParent(), WM_GETFONT, 0, 0));
    for (int stock : {DEFAULT_GUI_FONT, SYSTEM_FONT, ANSI_VAR_FONT}) {
        if (font != nullptr) break;
        font = static_cast<HFONT>(GetStockObject(stock));
    }
    LOGFONTW description{};
    if (font != nullptr) GetObjectW(font, sizeof(description), &description);
    description.lfCharSet = DEFAULT_CHARSET;
    ReplaceCaptionFont(description);
}

void CXGroupBox::ReplaceCaptionFont(const LOGFONTW& font) {
    if (captionFont_ != nullptr) DeleteObject(captionFont_);
    captionFont_ = CreateFontIndirectW(&font);
    captionWidth_ = 0;
}

void CXGroupBox::Redraw() const {
    if (m_hWnd != nullptr) RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CXGroupBox::SetCaptionFont(const LOGFONTW& font) {
    ReplaceCaptionFont(font);
    Redraw();
}

void CXGroupBox::SetCaptionAlign(int align) {
    captionAlign_ = align;
    Redraw();
}

void CXGroupBox::SetFrameStyle(int style) {
    frameStyle_ = style;
    Redraw();
}

void CXGroupBox::SetFrameWidth(int width) {
    frameWidth_ = width;
    Redraw();
}

void CXGroupBox::SetFrameColor(COLORREF color) {
    frameColor_ = color;
    Redraw();
}

LRESULT CXGroupBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT:
            if (!gPainting) {
                gPainting = true;
                Paint();
                gPainting = false;
            }
            return 0;
        default:
            return DefWindowProc(message, wParam, lParam);
    }
}

void CXGroupBox::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    const RECT window = GetWindowRect();
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const RECT all{0, 0, width, height};
    const std::wstring caption = GetWindowText();
    const bool enabled = IsWindowEnabled();
    // Frame and gap sizes are designed at 96 DPI; the caption font is already
    // made for the window's DPI.
    const UINT dpi = WindowDpi(m_hWnd);
    const int frameWidth = ScaleForDpi(frameWidth_, dpi);
    const int captionMargin = ScaleForDpi(captionMargin_, dpi);

    if (captionWidth_ == 0 && !caption.empty()) {
        HGDIOBJ oldFont = SelectObject(dc, captionFont_);
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        SelectObject(dc, oldFont);
        captionWidth_ = extent.cx;
        captionHeight_ = extent.cy;
    }
    const int captionLineHeight = std::max(captionHeight_, iconSize_) + 1;
    halfCaptionHeight_ = captionLineHeight / 2;
    RECT frame = all;
    frame.top += halfCaptionHeight_;

    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HBRUSH background = CreateSolidBrush(backgroundColor_);
    FillRect(memory, &all, background);

    // The interior below the caption shows whatever the parent drew there.
    HWND parent = GetParent();
    RECT inParent = window;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&inParent), 2);
    inParent.top += 2 * halfCaptionHeight_;
    HDC parentDc = GetDC(parent);
    BitBlt(memory, 0, 2 * halfCaptionHeight_, inParent.right - inParent.left, inParent.bottom - inParent.top,
           parentDc, inParent.left, inParent.top, SRCCOPY);
    ReleaseDC(parent, parentDc);

    HGDIOBJ oldBrush = SelectObject(memory, GetStockObject(NULL_BRUSH));
    if (!IsRectEmpty(&lastFrame_)) {
        // The parent copy may carry the frame of the previous paint along.
        RECT stale = lastFrame_;
        InflateRect(&stale, -ScaleForDpi(2, dpi), -ScaleForDpi(2, dpi));
        HPEN erase = CreatePen(PS_SOLID, ScaleForDpi(5, dpi), backgroundColor_);
        HGDIOBJ oldPen = SelectObject(memory, erase);
        Rectangle(memory, stale.left, stale.top, stale.right, stale.bottom);
        SelectObject(memory, oldPen);
        DeleteObject(erase);
    }
    lastFrame_ = frame;

    COLORREF color = frameColor_ == kDefaultFrameColor ? GetSysColor(COLOR_BTNSHADOW) : frameColor_;
    if (!enabled) color = GetSysColor(COLOR_BTNSHADOW);
    HPEN framePen = CreatePen(PS_SOLID, frameWidth, color);
    if (frameStyle_ == kFrameEtched) {
        frame.right -= frameWidth;
        frame.bottom -= frameWidth;
        HPEN highlight = CreatePen(PS_SOLID, frameWidth + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        HGDIOBJ oldPen = SelectObject(memory, highlight);
        Rectangle(memory, frame.left + frameWidth, frame.top + frameWidth, frame.right + frameWidth,
                  frame.bottom + frameWidth);
        SelectObject(memory, oldPen);
        DeleteObject(highlight);
    }
    HGDIOBJ oldPen = SelectObject(memory, framePen);
    Rectangle(memory, frame.left, frame.top, frame.right, frame.bottom);
    SelectObject(memory, oldPen);
    DeleteObject(framePen);
    SelectObject(memory, oldBrush);

    const int textInset = ScaleForDpi(3, dpi);
    const int gapWidth = captionWidth_ + iconSize_ + 2 * textInset;
    RECT gap{0, captionOffset_, 0, captionLineHeight + captionOffset_};
    if (captionAlign_ == kAlignCenter) {
        gap.left = (width - gapWidth) / 2;
    } else if (captionAlign_ == kAlignRight) {
        gap.left = width - captionMargin - gapWidth;
    } else {
        gap.left = captionMargin;
    }
    gap.right = gap.left + gapWidth;
    FillRect(memory, &gap, background);
    DeleteObject(background);

    if (!caption.empty()) {
        SetTextColor(memory, !enabled && greyWhenDisabled_ ? GetSysColor(COLOR_GRAYTEXT) : textColor_);
        SetBkColor(memory, GetSysColor(COLOR_BTNFACE));
        SetBkMode(memory, OPAQUE);
        HGDIOBJ oldFont = SelectObject(memory, captionFont_);
        RECT text{gap.left + textInset, 0, gap.left + textInset + captionWidth_, captionLineHeight};
        DrawTextW(memory, caption.c_str(), static_cast<int>(caption.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
        SelectObject(memory, oldFont);
    }

    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(m_hWnd, &paint);
}

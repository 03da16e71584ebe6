#include "ui/controls/gdiplus_img_ctrl.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

namespace {

// A stream over a copy of the resource bytes; the stream frees the copy.
IStream* StreamOfPngResource(UINT resourceId) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"PNG");
    if (info == nullptr) return nullptr;
    const DWORD size = SizeofResource(module, info);
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (copy == nullptr) return nullptr;
    void* target = GlobalLock(copy);
    if (target == nullptr) {
        GlobalFree(copy);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(copy, TRUE, &stream) != S_OK) {
        GlobalFree(copy);
        return nullptr;
    }
    return stream;
}

}  // namespace

GdiplusImgCtrl::~GdiplusImgCtrl() { DeleteImage(); }

void GdiplusImgCtrl::DeleteImage() {
    delete image_;
    image_ = nullptr;
}

int GdiplusImgCtrl::LoadPng(UINT resourceId) {
    IStream* stream = StreamOfPngResource(resourceId);
    if (m_hWnd == nullptr || stream == nullptr) {
        if (stream != nullptr) stream->Release();
        return kNotFound;
    }
    auto* bitmap = new Gdiplus::Bitmap(stream);
    DeleteImage();
    image_ = bitmap;
    stream->Release();  // the bitmap keeps its own reference
    if (image_->GetLastStatus() != Gdiplus::Ok) return kDecodeFailed;
    HDC dc = GetDC(m_hWnd);
    if (dc == nullptr) return kNoDeviceContext;
    ReleaseDC(m_hWnd, dc);
    Invalidate(true);
    return kLoaded;
}

LRESULT GdiplusImgCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_DESTROY: {
            const LRESULT result = DefWindowProc(message, wParam, lParam);
            DeleteImage();
            return result;
        }
        default:
            return DefWindowProc(message, wParam, lParam);
    }
}

void GdiplusImgCtrl::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    if (image_ != nullptr) {
        const RECT client = GetClientRect();
        Gdiplus::Graphics graphics(dc);
        Gdiplus::ImageAttributes attributes;
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        // Pixels of exactly the context's background colour stay undrawn.
        const COLORREF key = GetBkColor(dc);
        const Gdiplus::Color keyColor(GetRValue(key), GetGValue(key), GetBValue(key));
        attributes.SetColorKey(keyColor, keyColor, Gdiplus::ColorAdjustTypeBitmap);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeDefault);
        const Gdiplus::Rect destination(0, 0, client.right - client.left, client.bottom - client.top);
        graphics.DrawImage(image_, destination, 0, 0, static_cast<INT>(image_->GetWidth()),
                           static_cast<INT>(image_->GetHeight()), Gdiplus::UnitPixel, &attributes);
    }
    EndPaint(m_hWnd, &paint);
}

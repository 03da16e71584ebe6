// GdiplusImgCtrl: a static control that shows a PNG picture of the program's
// resources (type "PNG"), stretched to the control, through GDI+. GDI+ must
// be running while an image is loaded or drawn.
#pragma once

#include <windows.h>

#include "ui/framework/controls.h"

namespace Gdiplus {
class Image;
}

class GdiplusImgCtrl : public CWindowImpl<CStatic> {
public:
    static constexpr int kLoaded = 0;
    static constexpr int kNotFound = -1;      // no window, or no resource to stream
    static constexpr int kDecodeFailed = -2;
    static constexpr int kNoDeviceContext = -3;

    GdiplusImgCtrl() = default;
    ~GdiplusImgCtrl() override;

    int LoadPng(UINT resourceId);
    bool HasImage() const { return image_ != nullptr; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    void DeleteImage();

    Gdiplus::Image* image_ = nullptr;  // owned
};

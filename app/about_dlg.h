// CAboutDlg: the about box. Product line and copyright come from the
// program's version record; the logo is the maker's word mark.
#pragma once

#include <windows.h>

#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"

class CAboutDlg : public CDialogEx {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;

private:
    HFONT boldFont_ = nullptr;  // owned
    CStatic productLine_;
    CStatic copyrightLine_;
    GdiplusImgCtrl logo_;
};

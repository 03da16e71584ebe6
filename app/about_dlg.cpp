#include "app/about_dlg.h"

#include <cstdio>
#include <iterator>
#include <string>

#include "app/version_record.h"
#include "resource.h"

CAboutDlg::CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}

CAboutDlg::~CAboutDlg() {
    if (boldFont_ != nullptr) DeleteObject(boldFont_);
}

void CAboutDlg::DoDataExchange() {
    DDX_Control(IDC_STATIC_PRODUCT, productLine_);
    DDX_Control(IDC_STATIC_COPYRIGHT, copyrightLine_);
    DDX_Control(IDC_PICTURE_LOGO, logo_);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    LOGFONTW font{};
    GetObjectW(GetFont(), sizeof(font), &font);
    font.lfWeight = FW_BOLD;
    if (boldFont_ != nullptr) DeleteObject(boldFont_);
    boldFont_ = CreateFontIndirectW(&font);
    productLine_.SetFont(boldFont_, true);

    // Texts the record lacks keep the template's.
    std::wstring productName;
    if (ReadVersionString(L"ProductName", productName)) {
        ProductVersion version;
        if (ReadProductVersion(version)) {
            wchar_t line[256];
            swprintf(line, std::size(line), L"%ls Ver %d.%d.%d", productName.c_str(), version.major, version.minor,
                     version.build);
            productLine_.SetWindowText(line);
        } else {
            productLine_.SetWindowText(productName.c_str());
        }
    }
    std::wstring copyright;
    if (ReadVersionString(L"LegalCopyright", copyright)) copyrightLine_.SetWindowText(copyright.c_str());

    logo_.LoadPng(IDB_PNG_WORDMARK);
    return TRUE;
}

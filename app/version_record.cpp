#include "app/version_record.h"

#include <windows.h>

#include <cstdio>
#include <iterator>
#include <vector>

#include "ui/framework/win_app.h"

namespace {

// The whole version record of the program file, or an empty buffer.
std::vector<BYTE> LoadVersionRecord() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return {};
    // Named with its folder: the program restricts the search for a bare
    // name to the system folder, where the program file is not.
    const std::wstring fileName = app->AppFolder() + app->AppName() + L".exe";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> record(size);
    if (!GetFileVersionInfoW(fileName.c_str(), 0, size, record.data())) return {};
    return record;
}

const VS_FIXEDFILEINFO* FixedInfo(std::vector<BYTE>& record) {
    void* info = nullptr;
    UINT length = 0;
    if (record.empty() || !VerQueryValueW(record.data(), L"\\", &info, &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return nullptr;
    }
    return static_cast<const VS_FIXEDFILEINFO*>(info);
}

bool QueryString(std::vector<BYTE>& record, WORD language, WORD codePage, const wchar_t* key, std::wstring& text) {
    wchar_t path[128];
    if (swprintf(path, std::size(path), L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, key) < 0) {
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(record.data(), path, &value, &length) || value == nullptr) return false;
    text.assign(static_cast<const wchar_t*>(value));
    return true;
}

}  // namespace

bool ReadVersionString(const wchar_t* key, std::wstring& text) {
    text.clear();
    std::vector<BYTE> record = LoadVersionRecord();
    if (FixedInfo(record) == nullptr) return false;
    const LANGID language = GetSystemDefaultUILanguage();

    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* data = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &data, &bytes)) bytes = 0;
    const auto* translations = static_cast<const Translation*>(data);
    const size_t count = bytes / sizeof(Translation);
    for (size_t index = 0; index < count; ++index) {
        if (translations[index].language == language &&
            QueryString(record, translations[index].language, translations[index].codePage, key, text)) {
            return true;
        }
    }
    return count > 0 && QueryString(record, translations[0].language, translations[0].codePage, key, text);
}

bool ReadProductVersion(ProductVersion& version) {
    std::vector<BYTE> record = LoadVersionRecord();
    const VS_FIXEDFILEINFO* info = FixedInfo(record);
    if (info == nullptr) return false;
    version.major = HIWORD(info->dwProductVersionMS);
    version.minor = LOWORD(info->dwProductVersionMS);
    version.build = HIWORD(info->dwProductVersionLS);
    return true;
}

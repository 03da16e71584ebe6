// Windows: FILE_APPEND_DATA, one WriteFile per record, the end of the file
// set back on failure.
#include "cli/append_file.h"

#include <windows.h>

#include "text/text_convert.h"

namespace {

std::wstring WidePath(const std::string& utf8)
{
    WideString wide;
    Utf8ToWide(utf8, wide);
    return ToWstring(wide);
}

std::error_code LastError()
{
    return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

}  // namespace

AppendFile::~AppendFile()
{
    if (handle)
        CloseHandle(handle);
}

std::error_code AppendFile::Open(const std::string& path)
{
    const HANDLE opened = CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return LastError();
    handle = opened;
    return {};
}

std::error_code AppendFile::Append(const std::string& record)
{
    LARGE_INTEGER before{};
    const bool sized = GetFileSizeEx(handle, &before) != 0;
    DWORD written = 0;
    if (WriteFile(handle, record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
        written == record.size())
        return {};
    const std::error_code error = written < record.size() && GetLastError() == ERROR_SUCCESS
                                      ? std::make_error_code(std::errc::no_space_on_device)
                                      : LastError();
    // A record cut short would leave the next one glued to its half.
    if (written > 0 && sized) {
        FILE_END_OF_FILE_INFO end{};
        end.EndOfFile = before;
        SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end);
    }
    return error;
}

bool SameFile(const std::string& first, const std::string& second)
{
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        const HANDLE file = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool known = GetFileInformationByHandle(file, &info) != 0;
        CloseHandle(file);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return identity(first, a) && identity(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// Windows: one WriteFile per record at the end of the file, the end set
// back on failure. (A handle opened for appending only could not set the
// end back, so the record is written at the end found just before.)
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
    const HANDLE opened = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return LastError();
    handle = opened;
    return {};
}

std::error_code AppendFile::Append(const std::string& record)
{
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(handle, LARGE_INTEGER{}, &end, FILE_END))
        return LastError();
    DWORD written = 0;
    const bool wrote = WriteFile(handle, record.data(), static_cast<DWORD>(record.size()), &written, nullptr) != 0;
    if (wrote && written == record.size())
        return {};
    // A write that ends short without an error ran out of room.
    const std::error_code error = wrote ? std::make_error_code(std::errc::no_space_on_device) : LastError();
    // A record cut short would leave the next one glued to its half.
    if (written > 0 && SetFilePointerEx(handle, end, nullptr, FILE_BEGIN))
        SetEndOfFile(handle);
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

// AppendFile: a file opened for appending whole records, for the operation
// log. Each record goes to the system in one write; one that fails (a full
// disk) is cut back off the file, so that the file never ends in half a
// record, and the failure is reported to the caller.
//
// Threads: none of its own; the caller serialises Append.
#pragma once

#include <string>
#include <system_error>

class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens (creating) path, a UTF-8 name, for appending.
    std::error_code Open(const std::string& path);
    // Appends record whole; the system's error when it could not.
    std::error_code Append(const std::string& record);

private:
#ifdef _WIN32
    void* handle = nullptr;  // HANDLE; null while closed
#else
    int fd = -1;
#endif
};

// Whether two UTF-8 paths name the same existing file (the same device and
// file number, whatever their spelling); false when either does not exist.
bool SameFile(const std::string& first, const std::string& second);

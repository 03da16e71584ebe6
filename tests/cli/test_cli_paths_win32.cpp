// kx4xx under Wine with files in a Hangul folder under Hangul names: every
// file it writes exists under its own name (looked up with the wide API) and
// reads back, and every file it reads is found.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// The file's bytes through its UTF-16 name; empty when there is no such file.
std::string ReadWide(const std::string& utf8Path)
{
    HANDLE file = CreateFileW(Wide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got != 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void WriteWide(const std::string& utf8Path, const std::string& bytes)
{
    HANDLE file = CreateFileW(Wide(utf8Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

class CliHangulPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = ::testing::TempDir() + "kx4xx-\xED\x99\x8D\xEA\xB8\xB8\xEB\x8F\x99";  // 홍길동
        CreateDirectoryW(Wide(folder).c_str(), nullptr);
        for (const char* name : {kSnapshot, kLog, kTrace, kSlots})
            DeleteFileW(Wide(Path(name)).c_str());
        sim.Set("name Lobby-1");
        sim.Set("interval 250");
    }
    std::string Path(const char* name) const { return folder + "\\" + name; }

    static constexpr const char* kSnapshot = "\xEC\x84\xA4\xEC\xA0\x95.json";  // 설정.json
    static constexpr const char* kLog = "\xEA\xB8\xB0\xEB\xA1\x9D.log";        // 기록.log
    static constexpr const char* kTrace = "\xEC\xB6\x94\xEC\xA0\x81.txt";      // 추적.txt
    static constexpr const char* kSlots = "\xEC\x8A\xAC\xEB\xA1\xAF.json";     // 슬롯.json

    SimLink sim;
    std::string folder;
};

TEST_F(CliHangulPaths, FilesAreWrittenAndReadUnderTheirOwnNames)
{
    const CliRun saved = RunKx4xx({"--port", sim.PortName(), "--log", Path(kLog), "--trace-file", Path(kTrace),
                                   "snapshot", "save", Path(kSnapshot)});
    ASSERT_EQ(saved.code, kExitOk) << saved.err;
    EXPECT_NE(ReadWide(Path(kSnapshot)).find("\"name\": \"Lobby-1\""), std::string::npos);

    const CliRun applied = RunKx4xx({"--port", sim.PortName(), "--log", Path(kLog), "--trace-file", Path(kTrace),
                                     "snapshot", "apply", Path(kSnapshot)});
    EXPECT_EQ(applied.code, kExitOk) << applied.out << applied.err;

    WriteWide(Path(kSlots), R"({"slots": [{"address": "0A1B2C3D4E5F", "tag": "door"}, {"address": ""},
        {"address": ""}, {"address": ""}, {"address": ""}, {"address": ""}, {"address": ""}]})");
    const CliRun slots = RunKx4xx({"--port", sim.PortName(), "--trace-file", Path(kTrace), "slots", "write",
                                   Path(kSlots)});
    EXPECT_EQ(slots.code, kExitOk) << slots.out << slots.err;

    const std::string log = ReadWide(Path(kLog));
    EXPECT_NE(log.find("\"operation\":\"snapshot save\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"operation\":\"snapshot apply\""), std::string::npos) << log;
    const std::string trace = ReadWide(Path(kTrace));
    EXPECT_NE(trace.find("> AT+GETSLOT=7\\r"), std::string::npos) << "save and apply read the slots";
    EXPECT_NE(trace.find("> AT+SETSLOT=1,0A1B2C3D4E5F,door\\r"), std::string::npos) << "slots write";
}

}  // namespace

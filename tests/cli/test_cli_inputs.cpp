// What kx4xx takes in before anything is sent: numbers that are whole
// numbers or refused, device texts that are printable UTF-8 or refused,
// snapshot and slots files that are files of a sane size with known keys,
// and a log that can be written, is not an input, and records what the
// adapters really received. Texts that come from an adapter are shown,
// logged and saved escaped.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/device_text.h"
#include "cli/exit_codes.h"
#include "tests/cli/cli_files.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

const std::string kEmptySlots = R"([{"address": ""}, {"address": ""}, {"address": ""}, {"address": ""},
                                    {"address": ""}, {"address": ""}, {"address": ""}])";

// A snapshot with name and interval given as JSON texts, the rest valid.
std::string Snapshot(const std::string& nameJson, const std::string& intervalJson = "100")
{
    return R"({"name": )" + nameJson + R"(, "advInterval": )" + intervalJson +
           R"(, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1}, "slots": )" + kEmptySlots + "}";
}

std::string WriteSnapshot(const std::string& name, const std::string& text)
{
    const std::string path = TempPath(name);
    WriteFile(path, text);
    return path;
}

class CliInputsTest : public ::testing::Test {
protected:
    CliRun Run(std::vector<std::string> args)
    {
        sim.Set("clear-record");
        args.insert(args.begin(), {"--port", sim.PortName()});
        return RunKx4xx(args);
    }

    // Runs args; exit 2, every text of expected in the error, nothing sent.
    void ExpectRefused(const std::vector<std::string>& args, const std::vector<std::string>& expected)
    {
        const CliRun run = Run(args);
        std::string label;
        for (const std::string& arg : args)
            label += EscapeDeviceText(arg) + ' ';
        EXPECT_EQ(run.code, kExitBadArguments) << label << run.err;
        for (const std::string& text : expected)
            EXPECT_NE(run.err.find(text), std::string::npos) << label << "\n  wants: " << text << "\n  got: " << run.err;
        EXPECT_TRUE(sim.Record().empty()) << label;
    }

    SimLink sim;
};

TEST_F(CliInputsTest, JunkNumbersAreRefusedWholeWithTheirValueAndLimits)
{
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> expected;
    } cases[] = {
        {{"set-interval", "25O"}, {"'25O'", "20 to 2560"}},
        {{"set-interval", "100.9"}, {"'100.9'", "20 to 2560"}},
        {{"set-interval", " 100"}, {"' 100'"}},
        {{"set-interval", "+100"}, {"'+100'"}},
        {{"set-interval", "1e3"}, {"'1e3'"}},
        {{"set-interval", "0x64"}, {"'0x64'"}},
        {{"set-interval", "99999999999"}, {"'99999999999'"}},
        {{"slots", "set", "1x", "001122334455"}, {"N:", "'1x'", "1 to 7"}},
        {{"slots", "clear", "2.0"}, {"N:", "'2.0'", "1 to 7"}},
        {{"slots", "clear", "8"}, {"N:", "'8'", "1 to 7"}},
        {{"scan", "--seconds", "5s"}, {"--seconds", "'5s'", "1 to 86400 seconds"}},
        {{"scan", "--seconds", "0x10"}, {"--seconds", "'0x10'"}},
        {{"scan", "--rssi=-45dB"}, {"'-45dB'", "-127 to 127"}},
        {{"scan", "--rssi=-4 5"}, {"'-4 5'", "-127 to 127"}},
        {{"snapshot", "apply", "x.json", "--jobs", "2x"}, {"--jobs", "'2x'", "0 or more"}},
        {{"snapshot", "apply", "x.json", "--jobs", "1.5"}, {"--jobs", "'1.5'"}},
    };
    for (const auto& c : cases)
        ExpectRefused(c.args, c.expected);
}

TEST_F(CliInputsTest, UnsafeNamesFromTheCommandLineSendNothing)
{
    const struct {
        std::vector<std::string> args;
        std::string shown;  // the offending character as the message shows it
    } cases[] = {
        {{"set-name", "A\x1b[2J"}, "\\x1b is a control character"},
        {{"set-name", "A\aB"}, "\\x07 is a control character"},
        {{"set-name", "A\tB"}, "\\x09 is a control character"},
        {{"set-name", "A\x7f"}, "\\x7f is a control character"},
        {{"set-name", "A\xc2\x9b" "2J"}, "\\xc2\\x9b is a control character"},  // C1 CSI
        {{"set-name", "A\xff"}, "\\xff is not UTF-8"},
        {{"set-name", "\xc0\xaf"}, "\\xc0 is not UTF-8"},          // overlong "/"
        {{"set-name", "\xed\xa0\x80"}, "\\xed is not UTF-8"},      // a surrogate
        {{"set-name", "\xe2\x82"}, "\\xe2 is not UTF-8"},          // cut short
        {{"slots", "set", "2", "001122334455", "t\x1b"}, "Slot 2: the tag"},
        {{"scan", "--name", "x\x1b"}, "\\x1b is a control character"},
    };
    for (const auto& c : cases)
        ExpectRefused(c.args, {c.shown});
}

TEST_F(CliInputsTest, UnsafeNamesInSnapshotsAndSlotFilesSendNothingToAnyAdapter)
{
    SimLink second;
    const struct {
        std::string text;
        std::vector<std::string> expected;
    } cases[] = {
        {Snapshot(R"("AB\u0000CD")"), {"name:", "\\x00 is a control character"}},
        {Snapshot(R"("A\u001b[2J")"), {"name:", "\\x1b is a control character"}},
        {Snapshot(R"("A\u0007")"), {"name:", "\\x07"}},
        {Snapshot(R"("A\tB")"), {"name:", "\\x09"}},
        {Snapshot(R"("A\u009b")"), {"name:", "\\xc2\\x9b"}},
        {Snapshot(R"("A\\xff")"), {"name:", "\\xff is not UTF-8"}},  // the escaped form of a saved byte
        {Snapshot(R"("A\\q")"), {"name:", "backslash"}},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
            "slots": [{"address": "001122334455", "tag": "t\u001b"}, {"address": ""}, {"address": ""},
                      {"address": ""}, {"address": ""}, {"address": ""}, {"address": ""}]})",
         {"Slot 1: the tag", "\\x1b"}},
    };
    const std::string path = TempPath("kx4xx-unsafe.json");
    for (const auto& c : cases) {
        WriteFile(path, c.text);
        second.Set("clear-record");
        ExpectRefused({"snapshot", "apply", path, "--port", second.PortName()}, c.expected);
        EXPECT_TRUE(second.Record().empty()) << c.text;
        if (c.expected.front().rfind("Slot", 0) == 0)
            ExpectRefused({"slots", "write", path}, c.expected);
    }
}

TEST_F(CliInputsTest, MalformedSnapshotsNameTheFileTheKeyAndTheValue)
{
    const std::string path = TempPath("kx4xx-malformed.json");
    const struct {
        std::string text;
        std::vector<std::string> expected;
    } cases[] = {
        {Snapshot(R"("A")", "100.9"), {path + ": advInterval: ", "'100.9'", "20 to 2560"}},
        {Snapshot(R"("A")", R"("100")"), {path + ": advInterval: ", "'\"100\"'"}},
        {Snapshot(R"("A")", "10"), {path + ": advInterval: ", "'10'", "20 to 2560"}},
        {Snapshot(R"("NINEBYTES")"), {path + ": name: ", "'NINEBYTES' is 9 bytes", "at most 8"}},
        {R"({"name": "A", "name": "B", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
            "slots": )" + kEmptySlots + "}",
         {path + ": the key \"name\" is given twice"}},
        {R"({"name": "A", "advInterval": 100, "advintervall": 5,
            "uart": {"flowControl": 0, "parity": "N", "stopBits": 1}, "slots": )" + kEmptySlots + "}",
         {path + ": unknown key \"advintervall\""}},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1, "baud": 9600},
            "slots": )" + kEmptySlots + "}",
         {path + ": uart: unknown key \"baud\""}},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
            "slots": [{"address": ""}, {"address": "", "tag": "door"}, {"address": ""}, {"address": ""},
                      {"address": ""}, {"address": ""}, {"address": ""}]})",
         {path + ": slots: slot 2: the tag 'door' has no address"}},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
            "slots": [{"address": "", "tga": "x"}, {"address": ""}, {"address": ""}, {"address": ""},
                      {"address": ""}, {"address": ""}, {"address": ""}]})",
         {path + ": slots: slot 1: unknown key \"tga\""}},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
            "slots": [{"address": "0011223344"}, {"address": ""}, {"address": ""}, {"address": ""},
                      {"address": ""}, {"address": ""}, {"address": ""}]})",
         {path + ": ", "Slot 1: Invalid Bluetooth address.", "'0011223344'"}},
        {Snapshot(R"("A")").replace(Snapshot(R"("A")").find("\"N\""), 3, "\"n\""), {path + ": uart: ", "'n'", "N, E or O"}},
    };
    for (const auto& c : cases) {
        WriteFile(path, c.text);
        ExpectRefused({"snapshot", "apply", path}, c.expected);
    }
}

TEST_F(CliInputsTest, DirectoriesAndOversizedFilesAreRefusedBeforeReading)
{
    const std::string directory = TempPath("kx4xx-input-dir");
    std::filesystem::create_directories(directory);
    const std::string big = TempPath("kx4xx-big.json");
    WriteFile(big, Snapshot(R"("A")") + std::string(1024 * 1024, ' '));
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> expected;
    } cases[] = {
        {{"snapshot", "apply", directory}, {"Cannot read " + directory, "directory"}},
        {{"slots", "write", directory}, {"Cannot read " + directory, "directory"}},
        {{"provision", directory, "--watch"}, {"Cannot read " + directory, "directory"}},
        {{"snapshot", "apply", "/dev/null"}, {"Cannot read /dev/null", "not a regular file"}},
        {{"snapshot", "apply", big}, {big + " is 10", "at most 1048576"}},
        {{"slots", "write", big}, {big + " is 10", "at most 1048576"}},
    };
    for (const auto& c : cases)
        ExpectRefused(c.args, c.expected);

    // Just under the limit is read (the blanks after the document are JSON white space).
    WriteFile(big, Snapshot(R"("A")") + std::string(1024 * 1024 - 600, ' '));
    EXPECT_EQ(Run({"snapshot", "apply", big}).code, kExitOk);
}

TEST_F(CliInputsTest, ALogThatIsAnInputIsRefusedWhateverItsSpelling)
{
    const std::string snapshot = WriteSnapshot("kx4xx-log-input.json", Snapshot(R"("A")"));
    const std::string original = ReadFile(snapshot);
    const std::string alias = TempPath("kx4xx-log-input-link.json");
    std::filesystem::remove(alias);
    std::filesystem::create_symlink(snapshot, alias);
    const std::string dotted = ::testing::TempDir() + "./" + "kx4xx-log-input.json";
    const struct {
        std::vector<std::string> args;
    } cases[] = {
        {{"--log", snapshot, "snapshot", "apply", snapshot}},
        {{"--log", alias, "snapshot", "apply", snapshot}},
        {{"snapshot", "apply", dotted, "--log", snapshot}},
        {{"--log", snapshot, "slots", "write", alias}},
        {{"--log", snapshot, "provision", snapshot, "--watch"}},
        {{"--log", snapshot, "snapshot", "save", alias}},
    };
    for (const auto& c : cases) {
        ExpectRefused(c.args, {"is the same file as"});
        EXPECT_EQ(ReadFile(snapshot), original);
    }
}

TEST_F(CliInputsTest, AFullLogDeviceFailsTheRunAndStopsTheBatch)
{
    // Opened fine, every write fails.
    CliRun run = Run({"--log", "/dev/full", "set-name", "Full"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_NE(run.err.find("Cannot write the log file /dev/full"), std::string::npos) << run.err;

    // One adapter at a time: the first is applied and its line fails; the
    // second is not started.
    SimLink second;
    const std::string snapshot = WriteSnapshot("kx4xx-full-log.json", Snapshot(R"("Full")"));
    run = Run({"--json", "--log", "/dev/full", "snapshot", "apply", snapshot, "--jobs", "1", "--port",
               second.PortName()});
    EXPECT_EQ(run.code, kExitFailure) << run.out;
    EXPECT_NE(run.out.find("not started: the log file cannot be written"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Cannot write the log file /dev/full"), std::string::npos) << run.err;
    EXPECT_TRUE(nlohmann::json::accept(run.out)) << "standard output stays one JSON document";
    EXPECT_TRUE(second.Record().empty());

    // A log that cannot even be opened: nothing sent.
    ExpectRefused({"--log", ::testing::TempDir(), "identify"}, {"Cannot write the log file"});
}

TEST_F(CliInputsTest, ALogLineCutShortIsTakenBackWhole)
{
    const std::string log = TempPath("kx4xx-cut.log");
    std::remove(log.c_str());
    ASSERT_EQ(Run({"--log", log, "identify"}).code, kExitOk);
    const std::string firstLine = ReadFile(log);
    ASSERT_FALSE(firstLine.empty());

    // The file may grow by half a line only: the second line is cut short
    // by the system, as on a disk that fills up.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = firstLine.size() + firstLine.size() / 2;
    void (*savedHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const CliRun run = Run({"--log", log, "identify"});
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedHandler);

    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_NE(run.err.find("the log is incomplete"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(log), firstLine) << "no half line left behind";
    EXPECT_EQ(ReadLogLines(log).size(), 1u);
}

TEST_F(CliInputsTest, TheLogRecordsWhatWasWrittenNotWhatWasMeant)
{
    const std::string snapshot = WriteSnapshot(
        "kx4xx-written.json",
        R"({"name": "Part", "advInterval": 200, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
            "slots": [{"address": ""}, {"address": ""}, {"address": "001122334455", "tag": "x"}, {"address": ""},
                      {"address": ""}, {"address": ""}, {"address": ""}]})");
    const std::string log = TempPath("kx4xx-written.log");
    const struct {
        std::string fault;
        nlohmann::json written;
    } cases[] = {
        {"fault silence on", nlohmann::json::object()},
        {"fault error AT+MANUF", nlohmann::json::object()},
        {"fault error AT+ADVINTERVAL=", {{"name", "Part"}}},
        {"fault error AT+SETSLOT=3",
         {{"name", "Part"},
          {"advInterval", 200},
          {"uart", {{"flowControl", 0}, {"parity", "N"}, {"stopBits", 1}}},
          {"slots", {{{"slot", 1}, {"address", ""}, {"tag", ""}}, {{"slot", 2}, {"address", ""}, {"tag", ""}}}}}},
    };
    for (const auto& c : cases) {
        std::remove(log.c_str());
        sim.Set(c.fault);
        const CliRun run = Run({"--log", log, "snapshot", "apply", snapshot});
        sim.Set("fault silence off");
        sim.Set("fault off");
        EXPECT_NE(run.code, kExitOk) << c.fault;
        const std::vector<nlohmann::json> lines = ReadLogLines(log);
        ASSERT_EQ(lines.size(), 1u) << c.fault;
        EXPECT_EQ(lines[0]["written"], c.written) << c.fault;
    }
    // A failed single setting wrote nothing either.
    sim.Set("fault error AT+MANUF");
    std::remove(log.c_str());
    EXPECT_EQ(Run({"--log", log, "set-name", "X"}).code, kExitRefused);
    EXPECT_TRUE(ReadLogLines(log).at(0)["written"].is_null());
}

TEST_F(CliInputsTest, AdapterTextsAreShownEscapedAndSavedToTheSameBytes)
{
    sim.Set("name A\\x1b]0;pwn\\x07");  // a terminal title sequence
    sim.Set("model ZANTOR-KX400");
    const std::string log = TempPath("kx4xx-escaped.log");
    std::remove(log.c_str());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info"}, {"--json", "info"}, {"--log", log, "info"}}) {
        const CliRun run = Run(args);
        ASSERT_EQ(run.code, kExitOk) << run.err;
        EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << args.front();
        EXPECT_EQ(run.out.find('\a'), std::string::npos) << args.front();
    }
    EXPECT_NE(Run({"info"}).out.find("Device name:          A\\x1b]0;pwn\\x07\n"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(Run({"--json", "info"}).out)["name"], "A\\x1b]0;pwn\\x07");
    EXPECT_EQ(ReadFile(log).find('\x1b'), std::string::npos);

    // A name that is not UTF-8 is saved as its bytes, read back to the same
    // bytes, and then refused as a name rather than written.
    sim.Set("name \\xff\\xfeK\\\\");
    const std::string path = TempPath("kx4xx-escaped.json");
    ASSERT_EQ(Run({"snapshot", "save", path}).code, kExitOk);
    const nlohmann::json saved = nlohmann::json::parse(ReadFile(path));
    EXPECT_EQ(saved["name"], "\\xff\\xfeK\\\\");
    EXPECT_EQ(UnescapeDeviceText(saved["name"]), std::optional<std::string>("\xff\xfeK\\"));
    ExpectRefused({"snapshot", "apply", path}, {"name: ", "\\xff is not UTF-8"});
}

TEST(DeviceTextTest, EscapedFormRoundTripsEveryByte)
{
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte)
        everyByte += static_cast<char>(byte);
    const std::string texts[] = {"", "Lobby-1", "\xed\x95\x9c\xea\xb8\x80", "a\\b", "\\x41", everyByte,
                                 "\xf0\x9f\x98\x80\xf4\x90\x80\x80"};
    for (const std::string& text : texts) {
        const std::string escaped = EscapeDeviceText(text);
        EXPECT_FALSE(UnprintableReason(escaped)) << escaped;
        EXPECT_EQ(UnescapeDeviceText(escaped), std::optional<std::string>(text)) << escaped;
    }
    EXPECT_EQ(EscapeDeviceText("Lobby-\xed\x95\x9c"), "Lobby-\xed\x95\x9c");  // printable UTF-8 stays as it is
    EXPECT_EQ(EscapeDeviceText("a\\b\x1b\xc2\x85"), "a\\\\b\\x1b\\xc2\\x85");
    for (const char* bad : {"\\", "a\\", "\\x4", "\\xg0", "\\u0041", "\\n"})
        EXPECT_FALSE(UnescapeDeviceText(bad)) << bad;
}

TEST(CliCommandWordsTest, AnUnknownCommandIsNamed)
{
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"frobnicate"}, "Unknown command 'frobnicate'"},
        {{"--port", "COM3", "--json", "idnetify"}, "Unknown command 'idnetify'"},
        {{"snapshot", "aply", "x.json"}, "Unknown command 'snapshot aply'"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunKx4xx(c.args);
        EXPECT_EQ(run.code, kExitBadArguments);
        EXPECT_NE((run.out + run.err).find(c.expected), std::string::npos) << run.out << run.err;
    }
    EXPECT_EQ(RunKx4xx({}).err.find("Unknown command"), std::string::npos);  // no command at all
}

}  // namespace

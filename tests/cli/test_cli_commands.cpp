// Each kx4xx command against the simulated adapter: the exact exchanges in
// the adapter's record, validation failures that send nothing, and the exit
// codes of refusals, silence, unsupported models and unopenable ports.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

using Texts = std::vector<std::string>;

const Texts kIdentify = {"AT\r", "AT+MODEL?\r"};
const Texts kRead = {"AT+VER?\r",     "AT+INFO?\r",     "AT+ADVINTERVAL?\r", "AT+UARTOPT?\r",
                     "AT+GETSLOT=1\r", "AT+GETSLOT=2\r", "AT+GETSLOT=3\r",    "AT+GETSLOT=4\r",
                     "AT+GETSLOT=5\r", "AT+GETSLOT=6\r", "AT+GETSLOT=7\r"};

Texts Join(std::initializer_list<Texts> parts)
{
    Texts all;
    for (const Texts& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class CliCommandsTest : public ::testing::Test {
protected:
    CliRun Run(std::vector<std::string> args)
    {
        sim.Set("clear-record");
        args.insert(args.begin(), {"--port", sim.PortName()});
        return RunKx4xx(args);
    }

    SimLink sim;
};

TEST_F(CliCommandsTest, EachCommandSendsTheWindowsExchanges)
{
    sim.Set("slot 3 0A1B2C3D4E5F door");
    const struct {
        std::vector<std::string> args;
        Texts sent;
        std::string output;
    } cases[] = {
        {{"identify"}, kIdentify, "Model: ZANTOR-KX400"},
        {{"info"}, Join({kIdentify, kRead}), "Bluetooth address:"},
        {{"set-name", "ABC"}, Join({kIdentify, {"AT+MODEL?\r", "AT+MANUF=ABC\r"}}), "Completed device name settings."},
        {{"set-name", ""}, Join({kIdentify, {"AT+MODEL?\r", "AT+MANUF=\r"}}), "Completed device name settings."},
        {{"set-interval", "2560"}, Join({kIdentify, {"AT+MODEL?\r", "AT+ADVINTERVAL=2560\r"}}),
         "Setting advertising interval has been completed"},
        {{"set-uart", "--flow", "1", "--parity", "E", "--stop", "2"},
         Join({kIdentify, {"AT+MODEL?\r", "AT+UARTOPT=1,E,2\r"}}), "Completed UART option settings."},
        {{"restart"}, Join({kIdentify, {"ATZ\r"}}), "restarted"},
        {{"slots", "list"}, Join({kIdentify, kRead}), "slot 3: 0A1B2C3D4E5F  door"},
        {{"slots", "set", "5", "00112233aabb", "tag5"},
         Join({kIdentify, kRead,
               {"AT+MODEL?\r", "AT+DELSLOT=1\r", "AT+DELSLOT=2\r", "AT+SETSLOT=3,0A1B2C3D4E5F,door\r", "AT+DELSLOT=4\r",
                "AT+SETSLOT=5,00112233AABB,tag5\r", "AT+DELSLOT=6\r", "AT+DELSLOT=7\r"}}),
         "Node (device) registration has been completed"},
        {{"slots", "clear", "5"},
         Join({kIdentify, kRead,
               {"AT+MODEL?\r", "AT+DELSLOT=1\r", "AT+DELSLOT=2\r", "AT+SETSLOT=3,0A1B2C3D4E5F,door\r", "AT+DELSLOT=4\r",
                "AT+DELSLOT=5\r", "AT+DELSLOT=6\r", "AT+DELSLOT=7\r"}}),
         "Node (device) registration has been completed"},
        {{"factory-reset", "--yes"}, Join({kIdentify, {"AT&F\r"}}), "factory settings"},
    };
    for (const auto& c : cases) {
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.code, kExitOk) << c.args.front() << ": " << run.err;
        EXPECT_EQ(sim.Record(), c.sent) << c.args.front();
        EXPECT_NE(run.out.find(c.output), std::string::npos) << c.args.front() << ": " << run.out;
    }
}

TEST_F(CliCommandsTest, SettingsReachTheAdapter)
{
    ASSERT_EQ(Run({"set-name", "NEW-NAME"}).code, kExitOk);
    ASSERT_EQ(Run({"set-interval", "640"}).code, kExitOk);
    ASSERT_EQ(Run({"set-uart", "--flow", "0", "--parity", "O", "--stop", "2"}).code, kExitOk);
    const CliRun info = Run({"--json", "info"});
    ASSERT_EQ(info.code, kExitOk) << info.out;
    const nlohmann::json data = nlohmann::json::parse(info.out);
    EXPECT_EQ(data["name"], "NEW-NAME");
    EXPECT_EQ(data["advInterval"], 640);
    EXPECT_EQ(data["uart"], (nlohmann::json{{"flowControl", 0}, {"parity", "O"}, {"stopBits", 2}}));
    EXPECT_EQ(data["slots"].size(), 7u);
}

TEST_F(CliCommandsTest, InvalidValuesSendNothing)
{
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"set-name", "123456789"}, "Device name is too long."},
        {{"set-name", "\xED\x95\x9C\xEA\xB8\x80\xEB\x82\xA0"}, "Device name is too long."},  // 3 Hangul, 9 bytes
        {{"set-name", "AB\rAT&F"}, "one line"},
        {{"set-interval", "19"}, "Invalid advertising interval value."},
        {{"set-interval", "2561"}, "Invalid advertising interval value."},
        {{"set-interval", "fast"}, "Invalid advertising interval value."},
        {{"set-uart", "--parity", "E", "--stop", "1"}, "HW flow control: Item not selected."},
        {{"set-uart", "--flow", "1", "--parity", "X", "--stop", "1"}, "Parity: Item not selected."},
        {{"set-uart", "--flow", "1", "--parity", "N", "--stop", "3"}, "Stopbit: Item not selected."},
        {{"factory-reset"}, "Run a factory reset. Do you want to continue?"},
        {{"slots", "set", "2", "0011223344", "x"}, "Slot 2: Invalid Bluetooth address."},
        {{"slots", "set", "4", "00:11:22:33:44:55"}, "Slot 4: Invalid Bluetooth address."},
        {{"slots", "set", "1", "001122334455", "NINEBYTES"}, "Slot 1: Invalid TAG length."},
        {{"slots", "set", "8", "001122334455"}, "The slot number must be a whole number from 1 to 7, not '8'."},
        {{"slots", "clear", "0"}, "The slot number must be a whole number from 1 to 7, not '0'."},
        {{"slots", "write", "/nonexistent/slots.json"}, "Cannot read"},
        {{"scan", "--rssi=-128"}, "Invalid RSSI filter value"},
        {{"scan", "--rssi", "4a"}, "Invalid RSSI filter value"},
        {{"scan", "--name", "123456789"}, "Invalid name length on scan filter."},
        {{"scan", "--name", ""}, "Invalid name length on scan filter."},
        {{"scan", "--rssi", "200", "--name", ""}, "Invalid RSSI filter value"},  // RSSI first, as the window
        {{"scan", "--seconds", "0"}, "1 to 86400 seconds"},
        {{"snapshot", "apply", "/nonexistent/snapshot.json"}, "Cannot read"},
    };
    for (const auto& c : cases) {
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.code, kExitBadArguments) << c.args.front() << " " << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.message << " / " << run.err;
        EXPECT_TRUE(sim.Record().empty()) << c.message;
    }
}

TEST_F(CliCommandsTest, ParseErrorsAndHelp)
{
    EXPECT_EQ(RunKx4xx({}).code, kExitBadArguments);                     // no command
    EXPECT_EQ(RunKx4xx({"frobnicate"}).code, kExitBadArguments);          // unknown command
    EXPECT_EQ(RunKx4xx({"identify"}).code, kExitBadArguments);            // no port
    EXPECT_EQ(RunKx4xx({"set-interval", "--port", "x"}).code, kExitBadArguments);  // missing value
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"scan", "--help"},
                                                {"slots", "set", "--help"}, {"snapshot", "apply", "--help"}}) {
        const CliRun run = RunKx4xx(args);
        EXPECT_EQ(run.code, kExitOk) << args.front();
        EXPECT_NE(run.out.find("Usage"), std::string::npos) << args.back();
    }
    EXPECT_NE(RunKx4xx({"--help"}).out.find("Exit codes: 0 success, 1 failure of the tool itself, 2 bad arguments"), std::string::npos);
}

TEST_F(CliCommandsTest, FailuresHaveTheirExitCodes)
{
    // Refused: the adapter answers with an error.
    sim.Set("fault error AT+MANUF");
    CliRun run = Run({"set-name", "X"});
    EXPECT_EQ(run.code, kExitRefused);
    EXPECT_NE(run.err.find("Failed device name settings."), std::string::npos) << run.err;
    sim.Set("fault error AT+SETSLOT");
    run = Run({"--json", "slots", "set", "1", "001122334455"});
    EXPECT_EQ(run.code, kExitRefused);
    EXPECT_EQ(nlohmann::json::parse(run.out)["error"], "Failed to register node (device).");
    sim.Set("fault off");

    // Unsupported model: found at identification, nothing written.
    sim.Set("model ZANTOR-KX400 ");
    run = Run({"set-interval", "100"});
    EXPECT_EQ(run.code, kExitUnsupported);
    EXPECT_EQ(sim.Record(), kIdentify);
    sim.Set("model ZANTOR-KX420");

    // No reply: a silent adapter fails the link test (both probes).
    sim.Set("fault silence on");
    run = Run({"identify"});
    EXPECT_EQ(run.code, kExitNoReply);
    EXPECT_EQ(sim.Record(), (Texts{"AT\r", "AT\r"}));
    sim.Set("fault silence off");

    run = RunKx4xx({"--port", "/nonexistent/tty", "identify"});
    EXPECT_EQ(run.code, kExitPortOpen);
    EXPECT_NE(run.err.find("Unable to open a COM port."), std::string::npos);
}

TEST_F(CliCommandsTest, TraceWritesEveryByteWithATimestamp)
{
    const std::string path = ::testing::TempDir() + "kx4xx-trace.txt";
    std::remove(path.c_str());
    ASSERT_EQ(Run({"--trace-file", path, "identify"}).code, kExitOk);
    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(" > AT\\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" > AT+MODEL?\\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" < "), std::string::npos) << text;
    EXPECT_NE(text.find("ZANTOR-KX400\\r"), std::string::npos) << text;

    const CliRun run = Run({"--trace", "identify"});
    EXPECT_NE(run.err.find(" > AT\\r"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "Model: ZANTOR-KX400\n");
}

}  // namespace

// snapshot save from one simulated adapter, apply to three, each read back;
// slots write from a file; a refusing adapter named in the summary.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "tests/cli/cli_files.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

// The settings part of the adapter's state line (its address and texts differ per adapter).
std::string SettingsState(SimLink& sim)
{
    const std::string state = sim.Set("state");
    std::string settings;
    for (const char* key : {" name=", " interval=", " uart=", " slots="}) {
        const size_t at = state.find(key);
        settings += state.substr(at, state.find(' ', at + 1) - at);
    }
    return settings;
}

TEST(CliSnapshotTest, SavedSettingsAppliedToThreeAdaptersAndReadBack)
{
    SimLink source;
    source.Set("name Lobby-1");
    source.Set("interval 250");
    source.Set("uart 1,E,2");
    source.Set("slot 2 0A1B2C3D4E5F door");
    source.Set("slot 6 001122334455");
    const std::string path = TempPath("kx4xx-snapshot.json");
    const CliRun saved = RunKx4xx({"--port", source.PortName(), "snapshot", "save", path});
    ASSERT_EQ(saved.code, kExitOk) << saved.err;

    std::ifstream file(path);
    const nlohmann::json document = nlohmann::json::parse(file);
    EXPECT_EQ(document["name"], "Lobby-1");
    EXPECT_EQ(document["advInterval"], 250);
    EXPECT_EQ(document["slots"][1], (nlohmann::json{{"slot", 2}, {"address", "0A1B2C3D4E5F"}, {"tag", "door"}}));

    SimLink targets[3];
    targets[1].Set("slot 1 FFFFFFFFFFFF old");  // replaced: every slot is written
    const CliRun applied = RunKx4xx({"--json", "--port", targets[0].PortName(), "snapshot", "apply", path, "--port",
                                     targets[1].PortName(), "--port", targets[2].PortName()});
    ASSERT_EQ(applied.code, kExitOk) << applied.out;
    const nlohmann::json summary = nlohmann::json::parse(applied.out);
    ASSERT_EQ(summary["adapters"].size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(summary["adapters"][i]["port"], targets[i].PortName());
        EXPECT_EQ(summary["adapters"][i]["applied"], true) << summary["adapters"][i];
        EXPECT_EQ(SettingsState(targets[i]), SettingsState(source)) << i;
        const std::vector<std::string> record = targets[i].Record();
        EXPECT_EQ(std::count(record.begin(), record.end(), "AT+GETSLOT=7\r"), 1) << "one read back";
        EXPECT_EQ(record.back(), "AT+GETSLOT=7\r") << "the read back comes last";
    }
}

TEST(CliSnapshotTest, SummaryNamesTheAdapterThatRefused)
{
    SimLink good;
    SimLink refusing;
    refusing.Set("fault error AT+ADVINTERVAL=");
    const std::string path = TempPath("kx4xx-snapshot-refused.json");
    WriteFile(path, R"({"name": "Hall", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
                      "slots": [{"address": ""}, {"address": ""}, {"address": ""}, {"address": ""},
                                {"address": ""}, {"address": ""}, {"address": "C0FFEE000001", "tag": "x"}]})");
    const CliRun run =
        RunKx4xx({"snapshot", "apply", path, "--port", refusing.PortName(), "--port", good.PortName()});
    EXPECT_EQ(run.code, kExitRefused);
    EXPECT_NE(run.out.find(refusing.PortName() + std::string(20 - std::min<size_t>(20, refusing.PortName().size()), ' ') +
                           "  Failed to save advertising interval."),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("applied and verified"), std::string::npos) << run.out;
    EXPECT_NE(good.Set("state").find("slots=1:-,2:-,3:-,4:-,5:-,6:-,7:C0FFEE000001:x"), std::string::npos);
}

TEST(CliSnapshotTest, InvalidSnapshotsSendNothing)
{
    SimLink sim;
    const std::string path = TempPath("kx4xx-snapshot-bad.json");
    const std::string slots = R"("slots": [{"address": "001122334455"}, {"address": ""}, {"address": ""},
                                {"address": ""}, {"address": "001122334455"}, {"address": ""}, {"address": ""}])";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"{not json", "is not valid JSON"},
        {R"({"name": "NINEBYTES", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1}})",
         "Device name is too long."},
        {R"({"name": "A", "advInterval": 10, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1}})",
         "Invalid advertising interval value."},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "X", "stopBits": 1}})",
         "Parity: Item not selected."},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1}, "slots": []})",
         "the 7 slots"},
        {R"({"name": "A", "advInterval": 100, "uart": {"flowControl": 0, "parity": "N", "stopBits": 1}, )" + slots + "}",
         "Duplicated Bluetooth addresses are assigned to slot"},
    };
    for (const auto& c : cases) {
        WriteFile(path, c.text);
        const CliRun run = RunKx4xx({"--port", sim.PortName(), "snapshot", "apply", path});
        EXPECT_EQ(run.code, kExitBadArguments) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(sim.Record().empty()) << c.message;
    }
}

TEST(CliSnapshotTest, SlotsWriteFromFile)
{
    SimLink sim;
    const std::string path = TempPath("kx4xx-slots.json");
    WriteFile(path, R"({"slots": [{"slot": 1, "address": "000000000000"}, {"address": "a1b2c3d4e5f6", "tag": "\uD55C"},
                                 {"address": ""}, {"address": ""}, {"address": ""}, {"address": ""}, {"address": ""}]})");
    const CliRun run = RunKx4xx({"--port", sim.PortName(), "slots", "write", path});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    const std::vector<std::string> record = sim.Record();
    ASSERT_EQ(record.size(), 10u);
    EXPECT_EQ(record[3], "AT+DELSLOT=1\r");  // an all-zero address deletes
    EXPECT_EQ(record[4], "AT+SETSLOT=2,A1B2C3D4E5F6,\xED\x95\x9C\r");
}

}  // namespace

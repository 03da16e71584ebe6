// The bench options of the snapshot batches against simulated adapters:
// snapshot verify and apply --dry-run read only, --results writes one row
// per adapter, --name-template gives each adapter its own name, --retry
// tries again after a transient fault only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/name_template.h"
#include "cli/results_file.h"
#include "sim/sim_adapter.h"
#include "tests/cli/cli_files.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

const char kSnapshot[] = R"({"name": "Bench-1", "advInterval": 320,
    "uart": {"flowControl": 1, "parity": "E", "stopBits": 1},
    "slots": [{"address": "0A1B2C3D4E5F", "tag": "door"}, {"address": ""}, {"address": ""}, {"address": ""},
              {"address": ""}, {"address": ""}, {"address": ""}]})";

std::string WriteSnapshot(const std::string& name)
{
    const std::string path = TempPath(name);
    WriteFile(path, kSnapshot);
    return path;
}

// Puts the snapshot's settings into a simulated adapter through its control line.
void HoldSnapshot(SimLink& sim, const std::string& name)
{
    sim.Set("name " + name);
    sim.Set("interval 320");
    sim.Set("uart 1,E,1");
    sim.Set("slot 1 0A1B2C3D4E5F door");
    sim.Set("clear-record");
}

// The commands that change an adapter; a read is "AT", a query "...?" or a slot read.
std::vector<std::string> SettingCommands(SimLink& sim)
{
    std::vector<std::string> writes;
    for (const std::string& command : sim.Record()) {
        const bool read = command == "AT\r" || (command.size() >= 2 && command[command.size() - 2] == '?') ||
                          command.rfind("AT+GETSLOT=", 0) == 0;
        if (!read)
            writes.push_back(command);
    }
    return writes;
}

std::vector<std::string> PortArgs(std::vector<std::string> args, std::initializer_list<SimLink*> sims)
{
    for (SimLink* sim : sims) {
        args.push_back("--port");
        args.push_back(sim->PortName());
    }
    return args;
}

// Three adapters: one holding the snapshot, one with another name and
// interval, one that never answers.
class CliBenchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HoldSnapshot(matching, "Bench-1");
        HoldSnapshot(differing, "Old");
        differing.Set("interval 100");
        differing.Set("clear-record");
        silent.Set("fault silence on");
    }

    SimLink matching;
    SimLink differing;
    SimLink silent;
};

TEST_F(CliBenchTest, VerifyShowsEachDifferenceAndWritesNothing)
{
    const std::string snapshot = WriteSnapshot("kx4xx-bench-verify.json");
    const CliRun run =
        RunKx4xx(PortArgs({"--json", "snapshot", "verify", snapshot}, {&matching, &differing, &silent}));
    EXPECT_EQ(run.code, kExitNotVerified) << "the first failing adapter's code: " << run.out;
    const nlohmann::json adapters = nlohmann::json::parse(run.out)["adapters"];
    ASSERT_EQ(adapters.size(), 3u);
    EXPECT_EQ(adapters[0]["outcome"], "matches");
    EXPECT_EQ(adapters[0]["exitCode"], kExitOk);
    EXPECT_EQ(adapters[0]["differences"], nlohmann::json::array());
    EXPECT_EQ(adapters[1]["outcome"], "differs");
    EXPECT_EQ(adapters[1]["exitCode"], kExitNotVerified);
    EXPECT_EQ(adapters[1]["differences"],
              (nlohmann::json{{{"key", "name"}, {"file", "Bench-1"}, {"adapter", "Old"}},
                              {{"key", "advInterval"}, {"file", 320}, {"adapter", 100}}}));
    EXPECT_EQ(adapters[2]["outcome"], "no-reply");
    EXPECT_EQ(adapters[2]["exitCode"], kExitNoReply);
    EXPECT_FALSE(adapters[0].contains("applied")) << "verify applies nothing";
    for (SimLink* sim : {&matching, &differing, &silent})
        EXPECT_EQ(SettingCommands(*sim), std::vector<std::string>()) << sim->PortName();
    EXPECT_FALSE(matching.Record().empty()) << "the adapter was read";
    EXPECT_NE(differing.Set("state").find("name=Old"), std::string::npos);

    // Text: the differing settings with the adapter's and the file's values.
    const CliRun text = RunKx4xx(PortArgs({"snapshot", "verify", snapshot}, {&matching, &differing}));
    EXPECT_EQ(text.code, kExitNotVerified);
    EXPECT_NE(text.out.find("differs (name \"Old\" (file: \"Bench-1\"), advInterval 100 (file: 320))"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("  matches\n"), std::string::npos) << text.out;

    const CliRun allMatch = RunKx4xx(PortArgs({"snapshot", "verify", snapshot}, {&matching}));
    EXPECT_EQ(allMatch.code, kExitOk) << allMatch.out << allMatch.err;
}

TEST_F(CliBenchTest, DryRunShowsWhatWouldBeWrittenAndWritesNothing)
{
    const std::string snapshot = WriteSnapshot("kx4xx-bench-dry.json");
    const std::string log = TempPath("kx4xx-bench-dry.log");
    std::remove(log.c_str());
    const CliRun run = RunKx4xx(
        PortArgs({"--json", "--log", log, "snapshot", "apply", snapshot, "--dry-run"}, {&matching, &differing}));
    EXPECT_EQ(run.code, kExitOk) << "differences are what a dry run is for: " << run.out;
    const nlohmann::json adapters = nlohmann::json::parse(run.out)["adapters"];
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_EQ(adapters[0]["outcome"], "matches");
    EXPECT_EQ(adapters[1]["outcome"], "would-write");
    EXPECT_EQ(adapters[1]["differences"].size(), 2u) << adapters[1];
    EXPECT_EQ(SettingCommands(matching), std::vector<std::string>());
    EXPECT_EQ(SettingCommands(differing), std::vector<std::string>());
    EXPECT_NE(differing.Set("state").find("interval=100"), std::string::npos);

    std::ifstream file(log);
    std::string line;
    size_t lines = 0;
    while (std::getline(file, line)) {
        const nlohmann::json entry = nlohmann::json::parse(line);
        EXPECT_EQ(entry["operation"], "snapshot apply --dry-run");
        EXPECT_TRUE(entry["written"].is_null()) << line;
        EXPECT_FALSE(entry["readBack"].is_null()) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 2u);

    // A bad snapshot is refused as by apply, before any port is opened.
    const std::string bad = TempPath("kx4xx-bench-dry-bad.json");
    std::ofstream(bad, std::ios::trunc) << R"({"name": "NINEBYTES!", "advInterval": 320})";
    matching.Set("clear-record");
    const CliRun refused = RunKx4xx(PortArgs({"snapshot", "apply", bad, "--dry-run"}, {&matching}));
    EXPECT_EQ(refused.code, kExitBadArguments);
    EXPECT_TRUE(matching.Record().empty());
}

TEST_F(CliBenchTest, ResultsFileHoldsOneRowPerAdapterInPortOrder)
{
    const std::string snapshot = WriteSnapshot("kx4xx-bench-results.json");
    differing.Set("fault error AT+UARTOPT=");
    differing.Set("address C0FFEE0000AB");
    for (const char* extension : {".csv", ".json"}) {
        SCOPED_TRACE(extension);
        const std::string results = TempPath(std::string("kx4xx-bench-rows") + extension);
        std::remove(results.c_str());
        const CliRun run = RunKx4xx(
            PortArgs({"snapshot", "apply", snapshot, "--results", results}, {&silent, &differing, &matching}));
        EXPECT_EQ(run.code, kExitNoReply) << run.out << run.err;
        const std::string text = ReadFile(results);
        EXPECT_FALSE(std::filesystem::exists(results + ".tmp"));
        if (std::string(extension) == ".csv") {
            std::vector<std::string> lines;
            for (size_t at = 0; at < text.size();) {
                const size_t end = text.find("\r\n", at);
                ASSERT_NE(end, std::string::npos) << "every line ends in CRLF: " << text;
                lines.push_back(text.substr(at, end - at));
                at = end + 2;
            }
            ASSERT_EQ(lines.size(), 4u) << text;
            EXPECT_EQ(lines[0], "port,model,address,outcome,attempts,message");
            EXPECT_EQ(lines[1].rfind(silent.PortName() + ",,,no-reply,1,", 0), 0u) << lines[1];
            EXPECT_EQ(lines[2].rfind(differing.PortName() + ",ZANTOR-KX400,C0FFEE0000AB,refused,1,", 0), 0u)
                << lines[2];
            EXPECT_EQ(lines[3].rfind(matching.PortName() + ",ZANTOR-KX400,", 0), 0u) << lines[3];
            EXPECT_NE(lines[3].find(",applied,1,applied and verified"), std::string::npos) << lines[3];
        } else {
            const nlohmann::json rows = nlohmann::json::parse(text);
            ASSERT_EQ(rows.size(), 3u);
            EXPECT_EQ(rows[0]["port"], silent.PortName());
            EXPECT_EQ(rows[0]["outcome"], "no-reply");
            EXPECT_EQ(rows[1]["outcome"], "refused");
            EXPECT_EQ(rows[1]["address"], "C0FFEE0000AB");
            EXPECT_EQ(rows[1]["message"], "Failed UART option settings.");
            EXPECT_EQ(rows[2]["outcome"], "applied");
            EXPECT_EQ(rows[2]["model"], "ZANTOR-KX400");
        }
    }

    // Verify writes its own outcomes.
    const std::string verified = TempPath("kx4xx-bench-verified.json");
    RunKx4xx(PortArgs({"snapshot", "verify", snapshot, "--results", verified}, {&matching}));
    EXPECT_EQ(nlohmann::json::parse(ReadFile(verified))[0]["outcome"], "matches");
}

TEST_F(CliBenchTest, ResultsFileNameIsCheckedFirstAndAFailedWriteFailsTheRun)
{
    const std::string snapshot = WriteSnapshot("kx4xx-bench-results-bad.json");
    for (const char* name : {"results.txt", "results", "results.csv.bak"}) {
        const CliRun run =
            RunKx4xx(PortArgs({"snapshot", "apply", snapshot, "--results", TempPath(name)}, {&matching}));
        EXPECT_EQ(run.code, kExitBadArguments) << name;
        EXPECT_NE((run.out + run.err).find(".csv or .json"), std::string::npos) << run.out << run.err;
        EXPECT_TRUE(matching.Record().empty()) << name;
    }
    // The snapshot itself as the results file: refused before anything is sent.
    const CliRun same = RunKx4xx(PortArgs({"snapshot", "apply", snapshot, "--results", snapshot}, {&matching}));
    EXPECT_EQ(same.code, kExitBadArguments);
    EXPECT_NE(same.err.find("is the snapshot"), std::string::npos) << same.err;
    EXPECT_TRUE(matching.Record().empty());
    EXPECT_EQ(ReadFile(snapshot), kSnapshot);

    const CliRun run = RunKx4xx(
        PortArgs({"snapshot", "apply", snapshot, "--results", TempPath("no-such-dir/results.csv")}, {&matching}));
    EXPECT_EQ(run.code, kExitFailure) << "the adapter was applied, but its result was not kept";
    EXPECT_NE(run.err.find("Cannot write the results file"), std::string::npos) << run.err;
}

TEST(ResultsFileTest, CsvFieldsAreQuotedAndJsonEscaped)
{
    const struct {
        std::string message;
        std::string field;
    } cases[] = {
        {"plain text", "plain text"},
        {"a, b", "\"a, b\""},
        {"say \"no\"", "\"say \"\"no\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const std::vector<ResultRow> rows = {{1, "COM3", "ZANTOR-KX400", "C0FFEE000001", "refused", 2, c.message}};
        EXPECT_EQ(CsvResults(rows),
                  "port,model,address,outcome,attempts,message\r\nCOM3,ZANTOR-KX400,C0FFEE000001,refused,2," +
                      c.field + "\r\n")
            << c.message;
        const nlohmann::json parsed = nlohmann::json::parse(JsonResults(rows));
        EXPECT_EQ(parsed[0]["message"], c.message);
        EXPECT_EQ(parsed[0]["attempts"], 2);
    }
    // A port name with a comma is quoted too; invalid UTF-8 from an adapter does not break the JSON.
    const std::vector<ResultRow> odd = {{1, "a,b", "KX\xff", "", "failed", 1, ""}};
    EXPECT_EQ(CsvResults(odd).substr(CsvResults(odd).find("\r\n") + 2, 6), "\"a,b\",");
    EXPECT_NO_THROW(nlohmann::json::parse(JsonResults(odd)));

    ResultsTable table;
    table.Add({3, "C", "", "", "", 1, ""});
    table.Add({1, "A", "", "", "", 1, ""});
    table.Add({2, "B", "", "", "", 1, ""});
    const std::vector<ResultRow> rows = table.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].port + rows[1].port + rows[2].port, "ABC") << "rows in running-number order";
}

TEST(NameTemplateTest, ExpandsPlaceholdersAndRefusesUnknownOnes)
{
    const struct {
        const char* text;
        unsigned number;
        const char* name;
    } expansions[] = {
        {"Lobby-{n}", 7, "Lobby-7"},
        {"L{n:3}", 7, "L007"},
        {"L{n:2}", 123, "L123"},
        {"K{addr:4}", 1, "K00AB"},
        {"{addr}", 1, "C0FFEE0000AB"},
        {"{{{n}}}", 4, "{4}"},
        {"plain", 9, "plain"},
    };
    for (const auto& e : expansions)
        EXPECT_EQ(ExpandNameTemplate(e.text, e.number, "C0FFEE0000AB"), e.name) << e.text;

    const struct {
        const char* text;
        unsigned highest;
        const char* message;  // empty: the template passes
    } checks[] = {
        {"Lobby-{n}", 99, ""},
        {"Lobby-{n}", 100, "gives names such as Lobby-100: Device name is too long."},
        {"L{n:3}-{addr:2}", 999, ""},
        {"L{n:3}-{addr:4}", 1, "L001-FFFF"},
        {"{addr}", 1, "Device name is too long."},
        {"{addr:12}", 1, "Device name is too long."},
        {"Hall-{name}", 1, "unknown placeholder {name}"},
        {"{n:0}", 1, "unknown placeholder {n:0}"},
        {"{addr:13}", 1, "unknown placeholder {addr:13}"},
        {"{N}", 1, "unknown placeholder {N}"},
        {"open{", 1, "'{' without its '}'"},
        {"close}", 1, "'}' without its '{'"},
        {"\xED\x95\x9C\xEA\xB8\x80{n}", 99, ""},  // two Hangul syllables: 6 bytes, then 2 digits
        {"\xED\x95\x9C\xEA\xB8\x80{n}", 100, "Device name is too long."},
        {"\xED\x95\x9C{n}", 99, ""},
    };
    for (const auto& c : checks) {
        const CheckFailure failure = CheckNameTemplate(c.text, c.highest);
        if (*c.message == '\0') {
            EXPECT_FALSE(failure) << c.text << ": " << failure.value_or("");
        } else {
            ASSERT_TRUE(failure) << c.text;
            EXPECT_NE(failure->find(c.message), std::string::npos) << *failure;
            EXPECT_NE(failure->find(c.text), std::string::npos) << "names the template: " << *failure;
        }
    }
}

TEST(CliNameTemplateTest, EachAdapterGetsItsOwnNameAndVerifyComparesWithIt)
{
    SimLink sims[2];
    sims[0].Set("address C0FFEE00A1B2");
    sims[1].Set("address C0FFEE00C3D4");
    const std::string snapshot = WriteSnapshot("kx4xx-bench-names.json");
    const CliRun run =
        RunKx4xx(PortArgs({"--json", "snapshot", "apply", snapshot, "--name-template", "K{n}-{addr:4}"},
                          {&sims[0], &sims[1]}));
    ASSERT_EQ(run.code, kExitOk) << run.out;
    EXPECT_NE(sims[0].Set("state").find("name=K1-A1B2 "), std::string::npos) << sims[0].Set("state");
    EXPECT_NE(sims[1].Set("state").find("name=K2-C3D4 "), std::string::npos) << sims[1].Set("state");

    EXPECT_EQ(RunKx4xx(PortArgs({"snapshot", "verify", snapshot, "--name-template", "K{n}-{addr:4}"},
                                {&sims[0], &sims[1]}))
                  .code,
              kExitOk)
        << "verified against each adapter's own name";
    const CliRun swapped =
        RunKx4xx(PortArgs({"snapshot", "verify", snapshot, "--name-template", "K{n}-{addr:4}"}, {&sims[1]}));
    EXPECT_EQ(swapped.code, kExitNotVerified) << "adapter 1 of this run should be K1-C3D4: " << swapped.out;

    // Too long for the count of adapters, or an unknown placeholder: nothing is sent.
    sims[0].Set("clear-record");
    sims[1].Set("clear-record");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } refusals[] = {
        {PortArgs({"snapshot", "apply", snapshot, "--name-template", "Hall-{n:4}"}, {&sims[0], &sims[1]}),
         "Device name is too long."},
        {PortArgs({"snapshot", "apply", snapshot, "--name-template", "H{x}"}, {&sims[0]}), "{x}"},
    };
    for (const auto& r : refusals) {
        const CliRun refused = RunKx4xx(r.args);
        EXPECT_EQ(refused.code, kExitBadArguments) << r.message;
        EXPECT_NE((refused.out + refused.err).find(r.message), std::string::npos) << refused.err;
    }
    EXPECT_TRUE(sims[0].Record().empty());
    EXPECT_TRUE(sims[1].Record().empty());
}

// A transient fault is tried again, up to the limit; an answer is not.
TEST(CliRetryTest, OnlyTransientFaultsAreTriedAgain)
{
    const std::string snapshot = WriteSnapshot("kx4xx-bench-retry.json");
    const struct {
        const char* fault;
        const char* retries;
        int exitCode;
        unsigned attempts;
        const char* outcome;
    } cases[] = {
        {"fault miss-at 2", "1", kExitOk, 2, "applied"},       // the link test of the first try goes unanswered
        {"fault miss-at 2", "0", kExitNoReply, 1, "no-reply"},  // without --retry
        {"fault silence on", "2", kExitNoReply, 3, "no-reply"},
        {"fault error AT+UARTOPT=", "2", kExitRefused, 1, "refused"},
        {"model ACME-1", "2", kExitUnsupported, 1, "unsupported"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault + std::string(" --retry ") + c.retries);
        SimLink sim;
        sim.Set(c.fault);
        const std::string results = TempPath("kx4xx-bench-retry-rows.json");
        const std::string log = TempPath("kx4xx-bench-retry.log");
        std::remove(log.c_str());
        const CliRun run = RunKx4xx(PortArgs(
            {"--log", log, "snapshot", "apply", snapshot, "--retry", c.retries, "--results", results}, {&sim}));
        EXPECT_EQ(run.code, c.exitCode) << run.out << run.err;
        const nlohmann::json rows = nlohmann::json::parse(ReadFile(results));
        ASSERT_EQ(rows.size(), 1u) << "one row per adapter, its final outcome";
        EXPECT_EQ(rows[0]["attempts"], c.attempts);
        EXPECT_EQ(rows[0]["outcome"], c.outcome);
        std::ifstream file(log);
        std::vector<int> codes;
        for (std::string line; std::getline(file, line);)
            codes.push_back(nlohmann::json::parse(line)["exitCode"]);
        ASSERT_EQ(codes.size(), c.attempts) << "one log line per try";
        EXPECT_EQ(codes.back(), c.exitCode);
        for (size_t i = 0; i + 1 < codes.size(); ++i)
            EXPECT_EQ(codes[i], kExitNoReply);
    }
}

// Whether the adapter's state line comes to hold `text`, within a generous bound.
bool WaitForState(kx4xx::sim::SimAdapter& sim, const std::string& text)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sim.Control("state").find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// provision --watch in the real binary: the running number counts adapters
// in the order plugged in, a transient fault is retried while the adapter is
// plugged in, and the results file holds one row per adapter after Ctrl+C.
TEST(CliWatchBenchTest, NamesCountAdaptersAsPluggedInAndResultsAreWrittenAtTheEnd)
{
    const std::string link = TempPath("kx4xx-bench-watch-port");
    const std::string snapshot = WriteSnapshot("kx4xx-bench-watch.json");
    const std::string results = TempPath("kx4xx-bench-watch.csv");
    unlink(link.c_str());
    std::remove(results.c_str());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        execl(KX4XX_CLI_PATH, "kx4xx", "--port", link.c_str(), "provision", snapshot.c_str(), "--watch",
              "--name-template", "St-{n:2}", "--retry", "1", "--results", results.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (const char* fault : {"fault off", "fault miss-at 2"}) {
        kx4xx::sim::SimAdapter sim;
        ASSERT_FALSE(sim.Start(link));
        EXPECT_EQ(sim.Control(fault).rfind("ok", 0), 0u);
        const std::string name = std::string("name=St-0") + (fault == std::string("fault off") ? "1" : "2");
        EXPECT_TRUE(WaitForState(sim, name + " ")) << sim.Control("state");
        // Wait until the read back has finished, then unplug.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (sim.Record().empty() || sim.Record().back() != "AT+GETSLOT=7\r") {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sim.Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(1600));  // the watch sees the port empty
    }
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    const std::string text = ReadFile(results);
    std::vector<std::string> lines;
    for (size_t at = 0, end = 0; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    ASSERT_EQ(lines.size(), 3u) << text;
    EXPECT_EQ(lines[0], "port,model,address,outcome,attempts,message");
    EXPECT_NE(lines[1].find(",applied,1,applied and verified"), std::string::npos) << "plugged in first: " << text;
    EXPECT_NE(lines[2].find(",applied,2,applied and verified (after 2 tries)"), std::string::npos) << text;
}

}  // namespace

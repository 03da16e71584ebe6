// Several simulated adapters at once: snapshot apply and ports --probe run
// one engine per port, each adapter gets its own result, read back and log
// line, no port sees another's traffic, and no thread outlives the run.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/concurrent_jobs.h"
#include "cli/exit_codes.h"
#include "cli/trace_log.h"
#include "serial/io_service_exec.h"
#include "tests/cli/cli_files.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

const char kSnapshot[] = R"({"name": "Batch-1", "advInterval": 320,
    "uart": {"flowControl": 1, "parity": "E", "stopBits": 1},
    "slots": [{"address": "0A1B2C3D4E5F", "tag": "door"}, {"address": ""}, {"address": ""}, {"address": ""},
              {"address": ""}, {"address": "001122334455"}, {"address": ""}]})";

std::string WriteSnapshot(const std::string& name)
{
    const std::string path = TempPath(name);
    WriteFile(path, kSnapshot);
    return path;
}

size_t ThreadCount()
{
    size_t count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks))
            count += entry->d_name[0] != '.';
        closedir(tasks);
    }
    return count;
}

// The entry of port in a JSON array or a vector of log lines.
template <typename List>
const nlohmann::json* EntryFor(const List& list, const std::string& port)
{
    for (const nlohmann::json& entry : list) {
        if (entry["port"] == port)
            return &entry;
    }
    return nullptr;
}

// Seven adapters: one silent, one of another model, one that hangs up while
// its slots are written, one that refuses the UART options, three healthy;
// each with an address of its own.
class CliBatchTest : public ::testing::Test {
protected:
    enum Role { kSilent, kUnsupported, kHangsUp, kRefuses, kHealthy1, kHealthy2, kHealthy3, kCount };

    void SetUp() override
    {
        for (int i = 0; i < kCount; ++i) {
            char address[16] = {};
            std::snprintf(address, sizeof address, "C0FFEE0000%02d", i + 1);
            addresses[i] = address;
            portNames[i] = sims[i].PortName();  // gone from the adapter once it hangs up
            sims[i].Set(std::string("address ") + address);
        }
        sims[kSilent].Set("fault silence on");
        sims[kUnsupported].Set("model ACME-1");
        sims[kHangsUp].Set("hangup-after 12");  // the 12th command is a slot write
        sims[kRefuses].Set("fault error AT+UARTOPT=");
    }

    std::vector<std::string> PortArgs()
    {
        std::vector<std::string> args;
        for (const std::string& port : portNames) {
            args.push_back("--port");
            args.push_back(port);
        }
        return args;
    }

    SimLink sims[kCount];
    std::string addresses[kCount];
    std::string portNames[kCount];
};

TEST_F(CliBatchTest, EveryAdapterGetsItsOwnResultReadBackAndLogLine)
{
    const std::string snapshot = WriteSnapshot("kx4xx-batch.json");
    const std::string log = TempPath("kx4xx-batch.log");
    std::remove(log.c_str());
    std::vector<std::string> args = {"--json", "--log", log, "snapshot", "apply", snapshot};
    const std::vector<std::string> ports = PortArgs();
    args.insert(args.end(), ports.begin(), ports.end());

    const size_t threadsBefore = ThreadCount();
    const CliRun run = RunKx4xx(args);
    EXPECT_EQ(ThreadCount(), threadsBefore) << "a thread outlived the run";
    EXPECT_EQ(OpenPortCount.load(), 0);
    EXPECT_EQ(gIoServiceExec.HeldThreadCount(), 0u);

    EXPECT_EQ(run.code, kExitNoReply) << "the first failing adapter's code: " << run.out;
    const nlohmann::json summary = nlohmann::json::parse(run.out);
    ASSERT_EQ(summary["adapters"].size(), static_cast<size_t>(kCount));
    const struct {
        Role role;
        int exitCode;
        std::string result;
    } expected[] = {
        {kSilent, kExitNoReply, "no reply"},
        {kUnsupported, kExitUnsupported, "model \"ACME-1\""},
        {kHangsUp, kExitNoReply, "Failed to register node (device). The port closed"},
        {kRefuses, kExitRefused, "Failed UART option settings."},
        {kHealthy1, kExitOk, "applied and verified"},
        {kHealthy2, kExitOk, "applied and verified"},
        {kHealthy3, kExitOk, "applied and verified"},
    };
    for (const auto& e : expected) {
        const nlohmann::json& entry = summary["adapters"][e.role];
        EXPECT_EQ(entry["port"], portNames[e.role]) << "the summary keeps the order given";
        EXPECT_EQ(entry["exitCode"], e.exitCode) << entry;
        EXPECT_NE(entry["result"].get<std::string>().find(e.result), std::string::npos) << entry;
        EXPECT_EQ(entry["result"].get<std::string>().find('\n'), std::string::npos) << "one line: " << entry;
    }

    // The log: one line per adapter, each with its own port's address.
    const std::vector<nlohmann::json> lines = ReadLogLines(log);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        const nlohmann::json* line = EntryFor(lines, portNames[i]);
        ASSERT_NE(line, nullptr) << portNames[i];
        EXPECT_EQ((*line)["operation"], "snapshot apply");
        EXPECT_EQ((*line)["exitCode"], summary["adapters"][i]["exitCode"]);
        if (i == kSilent || i == kUnsupported)
            EXPECT_EQ((*line)["written"], nlohmann::json::object()) << "nothing was written";
        else
            EXPECT_EQ((*line)["written"]["name"], "Batch-1");
        EXPECT_NE((*line)["time"].get<std::string>().find('T'), std::string::npos);
        if (i >= kHealthy1) {
            EXPECT_EQ((*line)["address"], addresses[i]) << "read back from its own port";
            EXPECT_EQ((*line)["model"], "ZANTOR-KX400");
            EXPECT_EQ((*line)["readBack"]["name"], "Batch-1");
            EXPECT_EQ((*line)["readBack"]["advInterval"], 320);
            EXPECT_EQ(summary["adapters"][i]["address"], addresses[i]);
        } else {
            EXPECT_TRUE((*line)["readBack"].is_null()) << *line;
        }
        if (i == kHangsUp || i == kRefuses) {
            EXPECT_EQ((*line)["address"], addresses[i]) << "known before anything was written";
        }
    }
    std::string firstLine;
    std::getline(std::ifstream(log) >> std::ws, firstLine);
    EXPECT_EQ(firstLine.rfind("{\"time\":\"", 0), 0u) << "the fields keep their documented order: " << firstLine;

    // Each port saw exactly its own adapter's sequence and nothing else.
    const std::vector<std::string> healthy = sims[kHealthy1].Record();
    ASSERT_EQ(healthy.size(), 29u);
    EXPECT_EQ(sims[kHealthy2].Record(), healthy);
    EXPECT_EQ(sims[kHealthy3].Record(), healthy);
    EXPECT_EQ(sims[kSilent].Record(), (std::vector<std::string>{"AT\r", "AT\r"}));
    EXPECT_EQ(sims[kUnsupported].Record(), (std::vector<std::string>{"AT\r", "AT+MODEL?\r"}));
    const std::vector<std::string> refused = sims[kRefuses].Record();
    EXPECT_EQ(refused, std::vector<std::string>(healthy.begin(), healthy.begin() + 10));
    // The hang-up follows the 12th answer; a 13th command may already be on its way.
    const std::vector<std::string> hungUp = sims[kHangsUp].Record();
    ASSERT_GE(hungUp.size(), 12u);
    ASSERT_LE(hungUp.size(), 13u);
    EXPECT_TRUE(std::equal(hungUp.begin(), hungUp.end(), healthy.begin()));
    for (int i = kHealthy1; i <= kHealthy3; ++i)
        EXPECT_NE(sims[i].Set("state").find("name=Batch-1"), std::string::npos) << i;
}

// All sessions of a batch write one trace file through one stream: every
// line is whole, carries its port, and each adapter's sent lines are exactly
// the commands it received, in order.
TEST_F(CliBatchTest, OneTraceFileHoldsEveryLineOfEveryAdapterWhole)
{
    const std::string snapshot = WriteSnapshot("kx4xx-batch-trace.json");
    const std::string trace = TempPath("kx4xx-batch-trace.txt");
    std::remove(trace.c_str());
    const Role roles[] = {kRefuses, kHealthy1, kHealthy2, kHealthy3};
    std::vector<std::string> args = {"--json", "--trace-file", trace, "snapshot", "apply", snapshot};
    for (const Role role : roles) {
        args.push_back("--port");
        args.push_back(portNames[role]);
    }
    const CliRun run = RunKx4xx(args);
    EXPECT_EQ(run.code, kExitRefused) << run.out;

    std::map<std::string, std::vector<std::string>> sent;  // per port, the texts of its '>' lines
    size_t received = 0;
    std::ifstream file(trace);
    const std::regex line("([^ ]+) +[0-9]+\\.[0-9]{3} ([<>]) (.*)");
    for (std::string text; std::getline(file, text);) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(text, parts, line)) << "not a whole line: " << text;
        ASSERT_TRUE(std::find(std::begin(portNames), std::end(portNames), parts[1].str()) != std::end(portNames))
            << text;
        if (parts[2] == ">")
            sent[parts[1]].push_back(parts[3]);
        else
            ++received;
    }
    EXPECT_GT(received, 0u);
    for (const Role role : roles) {
        SCOPED_TRACE(portNames[role]);
        std::vector<std::string> expected;
        for (const std::string& command : sims[role].Record())
            expected.push_back(EscapeTraceBytes(std::vector<uint8_t>(command.begin(), command.end())));
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(sent[portNames[role]], expected);
    }
}

TEST_F(CliBatchTest, ProbeNamesEveryPortAndAllAppliesOnlyToAdapters)
{
    sims[kHangsUp].Set("hangup-after 0");  // answers the probe in full
    const std::string missing = TempPath("kx4xx-no-such-port");
    std::vector<std::string> args = {"--json", "ports", "--probe", "--port", missing};
    const std::vector<std::string> ports = PortArgs();
    args.insert(args.end(), ports.begin(), ports.end());
    const CliRun probe = RunKx4xx(args);
    ASSERT_EQ(probe.code, kExitOk) << probe.err;
    const nlohmann::json list = nlohmann::json::parse(probe.out)["ports"];
    ASSERT_EQ(list.size(), static_cast<size_t>(kCount + 1));
    EXPECT_EQ(list[0]["exitCode"], kExitPortOpen);
    EXPECT_NE(list[0]["result"].get<std::string>().find("Unable to open a COM port."), std::string::npos);
    EXPECT_EQ(list[1 + kSilent]["result"], "no reply");
    EXPECT_EQ(list[1 + kUnsupported]["result"], "unsupported model \"ACME-1\"");
    for (int i = kHealthy1; i <= kHealthy3; ++i) {
        EXPECT_EQ(list[1 + i]["address"], addresses[i]);
        EXPECT_EQ(list[1 + i]["model"], "ZANTOR-KX400");
        EXPECT_FALSE(list[1 + i]["version"].get<std::string>().empty());
    }

    // --all: the listed ports probed, the snapshot applied to the adapters
    // that answered (the one hanging up answers the probe, then fails).
    for (SimLink& sim : sims)
        sim.Set("clear-record");
    sims[kHangsUp].Set("hangup-after 20");  // after the probe's 13 commands, while applying
    const std::atomic<bool> never{false};
    CliEnvironment environment{never};
    environment.listPorts = [this, missing] {
        std::vector<std::string> names = {missing};
        names.insert(names.end(), std::begin(portNames), std::end(portNames));
        return names;
    };
    std::ostringstream out, err;
    const std::string snapshot = WriteSnapshot("kx4xx-batch-all.json");
    const int code = RunCli({"kx4xx", "--json", "snapshot", "apply", snapshot, "--all", "--jobs", "2"}, out, err,
                            environment);
    EXPECT_NE(code, kExitOk) << out.str();
    const nlohmann::json applied = nlohmann::json::parse(out.str())["adapters"];
    ASSERT_EQ(applied.size(), 5u) << applied;
    EXPECT_EQ(EntryFor(applied, missing), nullptr);
    EXPECT_EQ(EntryFor(applied, portNames[kSilent]), nullptr);
    EXPECT_EQ(EntryFor(applied, portNames[kUnsupported]), nullptr);
    ASSERT_NE(EntryFor(applied, portNames[kHangsUp]), nullptr);
    EXPECT_EQ((*EntryFor(applied, portNames[kHangsUp]))["exitCode"], kExitNoReply);
    ASSERT_NE(EntryFor(applied, portNames[kRefuses]), nullptr);
    EXPECT_EQ((*EntryFor(applied, portNames[kRefuses]))["exitCode"], kExitRefused);
    for (int i = kHealthy1; i <= kHealthy3; ++i) {
        ASSERT_NE(EntryFor(applied, portNames[i]), nullptr);
        EXPECT_EQ((*EntryFor(applied, portNames[i]))["applied"], true);
    }
}

// --all: every port looked at is in the summary, the skipped ones with their
// reason; --expect counts the adapters done, not the ports.
TEST_F(CliBatchTest, AllNamesEverySkippedPortAndExpectCountsTheAdaptersDone)
{
    const std::atomic<bool> never{false};
    CliEnvironment environment{never};
    environment.listPorts = [this] {
        return std::vector<std::string>{portNames[kSilent], portNames[kUnsupported], portNames[kHealthy1],
                                        portNames[kHealthy2]};
    };
    const std::string snapshot = WriteSnapshot("kx4xx-batch-expect.json");
    const struct {
        std::string expect;
        int exitCode;
    } cases[] = {{"3", kExitTooFew}, {"2", kExitOk}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expect);
        std::ostringstream out, err;
        const int code = RunCli({"kx4xx", "--json", "snapshot", "apply", snapshot, "--all", "--expect", c.expect},
                                out, err, environment);
        EXPECT_EQ(code, c.exitCode) << out.str();
        const nlohmann::json summary = nlohmann::json::parse(out.str());
        EXPECT_EQ(summary["applied"], 2);
        EXPECT_EQ(summary["failed"], 0);
        ASSERT_EQ(summary["skipped"].size(), 2u) << summary;
        EXPECT_EQ(*EntryFor(summary["skipped"], portNames[kSilent]),
                  (nlohmann::json{{"port", portNames[kSilent]}, {"reason", "no reply"}, {"exitCode", kExitNoReply}}));
        EXPECT_EQ(*EntryFor(summary["skipped"], portNames[kUnsupported]),
                  (nlohmann::json{{"port", portNames[kUnsupported]},
                                  {"reason", "unsupported model \"ACME-1\""},
                                  {"exitCode", kExitUnsupported}}));
    }

    std::ostringstream out, err;
    const int code = RunCli({"kx4xx", "snapshot", "apply", snapshot, "--all", "--expect", "3"}, out, err,
                            environment);
    EXPECT_EQ(code, kExitTooFew);
    EXPECT_TRUE(std::regex_search(out.str(), std::regex(portNames[kSilent] + " +skipped: no reply\n"))) << out.str();
    EXPECT_TRUE(std::regex_search(out.str(),
                                  std::regex(portNames[kUnsupported] + " +skipped: unsupported model \"ACME-1\"\n")))
        << out.str();
    EXPECT_NE(out.str().find("2 applied, 0 failed, 2 skipped, of 4 port(s)."), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("Only 2 adapter(s) done; --expect 3"), std::string::npos) << err.str();
}

TEST(CliLogTest, SingleCommandsLogOneLineAndAnUnwritableLogSendsNothing)
{
    SimLink sim;
    sim.Set("address 0A0B0C0D0E0F");
    const std::string log = TempPath("kx4xx-single.log");
    std::remove(log.c_str());
    ASSERT_EQ(RunKx4xx({"--log", log, "--port", sim.PortName(), "set-name", "Door-2"}).code, kExitOk);
    ASSERT_EQ(RunKx4xx({"--log", log, "--port", sim.PortName(), "info"}).code, kExitOk);
    const std::vector<nlohmann::json> lines = ReadLogLines(log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["operation"], "set-name");
    EXPECT_EQ(lines[0]["written"], (nlohmann::json{{"name", "Door-2"}}));
    EXPECT_EQ(lines[0]["result"], "ok");
    EXPECT_TRUE(lines[0]["address"].is_null()) << "set-name never reads the address";
    EXPECT_EQ(lines[1]["operation"], "info");
    EXPECT_EQ(lines[1]["address"], "0A0B0C0D0E0F");
    EXPECT_EQ(lines[1]["readBack"]["name"], "Door-2");

    sim.Set("clear-record");
    const CliRun run = RunKx4xx({"--log", TempPath("no-such-dir/x.log"), "--port", sim.PortName(), "identify"});
    EXPECT_EQ(run.code, kExitBadArguments);
    EXPECT_NE(run.err.find("Cannot write the log file"), std::string::npos) << run.err;
    EXPECT_TRUE(sim.Record().empty());
}

TEST(ConcurrentJobsTest, AtMostTheLimitRunAtOnceAndEveryItemRuns)
{
    constexpr size_t kItems = 8;
    for (const unsigned limit : {0u, 1u, 3u}) {
        const int full = limit == 0 ? static_cast<int>(kItems) : static_cast<int>(limit);
        std::mutex lock;
        std::condition_variable changed;  // with lock
        int running = 0;                  // guarded by lock
        int most = 0;                     // guarded by lock
        std::vector<std::atomic<int>> runs(kItems);
        RunConcurrently(kItems, limit, [&](size_t index) {
            std::unique_lock<std::mutex> guard(lock);
            most = std::max(most, ++running);
            changed.notify_all();
            // A barrier: no job ends before the limit was reached once, so a
            // run that never reaches it shows as `most` below it (after the
            // generous bound), and one that exceeds it as `most` above.
            changed.wait_for(guard, std::chrono::seconds(20), [&] { return most >= full; });
            ++runs[index];
            --running;
        });
        for (const std::atomic<int>& count : runs)
            EXPECT_EQ(count.load(), 1) << limit;
        EXPECT_EQ(most, full) << "limit " << limit;
    }
    EXPECT_THROW(RunConcurrently(4, 2, [](size_t index) {
                     if (index == 2)
                         throw std::runtime_error("exhausted");
                 }),
                 std::runtime_error);
}

}  // namespace

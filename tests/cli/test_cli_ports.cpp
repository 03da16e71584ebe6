// One adapter, one session: a port named twice or under another spelling is
// refused before anything is sent, a port another process holds is reported
// in use, and Ctrl+C or SIGTERM in the middle of a batch finishes the adapter
// in progress, starts no other, and leaves a log of whole lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>
#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/progress_board.h"
#include "tests/cli/cli_files.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

const char kSnapshot[] = R"({"name": "Bench-1", "advInterval": 320,
    "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
    "slots": [{"address": "0A1B2C3D4E5F", "tag": "door"}, {"address": ""}, {"address": ""}, {"address": ""},
              {"address": ""}, {"address": ""}, {"address": ""}]})";

std::string ProgressBoardLine(const std::string& port)
{
    return ProgressBoard::LineOf(port, "done", 100) + "\n";
}

std::string WriteSnapshot(const std::string& name)
{
    const std::string path = TempPath(name);
    WriteFile(path, kSnapshot);
    return path;
}

// The real kx4xx in a child process, its standard output read at the end.
class ChildRun {
public:
    explicit ChildRun(const std::vector<std::string>& args)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDERR_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>("kx4xx"));
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(KX4XX_CLI_PATH, argv.data());
            _exit(127);
        }
        close(fds[1]);
        readFd = fds[0];
    }
    ~ChildRun()
    {
        if (pid > 0)
            Wait();
    }
    bool Started() const { return pid > 0; }
    void Signal(int signal) { kill(pid, signal); }
    // Reads the output to its end and reaps the child; its exit status.
    int Wait()
    {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = read(readFd, buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<size_t>(got));
        close(readFd);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }

    std::string out;

private:
    pid_t pid = -1;
    int readFd = -1;
};

class CliPortsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link = TempPath("kx4xx-port-link");
        unlink(link.c_str());
        ASSERT_EQ(symlink(sim.PortName().c_str(), link.c_str()), 0);
    }
    void TearDown() override { unlink(link.c_str()); }

    SimLink sim;
    std::string link;  // another name of the adapter's port
};

TEST_F(CliPortsTest, APortNamedTwiceOrUnderAnotherNameIsRefusedBeforeAnythingIsSent)
{
    const std::string port = sim.PortName();
    const std::string doubledSlash = "/dev//" + port.substr(5);  // "/dev//pts/N"
    ASSERT_EQ(port.rfind("/dev/", 0), 0u) << port;
    const std::string snapshot = WriteSnapshot("kx4xx-twice.json");
    const struct {
        std::vector<std::string> args;
        std::string second;  // the other spelling the message names beside the port's own; none when the same
    } cases[] = {
        {{"--port", port, "--port", port, "identify"}, ""},
        {{"--port", port, "slots", "write", snapshot, "--port", link}, link},
        {{"--port", port, "snapshot", "apply", snapshot, "--port", port}, ""},
        {{"snapshot", "apply", snapshot, "--port", port, "--port", doubledSlash}, doubledSlash},
        {{"snapshot", "apply", snapshot, "--port", link, "--port", port}, link},
        {{"ports", "--probe", "--port", port, "--port", link}, link},
        {{"--port", port, "--port", doubledSlash, "provision", snapshot, "--watch"}, doubledSlash},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CliRun run = RunKx4xx(c.args);
        EXPECT_EQ(run.code, kExitBadArguments) << run.out;
        EXPECT_NE(run.err.find(port), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.second.empty() ? "is given twice" : "are the same device"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find(c.second), std::string::npos) << run.err;
        EXPECT_TRUE(sim.Record().empty());
    }
}

// A second kx4xx on a port the first has open would read the first one's
// replies: it is told the port is in use, and sends nothing.
TEST_F(CliPortsTest, APortAnotherProcessHoldsIsReportedInUseAndGetsNothing)
{
    ChildRun holder({"--port", sim.PortName(), "scan", "--seconds", "600"});
    ASSERT_TRUE(holder.Started());
    bool scanning = false;
    for (int i = 0; i < 200 && !scanning; ++i) {  // a generous bound: 20 s
        const std::vector<std::string> record = sim.Record();
        scanning = !record.empty() && record.back() == "AT+STARTSCAN\r";
        if (!scanning)
            usleep(100000);
    }
    ASSERT_TRUE(scanning);
    const size_t sentBefore = sim.Record().size();

    const std::string snapshot = WriteSnapshot("kx4xx-in-use.json");
    const std::vector<std::string> commands[] = {
        {"--port", sim.PortName(), "identify"},
        {"--port", link, "identify"},
        {"--json", "snapshot", "apply", snapshot, "--port", sim.PortName()},
        {"--json", "ports", "--probe", "--port", link},
    };
    for (const std::vector<std::string>& args : commands) {
        SCOPED_TRACE(testing::PrintToString(args));
        const CliRun run = RunKx4xx(args);
        EXPECT_NE(run.code, kExitOk);
        if (args[0] != "--json") {
            EXPECT_EQ(run.code, kExitPortOpen);
            EXPECT_NE(run.err.find("the port is in use"), std::string::npos) << run.err;
            continue;
        }
        const nlohmann::json data = nlohmann::json::parse(run.out);
        const nlohmann::json& entry = data.contains("adapters") ? data["adapters"][0] : data["ports"][0];
        EXPECT_EQ(entry["exitCode"], kExitPortOpen) << entry;
        EXPECT_NE(entry["result"].get<std::string>().find("the port is in use"), std::string::npos) << entry;
    }
    EXPECT_EQ(sim.Record().size(), sentBefore) << "only the scan's own commands";

    holder.Signal(SIGINT);
    const int status = holder.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitOk) << "Ctrl+C is how a scan ends";
    EXPECT_EQ(RunKx4xx({"--port", link, "identify"}).code, kExitOk) << "free again once the holder has gone";
}

// Four adapters one at a time (--jobs 1); the stop comes while the first is
// being written.
TEST(CliStopTest, SignalMidBatchFinishesTheAdapterInProgressAndStartsNoOther)
{
    const struct {
        int signal;
        int exitCode;
    } cases[] = {{SIGINT, kExitInterrupted}, {SIGTERM, kExitTerminated}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        SimLink sims[4];
        std::vector<std::string> args = {"--json", "--log", TempPath("kx4xx-stop.log"), "snapshot", "apply",
                                          WriteSnapshot("kx4xx-stop.json"), "--jobs", "1"};
        std::remove(TempPath("kx4xx-stop.log").c_str());
        for (SimLink& sim : sims) {
            sim.Set("fault delay 20");  // the first adapter takes some 0.6 s more
            args.push_back("--port");
            args.push_back(sim.PortName());
        }
        ChildRun run(args);
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(sims[0].WaitForCommandCount(1, std::chrono::seconds(20)));
        run.Signal(c.signal);
        const int status = run.Wait();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << run.out;

        // The first adapter was written whole and verified; the others got nothing.
        EXPECT_NE(sims[0].Set("state").find("name=Bench-1"), std::string::npos);
        EXPECT_EQ(sims[0].Record().back(), "AT+GETSLOT=7\r") << "read back to the end";
        for (int i = 1; i < 4; ++i)
            EXPECT_TRUE(sims[i].Record().empty()) << i;

        const nlohmann::json summary = nlohmann::json::parse(run.out);
        EXPECT_EQ(summary["applied"], 1);
        EXPECT_EQ(summary["failed"], 0);
        EXPECT_EQ(summary["notStarted"], 3);
        const nlohmann::json& adapters = summary["adapters"];
        ASSERT_EQ(adapters.size(), 4u) << run.out;
        EXPECT_EQ(adapters[0]["result"], "applied and verified");
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(adapters[i]["result"], "not started") << adapters[i];
            EXPECT_EQ(adapters[i]["exitCode"], c.exitCode) << adapters[i];
        }

        // The log parses line by line: one whole line per adapter.
        std::ifstream log(TempPath("kx4xx-stop.log"));
        std::vector<nlohmann::json> lines;
        for (std::string line; std::getline(log, line);)
            lines.push_back(nlohmann::json::parse(line));
        ASSERT_EQ(lines.size(), 4u);
        for (const nlohmann::json& line : lines) {
            const bool first = line["port"] == sims[0].PortName();
            EXPECT_EQ(line["result"], first ? "applied and verified" : "not started") << line;
            EXPECT_EQ(line["exitCode"], first ? kExitOk : c.exitCode) << line;
            if (!first) {
                EXPECT_TRUE(line["written"].is_null()) << line;
            }
        }
    }
}

// A probe a stop reaches ends with the stop's code, not as a success.
TEST(CliStopTest, CtrlCDuringAProbeEndsWithTheStopsCode)
{
    SimLink silent;
    silent.Set("fault silence on");  // the probe waits out its time limits
    ChildRun run({"ports", "--probe", "--port", silent.PortName()});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(silent.WaitForCommandCount(1, std::chrono::seconds(20)));
    run.Signal(SIGINT);
    const int status = run.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kExitInterrupted) << run.out;
    EXPECT_NE(run.out.find("no reply"), std::string::npos) << "the port in progress finished: " << run.out;
}

// Output that is no terminal gets the results alone; each adapter's one
// progress line, as it finishes, goes to the error stream.
TEST(CliProgressTest, RedirectedOutputHoldsTheResultsAloneAndProgressGoesToErrors)
{
    SimLink sims[2];
    const CliRun run = RunKx4xx({"snapshot", "apply", WriteSnapshot("kx4xx-progress.json"), "--port",
                                 sims[0].PortName(), "--port", sims[1].PortName()});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_EQ(run.out.find('%'), std::string::npos) << run.out;
    EXPECT_EQ(run.out.rfind("PORT ", 0), 0u) << "the results first: " << run.out;
    for (const SimLink& sim : sims) {
        const std::string done = ProgressBoardLine(sim.PortName());
        EXPECT_NE(run.err.find(done), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find(done), run.err.rfind(done)) << "one line per adapter: " << run.err;
    }
    EXPECT_EQ(run.err.find("  0%"), std::string::npos) << "no step lines: " << run.err;
}

// Watching every listed port: the machine's own ports where nothing answers
// are no adapters, neither provisioned nor failed.
TEST(CliWatchListedTest, PortsWhereNothingAnswersAreNoFailedAdapters)
{
    SimLink silent, healthy;
    silent.Set("fault silence on");
    std::atomic<bool> stop{false};
    CliEnvironment environment{stop};
    environment.listPorts = [&] { return std::vector<std::string>{silent.PortName(), healthy.PortName()}; };
    const std::string snapshot = WriteSnapshot("kx4xx-watch-listed.json");
    std::ostringstream out, err;
    int code = -1;
    std::thread watch([&] { code = RunCli({"kx4xx", "provision", snapshot, "--watch"}, out, err, environment); });
    bool provisioned = false;
    for (int i = 0; i < 200 && !provisioned; ++i) {  // a generous bound: 20 s
        provisioned = healthy.Set("state").find("name=Bench-1") != std::string::npos;
        if (!provisioned)
            usleep(100000);
    }
    EXPECT_TRUE(silent.WaitForCommandCount(1, std::chrono::seconds(20)));
    stop = true;  // the jobs in progress are finished first
    watch.join();
    EXPECT_TRUE(provisioned);
    EXPECT_EQ(code, kExitOk) << out.str();
    EXPECT_NE(out.str().find("1 adapter(s) provisioned, 0 failed."), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find(silent.PortName() + " "), std::string::npos) << out.str();
}

}  // namespace

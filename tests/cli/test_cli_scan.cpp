// scan against the simulated adapter: the filters sent, one row per device,
// the RSSI threshold, and the stop sent on time and on Ctrl+C (in-process
// and to the real binary).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "cli/exit_codes.h"
#include "tests/cli/cli_run.h"
#include "tests/support/sim_link.h"

namespace {

using Texts = std::vector<std::string>;

class CliScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim.Set("peers clear");
        sim.Set("peers add 0A0000000001 -50 near");
        sim.Set("peers add 0A0000000002 -80 far");
        sim.Set("peers add 0A0000000003 -60 edge");
        sim.Set("jitter 0");
        sim.Set("scan-period 20");
    }

    // Waits until the adapter has received text.
    bool WaitForCommand(const std::string& text)
    {
        for (int i = 0; i < 2000; ++i) {
            const Texts record = sim.Record();
            if (std::find(record.begin(), record.end(), text) != record.end())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    SimLink sim;
};

TEST_F(CliScanTest, ListsEachDeviceOnceAboveTheThreshold)
{
    const CliRun run = RunKx4xx({"--port", sim.PortName(), "--json", "scan", "--seconds", "2", "--rssi", " -60 "});
    ASSERT_EQ(run.code, kExitOk) << run.err << run.out;
    const nlohmann::json data = nlohmann::json::parse(run.out);
    // Every peer reported many times in 2 s at 20 ms; each listed once, -80 left out, -60 kept.
    EXPECT_EQ(data["devices"], nlohmann::json::parse(R"([{"address":"0A0000000001","name":"near","rssi":-50},
                                                        {"address":"0A0000000003","name":"edge","rssi":-60}])"));
    EXPECT_EQ(data["interrupted"], false);
    const Texts record = sim.Record();
    ASSERT_GE(record.size(), 6u);
    EXPECT_EQ(Texts(record.begin() + 2, record.begin() + 5), (Texts{"AT+MODEL?\r", "AT+SF=OFF\r", "AT+STARTSCAN\r"}));
    EXPECT_EQ(record.back(), "AT+STOPSCAN\r");
    EXPECT_EQ(sim.Set("state").find("scanning=1"), std::string::npos);
}

TEST_F(CliScanTest, NameFilterGoesToTheAdapter)
{
    const CliRun run = RunKx4xx({"--port", sim.PortName(), "scan", "--seconds", "1", "--name", "near"});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    const Texts record = sim.Record();
    EXPECT_NE(std::find(record.begin(), record.end(), "AT+SF=ON,near\r"), record.end());
    EXPECT_EQ(record.back(), "AT+STOPSCAN\r");
    EXPECT_NE(run.out.find("0A0000000001   -50  near"), std::string::npos) << run.out;
}

TEST_F(CliScanTest, RefusedStartStillSendsTheStop)
{
    sim.Set("fault error AT+STARTSCAN");
    const CliRun run = RunKx4xx({"--port", sim.PortName(), "scan", "--seconds", "1"});
    EXPECT_EQ(run.code, kExitRefused);
    EXPECT_EQ(sim.Record().back(), "AT+STOPSCAN\r");
}

TEST_F(CliScanTest, InterruptStopsTheScan)
{
    std::atomic<bool> interrupted{false};
    CliRun run;
    std::thread scan([&] { run = RunKx4xx({"--port", sim.PortName(), "scan", "--seconds", "600"}, interrupted); });
    const bool started = WaitForCommand("AT+STARTSCAN\r");
    interrupted = true;
    scan.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(run.code, kExitOk) << run.err;
    EXPECT_NE(run.out.find("scan stopped on Ctrl+C"), std::string::npos) << run.out;
    EXPECT_EQ(sim.Record().back(), "AT+STOPSCAN\r");
}

TEST_F(CliScanTest, CtrlCToTheProgramStillStopsTheScan)
{
    const std::string port = sim.PortName();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        execl(KX4XX_CLI_PATH, "kx4xx", "--port", port.c_str(), "scan", "--seconds", "600", static_cast<char*>(nullptr));
        _exit(127);
    }
    const bool started = WaitForCommand("AT+STARTSCAN\r");
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kExitOk);
    EXPECT_EQ(sim.Record().back(), "AT+STOPSCAN\r");
}

}  // namespace

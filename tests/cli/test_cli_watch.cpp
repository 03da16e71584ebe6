// provision --watch in the real binary against a simulated adapter whose
// link appears and disappears: each adapter plugged in is provisioned once,
// one unplugged mid-way is reported failed, the next on the same port is
// provisioned anew, and Ctrl+C ends the watch cleanly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "cli/exit_codes.h"
#include "sim/sim_adapter.h"

namespace {

using kx4xx::sim::SimAdapter;

// The watch's output, read as it comes.
class OutputPipe {
public:
    explicit OutputPipe(int fd) : readFd(fd) {}
    ~OutputPipe() { close(readFd); }

    // Reads until text holds `needle` counted `times`, or the generous limit passes.
    bool WaitFor(const std::string& needle, size_t times = 1, std::chrono::seconds limit = std::chrono::seconds(30))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (Count(needle) < times && std::chrono::steady_clock::now() < deadline) {
            pollfd waiting{readFd, POLLIN, 0};
            if (poll(&waiting, 1, 100) <= 0)
                continue;
            char buffer[512];
            const ssize_t got = read(readFd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            text.append(buffer, static_cast<size_t>(got));
        }
        return Count(needle) >= times;
    }
    void ReadToEnd()
    {
        char buffer[512];
        ssize_t got = 0;
        while ((got = read(readFd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(got));
    }
    size_t Count(const std::string& needle) const
    {
        size_t count = 0;
        for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
            ++count;
        return count;
    }

    std::string text;

private:
    int readFd;
};

std::unique_ptr<SimAdapter> PlugIn(const std::string& link, const std::string& address)
{
    auto sim = std::make_unique<SimAdapter>();
    EXPECT_FALSE(sim->Start(link));
    EXPECT_EQ(sim->Control("address " + address).rfind("ok", 0), 0u);
    return sim;
}

// Longer than one poll of the port list, so that the watch sees the port empty.
void StayUnplugged()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
}

TEST(CliWatchTest, AdaptersPluggedInTurnAreProvisionedUntilCtrlC)
{
    const std::string link = ::testing::TempDir() + "kx4xx-watch-port";
    const std::string snapshot = ::testing::TempDir() + "kx4xx-watch.json";
    const std::string log = ::testing::TempDir() + "kx4xx-watch.log";
    unlink(link.c_str());
    std::remove(log.c_str());
    std::ofstream(snapshot, std::ios::trunc) << R"({"name": "Station", "advInterval": 200,
        "uart": {"flowControl": 0, "parity": "N", "stopBits": 1},
        "slots": [{"address": ""}, {"address": ""}, {"address": ""}, {"address": ""},
                  {"address": ""}, {"address": ""}, {"address": ""}]})";

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(KX4XX_CLI_PATH, "kx4xx", "--log", log.c_str(), "--port", link.c_str(), "provision", snapshot.c_str(),
              "--watch", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    OutputPipe output(fds[0]);
    ASSERT_TRUE(output.WaitFor("Watching for adapters")) << output.text;

    auto first = PlugIn(link, "0A0000000001");
    EXPECT_TRUE(output.WaitFor("0A0000000001  applied and verified")) << output.text;
    EXPECT_NE(first->Control("state").find("name=Station"), std::string::npos);
    first->Stop();  // unplugged: the link goes away
    StayUnplugged();

    auto second = PlugIn(link, "0A0000000002");
    second->Control("hangup-after 12");  // pulled out while its slots are written
    EXPECT_TRUE(output.WaitFor("0A0000000002  Failed to register node (device). The port closed")) << output.text;
    second->Stop();
    StayUnplugged();

    auto third = PlugIn(link, "0A0000000003");
    EXPECT_TRUE(output.WaitFor("0A0000000003  applied and verified")) << output.text;
    // Still plugged in: provisioned once, not again at every poll.
    StayUnplugged();
    const std::vector<std::string> received = third->Record();
    EXPECT_EQ(std::count(received.begin(), received.end(), "AT+MANUF=Station\r"), 1);

    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    output.ReadToEnd();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kExitNoReply) << "the failed adapter's code: " << output.text;
    EXPECT_EQ(output.Count("applied and verified"), 2u) << output.text;
    EXPECT_NE(output.text.find("2 adapter(s) provisioned, 1 failed."), std::string::npos) << output.text;

    std::ifstream file(log);
    std::string line;
    std::vector<nlohmann::json> lines;
    while (std::getline(file, line))
        lines.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["address"], "0A0000000001");
    EXPECT_EQ(lines[1]["exitCode"], kExitNoReply);
    EXPECT_EQ(lines[2]["address"], "0A0000000003");
    for (const nlohmann::json& entry : lines)
        EXPECT_EQ(entry["operation"], "provision");
}

}  // namespace

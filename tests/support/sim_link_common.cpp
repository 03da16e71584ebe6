// The platform-independent half of SimLink: parsing the control replies.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <thread>

#include "tests/support/sim_link.h"

namespace {

// Undoes the control interface's escapes (\r \n \\ \xHH).
std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

}  // namespace

std::string SimLink::Set(const std::string& line)
{
    const std::string reply = Control(line);
    EXPECT_EQ(reply.rfind("ok", 0), 0u) << line << " -> " << reply;
    return reply;
}

std::vector<std::string> SimLink::Record()
{
    const std::string reply = Set("record");
    std::vector<std::string> commands;
    std::istringstream words(reply.size() > 3 ? reply.substr(3) : std::string());
    std::string word;
    while (words >> word)
        commands.push_back(Unescape(word));
    return commands;
}

bool SimLink::WaitForCommandCount(unsigned long long count, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string reply = Control("count");
        if (reply.rfind("ok ", 0) == 0 && std::stoull(reply.substr(3)) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void SimLink::SetNumberedPeers(size_t count, std::chrono::milliseconds reportPeriod)
{
    Set("jitter 0");
    Set("peers clear");
    for (size_t peer = 0; peer < count; ++peer) {
        char address[32];  // twelve digits for every count a test uses
        std::snprintf(address, sizeof address, "0000000%05zX", peer);
        Set(std::string("peers add ") + address + " -50 " + NumberedPeerName(peer));
    }
    Set("scan-period " + std::to_string(reportPeriod.count()));
}

std::string SimLink::NumberedPeerName(size_t n)
{
    char name[32];
    std::snprintf(name, sizeof name, "P%04zu", n);
    return name;
}

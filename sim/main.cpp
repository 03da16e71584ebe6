// kx4xx-sim: the simulated ZANTOR-KX400 adapter as a program.
//
// On start it prints, one per line on stdout:
//   pty <slave path>
//   link <link path>            with --link
//   control 127.0.0.1:<port>    with --control-port
//   wine <COM name>             with --wine-prefix and --com
//   ready
// Then every line on stdin is a control command (see control_text.h) and
// its reply line goes to stdout. It ends when stdin closes (unless
// --ignore-stdin), or on SIGINT or SIGTERM.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kx4xx_version.h"
#include "sim/control_server.h"
#include "sim/control_text.h"
#include "sim/sim_adapter.h"
#include "sim/wine_ports.h"

namespace {

using kx4xx::sim::ControlServer;
using kx4xx::sim::SimAdapter;

int gSignalPipe[2] = {-1, -1};  // written by the signal handler, read by main

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[1], &byte, 1);
}

struct Options {
    std::string link;
    bool control = false;
    long controlPort = 0;
    std::string winePrefix;
    std::string comName;
    bool ignoreStdin = false;
    std::string baud;  // a control command's argument, checked by it
};

void PrintHelp() {
    std::printf(
        "Usage: kx4xx-sim [options]\n"
        "Simulated ZANTOR-KX400 adapter on a pseudo-terminal.\n\n"
        "Options:\n"
        "  --link PATH          keep a symbolic link PATH pointing at the current pty\n"
        "                       (moved to the new pty after a hang-up and reopen)\n"
        "  --control-port N     also serve the control commands on TCP 127.0.0.1:N\n"
        "                       (0: any free port; the port chosen is printed)\n"
        "  --wine-prefix DIR    with --com: map that Wine port to the pty (or the link)\n"
        "  --com COMn           by 'wine reg add HKLM\\Software\\Wine\\Ports', then\n"
        "                       'wineserver -k' (ends Wine programs of that prefix)\n"
        "  --ignore-stdin       do not read stdin; run until SIGINT or SIGTERM\n"
        "  --baud N             pace the line at N baud, 10 bits a byte, both ways\n"
        "                       (as the control command 'baud N'; default: unpaced)\n"
        "  --help               this text\n"
        "  --version            the version number\n\n"
        "Output on start, one item a line: 'pty PATH', 'link PATH', 'control 127.0.0.1:PORT',\n"
        "'wine COMn' (those that apply), then 'ready'. Each stdin line is a control command,\n"
        "answered by one line 'ok [data]' or 'error REASON'. Commands:\n%s"
        "TEXT arguments run to the end of the line and take the escapes \\r \\n \\\\ \\xHH.\n"
        "Scan reports go to the peers whose name begins with the adapter's name filter.\n",
        kx4xx::sim::ControlHelpText());
}

// What the command line asks for besides running the adapter.
enum class InfoRequest { kNone, kHelp, kVersion };

// False on a bad command line.
bool ParseOptions(int argc, char** argv, Options& options, InfoRequest& info) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--help") {
            info = InfoRequest::kHelp;
        } else if (option == "--version") {
            info = InfoRequest::kVersion;
        } else if (option == "--ignore-stdin") {
            options.ignoreStdin = true;
        } else if (option == "--link" && hasValue) {
            options.link = argv[++i];
        } else if (option == "--control-port" && hasValue) {
            char* end = nullptr;
            options.controlPort = std::strtol(argv[++i], &end, 10);
            options.control = true;
            if (*end != '\0' || options.controlPort < 0 || options.controlPort > 65535) return false;
        } else if (option == "--wine-prefix" && hasValue) {
            options.winePrefix = argv[++i];
        } else if (option == "--com" && hasValue) {
            options.comName = argv[++i];
        } else if (option == "--baud" && hasValue) {
            options.baud = argv[++i];
        } else {
            return false;
        }
    }
    return options.winePrefix.empty() == options.comName.empty();
}

// Answers the complete lines of stdin; false at its end.
bool ServeStdin(SimAdapter& sim, std::string& pending) {
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0) return errno == EINTR || errno == EAGAIN;
    if (count == 0) return false;
    pending.append(buffer, static_cast<size_t>(count));
    for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        const std::string reply = sim.Control(pending.substr(0, end));
        std::printf("%s\n", reply.c_str());
        pending.erase(0, end + 1);
    }
    if (pending.size() > SimAdapter::kMaxLineBytes) {
        std::printf("error line too long\n");
        pending.clear();
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    InfoRequest info = InfoRequest::kNone;
    if (!ParseOptions(argc, argv, options, info)) {
        std::fprintf(stderr, "kx4xx-sim: bad arguments (try --help)\n");
        return 2;
    }
    if (info == InfoRequest::kHelp) {
        PrintHelp();
        return 0;
    }
    if (info == InfoRequest::kVersion) {
        std::printf("kx4xx-sim %s\n", KX4XX_VERSION_TEXT);
        return 0;
    }
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("kx4xx-sim: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    SimAdapter sim;
    if (const std::error_code error = sim.Start(options.link)) {
        std::fprintf(stderr, "kx4xx-sim: cannot open a pty: %s\n", error.message().c_str());
        return 1;
    }
    if (!options.baud.empty()) {
        const std::string reply = sim.Control("baud " + options.baud);
        if (reply != "ok") {
            std::fprintf(stderr, "kx4xx-sim: --baud: %s\n", reply.c_str());
            return 2;
        }
    }
    ControlServer server(sim);
    if (options.control) {
        if (const std::error_code error = server.Start(static_cast<uint16_t>(options.controlPort))) {
            std::fprintf(stderr, "kx4xx-sim: cannot listen on 127.0.0.1:%ld: %s\n", options.controlPort,
                         error.message().c_str());
            return 1;
        }
    }
    if (!options.winePrefix.empty()) {
        const std::string device = options.link.empty() ? sim.SlavePath() : options.link;
        if (const std::error_code error = kx4xx::sim::MapWinePort(options.winePrefix, options.comName, device)) {
            std::fprintf(stderr, "kx4xx-sim: wine reg add failed: %s\n", error.message().c_str());
            return 1;
        }
    }
    std::printf("pty %s\n", sim.SlavePath().c_str());
    if (!options.link.empty()) std::printf("link %s\n", options.link.c_str());
    if (options.control) std::printf("control 127.0.0.1:%u\n", static_cast<unsigned>(server.Port()));
    if (!options.comName.empty()) std::printf("wine %s\n", options.comName.c_str());
    std::printf("ready\n");
    std::fflush(stdout);

    std::string pending;
    for (;;) {
        pollfd fds[2] = {{gSignalPipe[0], POLLIN, 0}, {options.ignoreStdin ? -1 : STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !ServeStdin(sim, pending)) break;
    }
    server.Stop();
    sim.Stop();
    return 0;
}

#include "sim/wine_ports.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace kx4xx::sim {

namespace {

// Runs a program found on PATH with the given environment; its exit status
// or -1 if it could not be run.
int RunProgram(std::vector<std::string> arguments, const std::vector<std::string>& environment) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    // Wine's messages go to stderr: stdout carries our machine-read lines.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::error_code MapWinePort(const std::string& prefix, const std::string& comName, const std::string& devicePath) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "WINEPREFIX=", 11) != 0) environment.emplace_back(*entry);
    }
    environment.push_back("WINEPREFIX=" + prefix);
    const int status = RunProgram(
        {"wine", "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", comName, "/d", devicePath, "/f"}, environment);
    if (status != 0) return std::make_error_code(std::errc::io_error);
    // Its status says only whether a server was running; either way none is now.
    RunProgram({"wineserver", "-k"}, environment);
    return {};
}

}  // namespace kx4xx::sim

// What a user waits for, measured from outside the program under Wine, side
// by side in one run (see bench/run-gui-bench.sh):
//   connect to ready      OK in the port dialog to the device controls
//                         enabled, against the simulated adapter answering at
//                         once on an instant line and on lines paced at
//                         115200 and 9600 baud, over the line time of those
//                         exchanges (at 115200 baud for the instant line)
//   scan listing          rows per second with distinct peers streamed at
//                         rates up to beyond what the line carries, whether
//                         every peer reported was listed, in order, and the
//                         largest report rate listed without a growing backlog
//   start-up, memory      to the port dialog, and the peak working set there,
//                         over the same for a minimal dialog program
//   processor time        10 s of an idle open port, 10 s of a silent scan
//   crowded room          a scan of 10 000 distinct peers at the rate a line
//                         of 115200 baud carries: the listing rate of the
//                         first and the last 1000 rows, every peer listed
//                         once and in order, memory at the end, and how long
//                         Stop takes until the list is still and the button
//                         reads "Scan" again
//   gui_bench PROGRAM MINIMAL_PROGRAM [EARLIER_PROGRAM]   (Windows paths)
// With an earlier build of the program, its connect to ready is measured in
// the same run, before the program's own.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <cstdio>
#include <string>
#include <vector>

#include "resource.h"
#include "sim/command_handler.h"
#include "tests/e2e/person.h"
#include "tests/support/sim_link.h"

namespace {

constexpr int kRepeats = 5;
// A connect varies by 10 ms from one to the next under Wine; its median
// needs more of them to be steady.
constexpr int kConnectRepeats = 11;
constexpr unsigned kPortBaud = 115200;  // what the program opens every port at

double LineSecondsPerByte(unsigned baud) { return 10.0 / baud; }  // start, 8 data, stop bit

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A tight wait for what is timed: 1 ms polls, bounded at 30 s.
bool Await(const std::function<bool()>& condition) {
    const double end = Now() + 30.0;
    while (!condition()) {
        if (Now() > end) return false;
        Sleep(1);
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Wine reports no processor times of another process, so they are read
// from the Linux process behind it: the one whose command line names the
// program file, in /proc (seen through drive Z:).
std::string UnixStatFile(const std::string& programFileName) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    std::string result;
    do {
        if (found.cFileName[0] < '1' || found.cFileName[0] > '9') continue;
        const std::string folder = std::string("Z:\\proc\\") + found.cFileName;
        FILE* file = std::fopen((folder + "\\cmdline").c_str(), "rb");
        if (file == nullptr) continue;
        char text[1024] = {};
        const size_t length = std::fread(text, 1, sizeof text - 1, file);
        std::fclose(file);
        if (std::string(text, length).find(programFileName) != std::string::npos) result = folder + "\\stat";
    } while (result.empty() && FindNextFileA(search, &found));
    FindClose(search);
    return result;
}

// User plus system time of the process, in seconds (clock ticks of 10 ms).
double ProcessSeconds(const std::string& statFile) {
    FILE* file = std::fopen(statFile.c_str(), "rb");
    if (file == nullptr) return -1.0;
    char text[1024] = {};
    const size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    // Fields after the parenthesised name: state is field 3, utime 14, stime 15.
    const std::string stat(text, length);
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1.0;
    unsigned long long user = 0, system = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                    &system) != 2)
        return -1.0;
    return static_cast<double>(user + system) / 100.0;
}

double PeakMegabytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1.0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

struct StartUp {
    double seconds;
    double peakMegabytes;
};

// Start to the visible dialog with the list 1001, median of kRepeats warm runs.
StartUp MeasureStartUp(const std::wstring& program) {
    std::vector<double> times, peaks;
    for (int run = 0; run <= kRepeats; ++run) {
        const double start = Now();
        RemoteProgram process(program);
        if (!process.Started() || !Await([&] { return process.WaitForDialog(IDC_COMBO_COM_PORT, 0) != nullptr; }))
            return {-1.0, -1.0};
        const double shown = Now() - start;
        // Wait for the process to settle before reading its peak.
        Sleep(300);
        if (run == 0) continue;  // the cold start fills Wine's caches
        times.push_back(shown);
        peaks.push_back(PeakMegabytes(process.Process()));
    }
    return {Median(times), Median(peaks)};
}

// The line time of the exchanges in the record, with the replies of an
// adapter in its default state.
double LineSeconds(const std::vector<std::string>& record, unsigned baud) {
    kx4xx::sim::AdapterState state;
    double seconds = 0.0;
    for (const std::string& command : record) {
        const std::string text = command.substr(0, command.find('\r'));
        const std::string reply = kx4xx::sim::HandleCommand(state, text).reply + "\r";
        seconds += static_cast<double>(command.size() + reply.size()) * LineSecondsPerByte(baud);
    }
    return seconds;
}

// Clicks Scan and waits until the scan runs. The window sets the Stop
// caption only after it emptied the list; enabled buttons alone do not tell,
// since disabling the device controls one by one passes through "Scan
// enabled, Update disabled" while the previous scan's rows are still listed.
bool StartScan(const Person& person) {
    const std::wstring readyCaption = person.ItemText(IDC_BTN_SCAN);
    person.Click(IDC_BTN_SCAN);
    return Await([&] {
        return IsWindowEnabled(person.Item(IDC_BTN_SCAN)) && person.ItemText(IDC_BTN_SCAN) != readyCaption;
    });
}

// How many rows, from the first, name peer n in row n ("P0000", "P0001", ...
// for the prefix 'P'): the whole list when no peer was lost or listed twice.
int RowsInOrder(const Person& person, wchar_t namePrefix) {
    const int rows = person.ListRows();
    int inOrder = 0;
    while (inOrder < rows) {
        wchar_t number[8];
        swprintf(number, std::size(number), L"%04d", inOrder);
        if (person.ListText(inOrder, 1) != namePrefix + std::wstring(number)) break;
        ++inOrder;
    }
    return inOrder;
}

struct Connect {
    unsigned baud;       // the simulated line's pace; 0: instant
    double seconds;      // median OK to ready
    double lineSeconds;  // median line time of the bytes exchanged meanwhile
};

// OK in the port dialog to the device controls enabled, median of kConnectRepeats
// connects after one that is not counted, on the simulated line paced at
// baud (0: instant).
bool MeasureConnect(Person& person, SimLink& sim, const std::wstring& port, unsigned baud, Connect& result) {
    sim.Control("baud " + std::to_string(baud));
    std::vector<double> connects, lines;
    for (int run = 0; run <= kConnectRepeats; ++run) {
        if (person.FindMainWindow(0) != nullptr) person.Menu(IDM_SELECT_COM_PORT);
        HWND dialog = person.PortDialog();
        if (dialog == nullptr) return false;
        HWND combo = GetDlgItem(dialog, IDC_COMBO_COM_PORT);
        SendMessageW(combo, CB_SETCURSEL,
                     static_cast<WPARAM>(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                      reinterpret_cast<LPARAM>(port.c_str()))),
                     0);
        sim.Control("clear-record");
        const double start = Now();
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        HWND window = nullptr;
        if (!Await([&] {
                window = person.FindMainWindow(0);
                return window != nullptr && IsWindowEnabled(GetDlgItem(window, IDC_BTN_UPDATE)) &&
                       IsWindowEnabled(GetDlgItem(window, IDC_BTN_SCAN));
            }))
            return false;
        if (run == 0) continue;
        connects.push_back(Now() - start);
        lines.push_back(LineSeconds(sim.Record(), baud == 0 ? kPortBaud : baud));
    }
    sim.Control("baud 0");
    result = {baud, Median(connects), Median(lines)};
    return person.FindMainWindow() != nullptr;
}

void PrintConnect(const char* build, const Connect& connect) {
    char line[64] = "instant line";
    if (connect.baud != 0) std::snprintf(line, sizeof line, "line paced at %u baud", connect.baud);
    std::printf("| connect to ready%s, %s | %.0f ms | %.0f ms (line time of the exchanged bytes at %u baud) | %.2f |\n",
                build, line, connect.seconds * 1e3, connect.lineSeconds * 1e3,
                connect.baud == 0 ? kPortBaud : connect.baud, connect.seconds / connect.lineSeconds);
    std::fflush(stdout);
}

// A scan of far more distinct peers than a window usually sees, at the rate
// the line carries.
bool MeasureCrowdedRoom(Person& person, SimLink& sim) {
    constexpr int kCrowd = 10000;
    constexpr int kBlock = 1000;
    sim.Control("peers clear");
    for (int peer = 0; peer < kCrowd; ++peer) {
        char command[80];
        std::snprintf(command, sizeof command, "peers add 000000%06X -50 C%04d", peer, peer);
        sim.Control(command);
    }
    sim.Control("baud " + std::to_string(kPortBaud));
    sim.Control("scan-period 1");
    const std::wstring scanCaption = person.ItemText(IDC_BTN_SCAN);
    if (!StartScan(person)) {
        std::fprintf(stderr, "crowded room: the scan did not start\n");
        return false;
    }
    // When each block of rows was complete.
    std::vector<double> blockDone;
    const double start = Now();
    int lastRows = 0;
    double lastGrowth = start;
    while (static_cast<int>(blockDone.size()) < kCrowd / kBlock) {
        const int rows = person.ListRows();
        if (rows != lastRows) lastGrowth = Now();
        lastRows = rows;
        while (static_cast<int>(blockDone.size()) < rows / kBlock) blockDone.push_back(Now());
        if (Now() - lastGrowth > 5.0) break;  // nothing new for 5 s: the rest is lost
        Sleep(1);
    }
    const double stopClicked = Now();
    person.Click(IDC_BTN_SCAN);
    double captionBack = 0.0, listStill = 0.0;
    int rowsAtStop = person.ListRows();
    if (!Await([&] {
            const int rows = person.ListRows();
            if (rows != rowsAtStop) {
                rowsAtStop = rows;
                listStill = Now() - stopClicked;
            }
            if (captionBack == 0.0 && person.ItemText(IDC_BTN_SCAN) == scanCaption) captionBack = Now() - stopClicked;
            return captionBack != 0.0 && person.WaitReady(0);
        })) {
        std::fprintf(stderr, "crowded room: the window did not come back from Stop\n");
        return false;
    }
    const int finalRows = person.ListRows();
    const int inOrder = RowsInOrder(person, L'C');
    const size_t blocks = blockDone.size();
    const double firstRate = blocks >= 2 ? kBlock / (blockDone[1] - blockDone[0]) : 0.0;
    const double lastRate = blocks >= 2 ? kBlock / (blockDone[blocks - 1] - blockDone[blocks - 2]) : 0.0;
    std::printf("| crowded room: %d distinct peers at the line's rate (115200 baud, %.0f reports/s) | %d rows in %.1f s, "
                "%s | %d peers | |\n",
                kCrowd, 1.0 / (23.0 * LineSecondsPerByte(kPortBaud)), finalRows, stopClicked - start,
                inOrder == finalRows ? "each listed once, in order" : "NOT each once and in order", kCrowd);
    std::printf("| crowded room: listing rate, rows 1000-2000 against the last 1000 | %.0f rows/s / %.0f rows/s | | %.2f |\n",
                firstRate, lastRate, firstRate > 0.0 ? lastRate / firstRate : 0.0);
    std::printf("| crowded room: Stop to the caption \"Scan\" / to the last row listed | %.0f ms / %.0f ms | | |\n",
                captionBack * 1e3, listStill * 1e3);
    std::printf("| crowded room: peak working set at the end | %.1f MB | | |\n", PeakMegabytes(person.Program().Process()));
    std::fflush(stdout);
    sim.Control("baud 0");
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: gui_bench PROGRAM MINIMAL_PROGRAM [EARLIER_PROGRAM]\n");
        return 2;
    }
    const std::wstring program = argv[1];
    const std::wstring minimal = argv[2];
    SimLink sim;
    sim.Control("jitter 0");
    DeleteProfile();
    const std::wstring port(sim.PortName().begin(), sim.PortName().end());

    std::printf("| measure | value | baseline | ratio |\n|---|---|---|---|\n");
    const StartUp baseline = MeasureStartUp(minimal);
    const StartUp real = MeasureStartUp(program);
    std::printf("| start-up to the port dialog | %.0f ms | %.0f ms (minimal dialog) | %.2f |\n",
                real.seconds * 1e3, baseline.seconds * 1e3, real.seconds / baseline.seconds);
    std::printf("| peak working set at the port dialog | %.1f MB | %.1f MB (minimal dialog) | %.2f |\n",
                real.peakMegabytes, baseline.peakMegabytes, real.peakMegabytes / baseline.peakMegabytes);
    std::fflush(stdout);

    if (argc == 4) {
        Person earlier(argv[3]);
        for (unsigned baud : {0u, kPortBaud}) {
            Connect connect{};
            if (!MeasureConnect(earlier, sim, port, baud, connect)) return 1;
            PrintConnect(" (earlier build)", connect);
        }
        earlier.PressCloseBox();
        earlier.Program().WaitForExit(10000);
    }
    Person person(program);
    for (unsigned baud : {0u, kPortBaud, 9600u}) {
        Connect connect{};
        if (!MeasureConnect(person, sim, port, baud, connect)) return 1;
        PrintConnect("", connect);
    }

    // Processor time: an idle open port, then a scan that hears nothing.
    sim.Control("peers clear");
    const std::string statFile = UnixStatFile("ZANTOR-KX400 Manager.exe");
    double before = ProcessSeconds(statFile);
    Sleep(10000);
    const double idle = ProcessSeconds(statFile) - before;
    if (!StartScan(person)) return 1;
    before = ProcessSeconds(statFile);
    Sleep(10000);
    const double silentScan = ProcessSeconds(statFile) - before;
    person.Click(IDC_BTN_SCAN);
    if (!person.WaitReady()) return 1;
    std::printf("| processor time, 10 s idle open port | %.0f ms (%.2f %% of a core) | | |\n", idle * 1e3, idle * 10.0);
    std::printf("| processor time, 10 s scan without reports | %.0f ms (%.2f %% of a core) | | |\n", silentScan * 1e3,
                silentScan * 10.0);
    std::fflush(stdout);

    // Distinct peers, more than any run below can report, each reported once
    // in the order added: row n of a scan that lost nothing is peer n.
    constexpr int kPeers = 3000;
    for (int peer = 0; peer < kPeers; ++peer) {
        char command[80];
        std::snprintf(command, sizeof command, "peers add 0000000%05X -50 P%04d", peer, peer);
        sim.Control(command);
    }
    // "0000000XXXXX,-50,PNNNN\r": 23 bytes on the line.
    const double lineReportRate = 1.0 / (23.0 * LineSecondsPerByte(kPortBaud));
    std::printf("| scan reports the line carries at most | %.0f reports/s | | |\n", lineReportRate);
    // Rows listed per second at each report rate, over 2 s after the first
    // row; the window keeps up while it lists at least 90 % of what comes
    // and every row is the next peer.
    double fastest = 0.0;
    double keptUp = 0.0;
    for (unsigned periodMs : {50u, 20u, 10u, 5u, 2u, 1u}) {
        sim.Control("scan-period " + std::to_string(periodMs));
        if (!StartScan(person)) return 1;
        if (!Await([&] { return person.ListRows() >= 1; })) return 1;
        const double first = Now();
        const int firstRows = person.ListRows();
        Sleep(2000);
        const int rows = person.ListRows();
        const double listed = (rows - firstRows) / (Now() - first);
        person.Click(IDC_BTN_SCAN);
        if (!person.WaitReady()) return 1;
        const int finalRows = person.ListRows();
        const int inOrder = RowsInOrder(person, L'P');
        const bool noneLost = inOrder == finalRows;
        const double offered = 1000.0 / periodMs;
        char missed[64] = "";
        if (!noneLost) std::snprintf(missed, sizeof missed, ", row %d is not the next peer", inOrder);
        std::printf("| scan listing, adapter reporting every %u ms (%.0f/s) | %.0f rows/s, %d rows%s%s | %.0f reports/s | %.2f |\n",
                    periodMs, offered, listed, finalRows, noneLost ? ", every peer in order" : "", missed,
                    offered, listed / offered);
        std::fflush(stdout);
        fastest = std::max(fastest, listed);
        if (listed >= 0.9 * offered && noneLost) keptUp = std::max(keptUp, offered);
    }
    std::printf("| scan listing, fastest | %.0f rows/s | | |\n", fastest);
    std::printf("| largest report rate listed without a growing backlog | %.0f reports/s | | |\n", keptUp);
    if (!MeasureCrowdedRoom(person, sim)) return 1;
    std::printf("| peak working set after the connects and scans | %.1f MB | %.1f MB (minimal dialog) | %.2f |\n",
                PeakMegabytes(person.Program().Process()), baseline.peakMegabytes,
                PeakMegabytes(person.Program().Process()) / baseline.peakMegabytes);
    person.PressCloseBox();
    person.Program().WaitForExit(10000);
    return 0;
}

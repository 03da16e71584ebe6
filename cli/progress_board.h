// ProgressBoard: where a batch shows how far each adapter has got.
//
// On a terminal whose rows hold the whole board every port has one line,
// redrawn in place (step and percentage). Otherwise (output redirected, or
// more ports than rows) each adapter gets one line on the error stream as
// it finishes, so that the output holds the results alone and a terminal's
// scrollback no repeats. Nothing is shown with --json.
//
// Threads: the adapter threads call Update at once; the board's lock
// serialises the writes.
#pragma once

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

class ProgressBoard {
public:
    enum class Style { kLive, kPlain, kNone };
    // Writes one line of progress on the error stream.
    using LineSink = std::function<void(const std::string& line)>;

    // The style for a batch of portCount ports: live only on a terminal of
    // known size with a row for every port and one to spare.
    static Style StyleFor(bool json, bool terminal, unsigned terminalRows, size_t portCount);

    ProgressBoard(std::ostream& out, LineSink progressLine, Style style, std::vector<std::string> ports);
    // Adapter index has reached step (a short text) at percent of its work;
    // 100 when it has finished.
    void Update(size_t index, const std::string& step, unsigned percent);

    // The line of one port: "/dev/ttyUSB1          50%  UART options".
    static std::string LineOf(const std::string& port, const std::string& step, unsigned percent);

private:
    void Redraw();  // with lock held

    std::ostream& out;
    const LineSink progressLine;
    const Style style;
    std::mutex lock;
    std::vector<std::string> ports;  // fixed after construction
    std::vector<std::string> lines;  // guarded by lock
    bool drawn = false;              // guarded by lock; the live block is on the screen
};

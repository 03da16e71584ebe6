// ProgressBoard: where a batch shows how far each adapter has got.
//
// On a terminal every port has one line, redrawn in place (step and
// percentage); otherwise each step is a plain line of its own, so that a log
// of the output reads in order. Nothing is shown with --json.
//
// Threads: the adapter threads call Update at once; the board's lock
// serialises the writes.
#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

class ProgressBoard {
public:
    enum class Style { kLive, kPlain, kNone };

    ProgressBoard(std::ostream& out, Style style, std::vector<std::string> ports);
    // Adapter index has reached step (a short text) at percent of its work.
    void Update(size_t index, const std::string& step, unsigned percent);

    // The line of one port: "/dev/ttyUSB1          50%  UART options".
    static std::string LineOf(const std::string& port, const std::string& step, unsigned percent);

private:
    void Redraw();  // with lock held

    std::ostream& out;
    const Style style;
    std::mutex lock;
    std::vector<std::string> ports;  // fixed after construction
    std::vector<std::string> lines;  // guarded by lock
    bool drawn = false;              // guarded by lock; the live block is on the screen
};

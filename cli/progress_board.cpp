#include "cli/progress_board.h"

#include <cstdio>

ProgressBoard::Style ProgressBoard::StyleFor(bool json, bool terminal, unsigned terminalRows, size_t portCount)
{
    if (json)
        return Style::kNone;
    return terminal && portCount < terminalRows ? Style::kLive : Style::kPlain;
}

ProgressBoard::ProgressBoard(std::ostream& theOut, LineSink theProgressLine, Style theStyle,
                             std::vector<std::string> thePorts)
    : out(theOut), progressLine(std::move(theProgressLine)), style(theStyle), ports(std::move(thePorts))
{
    for (const std::string& port : ports)
        lines.push_back(LineOf(port, "waiting", 0));
}

std::string ProgressBoard::LineOf(const std::string& port, const std::string& step, unsigned percent)
{
    char text[512] = {};
    std::snprintf(text, sizeof text, "%-20s  %3u%%  %s", port.c_str(), percent, step.c_str());
    return text;
}

void ProgressBoard::Update(size_t index, const std::string& step, unsigned percent)
{
    if (style == Style::kNone || index >= ports.size())
        return;
    if (style == Style::kPlain) {
        if (percent == 100)
            progressLine(LineOf(ports[index], step, percent));  // serialised by the sink
        return;
    }
    std::lock_guard<std::mutex> guard(lock);
    lines[index] = LineOf(ports[index], step, percent);
    Redraw();
}

void ProgressBoard::Redraw()
{
    // Back to the block's first line, then every line cleared and written anew.
    if (drawn)
        out << "\x1b[" << lines.size() << 'A';
    for (const std::string& line : lines)
        out << '\r' << "\x1b[2K" << line << '\n';
    out.flush();
    drawn = true;
}

// Console: where a run of kx4xx writes, and how results and failures look
// (readable text by default, one JSON document with --json).
//
// The error stream is shared with the trace, whose receive side writes from
// the engine's I/O threads: every write to it goes through errMutex.
#pragma once

#include <mutex>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

class Console {
public:
    Console(std::ostream& theOut, std::ostream& theErr) : out(theOut), err(theErr) {}

    bool json = false;
    std::string lastFailure;  // the message of the last Fail

    // A command's result: data in JSON mode, text otherwise.
    void Report(const nlohmann::json& data, const std::string& text);
    // A failure; returns code so that callers can `return console.Fail(...)`.
    int Fail(int code, const std::string& message);
    // A progress line for the reader of the text output (ignored with --json).
    void Note(const std::string& text);
    // A line on the error stream, serialised with the trace.
    void ErrLine(const std::string& text);

    std::ostream& out;  // we don't own the streams

private:
    std::ostream& err;
    std::mutex errMutex;
};

// JSON text that never throws on invalid UTF-8 from the adapter.
std::string DumpJson(const nlohmann::json& data);

// A message text holding one "%d", formatted with number.
std::string FormatNumbered(const char* format, int number);

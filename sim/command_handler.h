// HandleCommand: the adapter's answer to one command text, applied to its
// state. Pure: no I/O, no timing, no faults (those belong to SimAdapter).
#pragma once

#include <string>

#include "sim/adapter_state.h"

namespace kx4xx::sim {

enum class ScanChange { None, Started, Stopped };

struct CommandEffect {
    std::string reply;  // reply line without its line end, e.g. "+OK"
    ScanChange scan = ScanChange::None;
};

// command: the text without its carriage return, e.g. "AT+GETSLOT=3".
// Unknown commands and refused arguments answer "+ERROR" and change nothing.
CommandEffect HandleCommand(AdapterState& state, const std::string& command);

}  // namespace kx4xx::sim

#include "sim/control_text.h"

#include <cstdlib>
#include <map>

#include "sim/sim_adapter.h"
#include "sim/text_escape.h"

namespace kx4xx::sim {

namespace {

const char kHelp[] =
    "help | state | model TEXT | version TEXT | name TEXT | aux TEXT | address AABBCCDDEEFF\n"
    "interval N | uart F,P,S | slot N AABBCCDDEEFF [TAG] | slot N clear | filter off | filter on NAME\n"
    "scanning on|off | peers | peers clear | peers add AABBCCDDEEFF RSSI NAME\n"
    "scan-period MS | jitter DB | seed N | report-plus on|off | baud N (0: unpaced)\n"
    "faults | fault off | fault delay MS | fault late MS | fault miss-at N | fault garbage N\n"
    "fault longline N | fault burst N | fault silence|echo|framed|split on|off | fault error PREFIX|off\n"
    "hangup-after N | hangup | reopen | pty | record | clear-record | count | reset\n";

const std::string kOk = "ok";

std::string Error(const std::string& reason) {
    return "error " + reason;
}

// Splits off the first word; rest gets what follows its single space.
std::string FirstWord(const std::string& text, std::string& rest) {
    const size_t space = text.find(' ');
    if (space == std::string::npos) {
        rest.clear();
        return text;
    }
    rest = text.substr(space + 1);
    return text.substr(0, space);
}

bool ParseNumber(const std::string& text, long low, long high, long& out) {
    if (text.empty() || text.size() > 11) return false;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

bool ParseUnsigned(const std::string& text, unsigned& out) {
    long value = 0;
    if (!ParseNumber(text, 0, 1000000, value)) return false;
    out = static_cast<unsigned>(value);
    return true;
}

bool ParseOnOff(const std::string& text, bool& out) {
    if (text != "on" && text != "off") return false;
    out = text == "on";
    return true;
}

bool ParseUart(const std::string& text, UartSettings& out) {
    if (text.size() != 5 || text[1] != ',' || text[3] != ',') return false;
    UartSettings uart;
    uart.flowControl = static_cast<unsigned>(text[0] - '0');
    uart.parity = text[2];
    uart.stopBits = static_cast<unsigned>(text[4] - '0');
    if (!IsValidUart(uart)) return false;
    out = uart;
    return true;
}

std::string DescribeState(const AdapterState& s) {
    std::string text = "ok model=" + EscapeBytes(s.model) + " version=" + EscapeBytes(s.version) +
                       " address=" + AddressToHex(s.address) + " name=" + EscapeBytes(s.name) +
                       " aux=" + EscapeBytes(s.aux) + " state=" + EscapeBytes(s.StateText()) +
                       " interval=" + std::to_string(s.advInterval) + " uart=" + std::to_string(s.uart.flowControl) +
                       "," + s.uart.parity + "," + std::to_string(s.uart.stopBits) +
                       " filter=" + (s.filterOn ? "on," + EscapeBytes(s.filterName) : std::string("off")) +
                       " scanning=" + (s.scanning ? "1" : "0") + " slots=";
    for (int i = 0; i < kSlotCount; ++i) {
        const SlotEntry& slot = s.slots[static_cast<size_t>(i)];
        if (i > 0) text += ",";
        text += std::to_string(i + 1) + ":";
        text += slot.used ? AddressToHex(slot.address) + (slot.tag.empty() ? "" : ":" + EscapeBytes(slot.tag)) : "-";
    }
    return text;
}

std::string DescribeFaults(const SimFaults& f) {
    std::string text = "ok delay=" + std::to_string(f.replyDelayMs) + " late=" + std::to_string(f.lateReplyMs) +
                       " silence=" + (f.silent ? "on" : "off") + " miss-at=" + std::to_string(f.missAt) +
                       " echo=" + (f.echo ? "on" : "off") + " framed=" + (f.framed ? "on" : "off") +
                       " split=" + (f.split ? "on" : "off") + " garbage=" + std::to_string(f.garbageBytes) +
                       " longline=" + std::to_string(f.longLineBytes) +
                       " burst=" + std::to_string(f.burstBytes) + " hangup-after=" + std::to_string(f.hangupAfter) +
                       " error=";
    for (size_t i = 0; i < f.errorPrefixes.size(); ++i) text += (i > 0 ? "," : "") + EscapeBytes(f.errorPrefixes[i]);
    return text;
}

// "TEXT" setters of the adapter state.
std::string SetStateText(SimAdapter& sim, std::string AdapterState::*field, const std::string& argument) {
    std::string text;
    if (!UnescapeBytes(argument, text)) return Error("bad escape");
    AdapterState s = sim.GetState();
    s.*field = text;
    sim.SetState(s);
    return kOk;
}

std::string SlotCommand(SimAdapter& sim, const std::string& arguments) {
    std::string rest;
    long slot = 0;
    if (!ParseNumber(FirstWord(arguments, rest), 1, kSlotCount, slot)) return Error("slot must be 1..7");
    AdapterState s = sim.GetState();
    SlotEntry& entry = s.slots[static_cast<size_t>(slot - 1)];
    std::string tagText;
    const std::string address = FirstWord(rest, tagText);
    if (address == "clear") {
        entry = SlotEntry{};
    } else {
        SlotEntry filled{true, {}, {}};
        if (!ParseHexAddress(address, filled.address)) return Error("address must be 12 hex digits");
        if (!UnescapeBytes(tagText, filled.tag)) return Error("bad escape");
        entry = filled;
    }
    sim.SetState(s);
    return kOk;
}

std::string PeersCommand(SimAdapter& sim, const std::string& arguments) {
    std::string rest;
    const std::string verb = FirstWord(arguments, rest);
    std::vector<SimPeer> peers = sim.Peers();
    if (verb.empty()) {
        std::string text = "ok";
        for (const SimPeer& peer : peers) {
            text += " " + AddressToHex(peer.address) + "," + std::to_string(peer.rssi) + "," + EscapeBytes(peer.name);
        }
        return text;
    }
    if (verb == "clear") {
        sim.SetPeers({});
        return kOk;
    }
    if (verb != "add") return Error("peers: list, clear or add");
    SimPeer peer;
    std::string nameText;
    std::string rssiAndName;
    long rssi = 0;
    if (!ParseHexAddress(FirstWord(rest, rssiAndName), peer.address)) return Error("address must be 12 hex digits");
    if (!ParseNumber(FirstWord(rssiAndName, nameText), -128, 127, rssi)) return Error("rssi must be -128..127");
    if (!UnescapeBytes(nameText, peer.name)) return Error("bad escape");
    peer.rssi = static_cast<int>(rssi);
    peers.push_back(peer);
    sim.SetPeers(peers);
    return kOk;
}

std::string FaultCommand(SimAdapter& sim, const std::string& arguments) {
    std::string value;
    const std::string kind = FirstWord(arguments, value);
    SimFaults f = sim.GetFaults();
    if (kind == "off") {
        f = SimFaults{};
    } else if (kind == "error") {
        std::string prefix;
        if (value == "off") {
            f.errorPrefixes.clear();
        } else if (!UnescapeBytes(value, prefix) || prefix.empty()) {
            return Error("fault error needs a command prefix");
        } else if (f.errorPrefixes.size() >= 32) {
            return Error("too many error prefixes");
        } else {
            f.errorPrefixes.push_back(prefix);
        }
    } else {
        const std::map<std::string, bool SimFaults::*> switches = {
            {"silence", &SimFaults::silent}, {"echo", &SimFaults::echo}, {"framed", &SimFaults::framed},
            {"split", &SimFaults::split}};
        const std::map<std::string, unsigned SimFaults::*> numbers = {
            {"delay", &SimFaults::replyDelayMs},    {"late", &SimFaults::lateReplyMs},
            {"miss-at", &SimFaults::missAt},        {"garbage", &SimFaults::garbageBytes},
            {"longline", &SimFaults::longLineBytes}, {"burst", &SimFaults::burstBytes}};
        if (const auto sw = switches.find(kind); sw != switches.end()) {
            if (!ParseOnOff(value, f.*(sw->second))) return Error("expected on or off");
        } else if (const auto number = numbers.find(kind); number != numbers.end()) {
            if (!ParseUnsigned(value, f.*(number->second))) return Error("expected a number 0..1000000");
        } else {
            return Error("unknown fault");
        }
    }
    sim.SetFaults(f);
    return kOk;
}

std::string RecordText(const std::vector<std::string>& record) {
    std::string text = "ok";
    for (const std::string& command : record) text += " " + EscapeBytes(command);
    return text;
}

}  // namespace

const char* ControlHelpText() {
    return kHelp;
}

std::string RunControlLine(SimAdapter& sim, const std::string& rawLine) {
    std::string line = rawLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    std::string arguments;
    const std::string command = FirstWord(line, arguments);
    long number = 0;
    bool on = false;
    unsigned count = 0;
    AdapterState s;

    if (command == "help") {
        std::string text = std::string("ok ") + kHelp;
        text.pop_back();  // the final line end
        for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) text.replace(at, 1, " | ");
        return text;
    }
    if (command == "state") return DescribeState(sim.GetState());
    if (command == "model") return SetStateText(sim, &AdapterState::model, arguments);
    if (command == "version") return SetStateText(sim, &AdapterState::version, arguments);
    if (command == "name") return SetStateText(sim, &AdapterState::name, arguments);
    if (command == "aux") return SetStateText(sim, &AdapterState::aux, arguments);
    if (command == "address") {
        s = sim.GetState();
        if (!ParseHexAddress(arguments, s.address)) return Error("address must be 12 hex digits");
        sim.SetState(s);
        return kOk;
    }
    if (command == "interval") {
        s = sim.GetState();
        if (!ParseNumber(arguments, 0, 65535, number)) return Error("interval must be 0..65535");
        s.advInterval = static_cast<unsigned>(number);
        sim.SetState(s);
        return kOk;
    }
    if (command == "uart") {
        s = sim.GetState();
        if (!ParseUart(arguments, s.uart)) return Error("uart must be F,P,S: 0/1, N/E/O, 1/2");
        sim.SetState(s);
        return kOk;
    }
    if (command == "slot") return SlotCommand(sim, arguments);
    if (command == "filter") {
        s = sim.GetState();
        std::string name;
        const std::string mode = FirstWord(arguments, name);
        if (mode == "off") {
            s.filterOn = false;
            s.filterName.clear();
        } else if (mode == "on" && UnescapeBytes(name, s.filterName)) {
            s.filterOn = true;
        } else {
            return Error("filter off | filter on NAME");
        }
        sim.SetState(s);
        return kOk;
    }
    if (command == "scanning") {
        s = sim.GetState();
        if (!ParseOnOff(arguments, on)) return Error("expected on or off");
        s.scanning = on;
        sim.SetState(s);
        return kOk;
    }
    if (command == "peers") return PeersCommand(sim, arguments);
    if (command == "scan-period") {
        if (!ParseNumber(arguments, 1, 600000, number)) return Error("period must be 1..600000 ms");
        sim.SetScanPeriodMs(static_cast<unsigned>(number));
        return kOk;
    }
    if (command == "baud") {
        if (!ParseNumber(arguments, 0, 4000000, number) || (number != 0 && number < 50))
            return Error("baud must be 0 (unpaced) or 50..4000000");
        sim.SetBaudRate(static_cast<unsigned>(number));
        return kOk;
    }
    if (command == "jitter") {
        if (!ParseNumber(arguments, 0, 100, number)) return Error("jitter must be 0..100");
        sim.SetRssiJitter(static_cast<unsigned>(number));
        return kOk;
    }
    if (command == "seed") {
        if (!ParseNumber(arguments, 0, 2147483647, number)) return Error("seed must be 0..2147483647");
        sim.SeedRssi(static_cast<uint32_t>(number));
        return kOk;
    }
    if (command == "report-plus") {
        if (!ParseOnOff(arguments, on)) return Error("expected on or off");
        sim.SetReportPlusPrefix(on);
        return kOk;
    }
    if (command == "faults") return DescribeFaults(sim.GetFaults());
    if (command == "fault") return FaultCommand(sim, arguments);
    if (command == "hangup-after") {
        if (!ParseUnsigned(arguments, count)) return Error("expected a number");
        SimFaults f = sim.GetFaults();
        f.hangupAfter = count;
        sim.SetFaults(f);
        return kOk;
    }
    if (command == "hangup") {
        sim.HangUp();
        return kOk;
    }
    if (command == "reopen") {
        const std::error_code error = sim.Reopen();
        return error ? Error(error.message()) : "ok " + sim.SlavePath();
    }
    if (command == "pty") {
        const std::string path = sim.SlavePath();
        return path.empty() ? Error("line is hung up") : "ok " + path;
    }
    if (command == "record") return RecordText(sim.Record());
    if (command == "clear-record") {
        sim.ClearRecord();
        return kOk;
    }
    if (command == "count") return "ok " + std::to_string(sim.CommandCount());
    if (command == "reset") {
        sim.Reset();
        return kOk;
    }
    return Error("unknown command, try help");
}

}  // namespace kx4xx::sim

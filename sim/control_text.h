// RunControlLine: the text control interface of the simulated adapter.
//
// One command per line, one reply line: "ok", "ok <data>" or
// "error <reason>". TEXT arguments run to the end of the line and may hold
// the escapes \r \n \\ \xHH; texts in replies are escaped the same way and
// contain no space. Commands:
//   help                      this list, in one line
//   state                     the adapter state in one line of key=value
//   model TEXT | version TEXT | name TEXT | aux TEXT   set that text as is
//   address AABBCCDDEEFF      the adapter's own address
//   interval N                advertising interval, any 0..65535
//   uart F,P,S                flow 0/1, parity N/E/O, stop bits 1/2
//   slot N AABBCCDDEEFF [TAG] | slot N clear
//   filter off | filter on NAME
//   scanning on|off           start or end scanning without a command
//   peers | peers clear | peers add AABBCCDDEEFF RSSI NAME
//   scan-period MS | jitter DB | seed N | report-plus on|off
//   faults                    the faults in force, in one line
//   fault off                 clears every fault
//   fault delay MS | fault late MS | fault miss-at N | fault garbage N
//   fault longline N | fault burst N
//   fault silence|echo|framed|split on|off
//   fault error PREFIX | fault error off
//   hangup-after N | hangup | reopen
//   pty                       the slave path (error while hung up)
//   record                    the commands received, escaped, space-separated
//   clear-record | count      count: commands received since start
//   reset                     defaults for state, faults, peers; record emptied
#pragma once

#include <string>

namespace kx4xx::sim {

class SimAdapter;

std::string RunControlLine(SimAdapter& sim, const std::string& line);

// The command list of the comment above, for help texts.
const char* ControlHelpText();

}  // namespace kx4xx::sim

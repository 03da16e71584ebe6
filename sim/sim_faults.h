// SimFaults: the misbehaviours the simulated adapter shows on request.
#pragma once

#include <string>
#include <vector>

namespace kx4xx::sim {

struct SimFaults {
    unsigned replyDelayMs = 0;  // every reply waits this long
    unsigned lateReplyMs = 0;   // the next reply only waits this long more; clears itself
    bool silent = false;        // commands are recorded but neither applied nor answered
    unsigned missAt = 0;        // so many of the next "AT\r" go unanswered; counts down
    std::vector<std::string> errorPrefixes;  // commands beginning so answer "+ERROR\r"
    bool echo = false;          // the command text comes back before its reply
    bool framed = false;        // replies as "\r\n" text "\r\n"; "+OK" then reads "OK"
    bool split = false;         // every byte leaves in a write of its own, a moment after the one before
    unsigned garbageBytes = 0;  // random bytes without CR or LF before each reply
    unsigned longLineBytes = 0; // a line of this many bytes (CR included) before each reply
    unsigned burstBytes = 0;    // this many bytes of short filler lines, in one write, before each reply
    unsigned hangupAfter = 0;   // hang up after answering the so-many-th next command; counts down
};

}  // namespace kx4xx::sim

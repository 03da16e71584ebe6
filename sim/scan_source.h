// ScanSource: the peers the simulated adapter "hears" while scanning, and
// the report lines it makes of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/adapter_state.h"

namespace kx4xx::sim {

struct SimPeer {
    Address address{};
    int rssi = -60;    // dBm; reports vary it by up to the jitter either way
    std::string name;  // UTF-8, reported as it stands
};

class ScanSource {
public:
    ScanSource();  // three default peers, jitter 3, seed 1

    void SetPeers(std::vector<SimPeer> peers);
    const std::vector<SimPeer>& Peers() const { return peers; }
    // Same seed, same sequence of RSSI values.
    void Seed(uint32_t seed);
    void SetJitter(unsigned jitterDb) { jitter = jitterDb; }
    // Reports may start with "+"; both forms are what adapters send.
    void SetPlusPrefix(bool on) { plusPrefix = on; }
    // Start the round over the peers again (a new scan).
    void Restart() { nextPeer = 0; }

    // The next report line, without its carriage return, for the next peer
    // whose name begins with the filter (byte-wise, case-sensitive; no
    // filter when filter is null). Empty when no peer passes.
    std::string NextReport(const std::string* filter);

private:
    uint32_t NextRandom();

    std::vector<SimPeer> peers;
    size_t nextPeer = 0;
    uint32_t rngState = 1;
    unsigned jitter = 3;
    bool plusPrefix = false;
};

}  // namespace kx4xx::sim

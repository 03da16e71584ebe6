#include "sim/scan_source.h"

#include <algorithm>

namespace kx4xx::sim {

ScanSource::ScanSource() {
    peers = {
        {{0xC0, 0xFF, 0xEE, 0x00, 0x00, 0x01}, -48, "KX-Tag1"},
        {{0xC0, 0xFF, 0xEE, 0x00, 0x00, 0x02}, -67, "KX-Tag2"},
        {{0x5A, 0x11, 0x22, 0x33, 0x44, 0x55}, -82, "Sensor"},
    };
}

void ScanSource::SetPeers(std::vector<SimPeer> newPeers) {
    peers = std::move(newPeers);
    nextPeer = 0;
}

void ScanSource::Seed(uint32_t seed) {
    rngState = seed == 0 ? 1 : seed;  // xorshift never leaves 0
}

uint32_t ScanSource::NextRandom() {
    // xorshift32: the same numbers on every platform and library.
    rngState ^= rngState << 13;
    rngState ^= rngState >> 17;
    rngState ^= rngState << 5;
    return rngState;
}

std::string ScanSource::NextReport(const std::string* filter) {
    for (size_t tried = 0; tried < peers.size(); ++tried) {
        const SimPeer& peer = peers[nextPeer % peers.size()];
        nextPeer = (nextPeer + 1) % peers.size();
        if (filter != nullptr && peer.name.compare(0, filter->size(), *filter) != 0) continue;
        const int offset = static_cast<int>(NextRandom() % (2 * jitter + 1)) - static_cast<int>(jitter);
        const int rssi = std::clamp(peer.rssi + offset, -128, 127);
        return (plusPrefix ? "+" : "") + AddressToHex(peer.address) + "," + std::to_string(rssi) + "," + peer.name;
    }
    return {};
}

}  // namespace kx4xx::sim

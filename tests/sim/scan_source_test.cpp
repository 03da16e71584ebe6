// Scan report lines: form, filter, jitter bounds and seeded repeatability.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "sim/scan_source.h"
#include "sim/text_escape.h"

namespace kx4xx::sim {
namespace {

std::vector<SimPeer> TestPeers() {
    return {{{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}, -60, "KX-One"},
            {{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, -127, "Other"},
            {{0x22, 0x33, 0x44, 0x55, 0x66, 0x77}, -50, "KX"}};
}

TEST(SimScanSource, ReportsFilteredPeersInTurnWithinJitter) {
    ScanSource source;
    source.SetPeers(TestPeers());
    source.SetJitter(3);
    const std::string filter = "KX";
    for (int i = 0; i < 60; ++i) {
        const std::string line = source.NextReport(&filter);
        SCOPED_TRACE(line);
        ASSERT_EQ(line.size() > 13 ? line[12] : '\0', ',');
        const std::string address = line.substr(0, 12);
        const size_t comma = line.find(',', 13);
        const int rssi = std::atoi(line.substr(13, comma - 13).c_str());
        const std::string name = line.substr(comma + 1);
        // Filtered peers alternate: the one named "Other" never appears.
        const bool first = i % 2 == 0;
        EXPECT_EQ(address, first ? "AABBCCDDEEFF" : "223344556677");
        EXPECT_EQ(name, first ? "KX-One" : "KX");
        const int base = first ? -60 : -50;
        EXPECT_GE(rssi, base - 3);
        EXPECT_LE(rssi, base + 3);
    }
    const std::string none = "Nobody";
    EXPECT_EQ(source.NextReport(&none), "");
}

TEST(SimScanSource, SameSeedSameReportsAndRssiStaysInByteRange) {
    ScanSource first;
    ScanSource second;
    ScanSource other;
    for (ScanSource* source : {&first, &second, &other}) {
        source->SetPeers(TestPeers());
        source->SetJitter(10);
        source->SetPlusPrefix(true);
    }
    first.Seed(42);
    second.Seed(42);
    other.Seed(43);
    bool differs = false;
    for (int i = 0; i < 30; ++i) {
        const std::string line = first.NextReport(nullptr);
        EXPECT_EQ(line, second.NextReport(nullptr));
        differs = differs || line != other.NextReport(nullptr);
        EXPECT_EQ(line[0], '+');
        if (line.compare(1, 12, "112233445566") == 0) {
            EXPECT_GE(std::atoi(line.c_str() + 14), -128);  // -127 - 10 is clamped
        }
    }
    EXPECT_TRUE(differs);
}

TEST(SimTextEscape, RoundTripsAnyBytesWithoutSpaces) {
    const std::string samples[] = {"AT\r", "\nAT+VER?\r", "a b\\c", std::string("\0\x7F\xED\x95\x9C", 5)};
    for (const std::string& sample : samples) {
        const std::string escaped = EscapeBytes(sample);
        EXPECT_EQ(escaped.find(' '), std::string::npos);
        std::string back;
        ASSERT_TRUE(UnescapeBytes(escaped, back));
        EXPECT_EQ(back, sample);
    }
    EXPECT_EQ(EscapeBytes("AT\r\n"), "AT\\r\\n");
    std::string out;
    for (const char* bad : {"\\", "\\x4", "\\xZZ", "\\q"}) EXPECT_FALSE(UnescapeBytes(bad, out)) << bad;
}

}  // namespace
}  // namespace kx4xx::sim

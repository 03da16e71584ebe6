// The pure pieces of kx4xx: the list rule of scan reports and the port order.
#include <gtest/gtest.h>

#include "cli/port_list.h"
#include "cli/progress_board.h"
#include "cli/scan_list.h"

namespace {

ScanReport Report(uint8_t last, int8_t rssi, const char* name)
{
    ScanReport report{};
    report.address = BdAddr{{0xC0, 0xFF, 0xEE, 0x00, 0x00, last}};
    report.rssi = rssi;
    std::snprintf(report.name, sizeof report.name, "%s", name);
    return report;
}

TEST(ScanListTest, WeakReportIsNotRememberedButRepeatsAreListedOnce)
{
    ScanList list(std::string("-45"));
    EXPECT_FALSE(list.Offer(Report(1, -80, "weak first")));
    EXPECT_TRUE(list.Offer(Report(1, -40, "strong later")));
    EXPECT_FALSE(list.Offer(Report(1, -30, "again")));
    EXPECT_TRUE(list.Offer(Report(2, -45, "at threshold")));
    EXPECT_FALSE(list.Offer(Report(3, -46, "below")));
    ASSERT_EQ(list.Rows().size(), 2u);
    EXPECT_EQ(list.Rows()[0].address, "C0FFEE000001");
    EXPECT_EQ(list.Rows()[0].name, "strong later");  // the first accepted report fixes the row
    EXPECT_EQ(list.Rows()[0].rssi, -40);
}

TEST(ScanListTest, WithoutThresholdEveryAddressIsListedOnce)
{
    ScanList list(std::nullopt);
    EXPECT_TRUE(list.Offer(Report(1, -127, "a")));
    EXPECT_TRUE(list.Offer(Report(2, -128, "b")));
    EXPECT_FALSE(list.Offer(Report(1, 0, "a")));
    EXPECT_EQ(list.Rows().size(), 2u);
}

TEST(PortOrderTest, SortedIgnoringCaseWithNumbersInCountingOrderWithoutDuplicates)
{
    const struct {
        std::vector<std::string> names;
        std::vector<std::string> sorted;
    } cases[] = {
        {{"COM5", "COM3", "COM10", "COM9"}, {"COM3", "COM5", "COM9", "COM10"}},
        {{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyUSB1", "/dev/ttyACM10", "/dev/ttyACM9"},
         {"/dev/ttyACM9", "/dev/ttyACM10", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB10"}},
        {{"/dev/ttyUSB1", "/dev/ttyUSB", "/dev/ttyUSB007", "/dev/ttyUSB10"},
         {"/dev/ttyUSB", "/dev/ttyUSB1", "/dev/ttyUSB007", "/dev/ttyUSB10"}},
        {{"com2", "COM1", "COM1"}, {"COM1", "com2"}},
        {{"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"}, {"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> names = c.names;
        SortPortNames(names);
        EXPECT_EQ(names, c.sorted);
    }
}

// The live board only where it fits: a terminal of known size with a row for
// every port.
TEST(ProgressBoardTest, LiveOnlyOnATerminalWithARowForEveryPort)
{
    using Style = ProgressBoard::Style;
    const struct {
        bool json, terminal;
        unsigned rows;
        size_t ports;
        Style style;
    } cases[] = {
        {true, true, 50, 4, Style::kNone},     {false, true, 50, 4, Style::kLive},
        {false, true, 24, 23, Style::kLive},   {false, true, 24, 24, Style::kPlain},
        {false, true, 24, 64, Style::kPlain},  {false, true, 0, 4, Style::kPlain},
        {false, false, 50, 4, Style::kPlain},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressBoard::StyleFor(c.json, c.terminal, c.rows, c.ports), c.style)
            << c.json << c.terminal << " " << c.rows << " " << c.ports;
    }
}

}  // namespace

// The command sequences against the simulated adapter: what each command
// sends, what it stores, and where it stops. The pauses between exchanges are
// recorded instead of slept, so their order and length are checked exactly.
#include "device/device_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "tests/support/sim_link.h"

namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

class DeviceCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(engine.Open(sim.PortName(), 115200, 0, 0)); }
    void TearDown() override { engine.Close(); }

    // The record since the last call, and a clean record for the next step.
    Texts Sent()
    {
        Texts record = sim.Record();
        sim.Set("clear-record");
        return record;
    }

    static SlotRecord Slot(uint8_t number, std::initializer_list<uint8_t> address, const char* tag)
    {
        SlotRecord record{};
        record.slot = number;
        std::copy(address.begin(), address.end(), record.address.bytes);
        std::strncpy(record.tag, tag, sizeof record.tag - 1);
        return record;
    }

    SimLink sim;
    ZantorKX4xxComm engine;
    DeviceReadings readings;
    std::atomic<ScanState> scanState{SCAN_IDLE};
    std::vector<std::chrono::milliseconds> pauses;
    ScanCollection collection;
    DeviceCommands commands{engine, readings, scanState, [this](std::chrono::milliseconds duration) {
                                pauses.push_back(duration);
                                return true;
                            }};
};

TEST(ModelFromTextTest, OnlyTheWholeTextMatches)
{
    const struct {
        const char* text;
        DeviceModel expected;
    } cases[] = {
        {"ZANTOR-KX400", MODEL_KX400}, {"ZANTOR-KX410", MODEL_KX410}, {"ZANTOR-KX420", MODEL_KX420},
        {"zantor-kx410", MODEL_NONE},  {"ZANTOR-KX41", MODEL_NONE},   {"ZANTOR-KX400 ", MODEL_NONE},
        {"ZANTOR-KX430", MODEL_NONE},  {"", MODEL_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModelFromText(c.text), c.expected) << '"' << c.text << '"';
}

TEST_F(DeviceCommandsTest, AdapterMissingTheFirstProbeIsIdentified)
{
    sim.Set("model ZANTOR-KX410");
    sim.Set("fault miss-at 1");
    EXPECT_EQ(commands.Execute(CMD_IDENTIFY, CommandInputs{}, collection), RESULT_OK);
    EXPECT_EQ(readings.modelIndex, MODEL_KX410);
    EXPECT_EQ(readings.modelText, "ZANTOR-KX410");
    EXPECT_EQ(Sent(), (Texts{"AT\r", "AT\r", "AT+MODEL?\r"}));
}

TEST_F(DeviceCommandsTest, IdentificationFailsWhenBothProbesGoUnanswered)
{
    sim.Set("fault miss-at 2");
    EXPECT_EQ(commands.Identify(115200), RESULT_FAILED);
    EXPECT_EQ(Sent(), (Texts{"AT\r", "AT\r"}));
}

TEST_F(DeviceCommandsTest, ModelTextDecidesTheModelIndex)
{
    const struct {
        const char* model;
        CmdOutcome outcome;
        DeviceModel index;  // MODEL_KX420 stands for "kept from before"
    } cases[] = {
        {"ZANTOR-KX400", RESULT_OK, MODEL_KX400},
        {"ZANTOR-KX410", RESULT_OK, MODEL_KX410},
        {"zantor-kx410", RESULT_UNSUPPORTED, MODEL_KX420},
        {"ZANTOR-KX41", RESULT_UNSUPPORTED, MODEL_KX420},
        {"ZANTOR-KX499", RESULT_UNSUPPORTED, MODEL_KX420},
    };
    for (const auto& c : cases) {
        readings.modelIndex = MODEL_KX420;
        sim.Set(std::string("model ") + c.model);
        EXPECT_EQ(commands.Identify(115200), c.outcome) << c.model;
        EXPECT_EQ(readings.modelIndex, c.index) << c.model;
        EXPECT_EQ(readings.modelText, c.model);
    }
}

// The model reply comes 850 ms late: within the 1200 ms limit at 9600 baud
// and above, past the shorter limits of the slow rates (266 ms at 4800, 533
// ms at 2400). The margins are wide on both sides.
TEST_F(DeviceCommandsTest, ModelQueryTimeLimitFollowsTheBaudRate)
{
    const struct {
        unsigned baud;
        CmdOutcome outcome;
    } cases[] = {{115200, RESULT_OK}, {9600, RESULT_OK}, {4800, RESULT_FAILED}, {2400, RESULT_FAILED}};
    sim.Set("model ZANTOR-KX420");
    for (const auto& c : cases) {
        sim.Set("fault off");
        ASSERT_EQ(commands.Identify(115200), RESULT_OK);  // also takes in a late reply left over
        sim.Set("fault delay 850");
        readings.modelIndex = MODEL_NONE;
        EXPECT_EQ(commands.Identify(c.baud), c.outcome) << c.baud << " baud";
        EXPECT_EQ(readings.modelIndex, c.outcome == RESULT_OK ? MODEL_KX420 : MODEL_NONE) << c.baud << " baud";
    }
}

TEST_F(DeviceCommandsTest, FullReadWithEmptySlots)
{
    sim.Set("version v2.0.1");
    sim.Set("name Desk");
    sim.Set("address 0A1B2C3D4E5F");
    sim.Set("interval 250");
    sim.Set("uart 1,E,2");
    for (const char* slot : {"slot 1 111111111111 One", "slot 3 333333333333", "slot 4 444444444444 Four",
                             "slot 6 666666666666 Six", "slot 7 777777777777 Seven"})
        sim.Set(slot);
    sim.Set("slot 2 clear");
    sim.Set("slot 5 clear");
    for (SlotRecord& entry : readings.slots)
        std::memset(&entry, 0xAB, sizeof entry);  // what an earlier read left

    EXPECT_EQ(commands.Execute(CMD_READ_DEVICE, CommandInputs{}, collection), RESULT_OK);

    EXPECT_STREQ(readings.version, "v2.0.1");
    EXPECT_STREQ(readings.info.name, "Desk");
    const uint8_t address[6] = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    EXPECT_EQ(std::memcmp(readings.info.address.bytes, address, 6), 0);
    EXPECT_EQ(readings.advInterval, 250);
    EXPECT_EQ(readings.uart.flowControl, 1);
    EXPECT_EQ(readings.uart.parity, 'E');
    EXPECT_EQ(readings.uart.stopBits, 2);
    const char* tags[kSlotCount] = {"One", "", "", "Four", "", "Six", "Seven"};
    for (int k = 0; k < kSlotCount; ++k) {
        const SlotRecord& entry = readings.slots[k];
        EXPECT_EQ(entry.slot, k + 1);
        EXPECT_STREQ(entry.tag, tags[k]) << "entry " << k;
        const bool empty = k == 1 || k == 4;
        const uint8_t expectedByte = empty ? 0 : static_cast<uint8_t>(0x11 * (k + 1));
        for (uint8_t b : entry.address.bytes)
            EXPECT_EQ(b, expectedByte) << "entry " << k;
        if (empty) {
            const SlotRecord zero{static_cast<uint8_t>(k + 1), {}, {}};
            EXPECT_EQ(std::memcmp(&entry, &zero, sizeof entry), 0) << "entry " << k << " is zero but its number";
        }
    }
    EXPECT_EQ(Sent(), (Texts{"AT+VER?\r", "AT+INFO?\r", "AT+ADVINTERVAL?\r", "AT+UARTOPT?\r", "AT+GETSLOT=1\r",
                             "AT+GETSLOT=2\r", "AT+GETSLOT=3\r", "AT+GETSLOT=4\r", "AT+GETSLOT=5\r", "AT+GETSLOT=6\r",
                             "AT+GETSLOT=7\r"}));
}

// A complete read of an adapter that still scans stops it on the same
// thread, before the outcome: the window never sends a request of its own.
TEST_F(DeviceCommandsTest, ReadOfAnAdapterStillScanningStopsItAndEndsTheScanState)
{
    const char* const read[] = {"AT+VER?\r", "AT+INFO?\r", "AT+ADVINTERVAL?\r", "AT+UARTOPT?\r", "AT+GETSLOT=1\r",
                                "AT+GETSLOT=2\r", "AT+GETSLOT=3\r", "AT+GETSLOT=4\r", "AT+GETSLOT=5\r", "AT+GETSLOT=6\r",
                                "AT+GETSLOT=7\r"};
    for (const bool adapterScans : {true, false}) {
        sim.Set(adapterScans ? "scanning on" : "scanning off");
        Sent();
        scanState = SCAN_SCANNING;  // a scan whose report wait failed
        EXPECT_EQ(commands.Execute(CMD_READ_DEVICE, CommandInputs{}, collection), RESULT_OK);
        Texts expected(std::begin(read), std::end(read));
        if (adapterScans)
            expected.push_back("AT+STOPSCAN\r");
        EXPECT_EQ(Sent(), expected) << "scanning " << adapterScans;
        EXPECT_EQ(scanState.load(), SCAN_IDLE);
    }
}

TEST_F(DeviceCommandsTest, ReadFailingAtTheFourthSlotKeepsWhatArrivedBefore)
{
    sim.Set("version v9.9.9");
    sim.Set("name Fresh");
    sim.Set("interval 400");
    sim.Set("uart 0,O,1");
    for (int n = 1; n <= kSlotCount; ++n)
        sim.Set("slot " + std::to_string(n) + " 0000000000" + std::to_string(n) + std::to_string(n) + " New");
    // An error reply would be an empty slot: the adapter hangs up instead,
    // after answering the third slot (the seventh command of the read).
    sim.Set("hangup-after 7");
    std::strcpy(readings.version, "v1.0.0");
    std::strcpy(readings.info.name, "Old");
    readings.advInterval = 100;
    for (SlotRecord& entry : readings.slots)
        entry = Slot(9, {}, "Old");

    EXPECT_EQ(commands.ReadDevice(), RESULT_FAILED);

    EXPECT_STREQ(readings.version, "v1.0.0");
    EXPECT_STREQ(readings.info.name, "Old");
    EXPECT_EQ(readings.advInterval, 400);
    EXPECT_EQ(readings.uart.parity, 'O');
    EXPECT_EQ(readings.uart.stopBits, 1);
    for (int k = 0; k < kSlotCount; ++k)
        EXPECT_STREQ(readings.slots[k].tag, k < 3 ? "New" : "Old") << "entry " << k;
    EXPECT_EQ(readings.slots[2].slot, 3);
}

TEST_F(DeviceCommandsTest, SlotSavingSendsSevenWritesWithAPauseAfterEach)
{
    const struct {
        const char* tag;
        const char* setSlot;
    } cases[] = {{"Tag3", "AT+SETSLOT=3,A1B2C3D4E5F6,Tag3\r"}, {"", "AT+SETSLOT=3,A1B2C3D4E5F6\r"}};
    for (const auto& c : cases) {
        CommandInputs inputs;
        for (int k = 0; k < kSlotCount; ++k)
            inputs.slotsToWrite[k] = Slot(static_cast<uint8_t>(k + 1), {}, "");
        inputs.slotsToWrite[2] = Slot(3, {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}, c.tag);
        pauses.clear();

        EXPECT_EQ(commands.Execute(CMD_SAVE_SLOTS, inputs, collection), RESULT_OK) << c.setSlot;
        EXPECT_EQ(Sent(), (Texts{"AT+MODEL?\r", "AT+DELSLOT=1\r", "AT+DELSLOT=2\r", c.setSlot, "AT+DELSLOT=4\r",
                                 "AT+DELSLOT=5\r", "AT+DELSLOT=6\r", "AT+DELSLOT=7\r"}));
        EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(kSlotCount, DeviceCommands::kSlotWritePause));
    }
}

TEST_F(DeviceCommandsTest, SlotSavingStopsAtTheFirstRefusal)
{
    sim.Set("fault error AT+DELSLOT=2");
    CommandInputs inputs;
    EXPECT_EQ(commands.Execute(CMD_SAVE_SLOTS, inputs, collection), RESULT_FAILED);
    EXPECT_EQ(Sent(), (Texts{"AT+MODEL?\r", "AT+DELSLOT=1\r", "AT+DELSLOT=2\r"}));
    EXPECT_EQ(pauses.size(), 1u);
}

TEST_F(DeviceCommandsTest, SettingsAreSentAfterTheModelCheck)
{
    CommandInputs inputs;
    inputs.pendingName = "Desk";
    inputs.pendingAdvInterval = 65536 + 100;  // only the low 16 bits travel
    inputs.pendingUart = UartOptions{'E', 2, 1};
    CommandInputs emptyName;
    const struct {
        int32_t id;
        const CommandInputs& inputs;
        const char* text;
    } cases[] = {
        {CMD_SET_NAME, inputs, "AT+MANUF=Desk\r"},
        {CMD_SET_NAME, emptyName, "AT+MANUF=\r"},
        {CMD_SET_ADV_INTERVAL, inputs, "AT+ADVINTERVAL=100\r"},
        {CMD_SET_UART, inputs, "AT+UARTOPT=1,E,2\r"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(commands.Execute(c.id, c.inputs, collection), RESULT_OK) << c.text;
        EXPECT_EQ(Sent(), (Texts{"AT+MODEL?\r", c.text}));
    }
}

TEST_F(DeviceCommandsTest, FailedOrForeignModelCheckSendsNoCommandText)
{
    CommandInputs inputs;
    inputs.pendingName = "Desk";
    inputs.pendingAdvInterval = 100;
    inputs.pendingUart = UartOptions{'N', 1, 0};
    const int32_t ids[] = {CMD_SAVE_SLOTS, CMD_START_SCAN, CMD_SET_NAME, CMD_SET_ADV_INTERVAL, CMD_SET_UART};
    const struct {
        const char* setUp;
        CmdOutcome outcome;
    } checks[] = {{"model ZANTOR-KX500", RESULT_UNSUPPORTED}, {"fault longline 300", RESULT_FAILED}};
    for (const auto& check : checks) {
        sim.Set("model ZANTOR-KX400");
        sim.Set("fault off");
        sim.Set(check.setUp);
        for (int32_t id : ids) {
            readings.modelIndex = MODEL_KX410;
            EXPECT_EQ(commands.Execute(id, inputs, collection), check.outcome) << check.setUp << ", id " << id;
            EXPECT_EQ(readings.modelIndex, MODEL_KX410) << "the check leaves the model index";
            EXPECT_EQ(Sent(), Texts{"AT+MODEL?\r"}) << check.setUp << ", id " << id;
        }
    }
    EXPECT_EQ(scanState.load(), SCAN_IDLE);

    engine.Close();
    for (int32_t id : ids)
        EXPECT_EQ(commands.Execute(id, inputs, collection), RESULT_FAILED) << "closed port, id " << id;
}

TEST_F(DeviceCommandsTest, TextArgumentsWithLineEndsAreRefusedBeforeAnythingIsSent)
{
    CommandInputs name;
    name.pendingName = "Ab\rAT&F";
    CommandInputs filter;
    filter.nameFilterOn = true;
    std::strcpy(filter.nameFilter, "A\nB");
    CommandInputs tag;
    tag.slotsToWrite[4] = Slot(5, {1, 2, 3, 4, 5, 6}, "T\r");
    const struct {
        int32_t id;
        const CommandInputs& inputs;
    } cases[] = {{CMD_SET_NAME, name}, {CMD_START_SCAN, filter}, {CMD_SAVE_SLOTS, tag}};
    for (const auto& c : cases) {
        EXPECT_EQ(commands.Execute(c.id, c.inputs, collection), RESULT_FAILED) << "id " << c.id;
        EXPECT_TRUE(Sent().empty()) << "id " << c.id;
    }
    EXPECT_EQ(scanState.load(), SCAN_IDLE);
}

TEST_F(DeviceCommandsTest, ScanStartsWithItsFilterReportsAndStops)
{
    sim.Set("scan-period 5");
    sim.Set("jitter 0");
    sim.Set("peers clear");
    sim.Set("peers add 0A1B2C3D4E5F -50 Alpha");
    sim.Set("peers add 1A2B3C4D5E6F -70 Beta");
    CommandInputs inputs;
    inputs.nameFilterOn = true;
    std::strcpy(inputs.nameFilter, "Alp");

    EXPECT_EQ(commands.Execute(CMD_START_SCAN, inputs, collection), RESULT_OK);
    EXPECT_EQ(scanState.load(), SCAN_SCANNING);
    EXPECT_EQ(Sent(), (Texts{"AT+MODEL?\r", "AT+SF=ON,Alp\r", "AT+STARTSCAN\r"}));
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>{DeviceCommands::kScanFilterPause});
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(commands.Execute(CMD_WAIT_REPORT, inputs, collection), RESULT_OK);
        ASSERT_GE(readings.scanReportCount, 1u);
        for (size_t r = 0; r < readings.scanReportCount; ++r) {
            EXPECT_STREQ(readings.scanReports[r].name, "Alpha");  // the adapter filters by name
            EXPECT_EQ(readings.scanReports[r].rssi, -50);
        }
    }

    scanState = SCAN_STOP_REQUESTED;
    EXPECT_EQ(commands.Execute(CMD_STOP_SCAN, inputs, collection), RESULT_OK);
    EXPECT_EQ(scanState.load(), SCAN_STOP_REQUESTED) << "the window sets it back to idle";
    EXPECT_EQ(Sent(), Texts{"AT+STOPSCAN\r"});

    scanState = SCAN_IDLE;
    inputs.nameFilterOn = false;
    EXPECT_EQ(commands.Execute(CMD_START_SCAN, inputs, collection), RESULT_OK);
    EXPECT_EQ(Sent(), (Texts{"AT+MODEL?\r", "AT+SF=OFF\r", "AT+STARTSCAN\r"}));
}

// Reports that arrived while nobody waited come out of one wait together, in
// the order the adapter sent them, and the next wait goes on where it ended.
TEST_F(DeviceCommandsTest, ReportsAlreadyReceivedComeInOneWaitInOrder)
{
    constexpr size_t kPeers = 40;
    sim.SetNumberedPeers(kPeers, 2ms);
    CommandInputs inputs;
    ASSERT_EQ(commands.Execute(CMD_START_SCAN, inputs, collection), RESULT_OK);
    // About 25 lines of 24 bytes: within what the engine keeps uncollected.
    std::this_thread::sleep_for(50ms);

    std::vector<std::string> names;
    ASSERT_EQ(commands.Execute(CMD_WAIT_REPORT, inputs, collection), RESULT_OK);
    const size_t firstBatch = readings.scanReportCount;
    EXPECT_GE(firstBatch, 2u) << "the reports waiting were handed over one by one";
    EXPECT_LE(firstBatch, kScanBatchLimit);
    while (names.size() < kPeers) {
        for (size_t r = 0; r < readings.scanReportCount; ++r) names.emplace_back(readings.scanReports[r].name);
        ASSERT_EQ(commands.Execute(CMD_WAIT_REPORT, inputs, collection), RESULT_OK);
    }
    for (size_t peer = 0; peer < kPeers; ++peer)
        EXPECT_EQ(names[peer], SimLink::NumberedPeerName(peer)) << "report " << peer;
    scanState = SCAN_STOP_REQUESTED;
    EXPECT_EQ(commands.Execute(CMD_STOP_SCAN, inputs, collection), RESULT_OK);
}

// What the worker collects between report waits is bounded: collecting
// stops with exactly kScanBacklogLimit reports kept, and the waits hand them
// over first, exactly kScanBatchLimit at a time, in the order reported.
// Outside a scan, or once the port closed, nothing is collected, and a wait
// on a closed port fails without handing over what was collected before.
TEST_F(DeviceCommandsTest, ReportsCollectedBetweenWaitsAreBoundedAndComeFirstInOrder)
{
    // One report every 4 ms: a collecting step may stall for 170 ms (a
    // loaded machine, ThreadSanitizer) before the engine's bound loses one.
    sim.SetNumberedPeers(kScanBacklogLimit + 100, 4ms);
    EXPECT_FALSE(collection.KeepCollecting(engine, scanState.load())) << "not scanning";
    CommandInputs inputs;
    ASSERT_EQ(commands.Execute(CMD_START_SCAN, inputs, collection), RESULT_OK);

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (collection.KeepCollecting(engine, scanState.load()))
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "collecting never stopped";
    EXPECT_EQ(collection.Size(), kScanBacklogLimit);
    EXPECT_FALSE(collection.KeepCollecting(engine, scanState.load())) << "the collection is full";
    EXPECT_EQ(collection.Size(), kScanBacklogLimit);

    std::vector<std::string> names;
    for (size_t wait = 0; wait < kScanBacklogLimit / kScanBatchLimit; ++wait) {
        ASSERT_EQ(commands.Execute(CMD_WAIT_REPORT, inputs, collection), RESULT_OK);
        ASSERT_EQ(readings.scanReportCount, kScanBatchLimit) << "wait " << wait;
        for (size_t r = 0; r < readings.scanReportCount; ++r) names.emplace_back(readings.scanReports[r].name);
    }
    EXPECT_EQ(collection.Size(), 0u);
    for (size_t peer = 0; peer < kScanBacklogLimit; ++peer)
        ASSERT_EQ(names[peer], SimLink::NumberedPeerName(peer)) << "report " << peer;
    EXPECT_TRUE(collection.KeepCollecting(engine, scanState.load())) << "room again after the waits";

    engine.Close();
    EXPECT_FALSE(collection.KeepCollecting(engine, scanState.load())) << "the port is closed";
    EXPECT_EQ(commands.WaitReport(collection), RESULT_FAILED);
}

TEST_F(DeviceCommandsTest, ReportWaitWithoutPeersEndsWithoutReport)
{
    sim.Set("peers clear");
    scanState = SCAN_SCANNING;
    EXPECT_EQ(commands.WaitReport(), RESULT_NO_REPORT);
    engine.Close();
    EXPECT_EQ(commands.WaitReport(), RESULT_FAILED);
}

TEST_F(DeviceCommandsTest, ScanCommandsInTheWrongScanStateAreDropped)
{
    const struct {
        int32_t id;
        ScanState state;
    } cases[] = {
        {CMD_START_SCAN, SCAN_SCANNING}, {CMD_START_SCAN, SCAN_STOP_REQUESTED}, {CMD_WAIT_REPORT, SCAN_IDLE},
        {CMD_WAIT_REPORT, SCAN_STOP_REQUESTED}, {CMD_STOP_SCAN, SCAN_IDLE},    {CMD_STOP_SCAN, SCAN_SCANNING},
    };
    for (const auto& c : cases) {
        scanState = c.state;
        EXPECT_EQ(commands.Execute(c.id, CommandInputs{}, collection), std::nullopt) << "id " << c.id << " in " << c.state;
        EXPECT_EQ(scanState.load(), c.state);
    }
    EXPECT_TRUE(Sent().empty());
}

TEST_F(DeviceCommandsTest, RestartAndFactoryResetWaitForReady)
{
    EXPECT_EQ(commands.Execute(CMD_RESTART, CommandInputs{}, collection), RESULT_OK);
    EXPECT_EQ(commands.Execute(CMD_FACTORY_RESET, CommandInputs{}, collection), RESULT_OK);
    EXPECT_EQ(Sent(), (Texts{"ATZ\r", "AT&F\r"}));  // no model check before them
    sim.Set("fault error ATZ");
    EXPECT_EQ(commands.Restart(), RESULT_FAILED);
}

TEST_F(DeviceCommandsTest, IdsWithoutACommandSendAndReportNothing)
{
    for (int32_t id : {0, static_cast<int32_t>(CMD_QUIT), 2, 14, -1})
        EXPECT_EQ(commands.Execute(id, CommandInputs{}, collection), std::nullopt) << "id " << id;
    EXPECT_TRUE(Sent().empty());
}

}  // namespace

// The adapter's answers to command texts, and the arguments it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/command_handler.h"

namespace kx4xx::sim {
namespace {

struct Exchange {
    const char* command;
    const char* reply;
};

// Everything a client can read back, to show that a refusal changed nothing.
std::string Snapshot(AdapterState state) {
    std::string text;
    for (const char* query : {"AT+MODEL?", "AT+VER?", "AT+INFO?", "AT+ADVINTERVAL?", "AT+UARTOPT?"}) {
        text += HandleCommand(state, query).reply + "|";
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        text += HandleCommand(state, "AT+GETSLOT=" + std::to_string(slot)).reply + "|";
    }
    return text + (state.filterOn ? "filter:" + state.filterName : "nofilter");
}

TEST(SimCommandHandler, RefusesBadArgumentsAndUnknownCommandsWithoutChangingState) {
    const char* refused[] = {
        "AT+MANUF=123456789",                      // 9 bytes
        "AT+MANUF=\xED\x95\x9C\xEA\xB8\x80\xEC\x9D\xB4",  // 3 Hangul syllables, 9 bytes
        "AT+MANUF=a,b",                            // would split the info reply
        "AT+ADVINTERVAL=19",
        "AT+ADVINTERVAL=2561",
        "AT+ADVINTERVAL=",
        "AT+ADVINTERVAL=-20",
        "AT+ADVINTERVAL= 100",
        "AT+ADVINTERVAL=100000",
        "AT+GETSLOT=0",
        "AT+GETSLOT=8",
        "AT+GETSLOT=",
        "AT+GETSLOT=1x",
        "AT+DELSLOT=8",
        "AT+SETSLOT=0,0A1B2C3D4E5F",
        "AT+SETSLOT=8,0A1B2C3D4E5F",
        "AT+SETSLOT=1,0A1B2C3D4E5",                // 11 digits
        "AT+SETSLOT=1,0A1B2C3D4E5F0",              // 13 digits
        "AT+SETSLOT=1,0A1B2C3D4E5G",
        "AT+SETSLOT=1,0A:1B:2C:3D:4E:5F",
        "AT+SETSLOT=1,0A1B2C3D4E5F,123456789",     // tag of 9 bytes
        "AT+SETSLOT=1",
        "AT+UARTOPT=2,N,1",
        "AT+UARTOPT=0,X,1",
        "AT+UARTOPT=0,n,1",
        "AT+UARTOPT=0,N,3",
        "AT+UARTOPT=0,N,0",
        "AT+UARTOPT=0,N",
        "AT+UARTOPT=0,N,1,1",
        "AT+UARTOPT=0,NN,1",
        "AT+SF=ON,",
        "AT+SF=ON,123456789",
        "AT+SF=on,KX",
        "AT+SF=",
        "AT+SF=OFF,",
        "AT+FOO",
        "at",
        "AT+VER",
        "AT+MODEL?x",
        "AT+STARTSCAN=1",
        "ATZ0",
    };
    AdapterState state;
    state.slots[0] = SlotEntry{true, {1, 2, 3, 4, 5, 6}, "keep"};
    const std::string before = Snapshot(state);
    for (const char* command : refused) {
        SCOPED_TRACE(command);
        const CommandEffect effect = HandleCommand(state, command);
        EXPECT_EQ(effect.reply, "+ERROR");
        EXPECT_EQ(effect.scan, ScanChange::None);
        EXPECT_EQ(Snapshot(state), before);
    }
}

TEST(SimCommandHandler, ConversationAnswersAndRemembers) {
    const Exchange conversation[] = {
        {"AT", "+OK"},
        {"AT+MODEL?", "ZANTOR-KX400"},
        {"AT+VER?", "v1.2.3"},
        {"AT+INFO?", "D4:36:39:A1:B2:C3,KX400,MASTER,READY"},
        {"AT+ADVINTERVAL?", "100"},
        {"AT+UARTOPT?", "+UARTOPT,0,N,1"},
        {"AT+GETSLOT=1", "+ERROR"},  // empty slot
        {"AT+SETSLOT=3,0a1b2c3d4e5f", "+OK"},
        {"AT+GETSLOT=3", "+SLOT,3,0A1B2C3D4E5F"},
        {"AT+SETSLOT=7,AABBCCDDEEFF,12345678", "+OK"},  // tag of exactly 8 bytes
        {"AT+GETSLOT=7", "+SLOT,7,AABBCCDDEEFF,12345678"},
        {"AT+SETSLOT=7,AABBCCDDEEFF,abc", "+OK"},  // a shorter tag replaces it whole
        {"AT+GETSLOT=7", "+SLOT,7,AABBCCDDEEFF,abc"},
        {"AT+SETSLOT=6,112233445566,\xED\x95\x9C\xEA\xB8\x80", "+OK"},  // 6 bytes of Hangul
        {"AT+GETSLOT=6", "+SLOT,6,112233445566,\xED\x95\x9C\xEA\xB8\x80"},
        {"AT+DELSLOT=3", "+OK"},
        {"AT+GETSLOT=3", "+ERROR"},
        {"AT+DELSLOT=3", "+OK"},  // deleting an empty slot is fine
        {"AT+MANUF=12345678", "+OK"},
        {"AT+INFO?", "D4:36:39:A1:B2:C3,12345678,MASTER,READY"},
        {"AT+MANUF=", "+OK"},  // an empty name is a name
        {"AT+INFO?", "D4:36:39:A1:B2:C3,,MASTER,READY"},
        {"AT+ADVINTERVAL=20", "+OK"},
        {"AT+ADVINTERVAL?", "20"},
        {"AT+ADVINTERVAL=2560", "+OK"},
        {"AT+ADVINTERVAL?", "2560"},
        {"AT+UARTOPT=1,E,2", "+OK"},
        {"AT+UARTOPT?", "+UARTOPT,1,E,2"},
        {"AT+UARTOPT=0,O,1", "+OK"},
        {"AT+UARTOPT?", "+UARTOPT,0,O,1"},
        {"AT+SF=ON,KX", "+OK"},
        {"AT+STARTSCAN", "+SCANNING"},
        {"AT+INFO?", "D4:36:39:A1:B2:C3,,MASTER,SCANNING"},
        {"AT+STOPSCAN", "+STOPPED"},
        {"AT+INFO?", "D4:36:39:A1:B2:C3,,MASTER,READY"},
        {"ATZ", "+READY"},  // a restart keeps the settings
        {"AT+ADVINTERVAL?", "2560"},
        {"AT+GETSLOT=7", "+SLOT,7,AABBCCDDEEFF,abc"},
        {"AT&F", "+READY"},  // a factory reset does not
        {"AT+ADVINTERVAL?", "100"},
        {"AT+UARTOPT?", "+UARTOPT,0,N,1"},
        {"AT+GETSLOT=7", "+ERROR"},
        {"AT+GETSLOT=6", "+ERROR"},
        {"AT+INFO?", "D4:36:39:A1:B2:C3,KX400,MASTER,READY"},
        {"AT+MODEL?", "ZANTOR-KX400"},
    };
    AdapterState state;
    for (const Exchange& exchange : conversation) {
        SCOPED_TRACE(exchange.command);
        EXPECT_EQ(HandleCommand(state, exchange.command).reply, exchange.reply);
    }
    EXPECT_FALSE(state.filterOn);  // cleared by the factory reset
}

TEST(SimCommandHandler, ScanChangesAndFilter) {
    AdapterState state;
    EXPECT_EQ(HandleCommand(state, "AT+SF=ON,12345678").reply, "+OK");
    EXPECT_TRUE(state.filterOn);
    EXPECT_EQ(state.filterName, "12345678");
    EXPECT_EQ(HandleCommand(state, "AT+SF=OFF").reply, "+OK");
    EXPECT_FALSE(state.filterOn);

    EXPECT_EQ(HandleCommand(state, "AT+STARTSCAN").scan, ScanChange::Started);
    EXPECT_EQ(HandleCommand(state, "ATZ").scan, ScanChange::Stopped);  // a restart ends a scan
    EXPECT_FALSE(state.scanning);
    EXPECT_EQ(HandleCommand(state, "ATZ").scan, ScanChange::None);
    EXPECT_EQ(HandleCommand(state, "AT+STARTSCAN").scan, ScanChange::Started);
    EXPECT_EQ(HandleCommand(state, "AT&F").scan, ScanChange::Stopped);
    EXPECT_FALSE(state.scanning);
}

}  // namespace
}  // namespace kx4xx::sim

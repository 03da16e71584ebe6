// The device's value rules: the shell-like number parse, the interval
// range, the RSSI text and threshold, the user text limit and the slot rows.
#include <gtest/gtest.h>

#include <cstring>

#include "device/value_rules.h"
#include "text/text_convert.h"

namespace {

TEST(ShellInt, ParsesLikeTheShell) {
    const struct {
        std::u16string text;
        int value;
    } cases[] = {
        {u"100", 100},         {u"  \t42", 42},   {u"+7", 7},      {u"-19", -19},
        {u"100ms", 100},       {u"ms100", 0},     {u"", 0},        {u"- 5", 0},
        {u"99999999999999", 2147483647},          {u"-99999999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseShellInt(c.text), c.value) << std::string(c.text.begin(), c.text.end());
    }
}

TEST(AdvInterval, AcceptsTwentyTo2560) {
    for (int value : {20, 100, 2560}) EXPECT_TRUE(IsValidAdvInterval(value)) << value;
    for (int value : {19, 2561, 0, -1, -2147483647 - 1, 2147483647}) EXPECT_FALSE(IsValidAdvInterval(value)) << value;
    // Letters parse as 0, a number followed by letters as the number.
    EXPECT_FALSE(IsValidAdvInterval(ParseShellInt(u"abc")));
    EXPECT_TRUE(IsValidAdvInterval(ParseShellInt(u"2560x")));
    EXPECT_FALSE(IsValidAdvInterval(ParseShellInt(u"4294967316")));  // 2^32 + 20 must not wrap into range
}

TEST(RssiText, ValidTextsAndValues) {
    const struct {
        std::u16string text;
        std::optional<int> value;
    } cases[] = {
        {u" -45 ", -45}, {u"-045", -45}, {u"+12", 12},  {u"127", 127},          {u"-127", -127},
        {u"0", 0},       {u"-128", {}},  {u"128", {}},  {u"1000", {}},         {u"4a", {}},
        {u"", {}},       {u"  ", {}},    {u"-", {}},    {u"- 4", {}},          {u"\uD55C", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseRssiText(c.text), c.value) << std::string(c.text.begin(), c.text.end());
    }
}

TEST(RssiFilter, LeavesOutWeakerReportsOnlyWhenOn) {
    EXPECT_FALSE(PassesRssiFilter(true, u"-45", -80));
    EXPECT_TRUE(PassesRssiFilter(true, u"-45", -40));
    EXPECT_TRUE(PassesRssiFilter(true, u"-45", -45));
    EXPECT_TRUE(PassesRssiFilter(false, u"-45", -80));
    EXPECT_TRUE(PassesRssiFilter(false, u"garbage", -80));
    // The threshold is taken as a signed byte: 200 is -56.
    EXPECT_FALSE(PassesRssiFilter(true, u"200", -60));
    EXPECT_TRUE(PassesRssiFilter(true, u"200", -50));
}

TEST(UserText, AtMostEightUtf8Bytes) {
    EXPECT_TRUE(FitsUserTextLimit(""));
    EXPECT_TRUE(FitsUserTextLimit("ABCDEFGH"));
    EXPECT_FALSE(FitsUserTextLimit("ABCDEFGHI"));
    EXPECT_FALSE(FitsUserTextLimit("\xED\x95\x9C\xEA\xB8\x80\xEA\xB8\x80"));  // three Hangul syllables, 9 bytes
}

std::array<SlotRowText, kSlotCount> Rows(std::initializer_list<std::pair<int, SlotRowText>> filled) {
    std::array<SlotRowText, kSlotCount> rows{};
    for (const auto& [slot, row] : filled) rows[static_cast<size_t>(slot - 1)] = row;
    return rows;
}

TEST(SlotRows, FirstFailingRowAndItsReason) {
    const struct {
        const char* what;
        std::array<SlotRowText, kSlotCount> rows;
        SlotRowError error;
        int slot;
    } cases[] = {
        {"all empty", Rows({}), SlotRowError::None, 0},
        {"duplicate before parse", Rows({{2, {u"00112233AABB", u""}}, {5, {u"00112233aabb", u""}}}),
         SlotRowError::DuplicateAddress, 2},
        {"duplicate of invalid texts", Rows({{1, {u"zz", u""}}, {3, {u"ZZ", u""}}}), SlotRowError::DuplicateAddress, 1},
        {"invalid row 1 first", Rows({{1, {u"0011223344", u""}}, {2, {u"x", u""}}}), SlotRowError::InvalidAddress, 1},
        {"11 digits", Rows({{4, {u"00112233445", u""}}}), SlotRowError::InvalidAddress, 4},
        {"13 digits", Rows({{4, {u"0011223344556", u""}}}), SlotRowError::InvalidAddress, 4},
        {"colon", Rows({{6, {u"00:11:22:33:44", u""}}}), SlotRowError::InvalidAddress, 6},
        {"Hangul tag", Rows({{3, {u"001122334455", u"\uD55C\uAE00\uD55C\uAE00\uD55C\uAE00\uD55C\uAE00"}}}),
         SlotRowError::InvalidTag, 3},
        {"eight-byte tag", Rows({{3, {u"001122334455", u"ABCDEFGH"}}}), SlotRowError::None, 0},
    };
    for (const auto& c : cases) {
        std::array<SlotRecord, kSlotCount> records{};
        const SlotValidation result = ValidateSlotRows(c.rows, records);
        EXPECT_EQ(result.error, c.error) << c.what;
        EXPECT_EQ(result.slot, c.slot) << c.what;
    }
}

TEST(SlotRows, RecordsHoldNumbersAddressesAndZeroFilledTags) {
    std::array<SlotRecord, kSlotCount> records{};
    // A long tag saved earlier must leave no bytes behind a shorter one.
    std::memset(records[2].tag, 'x', sizeof(records[2].tag));
    records[0].address.bytes[0] = 0x77;
    const auto rows = Rows({{1, {u"000000000000", u""}}, {3, {u"a0b1c2d3e4f5", u"TAG"}}});
    ASSERT_EQ(ValidateSlotRows(rows, records).error, SlotRowError::None);
    for (int slot = 1; slot <= kSlotCount; ++slot) EXPECT_EQ(records[static_cast<size_t>(slot - 1)].slot, slot);
    EXPECT_TRUE(IsZeroAddress(records[0].address));
    EXPECT_TRUE(IsZeroAddress(records[1].address));
    const uint8_t expected[6] = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5};
    EXPECT_EQ(std::memcmp(records[2].address.bytes, expected, 6), 0);
    char tag[kReplyTextSize] = "TAG";
    EXPECT_EQ(std::memcmp(records[2].tag, tag, sizeof(tag)), 0);
    EXPECT_EQ(AddressText(records[2].address), u"A0B1C2D3E4F5");
}

TEST(FieldText, StopsAtZeroOrFieldEnd) {
    char field[4] = {'A', 'B', 'C', 'D'};  // no terminating zero
    EXPECT_EQ(FieldText(field, sizeof(field)), u"ABCD");
    const char name[8] = "\xED\x95\x9C";
    EXPECT_EQ(FieldText(name, sizeof(name)), u"\uD55C");
}

}  // namespace

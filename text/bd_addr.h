// BdAddr: a Bluetooth address as 6 bytes, byte 0 written first in text form.
#pragma once

#include <cstdint>

struct BdAddr {
    uint8_t bytes[6];
};

static_assert(sizeof(BdAddr) == 6, "BdAddr is 6 bytes without padding");

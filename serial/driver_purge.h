// Discards both directions of the serial driver's buffers and aborts its
// pending transfers right after a port is opened. One file per platform
// implements it; a failure is not reported because nothing depends on it.
#pragma once

#include <asio/serial_port.hpp>

void PurgeDriverBuffers(asio::serial_port::native_handle_type handle);

// How many bytes the next read of a serial port asks for. One file per
// platform implements it.
//
// Windows completes a serial read only when its buffer is full or the read
// interval timer runs out after the last byte, so a read of the whole buffer
// waits that timer out (about 1-2 ms) behind every reply. A read of what the
// driver has queued, at least one byte, completes as soon as those bytes are
// there. POSIX read-some returns what is there already: the whole buffer.
#pragma once

#include <cstddef>

#include <asio/serial_port.hpp>

// Between 1 and capacity.
size_t DriverReadSize(asio::serial_port::native_handle_type handle, size_t capacity);

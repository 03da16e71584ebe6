// One program at a time on a port: two sessions on one adapter would read
// each other's replies. One file per platform implements it.
#pragma once

#include <asio/serial_port.hpp>

#include <system_error>

// Claims the port just opened for this open handle alone, so that a second
// opening (another program, or another session of this one) fails while it
// stays open; device_or_resource_busy when another opening holds it already.
// The claim ends with the handle's close, also when the process dies.
std::error_code ClaimExclusiveUse(asio::serial_port::native_handle_type handle);

// The error of a failed open, with "another opening holds the port" given
// as device_or_resource_busy whatever the platform calls it.
std::error_code InUseAsBusy(const std::error_code& openError);

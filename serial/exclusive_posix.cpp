// An advisory lock on the device node: every program over this serial layer
// takes it, and the kernel drops it with the last descriptor of the opening.
// TIOCEXCL is not used: it does not bind root, and on a pseudo-terminal kept
// open by its other side it would outlive our close.
#include <sys/file.h>

#include <cerrno>

#include "serial/driver_exclusive.h"

std::error_code ClaimExclusiveUse(asio::serial_port::native_handle_type handle)
{
    if (flock(handle, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
        return {};  // a device without locks stays shared, as before
    return std::make_error_code(std::errc::device_or_resource_busy);
}

std::error_code InUseAsBusy(const std::error_code& openError)
{
    return openError;  // EBUSY already
}

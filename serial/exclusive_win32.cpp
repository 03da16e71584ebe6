// Windows opens a serial port for one handle at a time already; a second
// opening fails with access denied (or a sharing violation).
#include <windows.h>

#include "serial/driver_exclusive.h"

std::error_code ClaimExclusiveUse(asio::serial_port::native_handle_type)
{
    return {};
}

std::error_code InUseAsBusy(const std::error_code& openError)
{
    if (openError.category() == std::system_category() &&
        (openError.value() == ERROR_ACCESS_DENIED || openError.value() == ERROR_SHARING_VIOLATION))
        return std::make_error_code(std::errc::device_or_resource_busy);
    return openError;
}

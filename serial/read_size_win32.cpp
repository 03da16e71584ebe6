#include "serial/driver_read_size.h"

#include <windows.h>

#include <algorithm>

size_t DriverReadSize(asio::serial_port::native_handle_type handle, size_t capacity)
{
    DWORD errors = 0;
    COMSTAT status{};
    // A port the driver cannot describe is read a byte at a time: the read
    // itself reports what is wrong with it.
    if (!ClearCommError(handle, &errors, &status))
        return 1;
    return std::clamp<size_t>(status.cbInQue, 1, capacity);
}

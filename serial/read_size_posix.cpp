#include "serial/driver_read_size.h"

size_t DriverReadSize(asio::serial_port::native_handle_type, size_t capacity)
{
    return capacity;
}

#include "serial/driver_purge.h"

#include <termios.h>

void PurgeDriverBuffers(asio::serial_port::native_handle_type handle)
{
    tcflush(handle, TCIOFLUSH);
}

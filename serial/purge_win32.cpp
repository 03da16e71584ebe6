#include "serial/driver_purge.h"

#include <windows.h>

void PurgeDriverBuffers(asio::serial_port::native_handle_type handle)
{
    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

#include "cli/executor_share.h"

#include "serial/io_service_exec.h"

ExecutorShare::ExecutorShare()
{
    gIoServiceExec.Acquire();
}

ExecutorShare::~ExecutorShare()
{
    gIoServiceExec.Release();
}

#include "cli/executor_share.h"

#include "serial/io_service_exec.h"

ExecutorShare::ExecutorShare() : work(asio::make_work_guard(gIoServiceExec.Context()))
{
    gIoServiceExec.StartThreads();
    ++OpenPortCount;
}

ExecutorShare::~ExecutorShare()
{
    work.reset();
    if (--OpenPortCount == 0)
        gIoServiceExec.Stop();
}

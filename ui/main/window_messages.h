// The main window's private messages. All are posted, never sent.
#pragma once

#include <windows.h>

// wParam: the engine's error code value. Posted from an engine thread.
constexpr UINT UM_PORT_ERROR = WM_APP + 0x835;
// No parameters. Opens the port chosen in the COM port dialog.
constexpr UINT UM_OPEN_PORT = WM_APP + 0x836;
// wParam: WorkerCommand id; lParam: CmdOutcome. Posted by the worker.
constexpr UINT UM_CMD_RESULT = WM_APP + 0x837;
// No parameters. Posted by the Scan button.
constexpr UINT UM_SCAN_REQUEST = WM_APP + 0x83A;

static_assert(UM_PORT_ERROR == 34869 && UM_OPEN_PORT == 34870 && UM_CMD_RESULT == 34871 &&
              UM_SCAN_REQUEST == 34874);

// The exit codes of kx4xx, documented in its --help and in the README.
#pragma once

enum CliExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,        // the tool itself failed (no memory, a system error, a log line that could not
                             // be written, whatever else failed); the text says what
    kExitBadArguments = 2,   // an option, value or file that fails its check; nothing was sent
    kExitPortOpen = 3,       // the serial port could not be opened
    kExitNoReply = 4,        // the adapter did not answer within the time limit
    kExitUnsupported = 5,    // the model text is none of the supported models
    kExitRefused = 6,        // the adapter answered, but not with the expected reply
    kExitNotVerified = 7,    // snapshot apply: an adapter read back other settings; verify: one differs
    kExitTooFew = 8,         // snapshot apply --expect N: fewer than N adapters done
    kExitInterrupted = 130,  // stopped by Ctrl+C (SIGINT): adapters in progress finished, the rest not started
    kExitTerminated = 143,   // stopped by SIGTERM, as for Ctrl+C
};

constexpr const char kExitCodeHelp[] =
    "Exit codes: 0 success, 1 failure of the tool itself, 2 bad arguments, 3 port open failure, 4 no reply,\n"
    "5 unsupported model, 6 refused by the adapter, 7 snapshot not read back as applied (verify: differs),\n"
    "8 fewer adapters done than --expect asked for,\n"
    "130 stopped by Ctrl+C, 143 stopped by SIGTERM (the adapters in progress were finished, the rest not started;\n"
    "scan and provision --watch end normally on either).";

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
    kExitNotVerified = 7,    // snapshot apply: an adapter read back other settings
};

constexpr const char kExitCodeHelp[] =
    "Exit codes: 0 success, 1 failure of the tool itself, 2 bad arguments, 3 port open failure, 4 no reply,\n"
    "5 unsupported model, 6 refused by the adapter, 7 snapshot not read back as applied.";

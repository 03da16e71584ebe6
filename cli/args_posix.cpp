// POSIX: the arguments are taken as they come (UTF-8 locales).
#include "cli/cli_args.h"

std::vector<std::string> CommandLineArgs(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

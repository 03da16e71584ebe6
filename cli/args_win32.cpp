// Windows: argv is in the ANSI code page, so the UTF-16 command line is
// split again and converted to UTF-8.
#include <windows.h>
#include <shellapi.h>

#include "cli/cli_args.h"
#include "text/text_convert.h"

std::vector<std::string> CommandLineArgs(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) {
        std::string utf8;
        WideToUtf8(WideString(reinterpret_cast<const char16_t*>(wide[i])), utf8);
        args.push_back(utf8);
    }
    ::LocalFree(wide);
    return args;
}

// The command line as UTF-8 texts, program name first: the adapter's texts
// (names, tags, filters) travel as UTF-8 whatever the console's code page.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> CommandLineArgs(int argc, char** argv);

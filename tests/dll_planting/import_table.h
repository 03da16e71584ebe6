// The DLL names of a program file's import table: the DLLs that Windows
// loads, searching for each, before the program's first instruction. The
// delay-import table, bound at a function's first call, is not part of it.
#pragma once

#include <string>
#include <vector>

// False when the file cannot be read or is no well-formed PE image.
bool ReadImportedDlls(const std::wstring& programFile, std::vector<std::string>& names);

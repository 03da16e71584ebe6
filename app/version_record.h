// Readers of the program file's version record. The file is the
// application's name followed by ".exe" in the folder the program was started
// from (a program renamed after its start has no record there).
#pragma once

#include <string>

struct ProductVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
};

// A string of the version record ("ProductName", "LegalCopyright", ...):
// the table of the system's default UI language, else the first table that
// the Translation array names. False when there is none.
bool ReadVersionString(const wchar_t* key, std::wstring& text);

// The first three numbers of the fixed product version.
bool ReadProductVersion(ProductVersion& version);

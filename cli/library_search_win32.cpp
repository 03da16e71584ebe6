// Windows: the process's DLL search is the system folder only.
#include "cli/library_search.h"

#include "ui/framework/system_dlls.h"

void RestrictLibrarySearch()
{
    RestrictDllSearchToSystemFolder();
}

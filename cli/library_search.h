// Where the process takes its shared libraries from, one implementation per
// platform; main calls it before anything else runs.
#pragma once

// Windows looks in the program's own folder first for a DLL named without a
// path: from here on only the system folder counts.
void RestrictLibrarySearch();

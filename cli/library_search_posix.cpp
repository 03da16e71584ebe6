// POSIX: the dynamic loader never searches the program's own folder (the
// program carries no $ORIGIN run path), so there is nothing to restrict.
#include "cli/library_search.h"

void RestrictLibrarySearch() {}

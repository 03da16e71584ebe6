// Whether standard output is an interactive terminal that takes cursor
// movement (progress lines redrawn in place), one implementation per platform.
#pragma once

bool OutputIsTerminal();

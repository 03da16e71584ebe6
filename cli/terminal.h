// Whether standard output is an interactive terminal that takes cursor
// movement (progress lines redrawn in place), and its height; one
// implementation per platform.
#pragma once

bool OutputIsTerminal();
// The rows the terminal of standard output shows; 0 when unknown.
unsigned OutputTerminalRows();

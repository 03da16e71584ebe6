// Where kx4xx writes: its standard output and error as streams of UTF-8
// text, one implementation per platform. On Windows a console gets the text
// in UTF-16 (WriteConsoleW), so that names and paths show right whatever the
// console's code page; a pipe or a file gets the UTF-8 bytes.
#pragma once

#include <ostream>

std::ostream& StandardOutput();
std::ostream& StandardError();

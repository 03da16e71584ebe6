#include <iostream>

#include "cli/std_streams.h"

std::ostream& StandardOutput()
{
    return std::cout;
}

std::ostream& StandardError()
{
    return std::cerr;
}

// The text of an exception that ended a command, for the tool's failure
// message: a system error's text from the system (in UTF-8, see ErrorText),
// what() of any other exception, or a generic text.
#pragma once

#include <string>

// Call only from a catch block.
std::string CaughtFailureText();

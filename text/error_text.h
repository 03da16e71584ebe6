// The system's text for an error code, as UTF-8, for messages that show it.
//
// On Windows a system error's text is fetched in UTF-16 (FormatMessageW):
// std::error_code::message() goes through the ANSI code page and gives
// question marks where the display language's script is not in it.
// Elsewhere, and for the other categories, it is message().
#pragma once

#include <string>
#include <system_error>

std::string ErrorText(const std::error_code& error);

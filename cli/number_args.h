// Numbers on the command line: an argument is a number only when the whole
// of it is one (decimal digits, no sign, blanks or fraction), so that "25O"
// or "100.9" is refused instead of being read as 25 or 100.
#pragma once

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

// The value of text when it is one to nine decimal digits and nothing else.
std::optional<unsigned> ParseWholeNumber(const std::string& text);

// No upper limit for WholeNumberIn.
constexpr unsigned kNoLimit = 999999999;

// A parser check for a numeric option or argument: a whole number from min
// to max. Its message names what the value is, the limits and the value
// given; the parser puts the option's name in front:
//   "N: The slot number must be a whole number from 1 to 7, not '8'."
CLI::Validator WholeNumberIn(const std::string& what, unsigned min, unsigned max, const std::string& unit = std::string());

// Windows only: the exact conversion behind WideToAnsiExact, with the code
// page as an input, so that a UTF-8 ANSI code page (Windows 10 and 11 can run
// with one) is testable on a system whose own code page is another.
#pragma once

#include <string>

// The WideCharToMultiByte flags of an exact conversion to codePage: UTF-8
// has every character and takes no best-fit flag (Windows refuses any flag
// but WC_ERR_INVALID_CHARS for it), other code pages refuse best fit.
unsigned long ExactConversionFlags(unsigned codePage);

// WideToAnsiExact for the given code page.
bool WideToCodePageExact(const std::wstring& wide, unsigned codePage, std::string& out);

// The path of a file named on the command line. The tool holds every text
// as UTF-8 (on Windows the arguments are converted from UTF-16), so a file
// is opened by a path made from UTF-8: on Windows the stream then opens it
// with its UTF-16 name, where the narrow name would go through the ANSI code
// page and lose every character outside it.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path Utf8Path(const std::string& utf8)
{
    return std::filesystem::u8path(utf8);
}

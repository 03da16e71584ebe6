// Escaping of raw bytes for the one-line replies of the control interface.
#pragma once

#include <string>

namespace kx4xx::sim {

// "\r" -> \r, "\n" -> \n, "\\" -> \\, space, other control bytes and DEL ->
// \xHH; other bytes (UTF-8 included) as they are. The result has no space.
std::string EscapeBytes(const std::string& bytes);
// The reverse; also used for texts given to the control interface, so a
// test can put any byte into a model name or peer name. False if malformed.
bool UnescapeBytes(const std::string& text, std::string& out);

}  // namespace kx4xx::sim

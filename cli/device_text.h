// Texts that travel to and from the adapter (names, tags, name filters, and
// the model, version and scan names it reports), kept to printable UTF-8.
//
// The escaped form is how kx4xx shows and saves a text read from an
// adapter: printable UTF-8 as it is, a backslash as "\\", and every other
// byte (a control character of C0, DEL or C1, or a byte that is not part of
// valid UTF-8) as "\xHH". Nothing is lost, so that an adapter's name cannot
// drive the terminal and a snapshot saved from it reads back to the same
// bytes.
#pragma once

#include <optional>
#include <string>

std::string EscapeDeviceText(const std::string& bytes);
// The bytes of an escaped text; nothing when it holds a backslash that
// starts neither "\\" nor "\xHH".
std::optional<std::string> UnescapeDeviceText(const std::string& text);

// Why bytes are not one line of printable UTF-8 ("\x1b is a control
// character", "\xff is not UTF-8"); nothing when they are.
std::optional<std::string> UnprintableReason(const std::string& bytes);

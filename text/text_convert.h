// Conversions between UTF-16 (the user interface's text), UTF-8 (the
// adapter's text) and the ANSI code page (port names, typed addresses),
// and the hexadecimal text form of Bluetooth addresses.
//
// The conversions take a counted input (embedded zeros included), size the
// caller's output string to exactly what they write and return that count.
// Unrepresentable characters are replaced, never reported: WideToAnsi uses the
// code page's default character, WideToUtf8 and Utf8ToWide use U+FFFD.
//
// The ANSI code page is the system's on Windows. Elsewhere it is plain ASCII
// with '?' as the default character for every non-ASCII UTF-16 unit (every
// non-ASCII wchar_t for std::wstring); the callers hand it only ASCII text.
#pragma once

#include <cstddef>
#include <string>

#include "text/bd_addr.h"

using WideString = std::u16string;

size_t WideToAnsi(const WideString& wide, std::string& out);
// The same for the user interface's std::wstring (UTF-16 on Windows, UTF-32
// elsewhere).
size_t WideToAnsi(const std::wstring& wide, std::string& out);
size_t WideToUtf8(const WideString& wide, std::string& out);
size_t Utf8ToWide(const std::string& utf8, WideString& out);

// True when every byte is 0-9, a-f or A-F; true for an empty text.
bool IsHexText(const std::string& text);
// Two hexadecimal digits (either case) to one byte: c0 high nibble, c1 low.
bool HexPairToByte(char c0, char c1, uint8_t& out);
// Exactly 12 hexadecimal digits to an address, first pair first.
bool HexToBdAddr(std::string text, BdAddr& out);
// 12 upper-case hexadecimal digits, byte 0 first.
std::string BdAddrToHex(const BdAddr& addr);
// Removes leading and trailing POSIX white space in place.
void TrimSpaces(std::string& text);

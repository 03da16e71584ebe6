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
// ANSI text (enumerated port names) to the user
// interface's std::wstring. Elsewhere than Windows a byte above 0x7F
// becomes '?'.
size_t AnsiToWide(const std::string& ansi, std::wstring& out);
// The ANSI code page form of a name that must stay exactly that name (a
// port name): false, out empty, when a character has no code of its own in
// the code page (no look-alike stands in for it) or the text is not valid
// UTF-16 (an unpaired surrogate). Elsewhere than Windows only ASCII passes.
bool WideToAnsiExact(const std::wstring& wide, std::string& out);

// The user interface's std::wstring and the core's UTF-16 WideString. On
// Windows both hold UTF-16 units and the units are copied; elsewhere
// wchar_t holds code points, surrogate pairs are joined or split, and what
// has no counterpart (an unpaired surrogate, a value above U+10FFFF)
// becomes U+FFFD.
std::wstring ToWstring(const WideString& text);
WideString ToWideString(const std::wstring& text);

// True when every byte is 0-9, a-f or A-F; true for an empty text.
bool IsHexText(const std::string& text);
// Two hexadecimal digits (either case) to one byte: c0 high nibble, c1 low.
bool HexPairToByte(char c0, char c1, uint8_t& out);
// Exactly 12 hexadecimal digits to an address, first pair first.
bool HexToBdAddr(std::string text, BdAddr& out);
// 12 upper-case hexadecimal digits, byte 0 first.
std::string BdAddrToHex(const BdAddr& addr);
// All six bytes zero: no address (an empty slot, an adapter not yet read).
bool IsZeroAddress(const BdAddr& addr);
// Removes leading and trailing POSIX white space in place.
void TrimSpaces(std::string& text);

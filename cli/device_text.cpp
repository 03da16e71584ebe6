#include "cli/device_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at bytes[at], or 0 when the byte
// there does not start one (stray continuation, overlong form, surrogate,
// beyond U+10FFFF, cut short).
size_t Utf8SequenceLength(const std::string& bytes, size_t at)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
    const uint8_t lead = byte(at);
    size_t length = 0;
    uint32_t code = 0;
    uint32_t lowest = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, lowest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + k) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// C0 controls, DEL, and C1 controls (U+0080 to U+009F, "\xC2\x80" to "\xC2\x9F").
bool IsControl(const std::string& bytes, size_t at, size_t length)
{
    const auto lead = static_cast<uint8_t>(bytes[at]);
    if (length == 1)
        return lead < 0x20 || lead == 0x7F;
    return length == 2 && lead == 0xC2 && static_cast<uint8_t>(bytes[at + 1]) < 0xA0;
}

std::string HexByte(char byte)
{
    char text[8] = {};
    std::snprintf(text, sizeof text, "\\x%02x", static_cast<unsigned>(static_cast<uint8_t>(byte)));
    return text;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string EscapeDeviceText(const std::string& bytes)
{
    std::string text;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0 || IsControl(bytes, at, length)) {
            for (size_t k = 0; k < (length == 0 ? 1 : length); ++k)
                text += HexByte(bytes[at + k]);
            at += length == 0 ? 1 : length;
            continue;
        }
        if (bytes[at] == '\\')
            text += '\\';
        text.append(bytes, at, length);
        at += length;
    }
    return text;
}

std::optional<std::string> UnescapeDeviceText(const std::string& text)
{
    std::string bytes;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            bytes += text[at];
            continue;
        }
        if (at + 1 < text.size() && text[at + 1] == '\\') {
            bytes += '\\';
            ++at;
            continue;
        }
        if (at + 3 >= text.size() || text[at + 1] != 'x')
            return std::nullopt;
        const int high = HexDigit(text[at + 2]);
        const int low = HexDigit(text[at + 3]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        at += 3;
    }
    return bytes;
}

std::optional<std::string> UnprintableReason(const std::string& bytes)
{
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0)
            return HexByte(bytes[at]) + " is not UTF-8";
        if (IsControl(bytes, at, length))
            return EscapeDeviceText(bytes.substr(at, length)) + " is a control character";
        at += length;
    }
    return std::nullopt;
}

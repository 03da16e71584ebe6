#include "cli/name_template.h"

#include <vector>

#include "cli/device_session.h"
#include "cli/settings_json.h"
#include "text/text_convert.h"

namespace {

constexpr size_t kAddressDigits = 12;

struct Piece {
    enum Kind { kLiteral, kNumber, kAddress } kind = kLiteral;
    std::string text;  // kLiteral
    size_t width = 0;  // kNumber: the zero-padded width (0: none); kAddress: the digits kept
};

// The width after "name:" in a placeholder: 1 to limit digits as a number.
bool ParseWidth(const std::string& text, size_t limit, size_t& width)
{
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    width = std::stoul(text);
    return width >= 1 && width <= limit;
}

// The pieces of a template, or the message of its first error.
CheckFailure ParseTemplate(const std::string& text, std::vector<Piece>& pieces)
{
    pieces.clear();
    std::string literal;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            literal += c;
            ++i;
            continue;
        }
        if (c == '}')
            return "The name template " + text + " has a '}' without its '{' (write }} for a brace).";
        if (c != '{') {
            literal += c;
            continue;
        }
        const size_t close = text.find('}', i);
        if (close == std::string::npos)
            return "The name template " + text + " has a '{' without its '}' (write {{ for a brace).";
        const std::string inside = text.substr(i + 1, close - i - 1);
        const size_t colon = inside.find(':');
        const std::string key = inside.substr(0, colon);
        const std::string width = colon == std::string::npos ? std::string() : inside.substr(colon + 1);
        Piece piece;
        bool known = false;
        if (key == "n") {
            piece.kind = Piece::kNumber;
            known = colon == std::string::npos || ParseWidth(width, 8, piece.width);
        } else if (key == "addr") {
            piece.kind = Piece::kAddress;
            piece.width = kAddressDigits;
            known = colon == std::string::npos || ParseWidth(width, kAddressDigits, piece.width);
        }
        if (!known)
            return "The name template " + text + " has an unknown placeholder {" + inside +
                   "}: use {n}, {n:3}, {addr}, {addr:4}, {{ or }}.";
        if (!literal.empty())
            pieces.push_back(Piece{Piece::kLiteral, literal, 0});
        literal.clear();
        pieces.push_back(piece);
        i = close;
    }
    if (!literal.empty())
        pieces.push_back(Piece{Piece::kLiteral, literal, 0});
    return std::nullopt;
}

std::string Expand(const std::vector<Piece>& pieces, unsigned number, const std::string& addressHex)
{
    std::string name;
    for (const Piece& piece : pieces) {
        switch (piece.kind) {
        case Piece::kLiteral:
            name += piece.text;
            break;
        case Piece::kNumber: {
            const std::string digits = std::to_string(number);
            name += std::string(piece.width > digits.size() ? piece.width - digits.size() : 0, '0') + digits;
            break;
        }
        case Piece::kAddress:
            name += addressHex.substr(addressHex.size() > piece.width ? addressHex.size() - piece.width : 0);
            break;
        }
    }
    return name;
}

}  // namespace

void AddNameTemplateOption(CLI::App& command, CliContext& context)
{
    command
        .add_option("--name-template", context.values.nameTemplate,
                    "Each adapter's own device name: {n} its running number (in port order, or in the order "
                    "plugged in), {n:3} zero-padded, {addr:4} the last 4 hex digits of its address, {{ and }} "
                    "braces; checked against the name rules before anything is written")
        ->check([](const std::string& text) { return CheckNameTemplate(text, 1).value_or(std::string()); });
}

CheckFailure CheckNameTemplate(const std::string& text, unsigned highestNumber)
{
    std::vector<Piece> pieces;
    if (const CheckFailure failure = ParseTemplate(text, pieces))
        return failure;
    // The longest name: the most digits a running number has, a full address.
    const std::string longest = Expand(pieces, highestNumber, std::string(kAddressDigits, 'F'));
    if (const CheckFailure failure = CheckDeviceName(longest))
        return "The name template " + text + " gives names such as " + longest + ": " + *failure +
               " (at most 8 bytes of UTF-8)";
    return std::nullopt;
}

std::string ExpandNameTemplate(const std::string& text, unsigned number, const std::string& addressHex)
{
    std::vector<Piece> pieces;
    ParseTemplate(text, pieces);
    return Expand(pieces, number, addressHex);
}

int CheckBatchNameTemplate(CliContext& context, unsigned adapters)
{
    const std::string& text = context.values.nameTemplate;
    if (text.empty())
        return kExitOk;
    if (const CheckFailure failure = CheckNameTemplate(text, adapters))
        return context.console.Fail(kExitBadArguments, *failure);
    return kExitOk;
}

int UseOwnName(CliContext& context, DeviceSession& session, unsigned number, DeviceSettings& settings)
{
    const std::string& text = context.values.nameTemplate;
    if (text.empty())
        return kExitOk;
    settings.name = ExpandNameTemplate(text, number, BdAddrToHex(session.readings.info.address));
    if (const CheckFailure failure = CheckDeviceName(settings.name))
        return session.Fail(kExitBadArguments, "The name template " + text + " gives " + settings.name +
                                                   " for adapter " + std::to_string(number) + ": " + *failure);
    return kExitOk;
}

#include "cli/number_args.h"

namespace {

constexpr size_t kMaxDigits = 9;  // below 2^32 whatever the digits

}  // namespace

std::optional<unsigned> ParseWholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > kMaxDigits)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

CLI::Validator WholeNumberIn(const std::string& what, unsigned min, unsigned max, const std::string& unit)
{
    const std::string limits = (max == kNoLimit ? std::to_string(min) + " or more"
                                                : "from " + std::to_string(min) + " to " + std::to_string(max)) +
                               (unit.empty() ? "" : " " + unit);
    return CLI::Validator(
        [what, min, max, limits](std::string& text) -> std::string {
            const std::optional<unsigned> value = ParseWholeNumber(text);
            if (!value || *value < min || *value > max)
                return what + " must be a whole number " + limits + ", not '" + text + "'.";
            return std::string();
        },
        std::string());
}

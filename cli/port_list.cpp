// The order of port names, and the ports a command works on when none is named.
#include "cli/port_list.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The end of the run of digits starting at begin.
size_t DigitsEnd(const std::string& text, size_t begin)
{
    while (begin < text.size() && IsDigit(text[begin]))
        ++begin;
    return begin;
}

// Negative, zero or positive as a sorts before, with or after b: letters
// ignoring case, runs of digits by their value (leading zeros aside).
int CompareNames(const std::string& a, const std::string& b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const size_t aEnd = DigitsEnd(a, i);
            const size_t bEnd = DigitsEnd(b, j);
            while (i + 1 < aEnd && a[i] == '0')
                ++i;
            while (j + 1 < bEnd && b[j] == '0')
                ++j;
            if (aEnd - i != bEnd - j)
                return aEnd - i < bEnd - j ? -1 : 1;  // fewer digits, smaller number
            if (const int digits = a.compare(i, aEnd - i, b, j, bEnd - j))
                return digits;
            i = aEnd;
            j = bEnd;
            continue;
        }
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

}  // namespace

void SortPortNames(std::vector<std::string>& names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return CompareNames(a, b) < 0; });
    names.erase(std::unique(names.begin(), names.end()), names.end());
}

std::vector<std::string> ListedPorts(const CliContext& context)
{
    std::vector<std::string> names =
        context.environment.listPorts ? context.environment.listPorts() : EnumeratePortNames();
    SortPortNames(names);
    return names;
}

#include "IpExtraction.h"

#include <algorithm>

#include "Ascii.h"

#include <limits>

using namespace kestrune::net;

namespace kestrune::lookup {

namespace {

constexpr std::string_view kFirstMarker = "Address:";
constexpr std::string_view kSecondMarker = "Your IP  Is ";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// From start (clamped to the page), the bytes up to the first stop byte or the page's end.
std::string copyUntil(std::string_view page, std::size_t start, char stop)
{
    if (start >= page.size())
        return {};
    std::string_view rest = page.substr(start);
    return std::string(rest.substr(0, rest.find(stop)));
}

} // namespace

bool isValidIp(std::string_view text)
{
    int dots = 0;
    for (char c : text) {
        if (c == '.')
            ++dots;
        else if (!isDigit(c))
            return false;
    }
    return dots == 3;
}

std::string_view trimControlChars(std::string_view text)
{
    auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!text.empty() && isControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isControl(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string addressOrPlaceholder(std::string_view collected)
{
    std::string_view trimmed = trimControlChars(collected);
    return std::string(isValidIp(trimmed) ? trimmed : kPlaceholderAddress);
}

std::optional<std::int32_t> parseSkipCount(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;

    // One past the largest magnitude, so "-2147483648" still fits.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        int digit = base == 16 ? ascii::hexDigitValue(text[i]) : (isDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit)
            return std::nullopt;
    }
    if (!negative && magnitude == kLimit)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string collectFirstService(std::string_view page)
{
    std::size_t marker = page.find(kFirstMarker);
    if (marker == std::string_view::npos)
        return {};
    // The character right after the marker (a blank on the service's page) is passed over.
    return copyUntil(page, marker + kFirstMarker.size() + 1, '<');
}

std::string collectSecondService(std::string_view page)
{
    std::size_t marker = page.find(kSecondMarker);
    if (marker == std::string_view::npos)
        return {};
    return copyUntil(page, marker + kSecondMarker.size(), ' ');
}

std::string collectFirstDottedQuad(std::string_view page)
{
    auto inRun = [](char c) { return isDigit(c) || c == '.'; };
    for (std::size_t pos = 0; pos < page.size();) {
        if (!inRun(page[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < page.size() && inRun(page[end]))
            ++end;
        std::string_view run = page.substr(pos, end - pos);
        pos = end;
        while (!run.empty() && run.front() == '.')
            run.remove_prefix(1);
        while (!run.empty() && run.back() == '.')
            run.remove_suffix(1);
        int groups = 0;
        bool fits = !run.empty();
        for (std::size_t start = 0; fits && start <= run.size(); ++groups) {
            const std::size_t dot = std::min(run.find('.', start), run.size());
            fits = dot > start && dot - start <= 3;
            start = dot + 1;
        }
        if (fits && groups == 4)
            return std::string(run);
    }
    return {};
}

std::optional<std::size_t> userDefinedStart(std::string_view page, std::string_view keyword,
                                            std::string_view skipText)
{
    if (keyword.empty())
        return std::nullopt;
    std::size_t position = page.find(keyword);
    if (position == std::string_view::npos)
        return std::nullopt;
    std::int64_t skip = parseSkipCount(skipText).value_or(static_cast<std::int64_t>(keyword.size()));
    // Pages are far below 2^62 bytes and skip is 32-bit, so this sum cannot overflow.
    std::int64_t start = static_cast<std::int64_t>(position + keyword.size()) + skip;
    // A start before the page points at nothing the page holds; reading from its first byte instead could
    // pick up some other number (a LAN address) and report it as the public one.
    if (start < 0 || start >= static_cast<std::int64_t>(page.size()))
        return std::nullopt;
    return static_cast<std::size_t>(start);
}

std::string collectUserDefined(std::string_view page, std::string_view keyword, std::string_view skipText)
{
    std::optional<std::size_t> start = userDefinedStart(page, keyword, skipText);
    if (!start)
        return {};
    std::size_t i = *start;
    while (i < page.size() && !isDigit(page[i]))
        ++i;
    std::size_t first = i;
    while (i < page.size() && (isDigit(page[i]) || page[i] == '.' || page[i] == ' '))
        ++i;
    return std::string(page.substr(first, i - first));
}

} // namespace kestrune::lookup

// The extraction rules on any page: both external services' rules, the user-defined keyword and skip
// count, the address check, and the page inspector's offsets between page bytes and the view.
#include "FuzzInput.h"
#include "IpExtraction.h"
#include "Inspector.h"
#include "PageText.h"

using namespace kestrune::lookup;

namespace {

bool IsAddressByte(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ' '; }

void CheckResult(const std::string& collected) {
    const std::string shown = addressOrPlaceholder(collected);
    FUZZ_CHECK(shown == kPlaceholderAddress || isValidIp(shown));
    FUZZ_CHECK(isValidIp(shown) == isValidIp(trimControlChars(collected)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string keyword = in.Field();
    const std::string skip = in.Field();
    const std::string address = in.Field();
    const std::string page = in.Rest();

    const std::string first = collectFirstService(page);
    FUZZ_CHECK(first.find('<') == std::string::npos);
    FUZZ_CHECK(page.find(first) != std::string::npos);
    CheckResult(first);

    const std::string second = collectSecondService(page);
    FUZZ_CHECK(second.find(' ') == std::string::npos);
    FUZZ_CHECK(page.find(second) != std::string::npos);
    CheckResult(second);

    (void)parseSkipCount(skip);
    const std::optional<std::size_t> start = userDefinedStart(page, keyword, skip);
    FUZZ_CHECK(!start || *start < page.size());
    const std::string user = collectUserDefined(page, keyword, skip);
    FUZZ_CHECK(!start || page.find(user, *start) != std::string::npos);
    FUZZ_CHECK(start || user.empty());
    for (char c : user)
        FUZZ_CHECK(IsAddressByte(c));
    FUZZ_CHECK(user.empty() || user.front() != ' ');
    CheckResult(user);

    // The view and the page agree on every offset, in both directions.
    const PageText text(page);
    FUZZ_CHECK(text.viewLength() <= page.size());
    for (std::size_t unit = 0; unit < text.viewLength(); ++unit) {
        const std::size_t byte = text.viewToPage(unit);
        FUZZ_CHECK(byte < page.size());
        FUZZ_CHECK(text.viewToPage(text.pageToView(byte)) == byte);
    }
    for (std::size_t byte = 0; byte <= page.size(); ++byte)
        FUZZ_CHECK(text.pageToView(byte) <= text.viewLength());

    const ByteRange none{0, 0};
    const AutoResult found = autoKeyword(text, address, none);
    if (found.found) {
        FUZZ_CHECK(found.window.end() <= page.size());
        FUZZ_CHECK(page.compare(found.window.start, found.window.length, found.keyword) == 0);
        FUZZ_CHECK(found.keyword.find_first_of(",.\xAC") == std::string::npos);
    }
    if (const std::optional<ByteRange> hit = findNext(text, address, none))
        FUZZ_CHECK(page.compare(hit->start, hit->length, address) == 0);
    return 0;
}

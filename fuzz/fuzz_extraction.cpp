// The extraction rules on any page: both external services' rules, the user-defined keyword and skip
// count, the address check, and the page inspector's offsets between page bytes and the view.
#include "FuzzInput.h"
#include "IPExtraction.h"
#include "Inspector.h"
#include "PageText.h"

namespace {

bool IsAddressByte(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ' '; }

void CheckResult(const std::string& collected) {
    const std::string shown = AddressOrPlaceholder(collected);
    FUZZ_CHECK(shown == kPlaceholderAddress || ValidIP(shown));
    FUZZ_CHECK(ValidIP(shown) == ValidIP(TrimControlChars(collected)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::string keyword = in.Field();
    const std::string skip = in.Field();
    const std::string address = in.Field();
    const std::string page = in.Rest();

    const std::string first = CollectFirstService(page);
    FUZZ_CHECK(first.find('<') == std::string::npos);
    FUZZ_CHECK(page.find(first) != std::string::npos);
    CheckResult(first);

    const std::string second = CollectSecondService(page);
    FUZZ_CHECK(second.find(' ') == std::string::npos);
    FUZZ_CHECK(page.find(second) != std::string::npos);
    CheckResult(second);

    (void)ParseSkipCount(skip);
    const std::optional<std::size_t> start = UserDefinedStart(page, keyword, skip);
    FUZZ_CHECK(!start || *start < page.size());
    const std::string user = CollectUserDefined(page, keyword, skip);
    FUZZ_CHECK(!start || page.find(user, *start) != std::string::npos);
    FUZZ_CHECK(start || user.empty());
    for (char c : user)
        FUZZ_CHECK(IsAddressByte(c));
    FUZZ_CHECK(user.empty() || user.front() != ' ');
    CheckResult(user);

    // The view and the page agree on every offset, in both directions.
    const TPageText text(page);
    FUZZ_CHECK(text.ViewLength() <= page.size());
    for (std::size_t unit = 0; unit < text.ViewLength(); ++unit) {
        const std::size_t byte = text.ViewToPage(unit);
        FUZZ_CHECK(byte < page.size());
        FUZZ_CHECK(text.ViewToPage(text.PageToView(byte)) == byte);
    }
    for (std::size_t byte = 0; byte <= page.size(); ++byte)
        FUZZ_CHECK(text.PageToView(byte) <= text.ViewLength());

    const TByteRange none{0, 0};
    const TAutoResult found = AutoKeyword(text, address, none);
    if (found.Found) {
        FUZZ_CHECK(found.Window.End() <= page.size());
        FUZZ_CHECK(page.compare(found.Window.Start, found.Window.Length, found.Keyword) == 0);
        FUZZ_CHECK(found.Keyword.find_first_of(",.\xAC") == std::string::npos);
    }
    if (const std::optional<TByteRange> hit = FindNext(text, address, none))
        FUZZ_CHECK(page.compare(hit->Start, hit->Length, address) == 0);
    return 0;
}

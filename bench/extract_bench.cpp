// The user-defined extraction on 1 MB and 10 MB pages whose keyword stands at the very end, against a plain
// std::string::find of the keyword over the same page.
#include "BenchReport.h"
#include "IpExtraction.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace kestrune::lookup;

namespace {

constexpr const char* kKeyword = "WAN IP Address:</td><td>";
constexpr const char* kAddress = "203.0.113.9";

// nearMisses fills the page with rows that begin like the keyword, so the search compares at every row.
std::string RouterPage(std::size_t size, bool nearMisses)
{
    std::string page;
    page.reserve(size + 128);
    const char* label = nearMisses ? "WAN IP Address (backup)" : "Port";
    for (int row = 0; page.size() < size; ++row)
        page += std::string("<tr><td>") + label + " " + std::to_string(row % 97) +
                "</td><td>Status up, 100 Mbit/s</td></tr>\r\n";
    page += "<tr><td>";
    page += kKeyword;
    page += kAddress;
    page += "</td></tr>\r\n";
    return page;
}

template <typename F> double Milliseconds(F f)
{
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Row {
    double Find;
    double Extract;
};

Row Measure(const std::string& page, int rounds, bool& correct)
{
    std::vector<double> find, extract;
    std::size_t sink = 0;
    for (int i = 0; i < rounds; ++i) {
        // Alternating keeps both sides under the same cache and clock conditions.
        find.push_back(Milliseconds([&] { sink += page.find(kKeyword); }));
        std::string address;
        extract.push_back(Milliseconds([&] { address = addressOrPlaceholder(collectUserDefined(page, kKeyword, "0")); }));
        correct = correct && address == kAddress;
    }
    if (sink == 0)
        correct = false;
    return {Median(find), Median(extract)};
}

} // namespace

int main()
{
    bool correct = true;
    for (bool nearMisses : {false, true}) {
        const char* kind = nearMisses ? "near-miss rows" : "plain rows";
        Row one = Measure(RouterPage(1u << 20, nearMisses), 201, correct);
        Row ten = Measure(RouterPage(10u << 20, nearMisses), 41, correct);
        if (!correct) {
            std::fprintf(stderr, "extraction did not yield %s\n", kAddress);
            return 1;
        }
        const std::string vs = Format(", %s, keyword at the end, vs std::string::find", kind);
        PrintRow("extraction 1 MB page" + vs, Format("extract %.3f ms, find %.3f ms (medians)", one.Extract, one.Find),
                 one.Extract / one.Find);
        PrintRow("extraction 10 MB page" + vs, Format("extract %.3f ms, find %.3f ms (medians)", ten.Extract, ten.Find),
                 ten.Extract / ten.Find);
        PrintRow(Format("extraction growth 10 MB / 1 MB, %s, vs find's growth", kind),
                 Format("extract %.2fx, find %.2fx (target <= 12x)", ten.Extract / one.Extract, ten.Find / one.Find),
                 (ten.Extract / one.Extract) / (ten.Find / one.Find));
    }
    return 0;
}

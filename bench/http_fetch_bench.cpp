// Fetch time of HttpClient against libcurl on the same local nginx, alternating in one process.
// Prints the median time per fetch of each and their ratio (ours / libcurl).
#include "BenchReport.h"
#include "BenchWeb.h"
#include "HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kestrune::net;

namespace {

using Clock = std::chrono::steady_clock;

size_t AppendToString(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

class CurlClient {
public:
    explicit CurlClient(const std::string& caFile) : fCurl(curl_easy_init()) {
        curl_easy_setopt(fCurl, CURLOPT_WRITEFUNCTION, AppendToString);
        curl_easy_setopt(fCurl, CURLOPT_WRITEDATA, &fBody);
        // Verification on, as ours: the chain and the host name.
        curl_easy_setopt(fCurl, CURLOPT_CAINFO, caFile.c_str());
    }
    ~CurlClient() { curl_easy_cleanup(fCurl); }
    std::string Fetch(const std::string& url) {
        fBody.clear();
        curl_easy_setopt(fCurl, CURLOPT_URL, url.c_str());
        if (curl_easy_perform(fCurl) != CURLE_OK)
            throw std::runtime_error("libcurl fetch failed");
        return fBody;
    }

private:
    CURL* fCurl;
    std::string fBody;
};

template <typename Fetch>
double TimeOne(Fetch&& fetch, const std::string& expected) {
    const auto start = Clock::now();
    const std::string body = fetch();
    const double micros = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (body != expected)
        throw std::runtime_error("wrong body");
    return micros;
}

void Compare(const char* label, const std::string& url, const std::string& page, int rounds,
             const std::string& caFile) {
    HttpClient ours;
    CurlClient curl(caFile);
    std::vector<double> oursTimes, curlTimes;
    for (int i = 0; i < rounds + 20; ++i) {
        const double a = TimeOne([&] { return ours.fetchPage(url); }, page);
        const double b = TimeOne([&] { return curl.Fetch(url); }, page);
        if (i >= 20) {  // the first rounds warm caches and connections
            oursTimes.push_back(a);
            curlTimes.push_back(b);
        }
    }
    const double o = Median(oursTimes), c = Median(curlTimes);
    PrintRow(Format("%s, %d fetches each, alternating, vs libcurl", label, rounds),
             Format("ours %.1f us, libcurl %.1f us (median per fetch)", o, c), o / c);
}

} // namespace

int main(int argc, char** argv) try {
    const int keepAliveRounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int newConnectionRounds = argc > 2 ? std::atoi(argv[2]) : 200;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::string page;
    for (int i = 0; page.size() < 2048; ++i)
        page += "<p>line " + std::to_string(i) + " of the status page: WAN 203.0.113.7</p>\n";
    page.resize(2048);
    BenchWeb web;
    web.Write("page.htm", page);
    // nginx closes every connection under /close/ after its response.
    web.Write("close/page.htm", page);

    // Ours reads OpenSSL's default store; both trust the benchmark's own authority alone.
    ::setenv("SSL_CERT_FILE", web.CAFile().c_str(), 1);
    const std::string& ca = web.CAFile();
    Compare("HTTP keep-alive 2 KB page", web.BaseURL() + "/page.htm", page, keepAliveRounds, ca);
    Compare("HTTP new connection 2 KB page (Connection: close)", web.BaseURL() + "/close/page.htm", page,
            newConnectionRounds, ca);
    Compare("HTTPS keep-alive 2 KB page, verified", web.TlsBaseURL() + "/page.htm", page, keepAliveRounds, ca);
    Compare("HTTPS new connection 2 KB page (Connection: close), verified", web.TlsBaseURL() + "/close/page.htm",
            page, newConnectionRounds, ca);
    curl_global_cleanup();
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "http_fetch_bench: %s\n", error.what());
    return 1;
}

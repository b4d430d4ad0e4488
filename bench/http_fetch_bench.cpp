// Fetch time of TNetHTTP against libcurl on the same local nginx, alternating in one process.
// Prints the median time per fetch of each and their ratio (ours / libcurl).
#include "NetHTTP.h"
#include "NginxServer.h"
#include "TempDir.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

size_t AppendToString(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

class CurlClient {
public:
    CurlClient() : fCurl(curl_easy_init()) {
        curl_easy_setopt(fCurl, CURLOPT_WRITEFUNCTION, AppendToString);
        curl_easy_setopt(fCurl, CURLOPT_WRITEDATA, &fBody);
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

double MedianMicros(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <typename Fetch>
double TimeOne(Fetch&& fetch, const std::string& expected) {
    const auto start = Clock::now();
    const std::string body = fetch();
    const double micros = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (body != expected)
        throw std::runtime_error("wrong body");
    return micros;
}

void Compare(const char* label, const std::string& url, const std::string& page, int rounds) {
    TNetHTTP ours;
    CurlClient curl;
    std::vector<double> oursTimes, curlTimes;
    for (int i = 0; i < rounds + 20; ++i) {
        const double a = TimeOne([&] { return ours.FetchPage(url); }, page);
        const double b = TimeOne([&] { return curl.Fetch(url); }, page);
        if (i >= 20) {  // the first rounds warm caches and connections
            oursTimes.push_back(a);
            curlTimes.push_back(b);
        }
    }
    const double o = MedianMicros(oursTimes), c = MedianMicros(curlTimes);
    std::printf("%s: ours %.1f us, libcurl %.1f us, ratio %.2f\n", label, o, c, o / c);
}

} // namespace

int main(int argc, char** argv) {
    const int keepAliveRounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int newConnectionRounds = argc > 2 ? std::atoi(argv[2]) : 200;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    testsupport::TempDir root("kestrune-bench-www");
    std::string page;
    for (int i = 0; page.size() < 2048; ++i)
        page += "<p>line " + std::to_string(i) + " of the status page: WAN 203.0.113.7</p>\n";
    page.resize(2048);
    root.Write("page.htm", page);
    root.Write("close/page.htm", page);
    testsupport::NginxServer::Options options;
    options.DocumentRoot = root.Path();
    options.KeepaliveRequests = 1000000;
    options.ServerConfig = "    access_log off;\n    location /close/ { keepalive_timeout 0; }\n";
    testsupport::NginxServer nginx(options);

    Compare("HTTP keep-alive 2KB fetch", nginx.BaseURL() + "/page.htm", page, keepAliveRounds);
    Compare("HTTP new connection 2KB fetch", nginx.BaseURL() + "/close/page.htm", page, newConnectionRounds);
    curl_global_cleanup();
    return 0;
}

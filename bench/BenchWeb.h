#pragma once

#include "NginxServer.h"
#include "TempDir.h"

#include <memory>
#include <string>

// The local nginx the benchmarks fetch from: the one bench/run started (KESTRUNE_BENCH_WWW base URL,
// KESTRUNE_BENCH_WWW_ROOT document root, KESTRUNE_BENCH_WWW_LOG access log of /window/) or, when a benchmark
// runs alone, a private one set up the same way: no access log but under /window/, keep-alive for a million
// requests, and no keep-alive under /close/.
class BenchWeb {
public:
    BenchWeb();

    const std::string& BaseURL() const { return baseURL_; }
    const std::string& TlsBaseURL() const { return tlsBaseURL_; }
    // The certificate authority the TLS site's certificate leads to.
    const std::string& CAFile() const { return caFile_; }
    // Writes a file under the document root (folders on the way are created).
    void Write(const std::string& relative, const std::string& body) const;
    // Requests logged under /window/ so far.
    int WindowRequests() const;

private:
    std::unique_ptr<testsupport::TempDir> ownRoot_;
    std::unique_ptr<testsupport::NginxServer> ownServer_;
    std::string baseURL_;
    std::string tlsBaseURL_;
    std::string caFile_;
    std::string root_;
    std::string windowLog_;
};

#include "BenchWeb.h"

#include "TestCertificates.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}
} // namespace

BenchWeb::BenchWeb()
    : baseURL_(Variable("KESTRUNE_BENCH_WWW")), tlsBaseURL_(Variable("KESTRUNE_BENCH_WWW_TLS")),
      caFile_(Variable("KESTRUNE_BENCH_CA")), root_(Variable("KESTRUNE_BENCH_WWW_ROOT")),
      windowLog_(Variable("KESTRUNE_BENCH_WWW_LOG"))
{
    if (!baseURL_.empty() && !root_.empty() && !windowLog_.empty() && !tlsBaseURL_.empty() && !caFile_.empty())
        return;
    const testsupport::TestCertificates& certificates = testsupport::TestCertificates::get();
    ownRoot_ = std::make_unique<testsupport::TempDir>("kestrune-bench-www");
    testsupport::NginxServer::Options options;
    options.DocumentRoot = ownRoot_->Path();
    options.KeepaliveRequests = 1000000;
    // Relative log paths resolve under the server's own folder.
    options.ServerConfig = "    access_log off;\n    location /close/ { keepalive_timeout 0; }\n"
                           "    location /window/ { access_log window.log; }\n";
    options.TlsCertFile = certificates.serverCert();
    options.TlsKeyFile = certificates.serverKey();
    ownServer_ = std::make_unique<testsupport::NginxServer>(options);
    baseURL_ = ownServer_->BaseURL();
    tlsBaseURL_ = ownServer_->TlsBaseURL();
    caFile_ = certificates.caFile();
    root_ = ownRoot_->Path();
    windowLog_ = ownServer_->Folder() + "/window.log";
}

void BenchWeb::Write(const std::string& relative, const std::string& body) const
{
    const std::filesystem::path file = std::filesystem::path(root_) / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << body;
}

int BenchWeb::WindowRequests() const
{
    std::ifstream log(windowLog_, std::ios::binary);
    int lines = 0;
    for (std::string line; std::getline(log, line);)
        ++lines;
    return lines;
}

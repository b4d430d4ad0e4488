// One mail (plain, TLS and STARTTLS) and one template upload (active plain, passive FTPS) as whole commands
// against the local SMTP and FTP servers bench/run started, against curl doing the same, alternating. Prints
// median wall times and their ratio. STARTTLS and FTPS verify the servers' certificates (KESTRUNE_BENCH_CA).
//
// usage: transfer_bench compare [runs]   (servers named by KESTRUNE_BENCH_SMTP_PORT/_DIR,
//                                         KESTRUNE_BENCH_SMTPS_PORT/_DIR, KESTRUNE_BENCH_SMTPSTART_PORT/_DIR,
//                                         KESTRUNE_BENCH_FTP_PORT/_DIR/_USER/_PASSWORD, KESTRUNE_BENCH_FTPS_PORT/_DIR)
//        transfer_bench mail PORT plain|tls|starttls
//        transfer_bench upload PORT USER PASSWORD TEMPLATE REMOTE
//        transfer_bench upload-ftps PORT TEMPLATE REMOTE
#include "BenchReport.h"
#include "FtpUpload.h"
#include "FtpClient.h"
#include "Spawn.h"
#include "TempDir.h"
#include "MailSender.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

using namespace kestrune::actions;
using namespace kestrune::net;

namespace {

namespace fs = std::filesystem;

constexpr const char* kFrom = "kestrune@home.example";
constexpr const char* kTo = "a@x.org";
constexpr const char* kAddress = "203.0.113.7";
constexpr const char* kCurl = "/usr/bin/curl";

int SendOneMail(const std::string& port, const std::string& security)
{
    MailSender webmail;
    MailSenderSettings settings;
    settings.smtpServer = security == "starttls" ? "localhost" : "127.0.0.1";
    settings.portText = port;
    settings.ssl = security == "tls";
    settings.startTls = security == "starttls";
    // The implicit-TLS server has a certificate of its own; curl is told -k for it.
    settings.anyCertificate = security == "tls";
    settings.from = kFrom;
    settings.to = kTo;
    settings.subject = "New IP";
    const MailSendResult result = webmail.send(settings, webmailTestText(kAddress));
    if (!result.sent)
        std::fprintf(stderr, "mail not sent: %s\n", result.error.c_str());
    return result.sent ? 0 : 1;
}

int UploadOnce(char** argv, bool ftps)
{
    const testsupport::TempDir local("kestrune-bench-upload");
    FtpClient ftp;
    bool connected = false;
    ftp.onConnected = [&] { connected = true; };
    ftp.onDisconnected = [&] { connected = false; };
    FtpUploadJob job;
    job.host = std::string(ftps ? "localhost:" : "127.0.0.1:") + argv[2];
    job.username = ftps ? "anonymous" : argv[3];
    job.password = ftps ? "kestrune@" : argv[4];
    job.localTemplate = argv[ftps ? 3 : 5];
    job.remoteFile = argv[ftps ? 4 : 6];
    job.passive = ftps;
    job.tls = ftps;
    job.address = kAddress;
    job.uploadFile = local.File("kestrune.tmp");
    try {
        uploadTemplate(ftp, job, {});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "upload failed: %s\n", error.what());
        if (connected)
            ftp.quitAndClose();
        return 1;
    }
    ftp.quitAndClose();
    return 0;
}

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        throw std::runtime_error(std::string(name) + " is not set (bench/run sets it)");
    return value;
}

std::string Self()
{
    return fs::read_symlink("/proc/self/exe").string();
}

int CountFiles(const std::string& folder, const std::string& extension)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().extension() == extension;
    return count;
}

std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void CompareMail(const std::string& security, int runs, const std::string& message)
{
    const bool tls = security == "tls", startTls = security == "starttls";
    const std::string server = tls ? "SMTPS" : startTls ? "SMTPSTART" : "SMTP";
    const std::string port = Variable(("KESTRUNE_BENCH_" + server + "_PORT").c_str());
    const std::string folder = Variable(("KESTRUNE_BENCH_" + server + "_DIR").c_str());
    const int before = CountFiles(folder, ".eml");
    std::vector<std::string> curl = {kCurl, "-sS",
                                     std::string(tls ? "smtps://127.0.0.1:" : startTls ? "smtp://localhost:"
                                                                                       : "smtp://127.0.0.1:") +
                                         port,
                                     "--mail-from", kFrom, "--mail-rcpt", kTo, "--upload-file", message};
    if (tls)
        curl.push_back("-k");
    if (startTls)
        curl.insert(curl.end(), {"--ssl-reqd", "--cacert", Variable("KESTRUNE_BENCH_CA")});
    CompareCommands(tls        ? "SMTP TLS, one mail as a whole command, vs curl -k smtps://"
                    : startTls ? "SMTP STARTTLS, verified, one mail as a whole command, vs curl --ssl-reqd smtp://"
                               : "SMTP plain, one mail as a whole command, vs curl smtp://",
                    {Self(), "mail", port, security}, curl, runs);
    const int stored = CountFiles(folder, ".eml") - before;
    if (stored != 2 * (runs + 1))
        throw std::runtime_error("the SMTP server stored " + std::to_string(stored) + " mails");
}

void CompareUpload(int runs, const testsupport::TempDir& local)
{
    const std::string port = Variable("KESTRUNE_BENCH_FTP_PORT"), root = Variable("KESTRUNE_BENCH_FTP_DIR");
    const std::string user = Variable("KESTRUNE_BENCH_FTP_USER"), password = Variable("KESTRUNE_BENCH_FTP_PASSWORD");
    std::string templateText, filled;
    for (int i = 0; i < 40; ++i) {
        templateText += "<p>Home network " + std::to_string(i) + ": <a href=\"http://{IP}/\">{IP}</a></p>\r\n";
        filled += "<p>Home network " + std::to_string(i) + ": <a href=\"http://" + kAddress + "/\">" + kAddress +
                  "</a></p>\r\n";
    }
    const std::string templateFile = local.Write("template.html", templateText);
    const std::string filledFile = local.Write("filled.html", filled);
    CompareCommands("FTP upload of a 2.5 KB template, active mode, as a whole command, vs curl ftp:// --ftp-port",
                    {Self(), "upload", port, user, password, templateFile, "ours.html"},
                    {kCurl, "-sS", "--ftp-port", "127.0.0.1", "--user", user + ":" + password, "--upload-file",
                     filledFile, "ftp://127.0.0.1:" + port + "/curl.html"},
                    runs);
    if (ReadFile(fs::path(root) / "ours.html") != filled || ReadFile(fs::path(root) / "curl.html") != filled)
        throw std::runtime_error("the FTP server does not hold the filled template from both");

    const std::string tlsPort = Variable("KESTRUNE_BENCH_FTPS_PORT"), tlsRoot = Variable("KESTRUNE_BENCH_FTPS_DIR");
    CompareCommands("FTPS upload of a 2.5 KB template, passive, verified, as a whole command, vs curl --ssl-reqd",
                    {Self(), "upload-ftps", tlsPort, templateFile, "ours.html"},
                    {kCurl, "-sS", "--ssl-reqd", "--cacert", Variable("KESTRUNE_BENCH_CA"), "--user",
                     "anonymous:kestrune@", "--upload-file", filledFile, "ftp://localhost:" + tlsPort + "/curl.html"},
                    runs);
    if (ReadFile(fs::path(tlsRoot) / "ours.html") != filled || ReadFile(fs::path(tlsRoot) / "curl.html") != filled)
        throw std::runtime_error("the FTPS server does not hold the filled template from both");
}

int Compare(int runs)
{
    // Our commands find the run's certificate authority where every OpenSSL program looks first.
    setenv("SSL_CERT_FILE", Variable("KESTRUNE_BENCH_CA").c_str(), 1);
    const testsupport::TempDir local("kestrune-bench-transfer");
    const std::string message = local.Write(
        "message.eml", std::string("From: ") + kFrom + "\r\nTo: " + kTo +
                           "\r\nSubject: New IP\r\nDate: Mon, 07 Dec 2026 09:00:00 +0000\r\n\r\n" +
                           webmailBodyText(webmailTestText(kAddress), std::time(nullptr)) + "\r\n");
    CompareMail("plain", runs, message);
    CompareMail("tls", runs, message);
    CompareMail("starttls", runs, message);
    CompareUpload(runs, local);
    return 0;
}

} // namespace

int main(int argc, char** argv)
try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "mail" && argc == 4)
        return SendOneMail(argv[2], argv[3]);
    if (mode == "upload" && argc == 7)
        return UploadOnce(argv, false);
    if (mode == "upload-ftps" && argc == 5)
        return UploadOnce(argv, true);
    if (mode == "compare")
        return Compare(argc > 2 ? std::atoi(argv[2]) : 20);
    std::fprintf(stderr, "usage: transfer_bench compare [runs] | mail PORT plain|tls|starttls | "
                         "upload PORT USER PASSWORD TEMPLATE REMOTE | upload-ftps PORT TEMPLATE REMOTE\n");
    return 2;
} catch (const std::exception& error) {
    std::fprintf(stderr, "transfer_bench: %s\n", error.what());
    return 1;
}

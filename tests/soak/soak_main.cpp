// Long runs of the three network jobs against local servers: lookups from nginx (keep-alive and
// "Connection: close" pages in turn), template uploads to an FTP server and mails to an SMTP server, all on
// client objects kept for the whole run as the window keeps them. Prints the open descriptors and the
// resident memory before and after; with --check, fails when descriptors grew or memory grew beyond a margin.
//
//   kestrune_soak [lookups] [uploads-and-mails] [--check]      (defaults 10000 and 1000)
#include "FtpServer.h"
#include "FtpUpload.h"
#include "Lookup.h"
#include "FtpClient.h"
#include "HttpClient.h"
#include "NginxServer.h"
#include "PeakMemory.h"
#include "SmtpServer.h"
#include "TempDir.h"
#include "MailSender.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace kestrune::actions;
using namespace kestrune::lookup;
using namespace kestrune::net;

namespace {

struct Figures {
    int Descriptors;
    long ResidentKiB;
};

Figures Measure() { return {PeakMemory::OpenDescriptors(), PeakMemory::StatusKiB("VmRSS")}; }

void Print(const char* when, const Figures& f) {
    std::printf("%-6s open descriptors %4d, resident %7ld KiB\n", when, f.Descriptors, f.ResidentKiB);
    std::fflush(stdout);
}

class Soak {
public:
    Soak() : fFtpServer("bob", "s3cret"), fSmtpServer({}) {
        fRoot.Write("ka/ip.htm", "<p>WAN IP: 203.0.113.7 </p>");
        fRoot.Write("close/ip.htm", "<p>WAN IP: 203.0.113.8 </p>");
        testsupport::NginxServer::Options options;
        options.DocumentRoot = fRoot.Path();
        options.ServerConfig = "    location /close/ { keepalive_timeout 0; }\n";
        options.KeepaliveRequests = 1000000;
        fNginx = std::make_unique<testsupport::NginxServer>(options);

        fJob = {"127.0.0.1", "bob", "s3cret", fLocal.Write("template.html", "<b>{IP}</b>\n"), "ip.html", "",
                fLocal.File("upload.tmp")};
        fFtp.port = fFtpServer.Port();
        fMail.to = "a@x.org";
        fMail.from = "kestrune@home.example";
        fMail.smtpServer = "127.0.0.1";
        fMail.portText = std::to_string(fSmtpServer.Port());
        fMail.subject = "New IP";
    }

    // Every job must do its work; a failure ends the run, since a soak of failures proves nothing.
    bool Lookup(int i) {
        LookupFields fields;
        const bool close = i % 2 == 1;
        fields.url = "127.0.0.1:" + std::to_string(fNginx->Port()) + (close ? "/close/ip.htm" : "/ka/ip.htm");
        fields.keyword = "IP:";
        fields.charToSkip = "0";
        const LookupResult result = runLookup(fHttp, fields);
        const char* expected = close ? "203.0.113.8" : "203.0.113.7";
        if (result.failed() || result.address != expected)
            return Fail("lookup", i, result.failed() ? result.errorMessage : result.address);
        // The two pages must really differ in what they do to the connection.
        if (fHttp.connected() == close)
            return Fail("lookup", i, close ? "connection kept after \"Connection: close\"" : "keep-alive not kept");
        return true;
    }

    bool Upload(int i) {
        fJob.address = "10.0." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
        try {
            uploadTemplate(fFtp, fJob, {});
            fFtp.quitAndClose();
        } catch (const std::exception& e) {
            if (fFtp.connected())
                fFtp.quitAndClose();
            return Fail("upload", i, e.what());
        }
        if (fFtpServer.ReadStored("ip.html") != "<b>" + fJob.address + "</b>\r\n")
            return Fail("upload", i, "stored file differs");
        return true;
    }

    bool Mail(int i) {
        const MailSendResult result = fWebmail.send(fMail, "soak " + std::to_string(i));
        return result.sent || Fail("mail", i, result.error);
    }

    bool Run(int lookups, int uploads) {
        for (int i = 0; i < lookups; ++i)
            if (!Lookup(i))
                return false;
        for (int i = 0; i < uploads; ++i)
            if (!Upload(i) || !Mail(i))
                return false;
        return true;
    }

    std::size_t MailsStored() const { return fSmtpServer.Stored().size(); }

private:
    static bool Fail(const char* job, int i, const std::string& why) {
        std::fprintf(stderr, "%s %d failed: %s\n", job, i, why.c_str());
        return false;
    }

    testsupport::TempDir fRoot{"kestrune-soak-www"};
    testsupport::TempDir fLocal{"kestrune-soak"};
    std::unique_ptr<testsupport::NginxServer> fNginx;
    FtpServer fFtpServer;
    SmtpServer fSmtpServer;
    HttpClient fHttp;
    FtpClient fFtp;
    FtpUploadJob fJob;
    MailSender fWebmail;
    MailSenderSettings fMail;
};

} // namespace

int main(int argc, char** argv) {
    int counts[2] = {10000, 1000};
    int given = 0;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else if (given < 2)
            counts[given++] = std::atoi(argv[i]);
    }
    // An even count ends on the "Connection: close" page, as the first round does, so both figures are
    // taken with the HTTP connection closed.
    const int lookups = (counts[0] + 1) / 2 * 2, uploads = counts[1];

    Soak soak;
    // A first round grows the buffers, caches and allocator pools that a long run keeps; the figures are
    // taken after it, so what they compare is growth per job.
    if (!soak.Run(20, 5))
        return 1;
    const Figures start = Measure();
    Print("start", start);
    const auto begun = std::chrono::steady_clock::now();
    if (!soak.Run(lookups, uploads))
        return 1;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    const Figures end = Measure();
    Print("end", end);
    std::printf("%d lookups, %d uploads, %d mails in %.1f s; %zu mails stored by the server\n", lookups, uploads,
                uploads, seconds, soak.MailsStored());

    // Memory margin: a few allocator pages, not a share of the work done.
    const long marginKiB = 2048;
    bool ok = soak.MailsStored() == static_cast<std::size_t>(uploads + 5);
    if (!ok)
        std::fprintf(stderr, "the server stored %zu mails, expected %d\n", soak.MailsStored(), uploads + 5);
    if (end.Descriptors != start.Descriptors) {
        std::fprintf(stderr, "open descriptors changed: %d -> %d\n", start.Descriptors, end.Descriptors);
        ok = false;
    }
    if (end.ResidentKiB > start.ResidentKiB + marginKiB) {
        std::fprintf(stderr, "resident memory grew by %ld KiB (margin %ld KiB)\n", end.ResidentKiB - start.ResidentKiB,
                     marginKiB);
        ok = false;
    }
    if (!check)
        return 0;
    std::printf("%s\n", ok ? "soak: ok" : "soak: FAILED");
    return ok ? 0 : 1;
}

// A password never comes back to the user inside a text: not in an error, not in a status line, neither
// plain nor in the base64 form it takes on the wire. Each case is a refused login at a real server.
#include "FtpServer.h"
#include "FtpUpload.h"
#include "Base64.h"
#include "NetworkErrors.h"
#include "FtpClient.h"
#include "HttpClient.h"
#include "NginxServer.h"
#include "SmtpServer.h"
#include "Targets.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrune::actions;
using namespace kestrune::lookup;
using namespace kestrune::net;

namespace {

const std::string kPassword = "Tr0ub4dor-and-3";

// Every text that could be shown, checked for the password and its encodings.
void ExpectNoPassword(const std::vector<std::string>& texts, const std::string& user, const char* where) {
    const std::string plain = std::string(1, '\0') + user + std::string(1, '\0') + kPassword;
    const std::string forms[] = {kPassword, encodeBase64(kPassword), encodeBase64(user + ":" + kPassword),
                                 encodeBase64(plain)};
    for (const std::string& text : texts)
        for (const std::string& form : forms)
            EXPECT_EQ(text.find(form), std::string::npos) << where << " shows the password in: " << text;
}

TEST(Secrets, RefusedLoginsNeverShowThePassword) {
    // FTP: the upload's error and every status line it showed.
    {
        FtpServer server("bob", "the-right-one");
        testsupport::TempDir local;
        FtpClient ftp;
        ftp.port = server.Port();
        std::vector<std::string> texts;
        const FtpUploadJob job{"127.0.0.1", "bob", kPassword, local.Write("t.html", "{IP}"), "ip.html", "1.2.3.4",
                                local.File("upload.tmp")};
        try {
            uploadTemplate(ftp, job, [&texts](const std::string& s) { texts.push_back(s); });
            ADD_FAILURE() << "uploaded with a wrong password";
        } catch (const ReplyError& e) {
            EXPECT_EQ(e.replyErrorCode, 530);
            texts.push_back(e.what());
        }
        if (ftp.connected())
            ftp.quitAndClose();
        EXPECT_GE(texts.size(), 2u);  // the status lines were seen, so they were checked
        ExpectNoPassword(texts, "bob", "FTP");
    }
    // SMTP: the mail's error, with either login scheme.
    for (const char* mechanism : {"LOGIN", "PLAIN"}) {
        SmtpServer server({false, "mailuser", "the-right-one", mechanism});
        MailSender webmail;
        MailSenderSettings settings = MailThrough(server.Port());
        settings.loginRequired = true;
        settings.user = "mailuser";
        settings.password = kPassword;
        const MailSendResult result = webmail.send(settings, "1.2.3.4");
        EXPECT_FALSE(result.sent);
        EXPECT_FALSE(result.error.empty());
        ExpectNoPassword({result.error}, "mailuser", "SMTP");
    }
    // HTTP: a router page behind basic authentication.
    if (testsupport::NginxServer::Available()) {
        testsupport::TempDir root("kestrune-secret-www");
        root.Write("secure/ip.htm", "IP: 10.1.2.3 ");
        root.Write("htpasswd", "admin:{PLAIN}the-right-one\n");
        testsupport::NginxServer::Options options;
        options.DocumentRoot = root.Path();
        options.ServerConfig = "    location /secure/ { auth_basic \"Router\"; auth_basic_user_file " +
                               root.File("htpasswd") + "; }\n";
        testsupport::NginxServer nginx(options);
        HttpClient http;
        LookupFields fields = PageAt(nginx.Port(), "/secure/ip.htm");
        fields.webAuth = true;
        fields.username = "admin";
        fields.password = kPassword;
        const LookupResult result = runLookup(http, fields);
        EXPECT_EQ(result.statusCode, 401);
        ExpectNoPassword({result.errorMessage, result.address}, "admin", "HTTP");
    }
}

} // namespace

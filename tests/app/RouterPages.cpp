#include "RouterPages.h"

const std::string kCrLfPage =
    "<html>\r\n<body>\r\n<table>\r\n\t<tr><td>LAN \xC3\xA9tat</td><td>192.168.1.1</td></tr>\r\n"
    "\t<tr><td>Adresse IP publique (WAN) \xE2\x80\x94 \xF0\x9F\x8C\x90</td>\r\n"
    "\t\t<td>\t203.0.113.9</td></tr>\r\n</table>\r\n</body>\r\n</html>\r\n";

TRouterPages::TRouterPages()
{
    root_.Write("htpasswd", testsupport::NginxServer::PasswordLine(kUser, kPassword) + "\n");
    testsupport::NginxServer::Options options;
    options.DocumentRoot = root_.Path();
    options.ServerConfig = "    location /secure/ { auth_basic \"Router\"; auth_basic_user_file " +
                           root_.File("htpasswd") + "; }\n";
    server_ = std::make_unique<testsupport::NginxServer>(options);
}

QString TRouterPages::Address(const std::string& path) const
{
    return QStringLiteral("127.0.0.1:%1/").arg(server_->Port()) + QString::fromStdString(path);
}

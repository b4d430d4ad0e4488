#include "RouterPages.h"


const std::string kCrLfPage =
    "<html>\r\n<body>\r\n<table>\r\n\t<tr><td>LAN \xC3\xA9tat</td><td>192.168.1.1</td></tr>\r\n"
    "\t<tr><td>Adresse IP publique (WAN) \xE2\x80\x94 \xF0\x9F\x8C\x90</td>\r\n"
    "\t\t<td>\t203.0.113.9</td></tr>\r\n</table>\r\n</body>\r\n</html>\r\n";

RouterPages::RouterPages()
{
    m_root.Write("htpasswd", testsupport::NginxServer::PasswordLine(kUser, kPassword) + "\n");
    testsupport::NginxServer::Options options;
    options.DocumentRoot = m_root.Path();
    options.ServerConfig = "    location /secure/ { auth_basic \"Router\"; auth_basic_user_file " +
                           m_root.File("htpasswd") + "; }\n";
    m_server = std::make_unique<testsupport::NginxServer>(options);
}

QString RouterPages::address(const std::string& path) const
{
    return QStringLiteral("127.0.0.1:%1/").arg(m_server->Port()) + QString::fromStdString(path);
}

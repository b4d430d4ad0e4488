#include "SettingsTable.h"

#include <stdexcept>

namespace kestrune::core {

namespace {

using K = SettingKind;
using S = Settings;

// Each stored value once: section, key as read, key as written, kind, default and where it lives.
constexpr std::array<SettingDef, kSettingCount> kTable = {{
    {Setting::ExtDns, "Lookup", "ExtDNS", "ExtDNS", K::Text, FirstExternalService{}, &S::extDns},
    {Setting::External, "Lookup", "External", "External", K::Boolean, false, &S::external},
    {Setting::UserDefined, "Lookup", "userDefined", "UserDefined", K::Boolean, true, &S::userDefined},
    {Setting::SelectedRouter, "Router", "SelectedRouter", "SelectedRouter", K::Integer, -1, &S::selectedRouter},
    {Setting::Routers, "Routers", "", "", K::KeyList, std::monostate{}, std::monostate{}},
    {Setting::RoutersData, "RoutersData", "", "", K::KeyList, std::monostate{}, std::monostate{}},
    {Setting::RouterCredentials, "RoutersData", "", "", K::KeyFlags, false, std::monostate{}},
    {Setting::SendMail, "Mail", "Sendmail", "Sendmail", K::Boolean, false, &S::sendMail},
    {Setting::MailTo, "Mail", "To", "To", K::Text, std::string_view(), &S::mailTo},
    {Setting::MailServer, "Mail", "Server", "Server", K::Text, std::string_view(), &S::mailServer},
    {Setting::MailFrom, "Mail", "From", "From", K::Text, std::string_view(), &S::mailFrom},
    {Setting::MailSubject, "Mail", "Subject", "Subject", K::Text, std::string_view("Feedback from Kestrune"),
     &S::mailSubject},
    {Setting::WebAuth, "Mail", "WebAuth", "WebAuth", K::Boolean, false, &S::webAuth},
    {Setting::WebUser, "Mail", "WebUser", "WebUser", K::Text, std::string_view(), &S::webUser},
    {Setting::WebPass, "Mail", "WebPass", "WebPass", K::Scrambled, std::string_view(), &S::webPass},
    {Setting::MailedIp, "Mail", "IP", "IP", K::Text, std::string_view(), &S::mailedIp},
    {Setting::FtpEnable, "FTP", "Enable", "Enable", K::Boolean, false, &S::ftpEnable},
    {Setting::FtpHost, "FTP", "Host", "Host", K::Text, std::string_view(), &S::ftpHost},
    {Setting::FtpUsername, "FTP", "Username", "Username", K::Text, std::string_view(), &S::ftpUsername},
    {Setting::FtpPassword, "FTP", "Password", "Password", K::Scrambled, std::string_view(), &S::ftpPassword},
    {Setting::FtpSavePass, "FTP", "SavePass", "SavePass", K::Boolean, false, &S::ftpSavePass},
    {Setting::FtpLocalFile, "FTP", "LocalFile", "LocalFile", K::Text, std::string_view(), &S::ftpLocalFile},
    {Setting::FtpRemoteFile, "FTP", "RemoteFile", "RemoteFile", K::Text, std::string_view(), &S::ftpRemoteFile},
    {Setting::UploadedIp, "FTP", "UPLoadedIP", "UpLoadedIP", K::Text, std::string_view(), &S::uploadedIp},
    {Setting::SaveIp, "Local", "SaveIP", "SaveIP", K::Boolean, false, &S::saveIp},
    {Setting::IpFilename, "Local", "Filename", "Filename", K::Text, std::string_view(), &S::ipFilename},
    {Setting::SaveLog, "Local", "SaveLog", "SaveLog", K::Boolean, false, &S::saveLog},
    {Setting::LogFilename, "Local", "Log", "Log", K::Text, std::string_view(), &S::logFilename},
    {Setting::LogLines, "Local", "Lines", "Lines", K::Integer, 100, &S::logLines},
    {Setting::Interval, "System", "Interval", "Interval", K::Integer, 30, &S::interval, 0, 2880},
    {Setting::AutoStart, "System", "AutoStart", "AutoStart", K::Boolean, false, &S::autoStart},
    {Setting::Minimize, "System", "Minimize", "Minimize", K::Boolean, false, &S::minimize},
    {Setting::StartMinimized, "System", "StartMinimized", "StartMinimized", K::Boolean, false, &S::startMinimized},
    {Setting::MailPort, "Mail", "Port", "Port", K::Text, std::string_view("25"), &S::mailPort},
    {Setting::MailSsl, "Mail", "SSL", "SSL", K::Boolean, false, &S::mailSsl},
    {Setting::MailStartTls, "Mail", "StartTLS", "StartTLS", K::Boolean, false, &S::mailStartTls},
    {Setting::MailAnyCertificate, "Mail", "AnyCertificate", "AnyCertificate", K::Boolean, false,
     &S::mailAnyCertificate},
    {Setting::FtpPassive, "FTP", "Passive", "Passive", K::Boolean, false, &S::ftpPassive},
    {Setting::FtpTls, "FTP", "TLS", "TLS", K::Boolean, false, &S::ftpTls},
    {Setting::FtpAnyCertificate, "FTP", "AnyCertificate", "AnyCertificate", K::Boolean, false,
     &S::ftpAnyCertificate},
    {Setting::RunCommand, "Local", "RunCommand", "RunCommand", K::Boolean, false, &S::runCommand},
    {Setting::Command, "Local", "Command", "Command", K::Text, std::string_view(), &S::command},
    {Setting::CommandIp, "Local", "CommandIP", "CommandIP", K::Text, std::string_view(), &S::commandIp},
    {Setting::Fallback, "Lookup", "Fallback", "Fallback", K::Boolean, false, &S::fallback},
    {Setting::PublicOnly, "System", "PublicOnly", "PublicOnly", K::Boolean, true, &S::publicOnly},
    {Setting::Source, "Lookup", "Source", "Source", K::Text, std::string_view(), &S::source},
    {Setting::StunServers, "Lookup", "StunServers", "StunServers", K::Text,
     std::string_view("stun.l.google.com:19302, stun.cloudflare.com:3478"), &S::stunServers},
    {Setting::Confirm, "Lookup", "Confirm", "Confirm", K::Boolean, false, &S::confirm},
    {Setting::RouterCheck, "Lookup", "RouterCheck", "RouterCheck", K::Boolean, false, &S::routerCheck},
    {Setting::Diagnosis, "System", "Diagnosis", "Diagnosis", K::Text, std::string_view(), &S::diagnosis},
    {Setting::MetricsFile, "System", "MetricsFile", "MetricsFile", K::Text, std::string_view(), &S::metricsFile},
    {Setting::Ipv6Enabled, "IPv6", "Enabled", "Enabled", K::Boolean, false, &S::ipv6Enabled},
    {Setting::Ipv6Source, "IPv6", "Source", "Source", K::Text, std::string_view("interface"), &S::ipv6Source},
    {Setting::Ipv6Interface, "IPv6", "Interface", "Interface", K::Text, std::string_view(), &S::ipv6Interface},
    {Setting::Ipv6Service, "IPv6", "Service", "Service", K::Text, std::string_view(), &S::ipv6Service},
    {Setting::Ipv6Fallback, "IPv6", "Fallback", "Fallback", K::Boolean, false, &S::ipv6Fallback},
    {Setting::Ipv6Suffix, "IPv6", "Suffix", "Suffix", K::Text, std::string_view(), &S::ipv6Suffix},
    {Setting::Ipv6Filename, "IPv6", "Filename", "Filename", K::Text, std::string_view(), &S::ipv6Filename},
    {Setting::UploadedIp6, "IPv6", "UploadedIP6", "UploadedIP6", K::Text, std::string_view(), &S::uploadedIp6},
    {Setting::MailedIp6, "IPv6", "MailedIP6", "MailedIP6", K::Text, std::string_view(), &S::mailedIp6},
    {Setting::CommandIp6, "IPv6", "CommandIP6", "CommandIP6", K::Text, std::string_view(), &S::commandIp6},
    {Setting::CommandPassword, "Command", "Password", "Password", K::Scrambled, std::string_view(), &S::commandPassword},
}};

constexpr bool tableFollowsEnumOrder()
{
    for (std::size_t i = 0; i < kTable.size(); ++i)
        if (static_cast<std::size_t>(kTable[i].id) != i)
            return false;
    return true;
}
static_assert(tableFollowsEnumOrder(), "SettingDef indexes the table by ESetting");

} // namespace

const std::array<SettingDef, kSettingCount>& settingsTable() { return kTable; }

const SettingDef& settingDef(Setting id) { return kTable.at(static_cast<std::size_t>(id)); }

} // namespace kestrune::core

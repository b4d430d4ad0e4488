#include "SettingsTable.h"

#include <stdexcept>

namespace {

using K = ESettingKind;
using S = TSettings;

// Each stored value once: section, key as read, key as written, kind, default and where it lives.
constexpr std::array<TSettingDef, kSettingCount> kTable = {{
    {ESetting::ExtDNS, "Lookup", "ExtDNS", "ExtDNS", K::Text, TFirstExternalService{}, &S::ExtDNS},
    {ESetting::External, "Lookup", "External", "External", K::Boolean, false, &S::External},
    {ESetting::UserDefined, "Lookup", "userDefined", "UserDefined", K::Boolean, true, &S::UserDefined},
    {ESetting::SelectedRouter, "Router", "SelectedRouter", "SelectedRouter", K::Integer, -1, &S::SelectedRouter},
    {ESetting::Routers, "Routers", "", "", K::KeyList, std::monostate{}, std::monostate{}},
    {ESetting::RoutersData, "RoutersData", "", "", K::KeyList, std::monostate{}, std::monostate{}},
    {ESetting::RouterCredentials, "RoutersData", "", "", K::KeyFlags, false, std::monostate{}},
    {ESetting::SendMail, "Mail", "Sendmail", "Sendmail", K::Boolean, false, &S::SendMail},
    {ESetting::MailTo, "Mail", "To", "To", K::Text, std::string_view(), &S::MailTo},
    {ESetting::MailServer, "Mail", "Server", "Server", K::Text, std::string_view(), &S::MailServer},
    {ESetting::MailFrom, "Mail", "From", "From", K::Text, std::string_view(), &S::MailFrom},
    {ESetting::MailSubject, "Mail", "Subject", "Subject", K::Text, std::string_view("Feedback from Kestrune"),
     &S::MailSubject},
    {ESetting::WebAuth, "Mail", "WebAuth", "WebAuth", K::Boolean, false, &S::WebAuth},
    {ESetting::WebUser, "Mail", "WebUser", "WebUser", K::Text, std::string_view(), &S::WebUser},
    {ESetting::WebPass, "Mail", "WebPass", "WebPass", K::Scrambled, std::string_view(), &S::WebPass},
    {ESetting::MailedIP, "Mail", "IP", "IP", K::Text, std::string_view(), &S::MailedIP},
    {ESetting::FtpEnable, "FTP", "Enable", "Enable", K::Boolean, false, &S::FtpEnable},
    {ESetting::FtpHost, "FTP", "Host", "Host", K::Text, std::string_view(), &S::FtpHost},
    {ESetting::FtpUsername, "FTP", "Username", "Username", K::Text, std::string_view(), &S::FtpUsername},
    {ESetting::FtpPassword, "FTP", "Password", "Password", K::Scrambled, std::string_view(), &S::FtpPassword},
    {ESetting::FtpSavePass, "FTP", "SavePass", "SavePass", K::Boolean, false, &S::FtpSavePass},
    {ESetting::FtpLocalFile, "FTP", "LocalFile", "LocalFile", K::Text, std::string_view(), &S::FtpLocalFile},
    {ESetting::FtpRemoteFile, "FTP", "RemoteFile", "RemoteFile", K::Text, std::string_view(), &S::FtpRemoteFile},
    {ESetting::UploadedIP, "FTP", "UPLoadedIP", "UpLoadedIP", K::Text, std::string_view(), &S::UploadedIP},
    {ESetting::SaveIP, "Local", "SaveIP", "SaveIP", K::Boolean, false, &S::SaveIP},
    {ESetting::IPFilename, "Local", "Filename", "Filename", K::Text, std::string_view(), &S::IPFilename},
    {ESetting::SaveLog, "Local", "SaveLog", "SaveLog", K::Boolean, false, &S::SaveLog},
    {ESetting::LogFilename, "Local", "Log", "Log", K::Text, std::string_view(), &S::LogFilename},
    {ESetting::LogLines, "Local", "Lines", "Lines", K::Integer, 100, &S::LogLines},
    {ESetting::Interval, "System", "Interval", "Interval", K::Integer, 30, &S::Interval, 0, 2880},
    {ESetting::AutoStart, "System", "AutoStart", "AutoStart", K::Boolean, false, &S::AutoStart},
    {ESetting::Minimize, "System", "Minimize", "Minimize", K::Boolean, false, &S::Minimize},
    {ESetting::StartMinimized, "System", "StartMinimized", "StartMinimized", K::Boolean, false, &S::StartMinimized},
    {ESetting::MailPort, "Mail", "Port", "Port", K::Text, std::string_view("25"), &S::MailPort},
    {ESetting::MailSSL, "Mail", "SSL", "SSL", K::Boolean, false, &S::MailSSL},
    {ESetting::RunCommand, "Local", "RunCommand", "RunCommand", K::Boolean, false, &S::RunCommand},
    {ESetting::Command, "Local", "Command", "Command", K::Text, std::string_view(), &S::Command},
    {ESetting::CommandIP, "Local", "CommandIP", "CommandIP", K::Text, std::string_view(), &S::CommandIP},
    {ESetting::Fallback, "Lookup", "Fallback", "Fallback", K::Boolean, false, &S::Fallback},
    {ESetting::PublicOnly, "System", "PublicOnly", "PublicOnly", K::Boolean, true, &S::PublicOnly},
}};

constexpr bool TableFollowsEnumOrder()
{
    for (std::size_t i = 0; i < kTable.size(); ++i)
        if (static_cast<std::size_t>(kTable[i].Id) != i)
            return false;
    return true;
}
static_assert(TableFollowsEnumOrder(), "SettingDef indexes the table by ESetting");

} // namespace

const std::array<TSettingDef, kSettingCount>& SettingsTable() { return kTable; }

const TSettingDef& SettingDef(ESetting id) { return kTable.at(static_cast<std::size_t>(id)); }

#pragma once

#include "Settings.h"

#include <array>
#include <string_view>
#include <variant>

namespace kestrune::core {

enum class SettingKind { Text, Boolean, Integer, Scrambled, KeyList, KeyFlags };

// One entry per stored value; the three rows of the lookup lists are KeyList/KeyFlags entries without a member.
enum class Setting {
    ExtDns, External, UserDefined, SelectedRouter, Routers, RoutersData, RouterCredentials,
    SendMail, MailTo, MailServer, MailFrom, MailSubject, WebAuth, WebUser, WebPass, MailedIp,
    FtpEnable, FtpHost, FtpUsername, FtpPassword, FtpSavePass, FtpLocalFile, FtpRemoteFile, UploadedIp,
    SaveIp, IpFilename, SaveLog, LogFilename, LogLines,
    Interval, AutoStart, Minimize, StartMinimized,
    MailPort, MailSsl,
    MailStartTls, MailAnyCertificate, FtpPassive, FtpTls, FtpAnyCertificate,
    RunCommand, Command, CommandIp,
    Fallback, PublicOnly,
    Source, StunServers, Confirm, RouterCheck, Diagnosis,
    MetricsFile,

    Ipv6Enabled, Ipv6Source, Ipv6Interface, Ipv6Service, Ipv6Fallback, Ipv6Suffix, Ipv6Filename,
    UploadedIp6, MailedIp6, CommandIp6,
    CommandPassword,
};
inline constexpr std::size_t kSettingCount = 62;

struct FirstExternalService {};  // the extDns default, supplied by the lookup layer at load time

using SettingMember = std::variant<std::monostate, std::string Settings::*, bool Settings::*, int Settings::*>;
using SettingDefault = std::variant<std::monostate, std::string_view, bool, int, FirstExternalService>;

struct SettingDef {
    Setting id;
    std::string_view section;
    std::string_view readKey;   // the spelling start-up reads
    std::string_view writeKey;  // the spelling close writes (differs only in capitals)
    SettingKind kind;
    SettingDefault defaultValue;
    SettingMember member;
    int min = 0;                // integer bounds applied on load (Min > Max: unbounded)
    int max = -1;
};

// Each setting once, in the order of Setting.
const std::array<SettingDef, kSettingCount>& settingsTable();
const SettingDef& settingDef(Setting id);

// Start-up reads the settings in this order; the window applies them to its controls in the same order, since
// applying one runs that control's change handling (the two radio buttons depend on it).
inline constexpr std::array<Setting, kSettingCount> kSettingsReadOrder = {
    Setting::ExtDns, Setting::External, Setting::UserDefined, Setting::SelectedRouter,
    Setting::Routers, Setting::RoutersData, Setting::RouterCredentials,
    Setting::SendMail, Setting::MailTo, Setting::MailServer, Setting::MailFrom, Setting::MailSubject,
    Setting::WebAuth, Setting::WebUser, Setting::WebPass, Setting::MailedIp,
    Setting::FtpEnable, Setting::FtpHost, Setting::FtpUsername, Setting::FtpPassword, Setting::FtpSavePass,
    Setting::FtpLocalFile, Setting::FtpRemoteFile, Setting::UploadedIp,
    Setting::SaveIp, Setting::IpFilename, Setting::SaveLog, Setting::LogFilename, Setting::LogLines,
    Setting::Interval, Setting::AutoStart, Setting::Minimize, Setting::StartMinimized,
    Setting::MailPort, Setting::MailSsl,
    Setting::MailStartTls, Setting::MailAnyCertificate, Setting::FtpPassive, Setting::FtpTls,
    Setting::FtpAnyCertificate,
    Setting::RunCommand, Setting::Command, Setting::CommandIp,
    Setting::Fallback, Setting::PublicOnly,
    Setting::Source, Setting::StunServers, Setting::Confirm, Setting::RouterCheck, Setting::Diagnosis,
    Setting::MetricsFile,
    Setting::Ipv6Enabled, Setting::Ipv6Source, Setting::Ipv6Interface, Setting::Ipv6Service, Setting::Ipv6Fallback,
    Setting::Ipv6Suffix, Setting::Ipv6Filename, Setting::UploadedIp6, Setting::MailedIp6, Setting::CommandIp6,
    Setting::CommandPassword,
};

// Close writes in this order. Setting::Routers stands for: erase "Routers", erase "RoutersData", then per
// lookup its name into "Routers" and its record with the credentials flag into "RoutersData".
// "Port" and "SSL" are written with the other "Mail" keys, after "IP"; the later keys at the end of their sections.
inline constexpr std::array<Setting, 60> kSettingsWriteOrder = {
    Setting::ExtDns, Setting::External, Setting::UserDefined, Setting::Fallback, Setting::Source,
    Setting::StunServers, Setting::Confirm, Setting::RouterCheck, Setting::SelectedRouter,
    Setting::Routers,
    Setting::SendMail, Setting::MailTo, Setting::MailServer, Setting::MailFrom, Setting::MailSubject,
    Setting::WebAuth, Setting::WebUser, Setting::WebPass, Setting::MailedIp, Setting::MailPort,
    Setting::MailSsl, Setting::MailStartTls, Setting::MailAnyCertificate,
    Setting::FtpEnable, Setting::FtpHost, Setting::FtpUsername, Setting::FtpPassword, Setting::FtpSavePass,
    Setting::FtpLocalFile, Setting::FtpRemoteFile, Setting::UploadedIp, Setting::FtpPassive, Setting::FtpTls,
    Setting::FtpAnyCertificate,
    Setting::SaveIp, Setting::IpFilename, Setting::SaveLog, Setting::LogFilename, Setting::LogLines,
    Setting::RunCommand, Setting::Command, Setting::CommandIp,
    Setting::Interval, Setting::AutoStart, Setting::Minimize, Setting::StartMinimized, Setting::PublicOnly,
    Setting::Diagnosis,
    Setting::MetricsFile,
    Setting::Ipv6Enabled, Setting::Ipv6Source, Setting::Ipv6Interface, Setting::Ipv6Service, Setting::Ipv6Fallback,
    Setting::Ipv6Suffix, Setting::Ipv6Filename, Setting::UploadedIp6, Setting::MailedIp6, Setting::CommandIp6,
    Setting::CommandPassword,
};

} // namespace kestrune::core

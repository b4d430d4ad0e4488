#pragma once

#include "Settings.h"

#include <array>
#include <string_view>
#include <variant>

enum class ESettingKind { Text, Boolean, Integer, Scrambled, KeyList, KeyFlags };

// One entry per stored value; the three rows of the lookup lists are KeyList/KeyFlags entries without a member.
enum class ESetting {
    ExtDNS, External, UserDefined, SelectedRouter, Routers, RoutersData, RouterCredentials,
    SendMail, MailTo, MailServer, MailFrom, MailSubject, WebAuth, WebUser, WebPass, MailedIP,
    FtpEnable, FtpHost, FtpUsername, FtpPassword, FtpSavePass, FtpLocalFile, FtpRemoteFile, UploadedIP,
    SaveIP, IPFilename, SaveLog, LogFilename, LogLines,
    Interval, AutoStart, Minimize, StartMinimized,
    MailPort, MailSSL,
    RunCommand, Command, CommandIP,
    Fallback, PublicOnly,
};
inline constexpr std::size_t kSettingCount = 40;

struct TFirstExternalService {};  // the ExtDNS default, supplied by the lookup layer at load time

using TSettingMember = std::variant<std::monostate, std::string TSettings::*, bool TSettings::*, int TSettings::*>;
using TSettingDefault = std::variant<std::monostate, std::string_view, bool, int, TFirstExternalService>;

struct TSettingDef {
    ESetting Id;
    std::string_view Section;
    std::string_view ReadKey;   // the spelling start-up reads
    std::string_view WriteKey;  // the spelling close writes (differs only in capitals)
    ESettingKind Kind;
    TSettingDefault Default;
    TSettingMember Member;
    int Min = 0;                // integer bounds applied on load (Min > Max: unbounded)
    int Max = -1;
};

// Each setting once, in the order of ESetting.
const std::array<TSettingDef, kSettingCount>& SettingsTable();
const TSettingDef& SettingDef(ESetting id);

// Start-up reads the settings in this order; the window applies them to its controls in the same order, since
// applying one runs that control's change handling (the two radio buttons depend on it).
inline constexpr std::array<ESetting, kSettingCount> kSettingsReadOrder = {
    ESetting::ExtDNS, ESetting::External, ESetting::UserDefined, ESetting::SelectedRouter,
    ESetting::Routers, ESetting::RoutersData, ESetting::RouterCredentials,
    ESetting::SendMail, ESetting::MailTo, ESetting::MailServer, ESetting::MailFrom, ESetting::MailSubject,
    ESetting::WebAuth, ESetting::WebUser, ESetting::WebPass, ESetting::MailedIP,
    ESetting::FtpEnable, ESetting::FtpHost, ESetting::FtpUsername, ESetting::FtpPassword, ESetting::FtpSavePass,
    ESetting::FtpLocalFile, ESetting::FtpRemoteFile, ESetting::UploadedIP,
    ESetting::SaveIP, ESetting::IPFilename, ESetting::SaveLog, ESetting::LogFilename, ESetting::LogLines,
    ESetting::Interval, ESetting::AutoStart, ESetting::Minimize, ESetting::StartMinimized,
    ESetting::MailPort, ESetting::MailSSL,
    ESetting::RunCommand, ESetting::Command, ESetting::CommandIP,
    ESetting::Fallback, ESetting::PublicOnly,
};

// Close writes in this order. ESetting::Routers stands for: erase "Routers", erase "RoutersData", then per
// lookup its name into "Routers" and its record with the credentials flag into "RoutersData".
// "Port" and "SSL" are written with the other "Mail" keys, after "IP".
inline constexpr std::array<ESetting, 38> kSettingsWriteOrder = {
    ESetting::ExtDNS, ESetting::External, ESetting::UserDefined, ESetting::Fallback, ESetting::SelectedRouter,
    ESetting::Routers,
    ESetting::SendMail, ESetting::MailTo, ESetting::MailServer, ESetting::MailFrom, ESetting::MailSubject,
    ESetting::WebAuth, ESetting::WebUser, ESetting::WebPass, ESetting::MailedIP, ESetting::MailPort,
    ESetting::MailSSL,
    ESetting::FtpEnable, ESetting::FtpHost, ESetting::FtpUsername, ESetting::FtpPassword, ESetting::FtpSavePass,
    ESetting::FtpLocalFile, ESetting::FtpRemoteFile, ESetting::UploadedIP,
    ESetting::SaveIP, ESetting::IPFilename, ESetting::SaveLog, ESetting::LogFilename, ESetting::LogLines,
    ESetting::RunCommand, ESetting::Command, ESetting::CommandIP,
    ESetting::Interval, ESetting::AutoStart, ESetting::Minimize, ESetting::StartMinimized, ESetting::PublicOnly,
};

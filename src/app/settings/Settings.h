#pragma once

#include "IniFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// One user-defined lookup as the two sections "Routers" and "RoutersData" keep it, row by row.
struct TRouterEntry {
    std::string Name;       // key in "Routers" (value "1")
    std::string Record;     // the stored lookup record, key in "RoutersData"
    bool Credentials{};  // value of the record's key in "RoutersData"

    bool operator==(const TRouterEntry&) const = default;
};

// Every value the settings file holds, as plain data; the window maps it onto its controls. Passwords are held
// in clear here: scrambling happens only between this struct and the file. Defaults live in the settings table
// alone: start from DefaultSettings(), not from TSettings{}.
struct TSettings {
    // "Lookup"
    std::string ExtDNS;
    bool External{};
    bool UserDefined{};
    // "Router"
    int SelectedRouter{};
    // "Routers" / "RoutersData"
    std::vector<TRouterEntry> Routers;
    // "Mail"
    bool SendMail{};
    std::string MailTo;
    std::string MailServer;
    std::string MailFrom;
    std::string MailSubject;
    bool WebAuth{};
    std::string WebUser;
    std::string WebPass;
    std::string MailedIP;             // the last mailed address
    std::string MailPort;
    bool MailSSL{};
    // "FTP"
    bool FtpEnable{};
    std::string FtpHost;
    std::string FtpUsername;
    std::string FtpPassword;
    bool FtpSavePass{};
    std::string FtpLocalFile;
    std::string FtpRemoteFile;
    std::string UploadedIP;           // the last uploaded address
    // "Local"
    bool SaveIP{};
    std::string IPFilename;
    bool SaveLog{};
    std::string LogFilename;
    int LogLines{};
    // "System"
    int Interval{};
    bool AutoStart{};
    bool Minimize{};
    bool StartMinimized{};

    bool operator==(const TSettings&) const = default;
};

// The settings of a first start.
TSettings DefaultSettings(std::string_view firstExternalServiceUrl);

// Reads every setting in the read order of the table; missing or bad values give the defaults, the interval is
// held to 0..2880, passwords are unscrambled. Rows of "Routers" and "RoutersData" pair up by position.
TSettings LoadSettings(const TIniFile& ini, std::string_view firstExternalServiceUrl);
TSettings LoadSettingsFile(const std::filesystem::path& file, std::string_view firstExternalServiceUrl);

// Writes every setting in the write order of the table into ini, keeping what else it holds. The FTP password
// is kept only while "Remember password" is on (otherwise the key is written empty). Lookup names that could
// not come back from the file as keys, or that would share a key with an earlier name, are stored under a
// corrected name, so names and records still pair up after a reload.
void SaveSettings(const TSettings& settings, TIniFile& ini);
// Loads what the file holds, writes the settings over it and saves it atomically; EIniError names the file.
void SaveSettingsFile(const TSettings& settings, const std::filesystem::path& file);

// Names as SaveSettings stores them: every name a storable key, no two equal without regard to case.
std::vector<std::string> StorableRouterNames(const std::vector<std::string>& names);

enum class ELookupSource { UserDefined, External, Neither };

// The two radio buttons restored in read order ("External" first, "userDefined" second): checking one clears
// the other, clearing one changes nothing else.
ELookupSource ResolveLookupSource(bool external, bool userDefined);

#pragma once

#include "IniFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The keys and values of one section in file order.
using TIniKeyValues = std::vector<std::pair<std::string, std::string>>;

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
    // "Routers" / "RoutersData": the user-defined lookups as the lookup layer stores them, row by row
    TIniKeyValues Routers;
    TIniKeyValues RoutersData;
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
    bool MailSSL{};                   // implicit TLS; wins over MailStartTLS when both are set
    bool MailStartTLS{};
    bool MailAnyCertificate{};        // a self-signed server is accepted
    // "FTP"
    bool FtpEnable{};
    std::string FtpHost;
    std::string FtpUsername;
    std::string FtpPassword;
    bool FtpSavePass{};
    std::string FtpLocalFile;
    std::string FtpRemoteFile;
    std::string UploadedIP;           // the last uploaded address
    bool FtpPassive{};
    bool FtpTLS{};                    // explicit TLS (AUTH TLS)
    bool FtpAnyCertificate{};
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
// held to 0..2880, passwords are unscrambled. "Routers" and "RoutersData" come back whole, in file order.
TSettings LoadSettings(const TIniFile& ini, std::string_view firstExternalServiceUrl);
TSettings LoadSettingsFile(const std::filesystem::path& file, std::string_view firstExternalServiceUrl);

// Writes every setting in the write order of the table into ini, keeping what else it holds. The FTP password
// is kept only while "Remember password" is on (otherwise the key is written empty). "Routers" and
// "RoutersData" are erased and written again row by row; a key that could not come back from the file, or
// that repeats an earlier key of its section without regard to case, raises EIniError rather than merging rows.
void SaveSettings(const TSettings& settings, TIniFile& ini);
// Loads what the file holds, writes the settings over it and saves it atomically; EIniError names the file.
void SaveSettingsFile(const TSettings& settings, const std::filesystem::path& file);

enum class ELookupSource { UserDefined, External, Neither };

// The two radio buttons restored in read order ("External" first, "userDefined" second): checking one clears
// the other, clearing one changes nothing else.
ELookupSource ResolveLookupSource(bool external, bool userDefined);

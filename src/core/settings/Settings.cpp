#include "Settings.h"

#include "EnDeCrypt.h"
#include "NoticeSettings.h"
#include "PublishSettings.h"
#include "SettingsTable.h"

#include <algorithm>
#include <type_traits>
#include <unordered_set>

namespace kestrune::core {

namespace {

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string folded(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), foldCase);
    return out;
}

std::string defaultText(const SettingDef& def, std::string_view firstExternalServiceUrl)
{
    if (std::holds_alternative<FirstExternalService>(def.defaultValue))
        return std::string(firstExternalServiceUrl);
    return std::string(std::get<std::string_view>(def.defaultValue));
}

template <typename T>
T& member(Settings& settings, const SettingDef& def)
{
    return settings.*std::get<T Settings::*>(def.member);
}

template <typename T>
const T& member(const Settings& settings, const SettingDef& def)
{
    return settings.*std::get<T Settings::*>(def.member);
}

int bounded(const SettingDef& def, int value)
{
    return def.min <= def.max ? std::clamp(value, def.min, def.max) : value;
}

IniKeyValues loadSection(const IniFile& ini, std::string_view section)
{
    IniKeyValues pairs;
    for (std::string& key : ini.readSectionKeys(section)) {
        std::string value = ini.readString(section, key, "");
        pairs.emplace_back(std::move(key), std::move(value));
    }
    return pairs;
}

void writeUniqueKey(IniFile& ini, std::string_view section, const std::pair<std::string, std::string>& pair,
                    std::unordered_set<std::string>& written)
{
    if (!written.insert(folded(pair.first)).second)
        throw IniError("The key \"" + pair.first + "\" appears twice in section [" + std::string(section) +
                        "] and cannot be saved.");
    ini.writeString(section, pair.first, pair.second);
}

// Both sections are written row by row: the n-th name, then the n-th record.
void saveLookupSections(const Settings& settings, IniFile& ini)
{
    std::string_view names = settingDef(Setting::Routers).section;
    std::string_view records = settingDef(Setting::RoutersData).section;
    ini.eraseSection(names);
    ini.eraseSection(records);
    std::unordered_set<std::string> writtenNames;
    std::unordered_set<std::string> writtenRecords;
    std::size_t rows = std::max(settings.routers.size(), settings.routersData.size());
    for (std::size_t i = 0; i < rows; ++i) {
        if (i < settings.routers.size())
            writeUniqueKey(ini, names, settings.routers[i], writtenNames);
        if (i < settings.routersData.size())
            writeUniqueKey(ini, records, settings.routersData[i], writtenRecords);
    }
}

} // namespace

Settings defaultSettings(std::string_view firstExternalServiceUrl)
{
    return loadSettings(IniFile(), firstExternalServiceUrl);
}

Settings loadSettings(const IniFile& ini, std::string_view firstExternalServiceUrl)
{
    Settings settings;
    for (Setting id : kSettingsReadOrder) {
        const SettingDef& def = settingDef(id);
        switch (def.kind) {
        case SettingKind::Text:
            member<std::string>(settings, def) =
                ini.readString(def.section, def.readKey, defaultText(def, firstExternalServiceUrl));
            break;
        case SettingKind::Scrambled:
            member<std::string>(settings, def) =
                enDeCrypt(ini.readString(def.section, def.readKey, enDeCrypt(defaultText(def, {}))));
            break;
        case SettingKind::Boolean:
            member<bool>(settings, def) = ini.readBool(def.section, def.readKey, std::get<bool>(def.defaultValue));
            break;
        case SettingKind::Integer:
            member<int>(settings, def) =
                bounded(def, ini.readInteger(def.section, def.readKey, std::get<int>(def.defaultValue)));
            break;
        case SettingKind::KeyList:
            if (id == Setting::Routers)
                settings.routers = loadSection(ini, def.section);
            else
                settings.routersData = loadSection(ini, def.section);
            break;
        case SettingKind::KeyFlags:
            break;  // the values of "RoutersData", read with their keys
        }
    }
    settings.dnsUpdates = kestrune::core::loadDnsUpdates(ini);
    settings.pendingRetries = kestrune::core::loadPendingRetries(ini);
    settings.notices = kestrune::core::loadNotices(ini, settings.noticeState);
    settings.runStatus = loadRunStatus(ini);
    return settings;
}

Settings loadSettingsFile(const std::filesystem::path& file, std::string_view firstExternalServiceUrl)
{
    return loadSettings(IniFile::load(file), firstExternalServiceUrl);
}

namespace {

// A section a later version added is written only while it holds something other than the defaults, so that
// a file stays as older versions wrote it until the user sets one of its values.
constexpr std::string_view kSectionsWrittenWhenSet[] = {"IPv6", "Command"};

bool holdsDefault(const Settings& settings, const SettingDef& def)
{
    switch (def.kind) {
    case SettingKind::Text:
    case SettingKind::Scrambled:
        return member<std::string>(settings, def) == std::get<std::string_view>(def.defaultValue);
    case SettingKind::Boolean:
        return member<bool>(settings, def) == std::get<bool>(def.defaultValue);
    case SettingKind::Integer:
        return member<int>(settings, def) == std::get<int>(def.defaultValue);
    default:
        return false;
    }
}

bool sectionLeftOut(const Settings& settings, std::string_view section)
{
    if (std::ranges::find(kSectionsWrittenWhenSet, section) == std::end(kSectionsWrittenWhenSet))
        return false;
    return std::ranges::all_of(settingsTable(), [&](const SettingDef& def) {
        return def.section != section || holdsDefault(settings, def);
    });
}

} // namespace

void saveSettings(const Settings& settings, IniFile& ini)
{
    for (std::string_view section : kSectionsWrittenWhenSet)
        if (sectionLeftOut(settings, section))
            ini.eraseSection(section);
    for (Setting id : kSettingsWriteOrder) {
        const SettingDef& def = settingDef(id);
        if (sectionLeftOut(settings, def.section))
            continue;
        switch (def.kind) {
        case SettingKind::Text:
            ini.writeString(def.section, def.writeKey, member<std::string>(settings, def));
            break;
        case SettingKind::Scrambled: {
            // "Remember password" off means the FTP password is not kept on disk.
            bool keep = id != Setting::FtpPassword || settings.ftpSavePass;
            ini.writeString(def.section, def.writeKey, keep ? enDeCrypt(member<std::string>(settings, def)) : "");
            break;
        }
        case SettingKind::Boolean:
            ini.writeBool(def.section, def.writeKey, member<bool>(settings, def));
            break;
        case SettingKind::Integer:
            ini.writeInteger(def.section, def.writeKey, member<int>(settings, def));
            break;
        case SettingKind::KeyList:
            saveLookupSections(settings, ini);
            break;
        case SettingKind::KeyFlags:
            break;
        }
    }
    kestrune::core::saveDnsUpdates(settings.dnsUpdates, ini);
    kestrune::core::savePendingRetries(settings.pendingRetries, ini);
    kestrune::core::saveNotices(settings.notices, settings.noticeState, ini);
    saveRunStatus(settings.runStatus, ini);
}

void saveSettingsFile(const Settings& settings, const std::filesystem::path& file)
{
    IniFile ini = IniFile::loadForUpdate(file);
    saveSettings(settings, ini);
    ini.save(file);
}

LookupSource resolveLookupSource(bool external, bool userDefined)
{
    // "userDefined" is applied last, so it wins whenever it is set; when it is not, "External" stands alone.
    if (userDefined)
        return LookupSource::UserDefined;
    return external ? LookupSource::External : LookupSource::Neither;
}

} // namespace kestrune::core

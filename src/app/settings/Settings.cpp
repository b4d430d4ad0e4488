#include "Settings.h"

#include "EnDeCrypt.h"
#include "PublishSettings.h"
#include "SettingsTable.h"

#include <algorithm>
#include <type_traits>
#include <unordered_set>

namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), FoldCase);
    return out;
}

std::string DefaultText(const TSettingDef& def, std::string_view firstExternalServiceUrl)
{
    if (std::holds_alternative<TFirstExternalService>(def.Default))
        return std::string(firstExternalServiceUrl);
    return std::string(std::get<std::string_view>(def.Default));
}

template <typename T>
T& Member(TSettings& settings, const TSettingDef& def)
{
    return settings.*std::get<T TSettings::*>(def.Member);
}

template <typename T>
const T& Member(const TSettings& settings, const TSettingDef& def)
{
    return settings.*std::get<T TSettings::*>(def.Member);
}

int Bounded(const TSettingDef& def, int value)
{
    return def.Min <= def.Max ? std::clamp(value, def.Min, def.Max) : value;
}

TIniKeyValues LoadSection(const TIniFile& ini, std::string_view section)
{
    TIniKeyValues pairs;
    for (std::string& key : ini.ReadSectionKeys(section)) {
        std::string value = ini.ReadString(section, key, "");
        pairs.emplace_back(std::move(key), std::move(value));
    }
    return pairs;
}

void WriteUniqueKey(TIniFile& ini, std::string_view section, const std::pair<std::string, std::string>& pair,
                    std::unordered_set<std::string>& written)
{
    if (!written.insert(Folded(pair.first)).second)
        throw EIniError("The key \"" + pair.first + "\" appears twice in section [" + std::string(section) +
                        "] and cannot be saved.");
    ini.WriteString(section, pair.first, pair.second);
}

// Both sections are written row by row: the n-th name, then the n-th record.
void SaveLookupSections(const TSettings& settings, TIniFile& ini)
{
    std::string_view names = SettingDef(ESetting::Routers).Section;
    std::string_view records = SettingDef(ESetting::RoutersData).Section;
    ini.EraseSection(names);
    ini.EraseSection(records);
    std::unordered_set<std::string> writtenNames;
    std::unordered_set<std::string> writtenRecords;
    std::size_t rows = std::max(settings.Routers.size(), settings.RoutersData.size());
    for (std::size_t i = 0; i < rows; ++i) {
        if (i < settings.Routers.size())
            WriteUniqueKey(ini, names, settings.Routers[i], writtenNames);
        if (i < settings.RoutersData.size())
            WriteUniqueKey(ini, records, settings.RoutersData[i], writtenRecords);
    }
}

} // namespace

TSettings DefaultSettings(std::string_view firstExternalServiceUrl)
{
    return LoadSettings(TIniFile(), firstExternalServiceUrl);
}

TSettings LoadSettings(const TIniFile& ini, std::string_view firstExternalServiceUrl)
{
    TSettings settings;
    for (ESetting id : kSettingsReadOrder) {
        const TSettingDef& def = SettingDef(id);
        switch (def.Kind) {
        case ESettingKind::Text:
            Member<std::string>(settings, def) =
                ini.ReadString(def.Section, def.ReadKey, DefaultText(def, firstExternalServiceUrl));
            break;
        case ESettingKind::Scrambled:
            Member<std::string>(settings, def) =
                EnDeCrypt(ini.ReadString(def.Section, def.ReadKey, EnDeCrypt(DefaultText(def, {}))));
            break;
        case ESettingKind::Boolean:
            Member<bool>(settings, def) = ini.ReadBool(def.Section, def.ReadKey, std::get<bool>(def.Default));
            break;
        case ESettingKind::Integer:
            Member<int>(settings, def) =
                Bounded(def, ini.ReadInteger(def.Section, def.ReadKey, std::get<int>(def.Default)));
            break;
        case ESettingKind::KeyList:
            if (id == ESetting::Routers)
                settings.Routers = LoadSection(ini, def.Section);
            else
                settings.RoutersData = LoadSection(ini, def.Section);
            break;
        case ESettingKind::KeyFlags:
            break;  // the values of "RoutersData", read with their keys
        }
    }
    settings.DnsUpdates = kestrune::settings::loadDnsUpdates(ini);
    settings.PendingRetries = kestrune::settings::loadPendingRetries(ini);
    return settings;
}

TSettings LoadSettingsFile(const std::filesystem::path& file, std::string_view firstExternalServiceUrl)
{
    return LoadSettings(TIniFile::Load(file), firstExternalServiceUrl);
}

void SaveSettings(const TSettings& settings, TIniFile& ini)
{
    for (ESetting id : kSettingsWriteOrder) {
        const TSettingDef& def = SettingDef(id);
        switch (def.Kind) {
        case ESettingKind::Text:
            ini.WriteString(def.Section, def.WriteKey, Member<std::string>(settings, def));
            break;
        case ESettingKind::Scrambled: {
            // "Remember password" off means the FTP password is not kept on disk.
            bool keep = id != ESetting::FtpPassword || settings.FtpSavePass;
            ini.WriteString(def.Section, def.WriteKey, keep ? EnDeCrypt(Member<std::string>(settings, def)) : "");
            break;
        }
        case ESettingKind::Boolean:
            ini.WriteBool(def.Section, def.WriteKey, Member<bool>(settings, def));
            break;
        case ESettingKind::Integer:
            ini.WriteInteger(def.Section, def.WriteKey, Member<int>(settings, def));
            break;
        case ESettingKind::KeyList:
            SaveLookupSections(settings, ini);
            break;
        case ESettingKind::KeyFlags:
            break;
        }
    }
    kestrune::settings::saveDnsUpdates(settings.DnsUpdates, ini);
    kestrune::settings::savePendingRetries(settings.PendingRetries, ini);
}

void SaveSettingsFile(const TSettings& settings, const std::filesystem::path& file)
{
    TIniFile ini = TIniFile::LoadForUpdate(file);
    SaveSettings(settings, ini);
    ini.Save(file);
}

ELookupSource ResolveLookupSource(bool external, bool userDefined)
{
    // "userDefined" is applied last, so it wins whenever it is set; when it is not, "External" stands alone.
    if (userDefined)
        return ELookupSource::UserDefined;
    return external ? ELookupSource::External : ELookupSource::Neither;
}

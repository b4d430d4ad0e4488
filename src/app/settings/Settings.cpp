#include "Settings.h"

#include "EnDeCrypt.h"
#include "SettingsTable.h"

#include <algorithm>
#include <type_traits>

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

std::vector<TRouterEntry> LoadRouters(const TIniFile& ini)
{
    const TSettingDef& names = SettingDef(ESetting::Routers);
    const TSettingDef& records = SettingDef(ESetting::RoutersData);
    const TSettingDef& flags = SettingDef(ESetting::RouterCredentials);

    std::vector<std::string> nameKeys = ini.ReadSectionKeys(names.Section);
    std::vector<std::string> recordKeys = ini.ReadSectionKeys(records.Section);
    // A hand-edited file may hold more of one than of the other; only complete pairs make a lookup.
    std::size_t rows = std::min(nameKeys.size(), recordKeys.size());
    std::vector<TRouterEntry> routers;
    routers.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i)
        routers.push_back({nameKeys[i], recordKeys[i],
                           ini.ReadBool(flags.Section, recordKeys[i], std::get<bool>(flags.Default))});
    return routers;
}

void SaveRouters(const std::vector<TRouterEntry>& routers, TIniFile& ini)
{
    const TSettingDef& names = SettingDef(ESetting::Routers);
    const TSettingDef& records = SettingDef(ESetting::RoutersData);
    ini.EraseSection(names.Section);
    ini.EraseSection(records.Section);

    std::vector<std::string> plainNames;
    for (const TRouterEntry& router : routers)
        plainNames.push_back(router.Name);
    std::vector<std::string> storedNames = StorableRouterNames(plainNames);

    std::vector<std::string> seenRecords;
    for (std::size_t i = 0; i < routers.size(); ++i) {
        std::string folded = Folded(routers[i].Record);
        if (std::find(seenRecords.begin(), seenRecords.end(), folded) != seenRecords.end())
            throw EIniError("The user-defined lookup \"" + routers[i].Name +
                            "\" has the same stored record as another one and cannot be saved.");
        seenRecords.push_back(folded);
        ini.WriteString(names.Section, storedNames[i], "1");
        ini.WriteBool(records.Section, routers[i].Record, routers[i].Credentials);
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
                settings.Routers = LoadRouters(ini);
            break;
        case ESettingKind::KeyFlags:
            break;  // read with the records they belong to
        }
    }
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
            SaveRouters(settings.Routers, ini);
            break;
        case ESettingKind::KeyFlags:
            break;
        }
    }
}

void SaveSettingsFile(const TSettings& settings, const std::filesystem::path& file)
{
    TIniFile ini = TIniFile::LoadForUpdate(file);
    SaveSettings(settings, ini);
    ini.Save(file);
}

std::vector<std::string> StorableRouterNames(const std::vector<std::string>& names)
{
    std::vector<std::string> stored;
    std::vector<std::string> taken;
    for (const std::string& name : names) {
        std::string candidate = name;
        for (char& c : candidate)
            if (c == '=' || c == '\r' || c == '\n' || c == '\0')
                c = '-';
        auto notBlank = [](char c) { return c != ' ' && c != '\t'; };
        candidate.erase(candidate.begin(), std::find_if(candidate.begin(), candidate.end(), notBlank));
        candidate.erase(std::find_if(candidate.rbegin(), candidate.rend(), notBlank).base(), candidate.end());
        if (!candidate.empty() && candidate.front() == '[')
            candidate.front() = '(';
        if (candidate.empty())
            candidate = "Lookup";

        std::string unique = candidate;
        for (int n = 2; std::find(taken.begin(), taken.end(), Folded(unique)) != taken.end(); ++n)
            unique = candidate + " (" + std::to_string(n) + ")";
        taken.push_back(Folded(unique));
        stored.push_back(unique);
    }
    return stored;
}

ELookupSource ResolveLookupSource(bool external, bool userDefined)
{
    // "userDefined" is applied last, so it wins whenever it is set; when it is not, "External" stands alone.
    if (userDefined)
        return ELookupSource::UserDefined;
    return external ? ELookupSource::External : ELookupSource::Neither;
}

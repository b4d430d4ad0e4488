#include "NoticeSettings.h"

#include "EnDeCrypt.h"
#include "SettingsTable.h"

#include <algorithm>
#include <array>
#include <string>
#include <variant>

namespace kestrune::core {

namespace {

constexpr std::string_view kSection = "Notify";
constexpr int kMaxRows = 1000;

// One key per entry field: its name without the row number, kind, default and member.
struct NoticeColumn {
    std::string_view key;
    SettingKind kind;
    std::variant<bool NoticeEntry::*, std::string NoticeEntry::*> member;
    std::string_view defaultText;
};

constexpr std::array<NoticeColumn, 7> kColumns = {{
    {"Enabled", SettingKind::Boolean, &NoticeEntry::enabled, ""},
    {"Kind", SettingKind::Text, &NoticeEntry::kind, "ntfy"},
    {"URL", SettingKind::Text, &NoticeEntry::url, ""},
    {"Token", SettingKind::Scrambled, &NoticeEntry::token, ""},
    {"Events", SettingKind::Text, &NoticeEntry::events, kDefaultNoticeEvents},
    {"Title", SettingKind::Text, &NoticeEntry::title, ""},
    {"Body", SettingKind::Text, &NoticeEntry::body, ""},
}};

// The section's own keys.
constexpr std::string_view kFailuresKey = "Failures";
constexpr int kDefaultFailures = 3;
constexpr std::string_view kLastIpKey = "LastIP";
constexpr std::string_view kLastIp6Key = "LastIP6";
constexpr std::string_view kFailedKey = "FailedInARow";

std::string key(std::string_view name, int row) { return std::string(name) + std::to_string(row); }

} // namespace

std::vector<NoticeEntry> loadNotices(const IniFile& ini, NoticeState& state)
{
    state.lookupFailures = std::clamp(ini.readInteger(kSection, kFailuresKey, kDefaultFailures), 1, 1000);
    state.lastIp = ini.readString(kSection, kLastIpKey, "");
    state.lastIp6 = ini.readString(kSection, kLastIp6Key, "");
    state.failedInARow = std::clamp(ini.readInteger(kSection, kFailedKey, 0), 0, 1'000'000);
    std::vector<NoticeEntry> entries;
    const int count = std::clamp(ini.readInteger(kSection, "Count", 0), 0, kMaxRows);
    for (int i = 1; i <= count; ++i) {
        NoticeEntry entry;
        for (const NoticeColumn& column : kColumns) {
            const std::string name = key(column.key, i);
            if (column.kind == SettingKind::Boolean) {
                entry.*std::get<bool NoticeEntry::*>(column.member) = ini.readBool(kSection, name, false);
                continue;
            }
            std::string text = ini.readString(kSection, name, std::string(column.defaultText));
            if (column.kind == SettingKind::Scrambled)
                text = enDeCrypt(text);
            entry.*std::get<std::string NoticeEntry::*>(column.member) = std::move(text);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

void saveNotices(const std::vector<NoticeEntry>& entries, const NoticeState& state, IniFile& ini)
{
    ini.eraseSection(kSection);
    if (entries.empty() && state == NoticeState{kDefaultFailures, {}, {}, 0})
        return;
    ini.writeInteger(kSection, kFailuresKey, state.lookupFailures);
    ini.writeString(kSection, kLastIpKey, state.lastIp);
    ini.writeString(kSection, kLastIp6Key, state.lastIp6);
    if (state.failedInARow != 0)
        ini.writeInteger(kSection, kFailedKey, state.failedInARow);
    ini.writeInteger(kSection, "Count", static_cast<int>(entries.size()));
    int i = 0;
    for (const NoticeEntry& entry : entries) {
        ++i;
        for (const NoticeColumn& column : kColumns) {
            const std::string name = key(column.key, i);
            if (column.kind == SettingKind::Boolean) {
                ini.writeBool(kSection, name, entry.*std::get<bool NoticeEntry::*>(column.member));
                continue;
            }
            const std::string& text = entry.*std::get<std::string NoticeEntry::*>(column.member);
            ini.writeString(kSection, name, column.kind == SettingKind::Scrambled ? enDeCrypt(text) : text);
        }
    }
}

} // namespace kestrune::core

#include "SelectedLookup.h"

#include "LookupRecord.h"
#include "LookupStore.h"
#include "RouterPresets.h"
#include "SelectionCode.h"
#include "Settings.h"

namespace kestrune::headless {

core::PageFields selectedPageFields(const TSettings& settings)
{
    const std::vector<TLookupEntry> entries = LoadLookupEntries({settings.Routers, settings.RoutersData});
    const std::span<const TRouterPreset> presets = RouterPresets();
    const TSelection selection = ResolveSelectionCode(settings.SelectedRouter, entries.size(), presets.size());
    TLookupRecord record;
    switch (selection.Kind) {
    case TSelection::None:
        return {};
    case TSelection::User:
        record = ParseStoredLookupRecord(entries[selection.Row].StoredRecord, entries[selection.Row].Credentials);
        break;
    case TSelection::Preset:
        record = PresetRecord(presets[selection.Row]);
        break;
    }
    core::PageFields fields;
    fields.url = std::string(WithoutHttpPrefix(record.URL));
    fields.keyword = record.Keyword;
    fields.charToSkip = record.CharToSkip;
    fields.webAuth = record.Credentials;
    if (record.Credentials) {
        fields.username = record.Username;
        fields.password = record.Password;
    }
    return fields;
}

} // namespace kestrune::headless

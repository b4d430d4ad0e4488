#include "SelectedLookup.h"

#include "LookupRecord.h"
#include "LookupStore.h"
#include "RouterPresets.h"
#include "SelectionCode.h"
#include "Settings.h"

using namespace kestrune::core;
using namespace kestrune::lookup;

namespace kestrune::headless {

core::PageFields selectedPageFields(const Settings& settings)
{
    const std::vector<LookupEntry> entries = loadLookupEntries({settings.routers, settings.routersData});
    const std::span<const RouterPreset> presets = routerPresets();
    const Selection selection = resolveSelectionCode(settings.selectedRouter, entries.size(), presets.size());
    LookupRecord record;
    switch (selection.kind) {
    case Selection::None:
        return {};
    case Selection::User:
        record = parseStoredLookupRecord(entries[selection.row].storedRecord, entries[selection.row].credentials);
        break;
    case Selection::Preset:
        record = presetRecord(presets[selection.row]);
        break;
    }
    core::PageFields fields;
    fields.url = std::string(withoutHttpPrefix(record.url));
    fields.keyword = record.keyword;
    fields.charToSkip = record.charToSkip;
    fields.webAuth = record.credentials;
    if (record.credentials) {
        fields.username = record.username;
        fields.password = record.password;
    }
    return fields;
}

} // namespace kestrune::headless

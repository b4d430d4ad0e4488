#pragma once

#include "LookupRecord.h"

#include <span>
#include <string_view>

// A built-in router preset: its name in the preset list and its plain lookup record in the preset record list.
struct TRouterPreset {
    std::string_view Name;
    std::string_view Record;
    bool Credentials;
};

std::span<const TRouterPreset> RouterPresets();
// The preset's fields, as SelectPresetClick loads them.
TLookupRecord PresetRecord(const TRouterPreset& preset);

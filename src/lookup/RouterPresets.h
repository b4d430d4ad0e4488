#pragma once

#include "LookupRecord.h"

#include <span>
#include <string_view>

namespace kestrune::lookup {

// A built-in router preset: its name in the preset list and its plain lookup record in the preset record list.
struct RouterPreset {
    std::string_view name;
    std::string_view record;
    bool credentials;
};

std::span<const RouterPreset> routerPresets();
// The preset's fields, as SelectPresetClick loads them.
LookupRecord presetRecord(const RouterPreset& preset);

} // namespace kestrune::lookup

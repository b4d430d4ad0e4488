#include "SelectionCode.h"

namespace {

constexpr int kPresetBase = 100;
constexpr int kLateUserBase = 1000;

} // namespace

int UserSelectionCode(std::size_t row)
{
    return row < static_cast<std::size_t>(kPresetBase) ? static_cast<int>(row) : kLateUserBase + static_cast<int>(row);
}

int PresetSelectionCode(std::size_t row) { return kPresetBase + static_cast<int>(row); }

TSelection ResolveSelectionCode(int code, std::size_t userRows, std::size_t presetRows)
{
    if (code >= 0 && code < kPresetBase && static_cast<std::size_t>(code) < userRows)
        return {TSelection::User, static_cast<std::size_t>(code)};
    if (code >= kPresetBase && code < kLateUserBase && static_cast<std::size_t>(code - kPresetBase) < presetRows)
        return {TSelection::Preset, static_cast<std::size_t>(code - kPresetBase)};
    if (code >= kLateUserBase + kPresetBase && static_cast<std::size_t>(code - kLateUserBase) < userRows)
        return {TSelection::User, static_cast<std::size_t>(code - kLateUserBase)};
    return {};
}

bool EditsEnableApply(int code) { return code < kPresetBase || code >= kLateUserBase; }

#include "SelectionCode.h"

namespace kestrune::lookup {

namespace {

constexpr int kPresetBase = 100;
constexpr int kLateUserBase = 1000;

} // namespace

int userSelectionCode(std::size_t row)
{
    return row < static_cast<std::size_t>(kPresetBase) ? static_cast<int>(row) : kLateUserBase + static_cast<int>(row);
}

int presetSelectionCode(std::size_t row) { return kPresetBase + static_cast<int>(row); }

Selection resolveSelectionCode(int code, std::size_t userRows, std::size_t presetRows)
{
    if (code >= 0 && code < kPresetBase && static_cast<std::size_t>(code) < userRows)
        return {Selection::User, static_cast<std::size_t>(code)};
    if (code >= kPresetBase && code < kLateUserBase && static_cast<std::size_t>(code - kPresetBase) < presetRows)
        return {Selection::Preset, static_cast<std::size_t>(code - kPresetBase)};
    if (code >= kLateUserBase + kPresetBase && static_cast<std::size_t>(code - kLateUserBase) < userRows)
        return {Selection::User, static_cast<std::size_t>(code - kLateUserBase)};
    return {};
}

bool editsEnableApply(int code) { return code < kPresetBase || code >= kLateUserBase; }

} // namespace kestrune::lookup

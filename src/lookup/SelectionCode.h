#pragma once

#include <cstddef>

namespace kestrune::lookup {

// Which entry of the two lists is selected, as the settings file keeps it: -1 none, 0..99 a user-defined row,
// 100 + row a router preset. User-defined rows from 100 on take 1000 + row, so they never read as presets.
inline constexpr int kNoSelection = -1;

int userSelectionCode(std::size_t row);
int presetSelectionCode(std::size_t row);

struct Selection {
    enum Kind { None, User, Preset } kind = None;
    std::size_t row = 0;

    bool operator==(const Selection&) const = default;
};

// A code naming no existing row selects nothing.
Selection resolveSelectionCode(int code, std::size_t userRows, std::size_t presetRows);

// Edits of the lookup fields make Apply available only while no router preset is selected.
bool editsEnableApply(int code);

} // namespace kestrune::lookup

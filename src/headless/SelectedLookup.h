#pragma once

#include "PageFields.h"

namespace kestrune::core { struct Settings; }

namespace kestrune::headless {

// The user-defined page the settings select ("SelectedRouter": a user-defined lookup or a router preset), as
// the window's lookup fields show it after start-up; empty fields when the code names no row.
core::PageFields selectedPageFields(const core::Settings& settings);

} // namespace kestrune::headless

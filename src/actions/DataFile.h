#pragma once

#include <string_view>

namespace kestrune::actions {

// Replaces the IP file's content with exactly the address, without a line break. Does nothing (returns false)
// when the name's folder does not exist, an empty or bare name included. The new content replaces the file in one
// step (a link at the name is replaced, not followed). A read-only file, one that is not a regular file, or any
// other failure raises FileActionError naming the file.
bool writeDataFile(std::string_view fileName, std::string_view address);

} // namespace kestrune::actions

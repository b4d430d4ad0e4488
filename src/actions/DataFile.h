#pragma once

#include <string_view>

// Replaces the IP file's content with exactly the address, without a line break. Does nothing (returns false)
// when the name's folder does not exist, an empty or bare name included. A read-only file or any other failure
// raises EActionFileError naming the file.
bool WriteDataFile(std::string_view fileName, std::string_view address);

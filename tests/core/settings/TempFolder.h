#pragma once

#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A fresh folder under /tmp, removed with everything in it at the end of the test; paths in it by "/".
class TempFolder {
public:
    std::filesystem::path operator/(const std::string& name) const { return Path / name; }

    testsupport::TempDir Dir{"kestrune-test"};
    std::filesystem::path Path{Dir.Path()};
};

inline std::string ReadFileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

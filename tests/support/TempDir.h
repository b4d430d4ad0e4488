#pragma once

#include <string>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "kestrune-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return fPath; }
    // Path of name inside the folder.
    std::string File(const std::string& name) const { return fPath + "/" + name; }
    // Writes bytes to name (folders on the way are created); returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string fPath;
};

} // namespace testsupport

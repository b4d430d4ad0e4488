#pragma once

#include "PeerProcess.h"
#include "TempDir.h"

#include <cstdint>
#include <filesystem>
#include <string>

// A real FTP server (pyftpdlib under the system Python) on 127.0.0.1, serving a fresh temporary folder.
// It stores uploads byte for byte whatever the transfer type. Stopped by its process id when destroyed.
class FtpServer {
public:
    // reader: an optional second account that may read but never store. refuseActive: PORT and EPRT get
    // 425, as from a server that cannot reach the client.
    FtpServer(const std::string& user, const std::string& password, const std::string& readerUser = {},
               const std::string& readerPassword = {}, bool refuseActive = false);
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    uint16_t Port() const { return fProcess.Port(); }
    std::filesystem::path Root() const { return fFolder.Path(); }
    // The bytes of a file in the served folder; throws when it does not exist.
    std::string ReadStored(const std::string& name) const;

private:
    testsupport::TempDir fFolder{"kestrune-ftp"};
    testsupport::PeerProcess fProcess; // stopped before the folder goes
};

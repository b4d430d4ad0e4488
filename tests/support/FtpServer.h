#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

// A real FTP server (pyftpdlib under the system Python) on 127.0.0.1, serving a fresh temporary folder.
// It stores uploads byte for byte whatever the transfer type. Stopped by its process id when destroyed.
class TFtpServer {
public:
    // reader: an optional second account that may read but never store.
    TFtpServer(const std::string& user, const std::string& password, const std::string& readerUser = {},
               const std::string& readerPassword = {});
    ~TFtpServer();
    TFtpServer(const TFtpServer&) = delete;
    TFtpServer& operator=(const TFtpServer&) = delete;

    uint16_t Port() const { return fPort; }
    const std::filesystem::path& Root() const { return fRoot; }
    // The bytes of a file in the served folder; throws when it does not exist.
    std::string ReadStored(const std::string& name) const;

private:
    void Stop();

    std::filesystem::path fRoot;
    pid_t fPid = -1;
    uint16_t fPort = 0;
};

#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kestrune::net { class FtpClient; }

namespace kestrune::actions {

// What one upload of the filled-in template needs, read from the FTP tab and the address display.
struct FtpUploadJob {
    std::string host;  // a name or address, with ":port" when the server listens elsewhere than 21
    std::string username;
    std::string password;
    std::filesystem::path localTemplate;
    std::string remoteFile;  // as typed; stored under the part after the last backslash or colon
    std::string address;
    std::filesystem::path uploadFile;
    bool passive = false;
    bool tls = false;  // explicit FTPS
    bool anyCertificate = false;
    std::optional<std::string> address6 = std::nullopt;  // with IPv6 on: fills "{IP6}"
};

// The host field split into name and port: "host:port" uses that port, a field without one defaultPort.
// A port that is not a whole number from 1 to 65535 raises NetworkError naming the field.
struct FtpHostPort {
    std::string host;
    uint16_t port = 21;
};
FtpHostPort ftpHostAndPort(const std::string& field, uint16_t defaultPort = 21);

// Connects to the server with automatic login, builds the upload file from the template and stores it.
// showStatus receives "Connecting to <host>..." first and "Connected to <host>." once the connection stands
// (before the greeting is read). Every failure raises; a connection that stood is left open for the caller,
// who closes it with quitAndClose (onConnected tells whether one stood). The whole upload is bounded by
// ftp.operationTimeout, each read by ftp.readTimeout.
// A port in job.Host applies to this upload only; without one, ftp.Port (21 unless changed).
// In active mode, a server that cannot open the data connection gets one more try in passive mode on a
// new connection; true when that try stored the file (the user may want passive mode for good).
bool uploadTemplate(net::FtpClient& ftp, const FtpUploadJob& job, const std::function<void(const std::string&)>& showStatus);

std::string passiveFallbackStatusText();

std::string connectingStatusText(const std::string& host);
std::string connectedStatusText(const std::string& host);

} // namespace kestrune::actions

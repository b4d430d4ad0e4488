#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

class TNetFTP;

// What one upload of the filled-in template needs, read from the FTP tab and the address display.
struct TFtpUploadJob {
    std::string Host;  // a name or address, with ":port" when the server listens elsewhere than 21
    std::string Username;
    std::string Password;
    std::filesystem::path LocalTemplate;
    std::string RemoteFile;  // as typed; stored under the part after the last backslash or colon
    std::string Address;
    std::filesystem::path UploadFile;
    bool Passive = false;
    bool TLS = false;  // explicit FTPS
    bool AnyCertificate = false;
};

// The host field split into name and port: "host:port" uses that port, a field without one defaultPort.
// A port that is not a whole number from 1 to 65535 raises ENetException naming the field.
struct TFtpHostPort {
    std::string Host;
    uint16_t Port = 21;
};
TFtpHostPort FtpHostAndPort(const std::string& field, uint16_t defaultPort = 21);

// Connects to the server with automatic login, builds the upload file from the template and stores it.
// showStatus receives "Connecting to <host>..." first and "Connected to <host>." once the connection stands
// (before the greeting is read). Every failure raises; a connection that stood is left open for the caller,
// who closes it with QuitAndClose (OnConnected tells whether one stood). The whole upload is bounded by
// ftp.OperationTimeout, each read by ftp.ReadTimeout.
// A port in job.Host applies to this upload only; without one, ftp.Port (21 unless changed).
// In active mode, a server that cannot open the data connection gets one more try in passive mode on a
// new connection; true when that try stored the file (the user may want passive mode for good).
bool UploadTemplate(TNetFTP& ftp, const TFtpUploadJob& job, const std::function<void(const std::string&)>& showStatus);

std::string PassiveFallbackStatusText();

std::string ConnectingStatusText(const std::string& host);
std::string ConnectedStatusText(const std::string& host);

#pragma once

#include <filesystem>
#include <functional>
#include <string>

class TNetFTP;

// What one upload of the filled-in template needs, read from the FTP tab and the address display.
struct TFtpUploadJob {
    std::string Host;
    std::string Username;
    std::string Password;
    std::filesystem::path LocalTemplate;
    std::string RemoteFile;  // as typed; stored under the part after the last backslash or colon
    std::string Address;
    std::filesystem::path UploadFile;
};

// Connects to the server with automatic login, builds the upload file from the template and stores it.
// showStatus receives "Connecting to <host>..." first and "Connected to <host>." once the connection stands
// (before the greeting is read). Every failure raises; a connection that stood is left open for the caller,
// who closes it with QuitAndClose (OnConnected tells whether one stood). The whole upload is bounded by
// ftp.OperationTimeout, each read by ftp.ReadTimeout.
void UploadTemplate(TNetFTP& ftp, const TFtpUploadJob& job, const std::function<void(const std::string&)>& showStatus);

std::string ConnectingStatusText(const std::string& host);
std::string ConnectedStatusText(const std::string& host);

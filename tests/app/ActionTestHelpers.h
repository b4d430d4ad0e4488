#pragma once

#include "FtpServer.h"
#include "SmtpServer.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <string>

// The FTP tab filled for a server on 127.0.0.1; the client's port is the server's.
void fillFtpTab(kestrune::app::MainWindow& form, const FtpServer& server, const QString& user, const QString& password,
                const std::string& templateFile, const QString& remote);
// The E-mail tab filled for a plain server on 127.0.0.1 without login; "Send e-mail to:" checked.
void fillMailTab(kestrune::app::MainWindow& form, const SmtpServer& server);

// The body lines of a stored message (after the header block), split at CR LF.
QStringList bodyLines(const std::string& data);
// A header line's value ("Subject" → its text), empty when missing.
QString headerValue(const std::string& data, const QString& name);

// The bytes of a file, or nothing when it does not exist.
std::string fileBytes(const std::string& file);
// The CR LF lines of a file; a trailing CR LF ends the last line.
QStringList crLfLines(const std::string& file);
// The address at the end of a log line.
QString loggedAddress(const QString& line);

// The local files of one window, in the window's own folder.
struct LocalFiles {
    explicit LocalFiles(WindowFixture& fixture)
        : ipFile(fixture.folder.File("ip.txt")), logFile(fixture.folder.File("ip.log"))
    {
    }
    void enable(kestrune::app::MainWindow& form, bool withIpFile, bool withLog) const
    {
        form.localFilesTab()->saveAddressCheck()->setChecked(withIpFile);
        form.localFilesTab()->addressFileEdit()->setText(QString::fromStdString(ipFile));
        form.localFilesTab()->logCheck()->setChecked(withLog);
        form.localFilesTab()->logFileEdit()->setText(QString::fromStdString(logFile));
    }
    std::string ipFile;
    std::string logFile;
};

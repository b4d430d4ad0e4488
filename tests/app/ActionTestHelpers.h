#pragma once

#include "Form1.h"

#include <QString>
#include <QStringList>
#include <string>

class TFtpServer;
class TSmtpServer;

// The FTP tab filled for a server on 127.0.0.1; the client's port is the server's.
void FillFtpTab(TForm1& form, const TFtpServer& server, const QString& user, const QString& password,
                const std::string& templateFile, const QString& remote);
// The E-mail tab filled for a plain server on 127.0.0.1 without login; "Send e-mail to:" checked.
void FillMailTab(TForm1& form, const TSmtpServer& server);

// The body lines of a stored message (after the header block), split at CR LF.
QStringList BodyLines(const std::string& data);
// A header line's value ("Subject" → its text), empty when missing.
QString HeaderValue(const std::string& data, const QString& name);

// The bytes of a file, or nothing when it does not exist.
std::string FileBytes(const std::string& file);
// The CR LF lines of a file; a trailing CR LF ends the last line.
QStringList CrLfLines(const std::string& file);
// The address at the end of a log line.
QString LoggedAddress(const QString& line);

#include "ActionTestHelpers.h"

#include "FtpServer.h"
#include "SmtpServer.h"

#include <QCheckBox>
#include <QLineEdit>
#include <fstream>
#include <sstream>

void FillFtpTab(TForm1& form, const TFtpServer& server, const QString& user, const QString& password,
                const std::string& templateFile, const QString& remote)
{
    form.RemoteHost->setText(QStringLiteral("127.0.0.1"));
    form.Username->setText(user);
    form.Password->setText(password);
    form.edLocalFile->setText(QString::fromStdString(templateFile));
    form.edRemote->setText(remote);
    form.NetFTP1.Port = server.Port();
}

void FillMailTab(TForm1& form, const TSmtpServer& server)
{
    form.cbWebMail->setChecked(true);
    form.edWebTo->setText(QStringLiteral("owner@home.example"));
    form.edWebSMTP->setText(QStringLiteral("127.0.0.1"));
    form.edPort->setText(QString::number(server.Port()));
    form.edWebFrom->setText(QStringLiteral("kestrune@home.example"));
    form.edWebMail->setText(QStringLiteral("New address"));
}

QStringList BodyLines(const std::string& data)
{
    const std::size_t end = data.find("\r\n\r\n");
    if (end == std::string::npos)
        return {};
    QStringList lines = QString::fromStdString(data.substr(end + 4)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString HeaderValue(const std::string& data, const QString& name)
{
    const QString head = QString::fromStdString(data.substr(0, data.find("\r\n\r\n")));
    for (const QString& line : head.split(QStringLiteral("\r\n")))
        if (line.startsWith(name + QStringLiteral(": ")))
            return line.mid(name.size() + 2);
    return {};
}

std::string FileBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

QStringList CrLfLines(const std::string& file)
{
    QStringList lines = QString::fromStdString(FileBytes(file)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString LoggedAddress(const QString& line) { return line.mid(line.lastIndexOf(QLatin1Char(' ')) + 1); }

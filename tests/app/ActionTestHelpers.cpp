#include "ActionTestHelpers.h"

#include "FtpServer.h"
#include "SmtpServer.h"

#include <QCheckBox>
#include <QLineEdit>
#include <fstream>
#include <sstream>

using namespace kestrune::app;

void fillFtpTab(MainWindow& form, const FtpServer& server, const QString& user, const QString& password,
                const std::string& templateFile, const QString& remote)
{
    form.ftpTab()->hostEdit()->setText(QStringLiteral("127.0.0.1"));
    form.ftpTab()->usernameEdit()->setText(user);
    form.ftpTab()->passwordEdit()->setText(password);
    form.ftpTab()->templateEdit()->setText(QString::fromStdString(templateFile));
    form.ftpTab()->remoteFileEdit()->setText(remote);
    form.monitor().ftp().port = server.Port();
}

void fillMailTab(MainWindow& form, const SmtpServer& server)
{
    form.mailTab()->sendMailCheck()->setChecked(true);
    form.mailTab()->toEdit()->setText(QStringLiteral("owner@home.example"));
    form.mailTab()->serverEdit()->setText(QStringLiteral("127.0.0.1"));
    form.mailTab()->portEdit()->setText(QString::number(server.Port()));
    form.mailTab()->fromEdit()->setText(QStringLiteral("kestrune@home.example"));
    form.mailTab()->subjectEdit()->setText(QStringLiteral("New address"));
}

QStringList bodyLines(const std::string& data)
{
    const std::size_t end = data.find("\r\n\r\n");
    if (end == std::string::npos)
        return {};
    QStringList lines = QString::fromStdString(data.substr(end + 4)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString headerValue(const std::string& data, const QString& name)
{
    const QString head = QString::fromStdString(data.substr(0, data.find("\r\n\r\n")));
    for (const QString& line : head.split(QStringLiteral("\r\n")))
        if (line.startsWith(name + QStringLiteral(": ")))
            return line.mid(name.size() + 2);
    return {};
}

std::string fileBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

QStringList crLfLines(const std::string& file)
{
    QStringList lines = QString::fromStdString(fileBytes(file)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString loggedAddress(const QString& line) { return line.mid(line.lastIndexOf(QLatin1Char(' ')) + 1); }

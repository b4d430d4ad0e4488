#include "InstanceBeacon.h"

#include "InstanceLock.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace kestrune::launch {

namespace {
constexpr char kRequest = 'A';
constexpr char kAnswer = 'K';
} // namespace

QString InstanceBeacon::nameFor(const std::filesystem::path& settingsFile)
{
    // The lock file names the settings file the way every instance spells it.
    const std::string common = InstanceLock::lockFileFor(settingsFile).string();
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(common), QCryptographicHash::Sha256);
    const QString name = QStringLiteral("kestrune-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.toHex().left(32)));
    // The user's own runtime folder, where no one else can plant a socket; Qt's temporary folder otherwise.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.startsWith(QLatin1Char('/')) ? runtime + QLatin1Char('/') + name : name;
}

InstanceBeacon::InstanceBeacon(const std::filesystem::path& settingsFile, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this))
{
    const QString name = nameFor(settingsFile);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    m_server->listen(name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->readAll().contains(kRequest))
                    return;
                socket->write(&kAnswer, 1);
                socket->disconnectFromServer();
                emit activationRequested();
            });
        }
    });
}

InstanceBeacon::~InstanceBeacon() = default;

bool InstanceBeacon::listening() const { return m_server->isListening(); }

bool InstanceBeacon::bringToFront(const std::filesystem::path& settingsFile, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(nameFor(settingsFile));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(&kRequest, 1);
    if (!socket.waitForBytesWritten(timeoutMs) || !socket.waitForReadyRead(timeoutMs))
        return false;
    return socket.read(1) == QByteArray(1, kAnswer);
}

} // namespace kestrune::launch

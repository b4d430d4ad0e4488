#include "InstanceBeacon.h"

#include "InstanceLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSocketNotifier>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kestrune::launch {

namespace {

constexpr char kRequest = 'A';
constexpr char kAnswer = 'K';

// Where the socket of name lives: the name itself when it is a path, the temporary folder otherwise.
std::optional<sockaddr_un> addressOf(const QString& name)
{
    const std::string path =
        (name.startsWith(QLatin1Char('/')) ? name : QDir::tempPath() + QLatin1Char('/') + name).toStdString();
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// Waits for events on fd until deadline; false when the time ran out or the wait failed.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched{fd, events, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

QString InstanceBeacon::nameFor(const std::filesystem::path& settingsFile)
{
    // The lock file names the settings file the way every instance spells it.
    const std::string common = InstanceLock::lockFileFor(settingsFile).string();
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(common), QCryptographicHash::Sha256);
    const QString name = QStringLiteral("kestrune-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.toHex().left(32)));
    // The user's own runtime folder, where no one else can plant a socket; the temporary folder otherwise.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.startsWith(QLatin1Char('/')) ? runtime + QLatin1Char('/') + name : name;
}

InstanceBeacon::InstanceBeacon(const std::filesystem::path& settingsFile, QObject* parent) : QObject(parent)
{
    const std::optional<sockaddr_un> address = addressOf(nameFor(settingsFile));
    if (!address)
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    ::unlink(address->sun_path);
    // Only this user may ask the window to come forward (the runtime folder is private already).
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::chmod(address->sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    m_listener = fd;
    m_socketPath = address->sun_path;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { acceptWaiting(); });
}

InstanceBeacon::~InstanceBeacon()
{
    if (m_listener < 0)
        return;
    delete m_notifier;
    ::close(m_listener);
    ::unlink(m_socketPath.c_str());
}

void InstanceBeacon::acceptWaiting()
{
    for (int connection; (connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;)
        serve(connection);
}

void InstanceBeacon::serve(int connection)
{
    // Each asker gets a notifier of its own; it goes with the connection, whatever the asker sends or not.
    auto* notifier = new QSocketNotifier(connection, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier, connection] {
        char bytes[64];
        const ssize_t count = ::recv(connection, bytes, sizeof bytes, 0);
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        const bool asked = count > 0 && std::memchr(bytes, kRequest, static_cast<std::size_t>(count)) != nullptr;
        if (count > 0 && !asked)
            return;
        if (asked)
            ::send(connection, &kAnswer, 1, MSG_NOSIGNAL);
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(connection);
        if (asked)
            emit activationRequested();
    });
}

bool InstanceBeacon::bringToFront(const std::filesystem::path& settingsFile, int timeoutMs)
{
    const std::optional<sockaddr_un> address = addressOf(nameFor(settingsFile));
    if (!address)
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool answered = false;
    int error = 0;
    socklen_t length = sizeof error;
    if ((::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0 ||
         (errno == EAGAIN && waitFor(fd, POLLOUT, deadline) && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
          error == 0)) &&
        ::send(fd, &kRequest, 1, MSG_NOSIGNAL) == 1 && waitFor(fd, POLLIN, deadline)) {
        char answer = 0;
        answered = ::recv(fd, &answer, 1, 0) == 1 && answer == kAnswer;
    }
    ::close(fd);
    return answered;
}

} // namespace kestrune::launch

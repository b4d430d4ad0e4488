#pragma once

#include <QObject>

#include <filesystem>
#include <string>

class QSocketNotifier;

namespace kestrune::launch {

// How a second window reaches the running one: a local socket named after the settings file. The running
// window listens; a second one calls bringToFront, and the running one emits activationRequested. Plain Unix
// sockets on Qt Core's event loop, so a window start loads no network module of Qt.
class InstanceBeacon : public QObject {
    Q_OBJECT
public:
    // Only the instance holding the settings file's lock may listen: it replaces a socket a killed one left.
    explicit InstanceBeacon(const std::filesystem::path& settingsFile, QObject* parent = nullptr);
    ~InstanceBeacon() override;

    bool listening() const { return m_listener >= 0; }

    // True when a running window took the request within timeoutMs.
    static bool bringToFront(const std::filesystem::path& settingsFile, int timeoutMs = 2000);
    // The socket's name: the same for every spelling of one settings file.
    static QString nameFor(const std::filesystem::path& settingsFile);

signals:
    void activationRequested();

private:
    void acceptWaiting();
    void serve(int connection);

    int m_listener = -1;
    std::string m_socketPath;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kestrune::launch

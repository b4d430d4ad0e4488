#pragma once

#include <QObject>

#include <filesystem>

class QLocalServer;

namespace kestrune::launch {

// How a second window reaches the running one: a local socket named after the settings file. The running
// window listens; a second one calls bringToFront, and the running one emits activationRequested.
class InstanceBeacon : public QObject {
    Q_OBJECT
public:
    // Only the instance holding the settings file's lock may listen: it replaces a socket a killed one left.
    explicit InstanceBeacon(const std::filesystem::path& settingsFile, QObject* parent = nullptr);
    ~InstanceBeacon() override;

    bool listening() const;

    // True when a running window took the request within timeoutMs.
    static bool bringToFront(const std::filesystem::path& settingsFile, int timeoutMs = 2000);
    // The socket's name: the same for every spelling of one settings file.
    static QString nameFor(const std::filesystem::path& settingsFile);

signals:
    void activationRequested();

private:
    QLocalServer* m_server = nullptr;
};

} // namespace kestrune::launch

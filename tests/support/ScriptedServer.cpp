#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

ScriptedServer::ScriptedServer() {
    fListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fListen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (fListen < 0 || ::bind(fListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fListen, 16) != 0)
        throw std::runtime_error("scripted server: cannot listen");
    socklen_t len = sizeof addr;
    ::getsockname(fListen, reinterpret_cast<sockaddr*>(&addr), &len);
    fPort = ntohs(addr.sin_port);
    if (::pipe2(fWake, O_CLOEXEC) != 0)
        throw std::runtime_error("scripted server: cannot create pipe");
}

ScriptedServer::~ScriptedServer() {
    Stop();
    if (fConn >= 0)
        ::close(fConn);
    ::close(fListen);
    ::close(fWake[0]);
    ::close(fWake[1]);
}

ScriptedServer& ScriptedServer::Add(Step step) {
    if (fStarted)
        throw std::logic_error("scripted server: steps added after Start");
    fSteps.push_back(std::move(step));
    return *this;
}

ScriptedServer& ScriptedServer::Accept() { return Add({Step::kAccept, {}}); }
ScriptedServer& ScriptedServer::Send(const std::string& bytes) { return Add({Step::kSend, bytes}); }
ScriptedServer& ScriptedServer::ExpectLine(const std::string& expected) {
    Step step{Step::kLine, expected};
    step.checkLine = true;
    return Add(step);
}
ScriptedServer& ScriptedServer::ReadLine() { return Add({Step::kLine, {}}); }
ScriptedServer& ScriptedServer::ReadUntil(const std::string& marker) { return Add({Step::kUntil, marker}); }
ScriptedServer& ScriptedServer::ReadBytes(std::size_t count) {
    Step step{Step::kBytes, {}};
    step.count = count;
    return Add(step);
}
ScriptedServer& ScriptedServer::ReadUntilClose() { return Add({Step::kUntilClose, {}}); }
ScriptedServer& ScriptedServer::Close() { return Add({Step::kClose, {}}); }
ScriptedServer& ScriptedServer::Reset() { return Add({Step::kReset, {}}); }
ScriptedServer& ScriptedServer::StaySilent() { return Add({Step::kSilent, {}}); }
ScriptedServer& ScriptedServer::Do(std::function<void(int)> action) {
    Step step{Step::kDo, {}};
    step.action = std::move(action);
    return Add(step);
}

void ScriptedServer::Start() {
    fStarted = true;
    fThread = std::thread([this] { Run(); });
}

bool ScriptedServer::Finish(int timeoutMs) {
    std::unique_lock lock(fLock);
    bool done = fDoneSignal.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return fDone; });
    if (!done)
        fErrors.push_back("script did not finish in time");
    return done && fErrors.empty();
}

void ScriptedServer::Stop() {
    if (fThread.joinable()) {
        char byte = 1;
        [[maybe_unused]] auto ignored = ::write(fWake[1], &byte, 1);
        fThread.join();
    }
}

void ScriptedServer::AddError(const std::string& text) {
    std::lock_guard lock(fLock);
    fErrors.push_back(text);
}

void ScriptedServer::Run() {
    for (const Step& step : fSteps)
        if (!RunStep(step)) {
            // A client that still waits for the rest of the script gets a closed connection, not silence.
            CloseConnection(true);
            break;
        }
    std::lock_guard lock(fLock);
    fDone = true;
    fDoneSignal.notify_all();
}

bool ScriptedServer::Fill(bool bounded) {
    pollfd fds[2] = {{fConn, POLLIN, 0}, {fWake[0], POLLIN, 0}};
    for (;;) {
        int n = ::poll(fds, 2, bounded ? fReadLimitMs : -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0) {
            AddError("no data from the client within " + std::to_string(fReadLimitMs) + " ms");
            return false;
        }
        if (n < 0 || (fds[1].revents & POLLIN))
            return false;
        break;
    }
    char buffer[65536];
    ssize_t got = ::recv(fConn, buffer, sizeof buffer, 0);
    if (got <= 0)
        return false;
    fPending.append(buffer, static_cast<std::size_t>(got));
    std::lock_guard lock(fLock);
    fReceived.back().append(buffer, static_cast<std::size_t>(got));
    return true;
}

void ScriptedServer::CloseConnection(bool reset) {
    if (fConn < 0)
        return;
    if (reset) {
        linger lg{1, 0};
        ::setsockopt(fConn, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    }
    ::close(fConn);
    fConn = -1;
}

bool ScriptedServer::RunStep(const Step& step) {
    if (step.kind != Step::kAccept && step.kind != Step::kDo && fConn < 0) {
        AddError("step without a connection");
        return false;
    }
    switch (step.kind) {
    case Step::kAccept: {
        CloseConnection(false);
        pollfd fds[2] = {{fListen, POLLIN, 0}, {fWake[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
        }
        if (fds[1].revents & POLLIN)
            return false;
        fConn = ::accept4(fListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fConn < 0) {
            AddError("accept failed");
            return false;
        }
        fPending.clear();
        std::lock_guard lock(fLock);
        fReceived.emplace_back();
        return true;
    }
    case Step::kSend: {
        std::size_t sent = 0;
        while (sent < step.text.size()) {
            ssize_t n = ::send(fConn, step.text.data() + sent, step.text.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                if (n < 0 && errno == EINTR)
                    continue;
                AddError("send failed");
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    case Step::kLine: {
        std::size_t pos;
        while ((pos = fPending.find('\n')) == std::string::npos)
            if (!Fill()) {
                AddError("connection ended before a line" + (step.checkLine ? ": expected " + step.text : ""));
                return false;
            }
        std::string line = fPending.substr(0, pos);
        fPending.erase(0, pos + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        {
            std::lock_guard lock(fLock);
            fLines.push_back(line);
        }
        if (step.checkLine && line != step.text) {
            AddError("expected line \"" + step.text + "\", got \"" + line + "\"");
            return false;
        }
        return true;
    }
    case Step::kUntil: {
        std::size_t pos;
        while ((pos = fPending.find(step.text)) == std::string::npos)
            if (!Fill()) {
                AddError("connection ended before the marker");
                return false;
            }
        fPending.erase(0, pos + step.text.size());
        return true;
    }
    case Step::kBytes:
        while (fPending.size() < step.count)
            if (!Fill()) {
                AddError("connection ended before " + std::to_string(step.count) + " bytes");
                return false;
            }
        fPending.erase(0, step.count);
        return true;
    case Step::kUntilClose:
    case Step::kSilent:
        while (Fill(false)) {
        }
        fPending.clear();
        return true;
    case Step::kClose:
        CloseConnection(false);
        return true;
    case Step::kReset:
        CloseConnection(true);
        return true;
    case Step::kDo:
        step.action(fConn);
        return true;
    }
    return false;
}

std::string ScriptedServer::Received() const {
    std::lock_guard lock(fLock);
    std::string all;
    for (const auto& part : fReceived)
        all += part;
    return all;
}

std::vector<std::string> ScriptedServer::ReceivedPerConnection() const {
    std::lock_guard lock(fLock);
    return fReceived;
}

std::vector<std::string> ScriptedServer::Lines() const {
    std::lock_guard lock(fLock);
    return fLines;
}

int ScriptedServer::Accepted() const {
    std::lock_guard lock(fLock);
    return static_cast<int>(fReceived.size());
}

std::vector<std::string> ScriptedServer::Errors() const {
    std::lock_guard lock(fLock);
    return fErrors;
}

std::string ScriptedServer::ErrorText() const {
    std::string text;
    for (const auto& e : Errors())
        text += e + "\n";
    return text;
}

} // namespace testsupport

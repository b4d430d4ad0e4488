#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// A loopback peer that plays a script on its own thread, for byte-exact protocol tests.
// It listens on 127.0.0.1 at a port the system picks. Steps run in order; each Accept takes the next
// connection. Everything received is recorded, so a test can compare the exact bytes a client sent.
//
//   ScriptedServer server;
//   server.Accept().Send("220 hello\r\n").ExpectLine("QUIT").Close();
//   server.Start();
//   ... client talks to server.Port() ...
//   EXPECT_TRUE(server.Finish());            // waits for the script; false on a mismatch or time-out
//   EXPECT_EQ(server.Received(), "QUIT\r\n");
class ScriptedServer {
public:
    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return fPort; }
    std::string Address() const { return "127.0.0.1"; }

    // Script steps.
    ScriptedServer& Accept();
    ScriptedServer& Send(const std::string& bytes);
    // Reads one line (up to LF). With expected given, the line without its CR LF must equal it.
    ScriptedServer& ExpectLine(const std::string& expected);
    ScriptedServer& ReadLine();
    // Reads until marker has arrived (e.g. "\r\n\r\n" for an HTTP request head).
    ScriptedServer& ReadUntil(const std::string& marker);
    ScriptedServer& ReadBytes(std::size_t count);
    // Reads until the client closes its sending side.
    ScriptedServer& ReadUntilClose();
    // Closes the current connection normally (FIN).
    ScriptedServer& Close();
    // Closes the current connection with a reset (SO_LINGER 0).
    ScriptedServer& Reset();
    // Sends nothing and reads nothing until the client closes or the server is stopped.
    ScriptedServer& StaySilent();
    // Runs code on the server thread (e.g. to signal the test); gets the connection's fd.
    ScriptedServer& Do(std::function<void(int fd)> action);

    // How long a line, marker or byte-count step waits for the client before the script fails (and the
    // connection is reset, so a client waiting on its side is not left hanging). Set before Start.
    void SetReadLimit(int ms) { fReadLimitMs = ms; }

    // Starts playing the script. Steps may not be added afterwards.
    void Start();
    // Waits for the script to end (limit in ms); true when every step ran and every expectation held.
    bool Finish(int timeoutMs = 10000);
    // Ends the script at once (silent steps and pending reads stop); the destructor does this too.
    void Stop();

    // Bytes received on every connection, in order; per connection; the lines read by line steps.
    std::string Received() const;
    std::vector<std::string> ReceivedPerConnection() const;
    std::vector<std::string> Lines() const;
    int Accepted() const;
    // Mismatches and I/O problems seen by the script.
    std::vector<std::string> Errors() const;
    std::string ErrorText() const;

private:
    struct Step {
        enum Kind { kAccept, kSend, kLine, kUntil, kBytes, kUntilClose, kClose, kReset, kSilent, kDo };
        Step(Kind k, std::string t) : kind(k), text(std::move(t)) {}
        Kind kind;
        std::string text;
        bool checkLine = false;
        std::size_t count = 0;
        std::function<void(int)> action;
    };
    ScriptedServer& Add(Step step);
    void Run();
    bool RunStep(const Step& step);
    // Reads more bytes into the connection's buffer; false at close, error, stop or (bounded) the read limit.
    bool Fill(bool bounded = true);
    void AddError(const std::string& text);
    void CloseConnection(bool reset);

    int fListen = -1;
    int fConn = -1;
    int fWake[2] = {-1, -1};
    uint16_t fPort = 0;
    int fReadLimitMs = 30000;
    std::vector<Step> fSteps;
    std::thread fThread;
    std::string fPending;  // received on the current connection, not yet consumed by a step

    mutable std::mutex fLock;
    std::condition_variable fDoneSignal;
    bool fDone = false;
    bool fStarted = false;
    std::vector<std::string> fReceived;
    std::vector<std::string> fLines;
    std::vector<std::string> fErrors;
};

} // namespace testsupport

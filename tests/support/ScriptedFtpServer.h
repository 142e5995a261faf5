#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"

namespace velm::test {

class ScriptedFtpServer;

// One control connection as a command handler sees it.
class FtpSession {
public:
    FtpSession(ScriptedFtpServer& server, TcpSocket control, int index)
        : server_(server), control_(std::move(control)), index_(index) {}

    // Sends reply lines; "\n" separates lines, each goes out ending in CR LF.
    void reply(const std::string& lines);
    // Sends bytes exactly as given.
    void sendRaw(const std::string& bytes);
    // Closes the control connection (cleanly, or with a reset).
    void drop();
    void reset();
    bool open() const { return control_.isOpen(); }
    // The server's address on this connection.
    std::string localHost() const { return control_.localAddress().host; }
    // Keeps the client waiting until the test calls release() (true) or, so
    // that a client that never gives up fails its test instead of hanging
    // it, until capMs have passed (false). Each wait takes one release; a
    // release that came before the wait is not lost.
    bool waitForRelease(int capMs);

    // 0 for the first connection the server accepted, 1 for the next...
    int index() const { return index_; }
    ScriptedFtpServer& server() { return server_; }

    // The data connection of the current transfer: accepted on the PASV
    // listener, or made to the address of the last PORT.
    TcpSocket openData();
    // Opens the data connection, sends `bytes` (from the REST offset), closes.
    void sendData(const std::string& bytes);
    // Like a server that never stops: opens the data connection and sends
    // until the client breaks it off or `cap` bytes went out; returns the
    // bytes the connection took.
    std::int64_t sendEndlessly(std::int64_t cap);

    // Reads the next command line; false when the client closed the connection
    // or the server is stopping.
    bool readCommand(std::string& line);
    // True once the next command has arrived, false after capMs.
    bool waitForCommand(int capMs);
    // True once a wait for a command found the connection closed by the client.
    bool clientClosed() const { return clientClosed_; }
    // The commands thrown away so far by a server that answers only the
    // first command of what arrived.
    int discarded() const { return discarded_; }

    std::int64_t restOffset = 0;
    TcpListener passiveListener;
    SocketAddress activeAddress;

private:
    ScriptedFtpServer& server_;
    TcpSocket control_;
    int index_;
    std::string buffer_;
    int discarded_ = 0;
    bool clientClosed_ = false;
};

// A small FTP server on 127.0.0.1 (or another local address) for the
// client's tests. It answers every command like an ordinary server over an
// in-memory folder; a test replaces the answer of any command (to inject
// faults) and reads back every command received, per connection. Handlers run
// on the server's own thread.
class ScriptedFtpServer {
public:
    using Handler = std::function<void(FtpSession& session, const std::string& argument)>;

    explicit ScriptedFtpServer(const std::string& address = "127.0.0.1");
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    std::uint16_t port() const { return port_; }

    // What a new connection receives first (default "220 Scripted FTP server ready").
    void onConnect(Handler handler);
    void greeting(const std::string& lines);
    // Replaces the handling of a command verb (upper case, e.g. "RETR").
    void on(const std::string& verb, Handler handler);
    // Answers the verb with fixed reply lines.
    void reply(const std::string& verb, const std::string& lines);

    // The folder's contents: RETR and SIZE serve files, LIST sends `listing`.
    void file(const std::string& name, std::string content);
    void listing(std::string text);
    // The lines between "211-Features:" and "211 End" of the FEAT reply.
    void features(std::vector<std::string> lines);
    // Like the servers that read one command and throw away the rest of
    // what arrived with it: commands sent together get one reply.
    void answerOnlyFirstCommandOfEachRead() { firstCommandOnly_ = true; }

    // Every command line received, over all connections, in order.
    std::vector<std::string> commands() const;
    // The commands of each connection.
    std::vector<std::vector<std::string>> sessions() const;
    int connectionCount() const;
    // Waits until every connection so far has ended (the client closed it, or
    // a handler dropped it), so that its commands are all recorded; false
    // when one is still open after 10 s.
    bool waitForSessionsToEnd();

    // Ends the next waitForRelease of a handler, or the one going on.
    void release();

    // Used by the sessions.
    bool stopping() const { return stop_; }
    std::string fileContent(const std::string& name, bool& found) const;

private:
    void run();
    void serve(FtpSession& session);
    void handleDefault(FtpSession& session, const std::string& verb, const std::string& argument);
    void record(int index, const std::string& line);
    friend class FtpSession;

    TcpListener listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> firstCommandOnly_{false};
    std::thread thread_;

    mutable std::mutex mutex_;
    Handler onConnect_;
    std::map<std::string, Handler> handlers_;
    std::map<std::string, std::string> files_;
    std::string listing_;
    std::vector<std::string> features_{" SIZE"};
    std::vector<std::vector<std::string>> sessions_;
    int endedSessions_ = 0;
    int releases_ = 0;                 // given by release()
    int released_ = 0;                 // taken by waitForRelease
    std::condition_variable changed_;  // a session ended, or release()
};

}  // namespace velm::test

#include "support/ScriptedFtpServer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace velm::test {

namespace {

constexpr int kPollMs = 50;
constexpr int kDataWaitMs = 5000;

// Sends the data and the final reply; a client that broke the data
// connection off gets the reply of an aborted transfer.
void sendAndConfirm(FtpSession& s, const std::string& data) {
    try {
        s.sendData(data);
    } catch (const SocketError&) {
        return s.reply("426 Connection closed; transfer aborted.");
    }
    s.reply("226 Transfer complete");
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}  // namespace

// ---- session ------------------------------------------------------------------

void FtpSession::reply(const std::string& lines) {
    std::string wire;
    std::size_t from = 0;
    while (from <= lines.size()) {
        const std::size_t lf = lines.find('\n', from);
        wire +=
            lines.substr(from, lf == std::string::npos ? std::string::npos : lf - from) + "\r\n";
        if (lf == std::string::npos) break;
        from = lf + 1;
    }
    sendRaw(wire);
}

void FtpSession::sendRaw(const std::string& bytes) {
    if (!control_.isOpen()) return;
    try {
        control_.write(bytes.data(), bytes.size(), kDataWaitMs);
    } catch (const SocketError&) {
        control_.close();  // the client went away
    }
}

void FtpSession::drop() {
    control_.close();
}
void FtpSession::reset() {
    control_.abort();
}

bool FtpSession::waitForRelease(int capMs) {
    std::unique_lock lock(server_.mutex_);
    const bool released = server_.changed_.wait_for(lock, std::chrono::milliseconds(capMs), [this] {
        return server_.releases_ > server_.released_ || server_.stopping();
    });
    if (released) ++server_.released_;
    return released;
}

TcpSocket FtpSession::openData() {
    TcpSocket data;
    if (passiveListener.isOpen()) {
        data = passiveListener.accept(kDataWaitMs);
        passiveListener.close();
    } else {
        data = TcpSocket::connect(activeAddress.host, activeAddress.port, kDataWaitMs);
    }
    return data;
}

void FtpSession::sendData(const std::string& bytes) {
    TcpSocket data = openData();
    const std::size_t from = static_cast<std::size_t>(
        std::min<std::int64_t>(restOffset, static_cast<std::int64_t>(bytes.size())));
    restOffset = 0;
    data.write(bytes.data() + from, bytes.size() - from, kDataWaitMs);
    data.close();
}

std::int64_t FtpSession::sendEndlessly(std::int64_t cap) {
    TcpSocket data = openData();
    const std::string chunk(65536, 'z');
    std::int64_t sent = 0;
    try {
        while (sent < cap) {
            data.write(chunk.data(), chunk.size(), kDataWaitMs);
            sent += static_cast<std::int64_t>(chunk.size());
        }
    } catch (const SocketError&) {
        // The client broke the connection off.
    }
    return sent;
}

bool FtpSession::waitForCommand(int capMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(capMs);
    while (buffer_.find('\n') == std::string::npos) {
        if (!control_.isOpen() || server_.stopping()) return false;
        const long long left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   deadline - std::chrono::steady_clock::now())
                                   .count();
        try {
            if (!control_.waitReadable(static_cast<int>(std::clamp<long long>(left, 0, kPollMs)))) {
                if (left <= 0) return false;
                continue;
            }
            char chunk[4096];
            const std::size_t n = control_.read(chunk, sizeof chunk, kPollMs);
            if (n == 0) {
                clientClosed_ = true;
                return false;  // readCommand sees the close
            }
            buffer_.append(chunk, n);
        } catch (const SocketError&) {
            return false;
        }
    }
    return true;
}

bool FtpSession::readCommand(std::string& line) {
    for (;;) {
        const std::size_t lf = buffer_.find('\n');
        if (lf != std::string::npos) {
            line = buffer_.substr(0, lf);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            buffer_.erase(0, lf + 1);
            if (server_.firstCommandOnly_) {
                discarded_ += static_cast<int>(std::count(buffer_.begin(), buffer_.end(), '\n'));
                buffer_.clear();
            }
            return true;
        }
        if (!control_.isOpen() || server_.stopping()) return false;
        try {
            if (!control_.waitReadable(kPollMs)) continue;
            char chunk[4096];
            const std::size_t n = control_.read(chunk, sizeof chunk, kPollMs);
            if (n == 0) {
                control_.close();
                return false;
            }
            buffer_.append(chunk, n);
        } catch (const SocketError&) {
            control_.close();
            return false;
        }
    }
}

// ---- server -------------------------------------------------------------------

ScriptedFtpServer::ScriptedFtpServer(const std::string& address)
    : listener_(TcpListener::listen(address, 0, 0)), port_(listener_.localAddress().port) {
    thread_ = std::thread([this] { run(); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool ScriptedFtpServer::waitForSessionsToEnd() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [this] {
        return endedSessions_ == static_cast<int>(sessions_.size());
    });
}

void ScriptedFtpServer::release() {
    {
        std::lock_guard lock(mutex_);
        ++releases_;
    }
    changed_.notify_all();
}

void ScriptedFtpServer::onConnect(Handler handler) {
    std::lock_guard lock(mutex_);
    onConnect_ = std::move(handler);
}

void ScriptedFtpServer::greeting(const std::string& lines) {
    onConnect([lines](FtpSession& s, const std::string&) { s.reply(lines); });
}

void ScriptedFtpServer::on(const std::string& verb, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[upper(verb)] = std::move(handler);
}

void ScriptedFtpServer::reply(const std::string& verb, const std::string& lines) {
    on(verb, [lines](FtpSession& s, const std::string&) { s.reply(lines); });
}

void ScriptedFtpServer::file(const std::string& name, std::string content) {
    std::lock_guard lock(mutex_);
    files_[name] = std::move(content);
}

void ScriptedFtpServer::listing(std::string text) {
    std::lock_guard lock(mutex_);
    listing_ = std::move(text);
}

void ScriptedFtpServer::features(std::vector<std::string> lines) {
    std::lock_guard lock(mutex_);
    features_ = std::move(lines);
}

std::vector<std::string> ScriptedFtpServer::commands() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> all;
    for (const auto& s : sessions_) all.insert(all.end(), s.begin(), s.end());
    return all;
}

std::vector<std::vector<std::string>> ScriptedFtpServer::sessions() const {
    std::lock_guard lock(mutex_);
    return sessions_;
}

int ScriptedFtpServer::connectionCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(sessions_.size());
}

std::string ScriptedFtpServer::fileContent(const std::string& name, bool& found) const {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(name);
    found = it != files_.end();
    return found ? it->second : std::string();
}

void ScriptedFtpServer::record(int index, const std::string& line) {
    std::lock_guard lock(mutex_);
    sessions_[static_cast<std::size_t>(index)].push_back(line);
}

void ScriptedFtpServer::run() {
    while (!stop_) {
        try {
            if (!listener_.waitAcceptable(kPollMs)) continue;
            TcpSocket control = listener_.accept(kPollMs);
            int index;
            {
                std::lock_guard lock(mutex_);
                index = static_cast<int>(sessions_.size());
                sessions_.emplace_back();
            }
            try {
                FtpSession session(*this, std::move(control), index);
                serve(session);
            } catch (const std::exception& e) {
                // A handler's socket failed (the client went away): next connection.
                std::fprintf(stderr, "scripted FTP server: %s\n", e.what());
            }
            {
                std::lock_guard lock(mutex_);
                ++endedSessions_;
            }
            changed_.notify_all();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "scripted FTP server: %s\n", e.what());
        }
    }
}

void ScriptedFtpServer::serve(FtpSession& session) {
    Handler greet;
    {
        std::lock_guard lock(mutex_);
        greet = onConnect_;
    }
    if (greet)
        greet(session, "");
    else
        session.reply("220 Scripted FTP server ready");

    std::string line;
    while (session.open() && session.readCommand(line)) {
        record(session.index(), line);
        const std::size_t blank = line.find(' ');
        const std::string verb = upper(line.substr(0, blank));
        const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            const auto it = handlers_.find(verb);
            if (it != handlers_.end()) handler = it->second;
        }
        if (handler)
            handler(session, argument);
        else
            handleDefault(session, verb, argument);
    }
}

void ScriptedFtpServer::handleDefault(FtpSession& s, const std::string& verb,
                                      const std::string& argument) {
    if (verb == "HOST") return s.reply("220 Host accepted");
    if (verb == "USER") return s.reply("331 Password required for " + argument);
    if (verb == "PASS") return s.reply("230 Logged in");
    if (verb == "ACCT") return s.reply("230 Account accepted");
    if (verb == "SYST") return s.reply("215 UNIX Type: L8");
    if (verb == "TYPE") return s.reply("200 Type set to " + argument);
    if (verb == "CWD") return s.reply("250 Directory changed to " + argument);
    if (verb == "OPTS" || verb == "CLNT") return s.reply("200 OK");
    if (verb == "NOOP") return s.reply("200 NOOP ok");
    if (verb == "QUIT") {
        s.reply("221 Goodbye");
        return s.drop();
    }
    if (verb == "FEAT") {
        std::vector<std::string> lines;
        {
            std::lock_guard lock(mutex_);
            lines = features_;
        }
        std::string text = "211-Features:\n";
        for (const std::string& f : lines) text += f + "\n";
        return s.reply(text + "211 End");
    }
    if (verb == "PASV") {
        s.passiveListener = TcpListener::listen(s.localHost(), 0, 0);
        const SocketAddress a = s.passiveListener.localAddress();
        std::string host = a.host;
        std::replace(host.begin(), host.end(), '.', ',');
        return s.reply("227 Entering Passive Mode (" + host + "," + std::to_string(a.port >> 8) +
                       "," + std::to_string(a.port & 0xFF) + ").");
    }
    if (verb == "PORT") {
        unsigned n[6] = {};
        if (std::sscanf(argument.c_str(), "%u,%u,%u,%u,%u,%u", &n[0], &n[1], &n[2], &n[3], &n[4],
                        &n[5]) != 6)
            return s.reply("501 Bad PORT argument");
        s.passiveListener.close();
        s.activeAddress = {std::to_string(n[0]) + "." + std::to_string(n[1]) + "." +
                               std::to_string(n[2]) + "." + std::to_string(n[3]),
                           static_cast<std::uint16_t>(n[4] * 256 + n[5])};
        return s.reply("200 PORT command successful");
    }
    if (verb == "REST") {
        s.restOffset = std::stoll(argument);
        return s.reply("350 Restarting at " + argument);
    }
    if (verb == "LIST" || verb == "NLST") {
        std::string text;
        {
            std::lock_guard lock(mutex_);
            text = listing_;
        }
        s.reply("150 Here comes the directory listing");
        return sendAndConfirm(s, text);
    }
    bool found = false;
    const std::string content = fileContent(argument, found);
    if (verb == "SIZE")
        return s.reply(found ? "213 " + std::to_string(content.size()) : "550 No such file");
    if (verb == "RETR") {
        if (!found) return s.reply("550 No such file");
        s.reply("150 Opening BINARY mode data connection for " + argument);
        return sendAndConfirm(s, content);
    }
    s.reply("502 Command not implemented");
}

}  // namespace velm::test

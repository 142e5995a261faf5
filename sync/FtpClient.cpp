#include "sync/FtpClient.h"

#include <algorithm>
#include <ostream>

#include "platform/AnsiCodePage.h"
#include "platform/AsciiText.h"
#include "platform/Clock.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "sync/FtpListParser.h"
#include "sync/FtpListingRules.h"
#include "sync/FtpPassive.h"
#include "sync/ReplacementFile.h"

namespace velm {

namespace {

// How long a failed transfer waits for the server's final reply, so that the
// next command does not receive it instead of its own.
constexpr int kFinalReplyWaitMs = 2000;
// A server that refuses HOST may be about to close the connection: its close
// follows the refusal on the same path, so a short wait is enough, and every
// server that keeps the connection pays it once per session.
constexpr int kClosingWaitMs = 300;
// How long QUIT waits for its reply.
constexpr int kQuitReplyWaitMs = 100;

// Milliseconds until the deadline, 0 once it has passed.
int msLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::chrono::steady_clock::time_point deadlineIn(int ms) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

std::string typeCommand(TFtpTransferType type) {
    switch (type) {
        case ftASCII:
            return "TYPE A";
        case ftBinary:
            return "TYPE I";
    }
    throw FtpError("Unsupported transfer type.");
}

// The first word of a capability line (leading blanks removed) and the rest.
std::pair<std::string, std::string> splitFeature(const std::string& line) {
    const std::string t = trimmed(line);
    const std::size_t blank = t.find(' ');
    if (blank == std::string::npos) return {t, {}};
    return {t.substr(0, blank), trimmed(t.substr(blank + 1))};
}

std::vector<std::string> splitFacts(const std::string& facts, const char* separators) {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from <= facts.size()) {
        const std::size_t sep = facts.find_first_of(separators, from);
        const std::string fact =
            trimmed(facts.substr(from, sep == std::string::npos ? std::string::npos : sep - from));
        if (!fact.empty()) out.push_back(fact);
        if (sep == std::string::npos) break;
        from = sep + 1;
    }
    return out;
}

bool contains(std::initializer_list<int> codes, int code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace

TFtpClient::TFtpClient()
    : reader_([this](char* data, std::size_t size) {
          // Every receive of a reply shares the reply's deadline: a server
          // that trickles bytes cannot stretch the time limit.
          const int left = msLeft(readDeadline_);
          if (left == 0) throw SocketTimeout("Read timed out.");
          return control_.read(data, size, left);
      }) {}

TFtpClient::~TFtpClient() = default;

// ---- events -------------------------------------------------------------

void TFtpClient::fireStatus(TFtpStatus status, const std::string& text) {
    if (OnStatus) OnStatus(*this, status, text);
}

void TFtpClient::beginWork(TWorkMode mode, std::int64_t max) {
    Work& w = work_[mode];
    if (++w.level == 1) {
        w.count = 0;
        w.max = max;
        if (OnWorkBegin) OnWorkBegin(*this, mode, max);
    }
}

void TFtpClient::doWork(TWorkMode mode, std::int64_t count) {
    Work& w = work_[mode];
    w.count += count;
    if (w.level >= 1 && OnWork) OnWork(*this, mode, w.count);
}

void TFtpClient::endWork(TWorkMode mode) {
    Work& w = work_[mode];
    if (w.level == 1 && OnWorkEnd) OnWorkEnd(*this, mode);
    if (w.level > 0) --w.level;
}

// ---- control connection --------------------------------------------------

int TFtpClient::readLimit() const {
    return ReadTimeout > 0 ? ReadTimeout : SilenceLimit;
}
int TFtpClient::transferLimit() const {
    return TransferTimeout > 0 ? TransferTimeout : SilenceLimit;
}
int TFtpClient::listenLimit() const {
    return ListenTimeout > 0 ? ListenTimeout : SilenceLimit;
}

std::string TFtpClient::toWire(const std::string& text) const {
    return utf8_ ? ansiToUtf8(text) : text;
}

void TFtpClient::fromWire(std::string& text) const {
    if (!utf8_ || isAsciiText(text)) return;
    try {
        text = utf8ToAnsi(text);
    } catch (const Error&) {
        // Not UTF-8 after all, or a character the code page lacks: the line is
        // kept as received rather than losing the whole reply or listing.
    }
}

void TFtpClient::requireConnected() const {
    if (!control_.isOpen()) throw FtpError("Not Connected");
}

void TFtpClient::closeControl() {
    if (!control_.isOpen()) return;
    fireStatus(hsDisconnecting, "Disconnecting.");
    control_.close();
    reader_.clear();
    fireStatus(hsDisconnected, "Disconnected.");
}

void TFtpClient::serverClosed() {
    control_.close();
    reader_.clear();
    fireStatus(hsDisconnected, "Disconnected.");
}

void TFtpClient::sendLine(const std::string& command) {
    requireConnected();
    const std::string line = toWire(command) + "\r\n";
    try {
        control_.write(line.data(), line.size(), readLimit());
    } catch (const SocketError& e) {
        if (e.connectionLost()) serverClosed();
        throw;
    }
}

FtpReply TFtpClient::readReply(int limitMs) {
    requireConnected();
    readDeadline_ = deadlineIn(limitMs > 0 ? limitMs : readLimit());
    std::optional<FtpReply> reply;
    try {
        reply = readFtpReply(reader_);
    } catch (const SocketTimeout&) {
        throw;
    } catch (const SocketError& e) {
        if (e.connectionLost()) serverClosed();
        throw;
    } catch (const FtpError&) {
        closeControl();  // an overlong reply: the connection cannot be trusted any more
        throw;
    }
    if (!reply) {
        serverClosed();
        throw EFtpConnectionClosed();
    }
    for (std::string& line : reply->Text) fromWire(line);
    lastReply_ = *reply;
    return lastReply_;
}

void TFtpClient::requireAccepted(const FtpReply& reply, std::initializer_list<int> accepted) {
    if (accepted.size() == 0 || contains(accepted, reply.NumericCode)) return;
    // The server is shutting the connection down: no QUIT, nothing more to read.
    if (reply.NumericCode == 421) closeControl();
    throw EFtpReplyError(reply.NumericCode, reply.joinedText());
}

FtpReply TFtpClient::getResponse(std::initializer_list<int> accepted) {
    FtpReply reply = readReply();
    requireAccepted(reply, accepted);
    return reply;
}

FtpReply TFtpClient::sendCmd(const std::string& command, std::initializer_list<int> accepted) {
    sendLine(command);
    return getResponse(accepted);
}

bool TFtpClient::fillReader() {
    readDeadline_ = deadlineIn(readLimit());
    return reader_.fill();
}

bool TFtpClient::Connected() {
    if (!control_.isOpen()) return false;
    if (reader_.hasBufferedData()) return true;
    try {
        if (control_.waitReadable(0) && !fillReader()) {
            serverClosed();
            return false;
        }
    } catch (const SocketError&) {
        serverClosed();
        return false;
    }
    return true;
}

bool TFtpClient::peerHasClosed(int waitMs) {
    if (!control_.isOpen()) return true;
    if (reader_.hasBufferedData()) return false;
    try {
        return control_.waitReadable(waitMs) && !fillReader();
    } catch (const SocketError& e) {
        return e.connectionLost();
    }
}

// ---- connection and login -------------------------------------------------

void TFtpClient::Connect() {
    if (Connected()) throw FtpError("Already connected.");
    if (Host.empty()) throw FtpError("A Host is required");
    if (Port == 0) throw FtpError("A Port is required");
    // Servers that do not know HOST may drop the connection on it: then the
    // whole connection is made once more without it.
    if (!connectOnce(UseHOST)) connectOnce(false);
}

bool TFtpClient::connectOnce(bool sendHost) {
    capabilities_.clear();
    langs_.clear();
    canUseMLS_ = false;
    compressionSupported_ = false;
    serverTimeZone_.reset();
    canResume_.reset();
    utf8_ = false;
    reader_.clear();

    std::string address = Host;
    if (!isIpv4Literal(Host)) {
        fireStatus(hsResolving, "Resolving hostname " + Host + ".");
        address = resolveHost(Host);
    }
    fireStatus(hsConnecting, "Connecting to " + address + ".");
    control_ = TcpSocket::connect(address, Port, ConnectTimeout);
    fireStatus(hsConnected, "Connected.");

    bool greeted = false;
    try {
        FtpReply greeting = readReply();
        if (greeting.NumericCode >= 100 && greeting.NumericCode < 200) greeting = readReply();
        requireAccepted(greeting, {220});
        greeting_ = greeting;
        greeted = true;

        if (sendHost) {
            bool dropped = false;
            try {
                // A refusal may be followed by the close a moment later.
                const FtpReply reply = sendCmd("HOST " + Host, {});
                dropped = reply.NumericCode != 220 &&
                          peerHasClosed(std::min(kClosingWaitMs, readLimit()));
            } catch (const EFtpConnectionClosed&) {
                dropped = true;
            } catch (const SocketError& e) {
                if (!e.connectionLost()) throw;
                dropped = true;
            }
            if (dropped) {
                control_.close();
                reader_.clear();
                return false;
            }
        }
        if (AutoLogin) {
            Login();
            afterLogin();
        }
        return true;
    } catch (...) {
        if (greeted && control_.isOpen())
            Disconnect();
        else
            closeControl();
        throw;
    }
}

void TFtpClient::Login() {
    FtpReply reply = sendCmd("USER " + Username, {230, 232, 331});
    if (reply.NumericCode == 331) {
        reply = sendCmd("PASS " + Password, {230, 332});
        if (reply.NumericCode == 332) {
            if (Account.empty()) throw EFtpReplyError(reply.NumericCode, reply.joinedText());
            reply = sendCmd("ACCT " + Account, {202, 230, 500});
        }
    }
    loginMsg_ = reply;
    if (AutoIssueFEAT) issueFeat();
    sendCmd(typeCommand(transferType_), {200});
}

void TFtpClient::issueFeat() {
    const FtpReply reply = sendCmd("FEAT", {});
    capabilities_.clear();
    if ((reply.NumericCode == 211 || reply.NumericCode == 221) && reply.Text.size() > 2)
        capabilities_.assign(reply.Text.begin() + 1, reply.Text.end() - 1);

    canUseMLS_ = IsExtSupported("MLSD") || IsExtSupported("MLST");
    langs_.clear();
    compressionSupported_ = false;
    for (const std::string& line : capabilities_) {
        const auto [word, facts] = splitFeature(line);
        if (sameIgnoringAsciiCase(word, "LANG")) langs_ = splitFacts(facts, ";");
        if (sameIgnoringAsciiCase(trimBlanks(line), "MODE Z")) compressionSupported_ = true;
    }
    if (IsExtSupported("CLNT"))
        sendCmd("CLNT " + (ClientInfo.empty() ? std::string("VelmUpdate 1.0") : ClientInfo), {});
    if (IsExtSupported("UTF8")) {
        const FtpReply opts = sendCmd("OPTS UTF8 ON", {});
        if (opts.NumericCode >= 200 && opts.NumericCode < 300)
            utf8_ = true;
        else if (sendCmd("OPTS UTF-8 NLST", {}).NumericCode == 200)
            utf8_ = true;
    }
}

void TFtpClient::afterLogin() {
    const FtpReply syst = sendCmd("SYST", {});
    systemDesc_ =
        syst.NumericCode == 500 || syst.Text.empty() ? std::string("Unknown") : syst.Text.front();

    // Servers that report their time zone on request.
    const std::string server = greeting_.Text.empty() ? std::string() : greeting_.Text.front();
    bool zone = false;
    for (const char* name : {"SERV-U ", "BPFTP SERVER ", "TITANFTP SERVER ", "TITAN FTP SERVER "})
        zone = zone || startsWithUpper(server, name);
    for (const std::string& line : capabilities_) {
        const auto [word, facts] = splitFeature(line);
        if (!sameIgnoringAsciiCase(word, "SITE")) continue;
        for (const std::string& fact : splitFacts(facts, ";, "))
            zone = zone || sameIgnoringAsciiCase(fact, "ZONE");
    }
    if (zone) {
        const FtpReply reply = sendCmd("SITE ZONE", {});
        const std::string text = reply.Text.empty() ? std::string() : trimmed(reply.Text.front());
        if (reply.NumericCode == 210 && startsWithUpper(text, "UTC-")) {
            const auto minutes = readDigits<int>(text.substr(4));
            if (minutes) serverTimeZone_ = -*minutes;
        }
    }
    sendCmd(typeCommand(transferType_), {200});
    fireStatus(ftpReady, "Connection established");
}

bool TFtpClient::IsExtSupported(const std::string& feature) const {
    for (const std::string& line : capabilities_)
        if (sameIgnoringAsciiCase(splitFeature(line).first, feature)) return true;
    return false;
}

void TFtpClient::Disconnect() {
    if (!Connected()) return;
    try {
        sendLine("QUIT");
        readReply(std::min(kQuitReplyWaitMs, readLimit()));
    } catch (const Error&) {
        // Leaving anyway.
    }
    closeControl();
}

void TFtpClient::SetTransferType(TFtpTransferType value) {
    const std::string command = typeCommand(value);  // refuses unknown types
    if (value == transferType_ || dataOpen_) return;
    if (control_.isOpen()) sendCmd(command, {200});
    transferType_ = value;
}

template <class Body>
void TFtpClient::withTransferType(TFtpTransferType type, Body body) {
    const TFtpTransferType previous = transferType_;
    try {
        SetTransferType(type);
        body();
    } catch (...) {
        try {
            SetTransferType(previous);
        } catch (const Error&) {
            // The first error is the one to report; the type follows the connection.
            if (!control_.isOpen()) transferType_ = previous;
        }
        throw;
    }
    SetTransferType(previous);
}

void TFtpClient::ChangeDir(const std::string& ADirName) {
    sendCmd("CWD " + ADirName, {200, 250, 257});
}

std::int64_t TFtpClient::Size(const std::string& AFileName) {
    requireConnected();
    FtpReply reply;
    withTransferType(ftBinary, [&] { reply = sendCmd("SIZE " + AFileName, {}); });
    if (reply.NumericCode != 213) return -1;
    std::string text = trimmed(reply.joinedText());
    const std::size_t blank = text.find(' ');
    if (blank != std::string::npos) text.erase(0, blank + 1);
    return readInteger<std::int64_t>(text).value_or(-1);
}

// ---- listings ---------------------------------------------------------------

std::optional<FtpReply> TFtpClient::List(std::vector<std::string>* ADest,
                                         const std::string& ASpecifier, bool ADetails) {
    requireConnected();
    listing_.Clear();
    listingParsed_ = false;
    listResult_.clear();
    dirFormat_.clear();

    const std::string command = trimmed(std::string(ADetails ? "LIST" : "NLST") +
                                        (ASpecifier.empty() ? "" : " " + ASpecifier));
    FtpListingLines received(MaxListingSize, MaxListingLines);
    const Sink sink = [&received](const char* data, std::size_t size) {
        received.append(data, size);
    };

    std::optional<FtpReply> refusal;
    withTransferType(ftASCII, [&] {
        if (!transfer(command, sink, -1)) refusal = lastReply_;
    });

    listResult_ = received.take();
    for (std::string& line : listResult_) fromWire(line);
    listDetails_ = ADetails;
    listing_.DirectoryName = ASpecifier;
    if (ADest) *ADest = listResult_;
    return refusal;
}

const TFtpListItems& TFtpClient::DirectoryListing() {
    if (!listingParsed_) {
        listingParsed_ = true;  // a failed parse keeps the items before the bad line
        dirFormat_ = parseFtpListing(listResult_, listDetails_, clock().now(), listing_);
    }
    return listing_;
}

// ---- data transfers ---------------------------------------------------------

bool TFtpClient::transfer(const std::string& command, const Sink& sink, std::int64_t restartAt) {
    requireConnected();
    fireStatus(ftpTransfer, "Starting FTP transfer");
    TcpSocket data;
    bool accepted = false;   // the command was answered 1xx: a final reply will follow
    bool dataBroke = false;  // the server's side of the data connection failed
    dataOpen_ = true;
    try {
        if (Passive) {
            openPassive(command, data);
            if (restartAt >= 0) sendCmd("REST " + std::to_string(restartAt), {350});
            accepted = sendCmd(command, {125, 150, 154, 450}).NumericCode != 450;
        } else {
            openActive(command, data, restartAt, accepted);
        }
        if (accepted) {
            try {
                receive(data, sink);
            } catch (const SocketTimeout&) {
                throw;
            } catch (const SocketError&) {
                dataBroke = true;
                throw;
            }
        }
        data.close();
    } catch (...) {
        data.close();
        dataOpen_ = false;
        const std::optional<FtpReply> final = finishFailedTransfer(accepted);
        // The server's account of a broken data connection ("426 ...") tells
        // the operator more than the socket's; a time-out or a failure of our
        // own (the local file, a bound) stays the error to report.
        if (dataBroke && final && !contains({226, 225, 250}, final->NumericCode))
            throw EFtpReplyError(final->NumericCode, final->joinedText());
        throw;
    }
    dataOpen_ = false;
    if (lastReply_.NumericCode >= 300) {
        fireStatus(ftpAborted, "Transfer aborted");
        return false;
    }
    fireStatus(ftpReady, "Transfer complete");
    getResponse({226, 225, 250});
    return true;
}

void TFtpClient::openPassive(const std::string& command, TcpSocket& data) {
    if (IsExtSupported("PRET")) sendCmd("PRET " + command, {});
    const FtpReply reply = sendCmd("PASV", {227});
    const SocketAddress announced = parsePasvReply(reply.Text.empty() ? "" : reply.Text.front());
    const std::string host = choosePasvHost(announced.host, control_.peerAddress().host);
    data = TcpSocket::connect(host, announced.port, ConnectTimeout);
}

void TFtpClient::openActive(const std::string& command, TcpSocket& data, std::int64_t restartAt,
                            bool& accepted) {
    TcpListener listener =
        DataPort != 0 ? TcpListener::listen(control_.localAddress().host, DataPort, DataPort)
                      : TcpListener::listen(control_.localAddress().host, DataPortMin, DataPortMax);
    const SocketAddress local = listener.localAddress();
    std::string announced = ExternalIP.empty() ? local.host : ExternalIP;
    std::replace(announced.begin(), announced.end(), '.', ',');
    sendCmd("PORT " + announced + "," + std::to_string(local.port >> 8) + "," +
                std::to_string(local.port & 0xFF),
            {200});
    if (restartAt >= 0) sendCmd("REST " + std::to_string(restartAt), {350});
    sendLine(command);

    // Either the server connects first or it answers first (with a refusal,
    // or a 150 before connecting). Connections from other hosts are refused
    // while the wait goes on.
    const SteadyClock::time_point deadline = deadlineIn(listenLimit());
    while (!reader_.hasBufferedData()) {
        const int ready = waitAnyReadable({listener.handle(), control_.handle()}, msLeft(deadline));
        if (ready < 0) throw SocketTimeout("Accept timed out.");
        if (ready == 1) break;
        if (std::optional<TcpSocket> server = acceptFromServer(listener, deadline)) {
            data = std::move(*server);
            break;
        }
    }
    getResponse({125, 150, 154});
    accepted = true;
    const SteadyClock::time_point replied = deadlineIn(listenLimit());
    while (!data.isOpen())
        if (std::optional<TcpSocket> server = acceptFromServer(listener, replied))
            data = std::move(*server);
}

std::optional<TcpSocket> TFtpClient::acceptFromServer(TcpListener& listener,
                                                      SteadyClock::time_point deadline) {
    const int left = msLeft(deadline);
    if (left == 0) throw SocketTimeout("Accept timed out.");
    TcpSocket connection = listener.accept(left);
    // Only the server may deliver the data: anyone else who found the port
    // is turned away.
    if (connection.peerAddress().host == control_.peerAddress().host) return connection;
    connection.abort();
    return std::nullopt;
}

void TFtpClient::receive(TcpSocket& data, const Sink& sink) {
    if (chunk_.empty()) chunk_.resize(kReceiveBufferSize);
    beginWork(wmRead, 0);
    try {
        for (;;) {
            const std::size_t n = data.read(chunk_.data(), chunk_.size(), transferLimit());
            if (n == 0) break;
            sink(chunk_.data(), n);
            doWork(wmRead, static_cast<std::int64_t>(n));
        }
    } catch (...) {
        endWork(wmRead);
        throw;
    }
    endWork(wmRead);
}

std::optional<FtpReply> TFtpClient::finishFailedTransfer(bool commandAccepted) {
    fireStatus(ftpAborted, "Transfer aborted");
    if (!commandAccepted || lastReply_.NumericCode >= 300 || !control_.isOpen())
        return std::nullopt;
    // The server will report the broken transfer; take that reply now, whole,
    // within the bounded wait.
    try {
        return readReply(std::min(kFinalReplyWaitMs, readLimit()));
    } catch (const Error&) {
        return std::nullopt;  // the transfer's own error is the one to report
    }
}

bool TFtpClient::canResume() {
    if (!canResume_) {
        canResume_ = sendCmd("REST 1", {}).NumericCode == 350;
        if (*canResume_) sendCmd("REST 0", {});
    }
    return *canResume_;
}

void TFtpClient::Get(const std::string& ASourceFile, const std::string& ADestFile,
                     bool ACanOverwrite, bool AResume) {
    requireConnected();
    FileSystem& fs = fileSystem();
    const bool exists = fs.fileExists(ADestFile);
    const bool resume = AResume && !ACanOverwrite && canResume();
    if (exists && !ACanOverwrite && !resume) throw EFtpFileAlreadyExists();

    // Put in the destination's place only after the server confirmed the
    // whole transfer: a broken download never destroys the working copy.
    ReplacementFile file(ADestFile);
    std::int64_t restartAt = -1;
    if (resume && exists) {
        const std::unique_ptr<InputFile> in = fs.openForReading(ADestFile);
        if (chunk_.empty()) chunk_.resize(kReceiveBufferSize);
        while (const std::size_t n = in->read(chunk_.data(), chunk_.size()))
            file.write(chunk_.data(), n);
        restartAt = file.size();
    }
    if (!transfer(
            "RETR " + ASourceFile,
            [&file](const char* data, std::size_t size) { file.write(data, size); }, restartAt))
        throw EFtpReplyError(lastReply_.NumericCode, lastReply_.joinedText());
    file.replaceDestination();
}

void TFtpClient::Get(const std::string& ASourceFile, std::ostream& ADest, bool AResume) {
    requireConnected();
    std::int64_t restartAt = -1;
    if (AResume && canResume()) {
        const auto position = static_cast<std::int64_t>(ADest.tellp());
        if (position > 0) restartAt = position;
    }
    const Sink sink = [&ADest](const char* data, std::size_t size) {
        ADest.write(data, static_cast<std::streamsize>(size));
        if (!ADest) throw FileError("The downloaded data could not be written.");
    };
    if (!transfer("RETR " + ASourceFile, sink, restartAt))
        throw EFtpReplyError(lastReply_.NumericCode, lastReply_.joinedText());
}

}  // namespace velm

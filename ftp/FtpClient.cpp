#include "ftp/FtpClient.h"

#include <algorithm>
#include <ostream>

#include "ftp/FtpListParser.h"
#include "ftp/FtpListingRules.h"
#include "ftp/FtpPassive.h"
#include "platform/AnsiCodePage.h"
#include "platform/AsciiText.h"
#include "platform/Clock.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/MonotonicClock.h"
#include "platform/ReplacementFile.h"

namespace velm {

namespace {

// How long a failed transfer waits for the server's final reply, so that the
// next command does not receive it instead of its own.
constexpr int kFinalReplyWaitMs = 2000;
// A server that refuses HOST may be about to close the connection. Without a
// login to go on with, Connect waits this long for the close, which follows
// the refusal on the same path.
constexpr int kClosingWaitMs = 300;
// How long QUIT waits for its reply.
constexpr int kQuitReplyWaitMs = 100;

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
          // that trickles bytes cannot stretch the time limit. What has
          // already arrived is still taken after it.
          if (!waitBy(readDeadline_, [this](int ms) { return control_.waitReadable(ms); }))
              throw SocketTimeout("Read timed out.");
          return control_.read(data, size, 0);
      }) {}

TFtpClient::Deadline TFtpClient::deadlineIn(int ms) {
    return monotonicClock().now() + Deadline(ms);
}

int TFtpClient::msLeft(Deadline deadline) {
    const auto left = (deadline - monotonicClock().now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

template <class Wait>
bool TFtpClient::waitBy(Deadline deadline, Wait wait) {
    for (;;) {
        const int left = msLeft(deadline);
        if (wait(monotonicClock().waitSliceMs(left))) return true;
        if (left == 0) return false;
    }
}

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
    forgetCommandsInFlight();
    if (!control_.isOpen()) return;
    fireStatus(hsDisconnecting, "Disconnecting.");
    control_.close();
    reader_.clear();
    fireStatus(hsDisconnected, "Disconnected.");
}

void TFtpClient::serverClosed() {
    forgetCommandsInFlight();
    control_.close();
    reader_.clear();
    fireStatus(hsDisconnected, "Disconnected.");
}

void TFtpClient::forgetCommandsInFlight() {
    unsentSizes_.clear();
    sizesInFlight_.clear();
    sizeAnswers_.clear();
}

void TFtpClient::sendLine(const std::string& command) {
    sendLines({command});
}

void TFtpClient::sendLines(const std::vector<std::string>& commands) {
    requireConnected();
    // While the server is on probation nothing may follow the probe's
    // queries: its answer has to be told apart from theirs.
    if (pipelining_ != Pipelining::Works) readAllQueuedSizes();
    std::string bytes;
    for (const std::string& command : commands) bytes += toWire(command) + "\r\n";
    write(bytes);
}

void TFtpClient::write(const std::string& bytes) {
    try {
        control_.write(bytes.data(), bytes.size(), readLimit());
    } catch (const SocketError& e) {
        if (e.connectionLost()) serverClosed();
        throw;
    }
}

FtpReply TFtpClient::readReply(int limitMs) {
    requireConnected();
    readAllQueuedSizes();
    return readNextReply(limitMs);
}

FtpReply TFtpClient::readNextReply(int limitMs) {
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

void TFtpClient::refuseServerClosing(const FtpReply& reply) {
    if (reply.NumericCode != 421) return;
    closeControl();
    throw EFtpReplyError(reply.NumericCode, reply.joinedText());
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
        return waitBy(deadlineIn(waitMs), [this](int ms) { return control_.waitReadable(ms); }) &&
               !fillReader();
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
    forgetCommandsInFlight();
    pipelining_ = Pipelining::Unknown;

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

        bool hostRefused = false;
        if (sendHost) {
            const bool answered = survivesClose(
                [&] { hostRefused = sendCmd("HOST " + Host, {}).NumericCode != 220; });
            if (!answered) return false;
        }
        if (AutoLogin) {
            // A refusal may be followed by the close a moment later. Rather
            // than wait for it, the login goes on at once: the close, if it
            // comes, ends the first login exchange. A close after that is the
            // login's own failure.
            std::optional<FtpReply> user;
            if (!hostRefused)
                user = sendUser();
            else if (!survivesClose([&] { user = sendUser(); }))
                return false;
            loginAfterUser(*user);
            afterLogin();
        } else if (hostRefused && peerHasClosed(std::min(kClosingWaitMs, readLimit()))) {
            control_.close();
            reader_.clear();
            return false;
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

template <class Exchange>
bool TFtpClient::survivesClose(Exchange exchange) {
    try {
        exchange();
        return true;
    } catch (const EFtpConnectionClosed&) {
    } catch (const SocketError& e) {
        if (!e.connectionLost()) throw;
    }
    control_.close();
    reader_.clear();
    return false;
}

void TFtpClient::Login() {
    loginAfterUser(sendUser());
}

FtpReply TFtpClient::sendUser() {
    return sendCmd("USER " + Username, {230, 232, 331});
}

void TFtpClient::loginAfterUser(FtpReply reply) {
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
    forgetCommandsInFlight();  // their replies no longer matter
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

namespace {

std::int64_t sizeFromReply(const FtpReply& reply) {
    if (reply.NumericCode != 213) return -1;
    std::string text = trimmed(reply.joinedText());
    const std::size_t blank = text.find(' ');
    if (blank != std::string::npos) text.erase(0, blank + 1);
    return readInteger<std::int64_t>(text).value_or(-1);
}

}  // namespace

std::int64_t TFtpClient::Size(const std::string& AFileName) {
    requireConnected();
    FtpReply reply;
    withTransferType(ftBinary, [&] { reply = sendCmd("SIZE " + AFileName, {}); });
    refuseServerClosing(reply);
    return sizeFromReply(reply);
}

void TFtpClient::QueueSize(const std::string& AFileName) {
    requireConnected();
    unsentSizes_.push_back(AFileName);
    sendQueuedSizes();
}

std::int64_t TFtpClient::TakeSize(const std::string& AFileName) {
    requireConnected();
    sendQueuedSizes();
    if (sizeAnswers_.empty() && sizesInFlight_.empty()) {
        if (unsentSizes_.empty() || unsentSizes_.front() != AFileName)
            throw FtpError("No size query is queued for " + AFileName + ".");
        unsentSizes_.pop_front();
        // Nothing may go ahead of it: asked alone, in binary as always.
        return Size(AFileName);
    }
    if (sizeAnswers_.empty()) readQueuedSize();
    if (sizeAnswers_.empty() || sizeAnswers_.front().first != AFileName)
        throw FtpError("The next size answer is not for " + AFileName + ".");
    const FtpReply reply = std::move(sizeAnswers_.front().second);
    sizeAnswers_.pop_front();
    sendQueuedSizes();
    return sizeFromReply(reply);
}

std::size_t TFtpClient::sizesAhead() const {
    // Answers read ahead of another command's reply and not taken yet count:
    // the window bounds what the server has been asked ahead of the run.
    return sizesInFlight_.size() + sizeAnswers_.size();
}

void TFtpClient::sendQueuedSizes() {
    // The size of a file depends on the type; the queue is sent in binary only.
    if (!control_.isOpen() || unsentSizes_.empty() || transferType_ != ftBinary) return;
    switch (pipelining_) {
        case Pipelining::Unknown:
            // The probe: two queries together, nothing more until both are answered.
            if (!sizesInFlight_.empty() || unsentSizes_.size() < 2) return;
            return writeSizeQueries(2, true);
        case Pipelining::Works:
            // Topped up in batches of kSizeTopUp or more.
            if (sizesAhead() > kSizeWindow - kSizeTopUp) return;
            return writeSizeQueries(kSizeWindow - sizesAhead(), false);
        case Pipelining::OneAtATime:
            return;
    }
}

void TFtpClient::sendSizesAfterTransfer() {
    if (!control_.isOpen() || unsentSizes_.empty() || transferType_ != ftBinary ||
        pipelining_ != Pipelining::Works || sizesAhead() >= kSizeWindow)
        return;
    // One more than the run takes per file keeps the window full.
    writeSizeQueries(std::min<std::size_t>(2, kSizeWindow - sizesAhead()), false);
}

void TFtpClient::writeSizeQueries(std::size_t count, bool probe) {
    std::string bytes;
    while (count > 0 && !unsentSizes_.empty() &&
           (bytes.empty() || bytes.size() + unsentSizes_.front().size() < kSizeWindowBytes)) {
        bytes += toWire("SIZE " + unsentSizes_.front()) + "\r\n";
        sizesInFlight_.push_back({unsentSizes_.front(), probe && count == 1});
        unsentSizes_.pop_front();
        --count;
    }
    write(bytes);
}

void TFtpClient::readQueuedSize() {
    const SizeQuery query = sizesInFlight_.front();
    FtpReply reply;
    if (query.probe) {
        try {
            reply = readNextReply(std::min(kPipelineProbeMs, readLimit()));
        } catch (const SocketTimeout&) {
            if (!control_.isOpen()) throw;
            return fallBackToOneAtATime();
        }
        pipelining_ = Pipelining::Works;
    } else {
        try {
            reply = readNextReply(0);
        } catch (const SocketTimeout&) {
            // The replies still owed would answer the wrong commands from now on.
            closeControl();
            throw;
        }
    }
    sizesInFlight_.pop_front();
    // A server closing down (an idle limit, a restart) says why in its 421;
    // the queries after it will not be answered.
    refuseServerClosing(reply);
    sizeAnswers_.emplace_back(query.fileName, std::move(reply));
}

void TFtpClient::readAllQueuedSizes() {
    while (!sizesInFlight_.empty()) readQueuedSize();
}

// The server answered the first of two commands sent together and not the
// second within the probe's wait: it lost it, or it is slow. A NOOP sent
// alone tells which: its 200 comes first when the query was lost (which is
// then asked again, alone), second when the query's reply was only late.
void TFtpClient::fallBackToOneAtATime() {
    pipelining_ = Pipelining::OneAtATime;
    const SizeQuery query = sizesInFlight_.front();
    sizesInFlight_.pop_front();
    FtpReply reply;
    try {
        write("NOOP\r\n");
        reply = readNextReply(0);
        if (reply.NumericCode == 200) {
            write(toWire("SIZE " + query.fileName) + "\r\n");
            reply = readNextReply(0);
        } else if (readNextReply(0).NumericCode == 200) {
            // Only late: the server answers commands in flight, in order.
            pipelining_ = Pipelining::Works;
        } else {
            throw FtpError("The server's replies do not match the commands sent.");
        }
    } catch (...) {
        closeControl();  // nothing left to match the replies with
        throw;
    }
    sizeAnswers_.emplace_back(query.fileName, std::move(reply));
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
    // The command travels with its PASV once the server has shown that it
    // takes commands in flight; the server waits for the data connection.
    const bool together =
        Passive && restartAt < 0 && pipelining_ == Pipelining::Works && !IsExtSupported("PRET");
    bool inFlight = false;    // sent with PASV, reply not read yet
    bool connecting = false;  // the data connection's connect failed
    try {
        if (together) {
            inFlight = true;
            openPassive(command, data, true, connecting);
            inFlight = false;
            accepted = commandAfterItsPasv(command, data);
        } else if (Passive) {
            openPassive(command, data, false, connecting);
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
        std::optional<FtpReply> reply;
        if (inFlight) reply = settleCommandInFlight(accepted);
        if (const std::optional<FtpReply> final = finishFailedTransfer(accepted)) reply = final;
        // The server's account of a data connection that broke or could not
        // be made ("426 ...", "550 arq.bin: No such file or directory": a
        // server that cannot open the file may close its listener at once)
        // tells the operator more than the socket's; a time-out or a failure
        // of our own (the local file, a bound) stays the error to report.
        if ((dataBroke || connecting) && reply && reply->NumericCode >= 400)
            throw EFtpReplyError(reply->NumericCode, reply->joinedText());
        throw;
    }
    dataOpen_ = false;
    if (lastReply_.NumericCode >= 300) {
        fireStatus(ftpAborted, "Transfer aborted");
        return false;
    }
    fireStatus(ftpReady, "Transfer complete");
    getResponse({226, 225, 250});
    sendSizesAfterTransfer();
    return true;
}

void TFtpClient::openPassive(const std::string& command, TcpSocket& data, bool together,
                             bool& connecting) {
    if (IsExtSupported("PRET")) sendCmd("PRET " + command, {});
    if (together)
        sendLines({"PASV", command});
    else
        sendLine("PASV");
    const FtpReply reply = getResponse({227});
    const SocketAddress announced = parsePasvReply(reply.Text.empty() ? "" : reply.Text.front());
    const std::string host = choosePasvHost(announced.host, control_.peerAddress().host);
    connecting = true;
    data = TcpSocket::connect(host, announced.port, ConnectTimeout);
    connecting = false;
}

bool TFtpClient::commandAfterItsPasv(const std::string& command, TcpSocket& data) {
    const FtpReply reply = readReply();
    if (reply.NumericCode == 425) {
        // Taken before the data connection existed: this server needs each
        // command alone, and this one is asked again so.
        pipelining_ = Pipelining::OneAtATime;
        data.close();
        bool connecting = false;
        openPassive(command, data, false, connecting);
        return sendCmd(command, {125, 150, 154, 450}).NumericCode != 450;
    }
    requireAccepted(reply, {125, 150, 154, 450});
    return reply.NumericCode != 450;
}

std::optional<FtpReply> TFtpClient::settleCommandInFlight(bool& accepted) {
    if (!control_.isOpen()) return std::nullopt;
    try {
        const FtpReply reply = readNextReply(std::min(kFinalReplyWaitMs, readLimit()));
        accepted = reply.NumericCode >= 100 && reply.NumericCode < 200;
        return reply;
    } catch (const Error&) {
        // Its reply may still come and would answer the next command instead.
        closeControl();
        return std::nullopt;
    }
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
    const Deadline deadline = deadlineIn(listenLimit());
    while (!reader_.hasBufferedData()) {
        int ready = -1;
        const auto either = [&](int ms) {
            ready = waitAnyReadable({listener.handle(), control_.handle()}, ms);
            return ready >= 0;
        };
        if (!waitBy(deadline, either)) throw SocketTimeout("Accept timed out.");
        if (ready == 1) break;
        if (std::optional<TcpSocket> server = acceptFromServer(listener, deadline)) {
            data = std::move(*server);
            break;
        }
    }
    getResponse({125, 150, 154});
    accepted = true;
    const Deadline replied = deadlineIn(listenLimit());
    while (!data.isOpen())
        if (std::optional<TcpSocket> server = acceptFromServer(listener, replied))
            data = std::move(*server);
}

std::optional<TcpSocket> TFtpClient::acceptFromServer(TcpListener& listener, Deadline deadline) {
    if (!waitBy(deadline, [&listener](int ms) { return listener.waitAcceptable(ms); }))
        throw SocketTimeout("Accept timed out.");
    // Ready to accept; the limit only guards against a connection withdrawn meanwhile.
    TcpSocket connection = listener.accept(std::max(1, msLeft(deadline)));
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
            if (!waitBy(deadlineIn(transferLimit()),
                        [&data](int ms) { return data.waitReadable(ms); }))
                throw SocketTimeout("Read timed out.");
            const std::size_t n = data.read(chunk_.data(), chunk_.size(), 0);
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
        // The transfer's own error is the one to report. The reply may still
        // come and would answer the next command instead: the connection
        // cannot be trusted any more.
        closeControl();
        return std::nullopt;
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

void TFtpClient::Get(const std::string& ASourceFile, std::ostream& ADest, bool AResume,
                     std::int64_t AAnnouncedSize) {
    requireConnected();
    std::int64_t restartAt = -1;
    if (AResume && canResume()) {
        const auto position = static_cast<std::int64_t>(ADest.tellp());
        if (position > 0) restartAt = position;
    }
    std::int64_t fileSize = restartAt > 0 ? restartAt : 0;
    const Sink sink = [&](const char* data, std::size_t size) {
        fileSize += static_cast<std::int64_t>(size);
        if (AAnnouncedSize >= 0 && fileSize > AAnnouncedSize)
            throw EFtpOversizedDownload(ASourceFile, AAnnouncedSize);
        ADest.write(data, static_cast<std::streamsize>(size));
        if (!ADest) throw FileError("The downloaded data could not be written.");
    };
    if (!transfer("RETR " + ASourceFile, sink, restartAt))
        throw EFtpReplyError(lastReply_.NumericCode, lastReply_.joinedText());
}

}  // namespace velm

#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "ftp/FtpErrors.h"
#include "ftp/FtpLineReader.h"
#include "ftp/FtpListItems.h"
#include "ftp/FtpListingLines.h"
#include "ftp/FtpReply.h"
#include "ftp/FtpTypes.h"
#include "platform/Socket.h"

namespace velm {

// The FTP client of the update run: log in, change directory, list, ask sizes
// and download, over one control connection and one data connection per
// transfer (passive or active). Every operation blocks the calling thread and
// calls the events from inside it. Failures raise: EFtpReplyError for a reply
// the command does not accept, SocketError for the network, FtpError for the
// client's own checks.
class TFtpClient {
public:
    // Bytes a data connection delivers per read, at most; each chunk goes
    // straight to the destination and fires one OnWork.
    static constexpr std::size_t kReceiveBufferSize = 32768;
    // What "no limit" in ReadTimeout, TransferTimeout and ListenTimeout stands
    // for: a server silent for two minutes is taken for gone (a network path
    // that drops without a reset), and the usual time-out error follows,
    // instead of blocking the calling thread, the user interface's, for ever.
    static constexpr int kSilenceLimitMs = 120000;
    // Size queries in flight at most, and their bytes: replies and commands
    // this small always fit the sockets' buffers, so neither side can block
    // the other while the client is still sending.
    static constexpr std::size_t kSizeWindow = 200;
    static constexpr std::size_t kSizeWindowBytes = 8192;
    // The window is topped up once this many answers have been taken: small
    // enough that the queries keep coming back without a pause over a slow
    // link, large enough that the run does not write once per file.
    static constexpr std::size_t kSizeTopUp = 32;
    // How long the second of the first two commands sent together may take
    // after the first one's reply before the server is taken for one that
    // drops commands in flight.
    static constexpr int kPipelineProbeMs = 1000;

    TFtpClient();
    ~TFtpClient();
    TFtpClient(const TFtpClient&) = delete;
    TFtpClient& operator=(const TFtpClient&) = delete;

    // Settings. Time limits are in milliseconds; 0 or -1 means no limit,
    // which reads and waits take as SilenceLimit. A reply must be complete
    // within ReadTimeout of its command, or of the reply before it when
    // commands are in flight; a data connection may be silent for
    // TransferTimeout. Limits are measured on monotonicClock().
    std::string Host;
    std::uint16_t Port = 21;
    std::string Username;
    std::string Password;
    std::string Account;  // sent with ACCT when the server asks for one (332)
    bool Passive = false;
    int ConnectTimeout = 0;
    int ReadTimeout = 60000;    // control connection
    int TransferTimeout = 0;    // data connection reads
    int ListenTimeout = 10000;  // active mode: wait for the server to connect
    bool UseHOST = true;
    bool AutoLogin = true;
    bool AutoIssueFEAT = true;
    std::uint16_t DataPort = 0;  // active mode local port; 0: from the range below
    std::uint16_t DataPortMin = 0;
    std::uint16_t DataPortMax = 0;
    std::string ExternalIP;                        // announced in PORT instead of the local address
    std::string ClientInfo;                        // CLNT identification; empty: "VelmUpdate 1.0"
    int SilenceLimit = kSilenceLimitMs;            // what 0 or -1 in the limits stands for
    std::size_t MaxListingSize = kMaxListingSize;  // bytes received, blank lines included
    std::size_t MaxListingLines = kMaxListingLines;  // lines kept

    // Changing the type of a connected client sends TYPE A or TYPE I, which
    // must be answered 200 before the value changes.
    TFtpTransferType TransferType() const { return transferType_; }
    void SetTransferType(TFtpTransferType value);

    // Events; all optional.
    std::function<void(TFtpClient& ASender, TFtpStatus AStatus, const std::string& AStatusText)>
        OnStatus;
    std::function<void(TFtpClient& ASender, TWorkMode AWorkMode, std::int64_t AWorkCountMax)>
        OnWorkBegin;
    std::function<void(TFtpClient& ASender, TWorkMode AWorkMode, std::int64_t AWorkCount)> OnWork;
    std::function<void(TFtpClient& ASender, TWorkMode AWorkMode)> OnWorkEnd;

    // Connects, reads the greeting, sends HOST and (with AutoLogin) logs in.
    // On failure the connection is closed again and the error raised.
    void Connect();
    // USER, PASS, ACCT, FEAT and TYPE; called by Connect.
    void Login();
    void ChangeDir(const std::string& ADirName);
    // LIST (ADetails) or NLST, in ASCII mode; the raw lines go to ListResult
    // and, when ADest is given, replace its contents. Empty lines are left
    // out; a listing beyond MaxListingSize or MaxListingLines raises FtpError.
    // A listing the server refused with 450 is empty, raises nothing and
    // fires ftpAborted; its reply is returned so that the caller can tell it
    // from an empty folder. A delivered listing returns none.
    std::optional<FtpReply> List(std::vector<std::string>* ADest, const std::string& ASpecifier,
                                 bool ADetails);
    // The items of the last listing, parsed on the first read after List.
    const TFtpListItems& DirectoryListing();
    // The server's size of the file, -1 when it does not say.
    std::int64_t Size(const std::string& AFileName);
    // Size queries sent ahead, in binary mode: QueueSize adds a file, whose
    // SIZE goes out without waiting for the replies before it (up to
    // kSizeWindow in flight) once the server has shown that it answers
    // commands sent together; TakeSize reads the replies in order and gives
    // the answer for the oldest queued file, which must be AFileName, as Size
    // would. Other commands read the pending answers first and keep them.
    // A 421 among the answers closes the connection and raises its text.
    void QueueSize(const std::string& AFileName);
    std::int64_t TakeSize(const std::string& AFileName);
    // Downloads into a local file. The data goes to a temporary file beside
    // the destination, which replaces the destination only once the server
    // confirmed the transfer; on failure the destination is left untouched.
    void Get(const std::string& ASourceFile, const std::string& ADestFile, bool ACanOverwrite,
             bool AResume);
    // Downloads into a stream; with AResume the transfer restarts at the
    // stream's write position when the server supports it. With an
    // AAnnouncedSize of 0 or more (the whole file's), receiving stops as
    // soon as the file would grow beyond it, nothing past it is written, and
    // EFtpOversizedDownload is raised: a server that never stops sending
    // cannot fill the disk.
    void Get(const std::string& ASourceFile, std::ostream& ADest, bool AResume,
             std::int64_t AAnnouncedSize = -1);
    void Disconnect();
    // True while the control connection is open; notices a server that closed it.
    bool Connected();

    const FtpReply& LastCmdResult() const { return lastReply_; }
    const FtpReply& Greeting() const { return greeting_; }
    const FtpReply& LoginMsg() const { return loginMsg_; }
    const std::string& SystemDesc() const { return systemDesc_; }
    const std::vector<std::string>& ListResult() const { return listResult_; }
    const std::string& DirFormat() const { return dirFormat_; }
    // The FEAT lines and what follows from them.
    const std::vector<std::string>& Capabilities() const { return capabilities_; }
    bool IsExtSupported(const std::string& feature) const;
    bool CanUseMLS() const { return canUseMLS_; }
    bool IsCompressionSupported() const { return compressionSupported_; }
    const std::vector<std::string>& LangsSupported() const { return langs_; }
    // The server's offset from GMT in minutes, when SITE ZONE told it.
    std::optional<int> ServerTimeZone() const { return serverTimeZone_; }
    bool UsingUtf8() const { return utf8_; }
    // Whether commands may travel together (a size window, RETR with its
    // PASV): unknown until the first two size queries sent together are
    // answered; a server that answers only the first command of a packet,
    // or that refuses a RETR sent with its PASV for want of the data
    // connection (425), gets one command at a time for the rest of the
    // session. A reply that was only late keeps commands in flight.
    enum class Pipelining { Unknown, Works, OneAtATime };
    Pipelining CommandsInFlight() const { return pipelining_; }

private:
    using Sink = std::function<void(const char* data, std::size_t size)>;
    // A point in time on monotonicClock().
    using Deadline = std::chrono::milliseconds;

    static Deadline deadlineIn(int ms);
    static int msLeft(Deadline deadline);
    // Repeats `wait` (a socket wait of some real milliseconds, true when
    // ready) until it reports ready (true) or the deadline has passed on the
    // clock (false).
    template <class Wait>
    static bool waitBy(Deadline deadline, Wait wait);

    // The limits in force, "no limit" taken as SilenceLimit.
    int readLimit() const;
    int transferLimit() const;
    int listenLimit() const;

    // One connection, with or without HOST; false when the server closed it
    // in answer to HOST, which leaves it closed and the input cleared.
    bool connectOnce(bool sendHost);
    // Runs `exchange`; false when it found that the server had closed the
    // connection (cleanly, or with a reset or an abort), which leaves the
    // connection closed and the input cleared. Other errors pass through.
    template <class Exchange>
    bool survivesClose(Exchange exchange);
    // Login in two steps: USER, then what its reply asks for.
    FtpReply sendUser();
    void loginAfterUser(FtpReply reply);
    void issueFeat();
    void afterLogin();
    bool peerHasClosed(int waitMs);
    // One receive into the reader, with the read limit.
    bool fillReader();

    // Sends one command, or several in one write; the size queries still
    // unanswered are settled first while the server is on probation.
    void sendLine(const std::string& command);
    void sendLines(const std::vector<std::string>& commands);
    void write(const std::string& bytes);
    // Reads one whole reply within limitMs (default: the read limit), after
    // the replies to the size queries in flight.
    FtpReply readReply(int limitMs = 0);
    // Reads the next reply on the wire.
    FtpReply readNextReply(int limitMs);
    // Size queries: sends as many as the window allows, reads the oldest
    // one's reply, reads all that are in flight.
    void sendQueuedSizes();
    // After a transfer's final reply: a size query or two, which the server
    // answers while the caller finishes the file (closing, stamping, showing
    // it) instead of in a batch ahead of the next file's PASV.
    void sendSizesAfterTransfer();
    // Up to `count` queued queries in one write (within kSizeWindowBytes);
    // with `probe` the last of them is the probe.
    void writeSizeQueries(std::size_t count, bool probe);
    // Size queries asked and not yet taken (answered or not).
    std::size_t sizesAhead() const;
    void readQueuedSize();
    void readAllQueuedSizes();
    // The probe's second reply did not come in time: a NOOP tells whether it
    // was lost (one command at a time from now on, the query asked again)
    // or late (commands in flight after all).
    void fallBackToOneAtATime();
    void forgetCommandsInFlight();
    // Raises EFtpReplyError unless the reply's code is accepted (an empty list
    // accepts any); a 421 closes the connection first.
    void requireAccepted(const FtpReply& reply, std::initializer_list<int> accepted);
    // A 421 announces that the server closes the connection, whatever the
    // command accepts: the connection is closed and the reply raised.
    void refuseServerClosing(const FtpReply& reply);
    FtpReply getResponse(std::initializer_list<int> accepted);
    FtpReply sendCmd(const std::string& command, std::initializer_list<int> accepted);
    void requireConnected() const;
    void closeControl();
    void serverClosed();

    bool transfer(const std::string& command, const Sink& sink, std::int64_t restartAt);
    // Sends PASV (with the command too when `together`) and connects;
    // `connecting` tells a failure of the connect from one of the PASV.
    void openPassive(const std::string& command, TcpSocket& data, bool together,
                     bool& connecting);
    // The command sent with its PASV: its reply, when it accepted the
    // command, or the command sent again alone when the server took it
    // before the data connection existed (425); false for a refusal the
    // caller reports (450).
    bool commandAfterItsPasv(const std::string& command, TcpSocket& data);
    // The reply to a command sent with its PASV that a failure left unread:
    // read within the bounded wait (and returned), or the connection is closed.
    std::optional<FtpReply> settleCommandInFlight(bool& accepted);
    void openActive(const std::string& command, TcpSocket& data, std::int64_t restartAt,
                    bool& accepted);
    // The server's data connection, or none when another host connected (it
    // is refused). Raises "Accept timed out." after the deadline.
    std::optional<TcpSocket> acceptFromServer(TcpListener& listener, Deadline deadline);
    void receive(TcpSocket& data, const Sink& sink);
    // The server's final reply to a broken transfer, when one can still come
    // and came within the bounded wait.
    std::optional<FtpReply> finishFailedTransfer(bool commandAccepted);
    bool canResume();
    // Runs body with the given transfer type, then puts the previous one back,
    // also when body fails.
    template <class Body>
    void withTransferType(TFtpTransferType type, Body body);

    void fireStatus(TFtpStatus status, const std::string& text);
    void beginWork(TWorkMode mode, std::int64_t max);
    void doWork(TWorkMode mode, std::int64_t count);
    void endWork(TWorkMode mode);

    std::string toWire(const std::string& text) const;
    // Converts a received line in place; a line that does not convert is kept.
    void fromWire(std::string& text) const;

    TcpSocket control_;
    FtpLineReader reader_;
    Deadline readDeadline_{};  // of the reply being read

    struct SizeQuery {
        std::string fileName;
        bool probe = false;  // the second of the first two sent together
    };
    std::deque<std::string> unsentSizes_;                       // queued, not sent yet
    std::deque<SizeQuery> sizesInFlight_;                       // sent, reply not read
    std::deque<std::pair<std::string, FtpReply>> sizeAnswers_;  // read, not taken
    Pipelining pipelining_ = Pipelining::Unknown;
    FtpReply lastReply_, greeting_, loginMsg_;
    std::string systemDesc_;
    std::vector<std::string> capabilities_, langs_;
    bool canUseMLS_ = false;
    bool compressionSupported_ = false;
    std::optional<int> serverTimeZone_;
    std::optional<bool> canResume_;
    bool utf8_ = false;
    TFtpTransferType transferType_ = ftASCII;
    bool dataOpen_ = false;

    std::vector<std::string> listResult_;
    bool listDetails_ = true;
    TFtpListItems listing_;
    bool listingParsed_ = true;
    std::string dirFormat_;

    struct Work {
        int level = 0;
        std::int64_t count = 0;
        std::int64_t max = 0;
    };
    Work work_[2];
    std::vector<char> chunk_;
};

}  // namespace velm

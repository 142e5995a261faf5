#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace velm {

class TFtpClient;

// The control connection was lost in the download pass and could not be
// made again; the message is the operator's.
class DownloadSessionLost : public Error {
public:
    using Error::Error;
};

// The download pass's hold on the server. The size queries of the files to
// come travel ahead; a control connection found lost between files (the
// server closed it with a 421, or the client gave up on a reply it could no
// longer match) is made again once, as mirror tools do: connect and log in,
// binary mode, the product's directory, the queries not yet answered sent
// again. So one lost connection costs at most the file it was lost in.
class DownloadSession {
public:
    DownloadSession(TFtpClient& client, std::string directory);

    // Queues the size queries of these files, in the order they are taken.
    void queueSizes(const std::vector<std::string>& names);
    // The server's size of the next queued file, `name` (-1 when it does
    // not say). Raises DownloadSessionLost when the connection was lost and
    // could not be made again.
    std::int64_t takeSize(const std::string& name);

private:
    // The answer to the oldest queued size query, which is `name`'s.
    std::int64_t takeQueuedSize(const std::string& name);
    void reconnect(const std::string& lostBy);

    TFtpClient& client_;
    std::string directory_;
    std::deque<std::string> pending_;  // queued, answer not taken yet
};

}  // namespace velm

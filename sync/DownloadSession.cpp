#include "sync/DownloadSession.h"

#include "ftp/FtpClient.h"
#include "sync/UpdateRunLog.h"

namespace velm {

DownloadSession::DownloadSession(TFtpClient& client, std::string directory)
    : client_(client), directory_(std::move(directory)) {}

void DownloadSession::queueSizes(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        pending_.push_back(name);
        client_.QueueSize(name);
    }
}

std::int64_t DownloadSession::takeQueuedSize(const std::string& name) {
    const std::int64_t size = client_.TakeSize(name);
    pending_.pop_front();
    return size;
}

std::int64_t DownloadSession::takeSize(const std::string& name) {
    // A file that failed before may have lost the connection already; its
    // own error was reported with it.
    std::string lostBy;
    if (client_.Connected()) {
        try {
            return takeQueuedSize(name);
        } catch (const Error& e) {
            // A failure that left the connection standing is no lost
            // connection: it is the run's to report.
            if (client_.Connected()) throw;
            lostBy = e.what();
        }
    }
    reconnect(lostBy);
    try {
        return takeQueuedSize(name);
    } catch (const Error& e) {
        if (client_.Connected()) throw;
        logReconnect(lostBy, std::string("lost again at once: ") + e.what());
        throw DownloadSessionLost(
            "A conex\xE3o com o servidor caiu de novo logo ap\xF3s ser refeita: " +
            std::string(e.what()));
    }
}

void DownloadSession::reconnect(const std::string& lostBy) {
    try {
        client_.Connect();
        client_.ChangeDir(directory_);
        for (const std::string& name : pending_) client_.QueueSize(name);
    } catch (const Error& e) {
        client_.Disconnect();  // whatever the failed attempt left open
        logReconnect(lostBy, e.what());
        std::string text =
            "A conex\xE3o com o servidor caiu e n\xE3o p\xF4" "de ser refeita: " +
            std::string(e.what());
        if (!lostBy.empty()) text += "\r\rA conex\xE3o caiu com: " + lostBy;
        throw DownloadSessionLost(text);
    }
    logReconnect(lostBy, "");
}

}  // namespace velm

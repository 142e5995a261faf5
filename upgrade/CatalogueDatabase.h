#pragma once

#include <QString>

#include <chrono>

#include <string>
#include <vector>

class QSqlError;

namespace velm {

class CatalogueDataSet;

// The connection to the script catalogue, reached through a database-engine
// alias (the alias store names the driver and the server). `Params` hold the
// login lines "USER NAME=" and "PASSWORD="; the alias gives the rest:
//   DRIVER=MYSQL   SERVER NAME, PORT, DATABASE NAME (the schema),
//                  CONNECT TIMEOUT (seconds, default 15),
//                  READ TIMEOUT (seconds of silence on a read or a write,
//                  default 60)
//   DRIVER=SQLITE  DATABASE NAME (the file; opened read-only unless
//                  OPEN MODE=READ/WRITE; a missing file does not open)
// Closing closes the queries open on it first.
class CatalogueDatabase {
public:
    CatalogueDatabase();
    ~CatalogueDatabase();
    CatalogueDatabase(const CatalogueDatabase&) = delete;
    CatalogueDatabase& operator=(const CatalogueDatabase&) = delete;

    std::string AliasName;
    std::string DatabaseName;
    bool LoginPrompt = false;
    std::string SessionName = "Default";
    std::vector<std::string> Params;

    // Logs in; raises DatabaseError when the alias is unknown, the server
    // cannot be reached or refuses the login. Opening an open connection
    // does nothing.
    void Open();
    void Close();
    bool Connected() const { return connected_; }

    // The Qt connection behind this one (valid while connected).
    const QString& connectionName() const { return connectionName_; }

    // The query failed because the server closed the connection (restarted,
    // or ended an idle session) rather than because it stopped answering.
    bool closedByServer(const QSqlError& error, std::chrono::steady_clock::duration waited) const;
    // Opens a new connection for the data set, unless another data set is
    // active on this one (its rows would go with it). False when refused.
    bool reopenFor(const CatalogueDataSet& dataSet);

private:
    friend class CatalogueDataSet;
    void attach(CatalogueDataSet* dataSet);
    void detach(CatalogueDataSet* dataSet);

    QString connectionName_;
    bool connected_ = false;
    // The read limit of a server connection; zero for a local file.
    std::chrono::seconds readTimeout_{0};
    std::vector<CatalogueDataSet*> dataSets_;
};

}  // namespace velm

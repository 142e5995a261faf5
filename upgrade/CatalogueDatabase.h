#pragma once

#include <QString>

#include <string>
#include <vector>

namespace velm {

class CatalogueDataSet;

// The connection to the script catalogue, reached through a database-engine
// alias (the alias store names the driver and the server). `Params` hold the
// login lines "USER NAME=" and "PASSWORD="; the alias gives the rest:
//   DRIVER=MYSQL   SERVER NAME, PORT, DATABASE NAME (the schema),
//                  CONNECT TIMEOUT (seconds, default 15)
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

private:
    friend class CatalogueDataSet;
    void attach(CatalogueDataSet* dataSet);
    void detach(CatalogueDataSet* dataSet);

    QString connectionName_;
    bool connected_ = false;
    std::vector<CatalogueDataSet*> dataSets_;
};

}  // namespace velm

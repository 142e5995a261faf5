#include "upgrade/CatalogueDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <algorithm>
#include <atomic>

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/QtAnsi.h"
#include "upgrade/AliasStore.h"
#include "upgrade/CatalogueDataSet.h"
#include "upgrade/DatabaseError.h"

namespace velm {

namespace {

QString uniqueConnectionName(const std::string& databaseName) {
    static std::atomic<unsigned> counter{0};
    return fromAnsi(databaseName) + "#" + QString::number(++counter);
}

int portOf(const std::string& text) {
    const auto port = readInteger<int>(trimBlanks(text));
    if (!port || *port <= 0 || *port > 65535)
        throw DatabaseError("Porta inv\xE1lida no alias: " + text);
    return *port;
}

// Seconds from the alias, or the default when the line is missing.
int secondsOf(const std::vector<std::string>& alias, const std::string& name, int byDefault) {
    const std::string text = trimmed(aliasParameter(alias, name));
    if (text.empty()) return byDefault;
    const auto seconds = readInteger<int>(text);
    if (!seconds || *seconds <= 0)
        throw DatabaseError("Tempo inv\xE1lido no alias: " + name + "=" + text);
    return *seconds;
}

// Returns the read time limit in seconds.
int configureMysql(QSqlDatabase& db, const std::vector<std::string>& alias) {
    db.setHostName(fromAnsi(trimmed(aliasParameter(alias, "SERVER NAME"))));
    const std::string port = aliasParameter(alias, "PORT");
    if (!trimmed(port).empty()) db.setPort(portOf(port));
    db.setDatabaseName(fromAnsi(trimmed(aliasParameter(alias, "DATABASE NAME"))));
    const int connectTimeout = secondsOf(alias, "CONNECT TIMEOUT", 15);
    // A server that stops answering (a path that drops without a reset)
    // must not hold the window for ever: each read and write has a limit.
    const int readTimeout = secondsOf(alias, "READ TIMEOUT", 60);
    db.setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1;MYSQL_OPT_READ_TIMEOUT=%2;"
                                        "MYSQL_OPT_WRITE_TIMEOUT=%2")
                             .arg(connectTimeout)
                             .arg(readTimeout));
    return readTimeout;
}

void configureSqlite(QSqlDatabase& db, const std::vector<std::string>& alias) {
    const std::string file = trimmed(aliasParameter(alias, "DATABASE NAME"));
    // SQLite would create a missing file; a missing catalogue must not open.
    if (file.empty() || !fileSystem().fileExists(file))
        throw DatabaseError("Cat\xE1logo n\xE3o encontrado: " + file);
    db.setDatabaseName(fromAnsi(file));
    if (asciiUpper(trimmed(aliasParameter(alias, "OPEN MODE"))) != "READ/WRITE")
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
}

}  // namespace

CatalogueDatabase::CatalogueDatabase() = default;

CatalogueDatabase::~CatalogueDatabase() {
    Close();
    for (CatalogueDataSet* dataSet : dataSets_) dataSet->database_ = nullptr;
}

void CatalogueDatabase::Open() {
    if (connected_) return;
    const std::vector<std::string> alias = GetAliasParams(AliasName);
    const std::string driver = asciiUpper(trimmed(aliasParameter(alias, "DRIVER")));
    QString qtDriver;
    if (driver == "MYSQL")
        qtDriver = "QMYSQL";
    else if (driver == "SQLITE")
        qtDriver = "QSQLITE";
    else
        throw DatabaseError("Driver n\xE3o suportado no alias " + AliasName + ": " + driver);

    const QString name = uniqueConnectionName(DatabaseName);
    readTimeout_ = std::chrono::seconds(0);
    std::string failure;
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(qtDriver, name);
        try {
            if (!db.isValid()) throw DatabaseError("Driver " + driver + " n\xE3o dispon\xEDvel");
            if (driver == "MYSQL")
                readTimeout_ = std::chrono::seconds(configureMysql(db, alias));
            else
                configureSqlite(db, alias);
            db.setUserName(fromAnsi(aliasParameter(Params, "USER NAME")));
            db.setPassword(fromAnsi(aliasParameter(Params, "PASSWORD")));
            opened = db.open();
            if (!opened) failure = toAnsi(db.lastError().text());
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (!opened) {
        QSqlDatabase::removeDatabase(name);
        throw DatabaseError(failure.empty() ? "Falha ao conectar ao cat\xE1logo" : failure);
    }
    connectionName_ = name;
    connected_ = true;
}

void CatalogueDatabase::Close() {
    if (!connected_) return;
    for (CatalogueDataSet* dataSet : dataSets_) dataSet->Close();
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
    connectionName_.clear();
    connected_ = false;
}

bool CatalogueDatabase::closedByServer(const QSqlError& error,
                                       std::chrono::steady_clock::duration waited) const {
    // The client's "server has gone away" and "lost connection during
    // query"; after the whole read limit the server is stalled, not gone.
    const QString code = error.nativeErrorCode();
    return readTimeout_.count() > 0 && (code == "2006" || code == "2013") && waited < readTimeout_;
}

bool CatalogueDatabase::reopenFor(const CatalogueDataSet& dataSet) {
    for (const CatalogueDataSet* other : dataSets_)
        if (other != &dataSet && other->Active()) return false;
    Close();
    Open();
    return true;
}

void CatalogueDatabase::attach(CatalogueDataSet* dataSet) {
    if (std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end())
        dataSets_.push_back(dataSet);
}

void CatalogueDatabase::detach(CatalogueDataSet* dataSet) {
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), dataSet), dataSets_.end());
}

}  // namespace velm

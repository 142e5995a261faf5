#include "upgrade/FbDatabase.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/ParameterLine.h"
#include "upgrade/DatabaseError.h"
#include "upgrade/FbStatus.h"
#include "upgrade/FbTransaction.h"

namespace velm {

namespace {

// Database parameter block from the NAME=VALUE lines.
class ParameterBlock {
public:
    ParameterBlock() { bytes_.push_back(isc_dpb_version1); }

    void add(const std::string& line) {
        const auto parameter = splitParameterLine(line);
        if (!parameter) return;
        const std::string name = asciiLower(trimBlanks(parameter->name));
        const std::string value(parameter->value);
        if (name == "user_name" || name == "user")
            addText(isc_dpb_user_name, value);
        else if (name == "password")
            addText(isc_dpb_password, value);
        else if (name == "lc_ctype")
            addText(isc_dpb_lc_ctype, value);
        else if (name == "sql_dialect")
            addNumber(isc_dpb_sql_dialect, value);
        else
            throw DatabaseError("Par\xE2metro de conex\xE3o desconhecido: " + line);
    }

    const char* data() const { return bytes_.data(); }
    short size() const { return static_cast<short>(bytes_.size()); }

private:
    void addText(char code, const std::string& value) {
        if (value.size() > 255) throw DatabaseError("Par\xE2metro de conex\xE3o longo demais");
        bytes_.push_back(code);
        bytes_.push_back(static_cast<char>(value.size()));
        bytes_.insert(bytes_.end(), value.begin(), value.end());
    }
    void addNumber(char code, const std::string& value) {
        const auto parsed = readInteger<int>(trimBlanks(value));
        if (!parsed) throw DatabaseError("Dialeto SQL inv\xE1lido: " + value);
        const int number = *parsed;
        bytes_.push_back(code);
        bytes_.push_back(4);
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
    }

    std::vector<char> bytes_;
};

// "host:path" reaches a server; a bare path (a drive letter included) is a
// local file for the embedded engine.
bool isRemoteName(const std::string& name) {
    const auto colon = name.find(':');
    if (colon == std::string::npos) return false;
    return !(colon == 1 && std::isalpha(static_cast<unsigned char>(name[0])));
}

}  // namespace

FbDatabase::~FbDatabase() {
    try {
        Close();
    } catch (...) {
        // Nothing to report to from a destructor; the client frees the rest.
    }
    for (FbTransaction* transaction : transactions_) transaction->database_ = nullptr;
}

void FbDatabase::setSQLDialect(int dialect) {
    sqlDialect_ = dialect;
    for (std::string& line : Params) {
        const auto parameter = splitParameterLine(line);
        if (parameter && asciiLower(trimBlanks(parameter->name)) == "sql_dialect")
            line = std::string(parameter->name) + "=" + std::to_string(dialect);
    }
}

void useProductLogin(FbDatabase& database) {
    database.Params = {std::string("user_name=") + kProductUser, "sql_dialect=1",
                       std::string("password=") + kProductPassword};
    database.setSQLDialect(1);
}

std::string FbDatabase::target() const {
    return isRemoteName(databaseName_) ? databaseName_ : fileSystem().nativePath(databaseName_);
}

void FbDatabase::Open() {
    if (Connected()) return;
    if (databaseName_.empty()) throw DatabaseError("Nome do banco de dados n\xE3o informado");
    ParameterBlock dpb;
    for (const std::string& line : Params) dpb.add(line);
    const std::string name = target();
    FbStatus status;
    isc_attach_database(status.get(), 0, name.c_str(), &handle_, dpb.size(), dpb.data());
    if (status.failed()) {
        handle_ = 0;
        status.raise();
    }
    ++connectionId_;
}

void FbDatabase::Close() {
    if (!Connected()) return;
    for (FbTransaction* transaction : transactions_)
        if (transaction->Active()) transaction->abandon();
    FbStatus status;
    isc_detach_database(status.get(), &handle_);
    // A connection that broke cannot be detached cleanly; it is gone either way.
    handle_ = 0;
    status.check();
}

void FbDatabase::attach(FbTransaction* transaction) {
    if (std::find(transactions_.begin(), transactions_.end(), transaction) == transactions_.end())
        transactions_.push_back(transaction);
}

void FbDatabase::detach(FbTransaction* transaction) {
    transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), transaction),
                        transactions_.end());
}

void FbDatabase::createDatabase(const std::string& name, const std::string& user,
                                const std::string& password, int dialect, int pageSize) {
    const std::string path = isRemoteName(name) ? name : fileSystem().nativePath(name);
    std::string quotedPath;
    for (char c : path) {
        quotedPath += c;
        if (c == '\'') quotedPath += '\'';
    }
    const std::string sql = "CREATE DATABASE '" + quotedPath + "' USER '" + user + "' PASSWORD '" +
                            password + "' PAGE_SIZE " + std::to_string(pageSize);
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    FbStatus status;
    isc_dsql_execute_immediate(status.get(), &db, &tr, 0, sql.c_str(),
                               static_cast<unsigned short>(dialect), nullptr);
    status.check();
    FbStatus detachStatus;
    isc_detach_database(detachStatus.get(), &db);
    detachStatus.check();
}

}  // namespace velm

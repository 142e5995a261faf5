#include "upgrade/FbStatement.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/AsciiText.h"
#include "upgrade/DatabaseError.h"
#include "upgrade/FbDatabase.h"
#include "upgrade/FbStatus.h"
#include "upgrade/FbTransaction.h"

namespace velm {

namespace {

XSQLDA* asSqlda(std::vector<char>& storage) {
    return reinterpret_cast<XSQLDA*>(storage.data());
}
const XSQLDA* asSqlda(const std::vector<char>& storage) {
    return reinterpret_cast<const XSQLDA*>(storage.data());
}

std::vector<char> makeSqlda(int columns) {
    std::vector<char> storage(XSQLDA_LENGTH(columns < 1 ? 1 : columns), 0);
    XSQLDA* sqlda = asSqlda(storage);
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = static_cast<ISC_SHORT>(columns < 1 ? 1 : columns);
    return storage;
}

// A scaled integer as decimal text ("-12.50" for -1250 with scale -2).
std::string scaledText(std::int64_t value, int scale) {
    const unsigned long long magnitude = value < 0
                                             ? static_cast<unsigned long long>(-(value + 1)) + 1
                                             : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    if (scale > 0) digits.append(static_cast<std::size_t>(scale), '0');
    if (scale < 0) {
        const auto places = static_cast<std::size_t>(-scale);
        if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
        digits.insert(digits.end() - static_cast<std::ptrdiff_t>(places), '.');
    }
    if (value < 0) digits.insert(0, 1, '-');
    return digits;
}

std::string twoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string dateText(const std::tm& t) {
    return std::to_string(t.tm_year + 1900) + "-" + twoDigits(t.tm_mon + 1) + "-" +
           twoDigits(t.tm_mday);
}

std::string timeText(const std::tm& t) {
    return twoDigits(t.tm_hour) + ":" + twoDigits(t.tm_min) + ":" + twoDigits(t.tm_sec);
}

std::int64_t rawInteger(const XSQLVAR& v) {
    switch (v.sqltype & ~1) {
        case SQL_SHORT: {
            ISC_SHORT n;
            std::memcpy(&n, v.sqldata, sizeof n);
            return n;
        }
        case SQL_LONG: {
            ISC_LONG n;
            std::memcpy(&n, v.sqldata, sizeof n);
            return n;
        }
        default: {
            ISC_INT64 n;
            std::memcpy(&n, v.sqldata, sizeof n);
            return n;
        }
    }
}

}  // namespace

FbStatement::FbStatement(FbDatabase& database) : database_(database) {}

FbStatement::~FbStatement() {
    release();
}

bool FbStatement::stale() const {
    return handle_ != 0 && (!database_.Connected() || database_.connectionId() != connectionId_);
}

void FbStatement::release() {
    if (handle_ != 0 && !stale()) {
        FbStatus status;
        isc_dsql_free_statement(status.get(), &handle_, DSQL_drop);
    }
    handle_ = 0;
    cursorOpen_ = false;
    hasRow_ = false;
}

bool FbStatement::cursorOpen() const {
    return cursorOpen_ && !stale() && transaction_->Active() &&
           transaction_->transactionId() == transactionId_;
}

void FbStatement::closeCursor() {
    if (cursorOpen()) {
        FbStatus status;
        isc_dsql_free_statement(status.get(), &handle_, DSQL_close);
        status.check();
    }
    cursorOpen_ = false;
    hasRow_ = false;
}

void FbStatement::prepare(FbTransaction& transaction, const std::string& sql, bool describe) {
    if (stale()) release();
    closeCursor();
    if (!database_.Connected()) throw DatabaseError("Banco de dados n\xE3o conectado");
    if (handle_ == 0) {
        FbStatus status;
        isc_dsql_allocate_statement(status.get(), database_.handle(), &handle_);
        status.check();
        connectionId_ = database_.connectionId();
    }
    sqlda_.clear();
    buffers_.clear();
    indicators_.clear();
    type_ = 0;
    if (describe) sqlda_ = makeSqlda(8);
    FbStatus status;
    isc_dsql_prepare(status.get(), transaction.handle(), &handle_, 0, sql.c_str(),
                     static_cast<unsigned short>(database_.SQLDialect()),
                     describe ? asSqlda(sqlda_) : nullptr);
    status.check();

    const char items[] = {isc_info_sql_stmt_type};
    char info[16] = {};
    FbStatus infoStatus;
    isc_dsql_sql_info(infoStatus.get(), &handle_, sizeof items, items, sizeof info, info);
    infoStatus.check();
    if (info[0] == isc_info_sql_stmt_type) {
        const short length = static_cast<short>(isc_vax_integer(info + 1, 2));
        type_ = static_cast<int>(isc_vax_integer(info + 3, length));
    }
    if (describe) describeOutput();
}

void FbStatement::describeOutput() {
    const int needed = asSqlda(sqlda_)->sqld;
    if (needed > asSqlda(sqlda_)->sqln) {
        sqlda_ = makeSqlda(needed);
        FbStatus status;
        isc_dsql_describe(status.get(), &handle_, 1, asSqlda(sqlda_));
        status.check();
    }
    XSQLDA* sqlda = asSqlda(sqlda_);
    indicators_.assign(static_cast<std::size_t>(sqlda->sqld), 0);
    for (int i = 0; i < sqlda->sqld; ++i) {
        XSQLVAR& v = sqlda->sqlvar[i];
        std::size_t size = static_cast<std::size_t>(v.sqllen);
        if ((v.sqltype & ~1) == SQL_VARYING) size += sizeof(ISC_SHORT);
        buffers_.push_back(std::make_unique<char[]>(size + 8));
        v.sqldata = buffers_.back().get();
        v.sqlind = &indicators_[static_cast<std::size_t>(i)];
        v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);  // always ask for the null indicator
    }
}

void FbStatement::execute(FbTransaction& transaction) {
    if (handle_ == 0 || stale()) throw DatabaseError("Comando n\xE3o preparado");
    closeCursor();
    FbStatus status;
    const auto dialect = static_cast<unsigned short>(database_.SQLDialect());
    const bool singleton =
        type_ == isc_info_sql_stmt_exec_procedure && !sqlda_.empty() && asSqlda(sqlda_)->sqld > 0;
    if (singleton)
        isc_dsql_execute2(status.get(), transaction.handle(), &handle_, dialect, nullptr,
                          asSqlda(sqlda_));
    else
        isc_dsql_execute(status.get(), transaction.handle(), &handle_, dialect, nullptr);
    status.check();
    hasRow_ = singleton;
    transaction_ = &transaction;
    transactionId_ = transaction.transactionId();
    cursorOpen_ = type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd;
}

bool FbStatement::fetch() {
    if (!cursorOpen()) throw DatabaseError("Cursor n\xE3o est\xE1 aberto");
    FbStatus status;
    const ISC_STATUS result =
        isc_dsql_fetch(status.get(), &handle_, static_cast<unsigned short>(database_.SQLDialect()),
                       sqlda_.empty() ? nullptr : asSqlda(sqlda_));
    // Past the last row the buffers keep the last one, as the caller saw it.
    if (result == 100) return false;
    status.check();
    hasRow_ = true;
    return true;
}

int FbStatement::columnCount() const {
    return sqlda_.empty() ? 0 : asSqlda(sqlda_)->sqld;
}

int FbStatement::columnIndex(const std::string& name) const {
    for (int i = 0; i < columnCount(); ++i) {
        const XSQLVAR& v = asSqlda(sqlda_)->sqlvar[i];
        if (sameIgnoringAsciiCase(
                std::string_view(v.aliasname, static_cast<std::size_t>(v.aliasname_length)), name))
            return i;
    }
    return -1;
}

const XSQLVAR& FbStatement::var(int column) const {
    if (column < 0 || column >= columnCount()) throw DatabaseError("Coluna inexistente");
    return asSqlda(sqlda_)->sqlvar[column];
}

bool FbStatement::isNull(int column) const {
    const XSQLVAR& v = var(column);
    // Without a row every column reads as null.
    return !hasRow_ || (v.sqlind && *v.sqlind < 0);
}

std::string FbStatement::asString(int column) const {
    if (isNull(column)) return {};
    const XSQLVAR& v = var(column);
    switch (v.sqltype & ~1) {
        case SQL_TEXT:
            return std::string(v.sqldata, static_cast<std::size_t>(v.sqllen));
        case SQL_VARYING: {
            ISC_SHORT length;
            std::memcpy(&length, v.sqldata, sizeof length);
            return std::string(v.sqldata + sizeof length, static_cast<std::size_t>(length));
        }
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            return scaledText(rawInteger(v), v.sqlscale);
        case SQL_FLOAT: {
            float f;
            std::memcpy(&f, v.sqldata, sizeof f);
            char text[32];
            const auto end = std::to_chars(text, text + sizeof text, f).ptr;
            return std::string(text, end);
        }
        case SQL_DOUBLE:
        case SQL_D_FLOAT: {
            double d;
            std::memcpy(&d, v.sqldata, sizeof d);
            char text[32];
            const auto end = std::to_chars(text, text + sizeof text, d).ptr;
            return std::string(text, end);
        }
        case SQL_TIMESTAMP: {
            std::tm t{};
            isc_decode_timestamp(reinterpret_cast<const ISC_TIMESTAMP*>(v.sqldata), &t);
            return dateText(t) + " " + timeText(t);
        }
        case SQL_TYPE_DATE: {
            std::tm t{};
            isc_decode_sql_date(reinterpret_cast<const ISC_DATE*>(v.sqldata), &t);
            return dateText(t);
        }
        case SQL_TYPE_TIME: {
            std::tm t{};
            isc_decode_sql_time(reinterpret_cast<const ISC_TIME*>(v.sqldata), &t);
            return timeText(t);
        }
        case SQL_BOOLEAN:
            return *v.sqldata ? "True" : "False";
        case SQL_BLOB: {
            ISC_QUAD id;
            std::memcpy(&id, v.sqldata, sizeof id);
            return readBlob(id);
        }
        default:
            throw DatabaseError("Tipo de coluna n\xE3o suportado");
    }
}

std::int64_t FbStatement::asInteger(int column) const {
    if (isNull(column)) return 0;
    const XSQLVAR& v = var(column);
    switch (v.sqltype & ~1) {
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64: {
            std::int64_t n = rawInteger(v);
            for (int s = v.sqlscale; s < 0; ++s) n /= 10;
            for (int s = v.sqlscale; s > 0; --s) n *= 10;
            return n;
        }
        default: {
            std::string text = asString(column);
            const auto first = text.find_first_not_of(' ');
            const auto last = text.find_last_not_of(' ');
            text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
            return integerOrDatabaseError<std::int64_t>(text);
        }
    }
}

std::string FbStatement::readBlob(const ISC_QUAD& id) const {
    FbTransaction* transaction = transaction_;
    if (!transaction || !transaction->Active() || transaction->transactionId() != transactionId_)
        throw DatabaseError("Transa\xE7\xE3o n\xE3o est\xE1 ativa");
    isc_blob_handle blob = 0;
    ISC_QUAD blobId = id;
    FbStatus status;
    isc_open_blob2(status.get(), database_.handle(), transaction->handle(), &blob, &blobId, 0,
                   nullptr);
    status.check();
    std::string content;
    char segment[32768];
    for (;;) {
        unsigned short got = 0;
        FbStatus segmentStatus;
        const ISC_STATUS result =
            isc_get_segment(segmentStatus.get(), &blob, &got, sizeof segment, segment);
        if (result == isc_segstr_eof) break;
        if (result != 0 && result != isc_segment) {
            FbStatus closeStatus;
            isc_close_blob(closeStatus.get(), &blob);
            segmentStatus.raise();
        }
        content.append(segment, got);
    }
    FbStatus closeStatus;
    isc_close_blob(closeStatus.get(), &blob);
    return content;
}

}  // namespace velm

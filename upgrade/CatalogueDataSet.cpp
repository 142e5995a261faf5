#include "upgrade/CatalogueDataSet.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <chrono>

#include "platform/AnsiCodePage.h"
#include "platform/QtAnsi.h"
#include "upgrade/CatalogueDatabase.h"
#include "upgrade/DatabaseError.h"

namespace velm {

namespace {

bool isBinary(const QVariant& value) {
    return value.typeId() == QMetaType::QByteArray;
}

}  // namespace

std::string CatalogueField::AsString() const {
    if (value_.isNull()) return {};
    if (isBinary(value_)) {
        const QByteArray bytes = value_.toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return toAnsi(value_.toString());
}

std::int64_t CatalogueField::AsInteger() const {
    if (value_.isNull()) return 0;
    bool ok = false;
    const qlonglong number = value_.toLongLong(&ok);
    if (!ok) throw DatabaseError("'" + AsString() + "' n\xE3o \xE9 um valor inteiro v\xE1lido");
    return number;
}

std::u16string CatalogueField::AsUtf16() const {
    if (value_.isNull()) return {};
    if (isBinary(value_)) return ansiCodePage().toUtf16(AsString());
    const QString text = value_.toString();
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

CatalogueDataSet::CatalogueDataSet(CatalogueDatabase& database) : database_(&database) {
    database_->attach(this);
}

CatalogueDataSet::~CatalogueDataSet() {
    Close();
    if (database_) database_->detach(this);
}

CatalogueDatabase& CatalogueDataSet::Database() const {
    if (!database_) throw DatabaseError("Consulta sem banco de dados");
    return *database_;
}

const std::string& CatalogueDataSet::DatabaseName() const {
    return Database().DatabaseName;
}

void CatalogueDataSet::Open() {
    Close();
    CatalogueDatabase& database = Database();
    database.Open();
    const auto start = std::chrono::steady_clock::now();
    QSqlError error = run();
    // The connection opens at the window's checks and is used again long
    // after: a server that closed it meanwhile fails the first query at
    // once, which then runs again, once, on a new connection.
    if (error.isValid() &&
        database.closedByServer(error, std::chrono::steady_clock::now() - start) &&
        database.reopenFor(*this))
        error = run();
    if (error.isValid()) throw DatabaseError(toAnsi(error.text()));
    active_ = true;
    current_ = QSqlRecord();
    eof_ = !fetch();
}

// Runs the text on the connection; the error, or an invalid one on success.
QSqlError CatalogueDataSet::run() {
    auto query =
        std::make_unique<QSqlQuery>(QSqlDatabase::database(Database().connectionName(), false));
    query->setForwardOnly(true);
    bool ok = query->prepare(statementText());
    if (ok) {
        for (const QVariant& value : boundValues()) query->addBindValue(value);
        ok = query->exec();
    }
    if (!ok) return query->lastError();
    query_ = std::move(query);
    return {};
}

bool CatalogueDataSet::fetch() {
    if (!query_->next()) {
        if (query_->lastError().isValid()) throw DatabaseError(toAnsi(query_->lastError().text()));
        return false;
    }
    current_ = query_->record();
    return true;
}

void CatalogueDataSet::Next() {
    if (!active_ || eof_) return;
    if (!fetch()) eof_ = true;
}

void CatalogueDataSet::Close() {
    query_.reset();
    current_ = QSqlRecord();
    active_ = false;
    eof_ = true;
}

CatalogueField CatalogueDataSet::FieldByName(const std::string& name) const {
    if (!active_) throw DatabaseError("Consulta fechada: campo " + name);
    // Field names compare without regard to case.
    const int index = query_->record().indexOf(fromAnsi(name));
    if (index < 0) throw DatabaseError("Campo " + name + " n\xE3o encontrado");
    return CatalogueField(current_.isEmpty() ? QVariant() : current_.value(index));
}

}  // namespace velm

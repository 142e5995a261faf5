#include "upgrade/CatalogueSetup.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "platform/QtAnsi.h"
#include "upgrade/CatalogueDatabase.h"
#include "upgrade/DatabaseError.h"

namespace velm {

namespace {

QSqlDatabase connectionOf(CatalogueDatabase& database) {
    database.Open();
    return QSqlDatabase::database(database.connectionName(), false);
}

bool isMysql(const QSqlDatabase& db) {
    return db.driverName() == "QMYSQL";
}

void run(QSqlQuery& query) {
    if (!query.exec()) throw DatabaseError(toAnsi(query.lastError().text()));
}

void run(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.prepare(sql)) throw DatabaseError(toAnsi(query.lastError().text()));
    run(query);
}

}  // namespace

void createCatalogueTables(CatalogueDatabase& database) {
    const QSqlDatabase db = connectionOf(database);
    if (isMysql(db)) {
        run(db,
            "CREATE TABLE scripts ("
            " programa VARCHAR(20) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL,"
            " versao VARCHAR(10) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL,"
            " data DATETIME NULL, texto LONGBLOB NOT NULL,"
            " liberado CHAR(1) NOT NULL DEFAULT 'N', PRIMARY KEY (programa, versao)"
            ") DEFAULT CHARSET=utf8mb4");
        run(db,
            "CREATE TABLE principal (senha_ftp VARCHAR(60) NULL, senha_ftp2 VARCHAR(60) NULL)"
            " DEFAULT CHARSET=utf8mb4");
    } else {
        run(db,
            "CREATE TABLE scripts (programa VARCHAR(20) NOT NULL, versao VARCHAR(10) NOT NULL,"
            " data DATETIME, texto BLOB NOT NULL, liberado CHAR(1) NOT NULL DEFAULT 'N',"
            " PRIMARY KEY (programa, versao))");
        run(db, "CREATE TABLE principal (senha_ftp VARCHAR(60), senha_ftp2 VARCHAR(60))");
    }
}

void addCatalogueScript(CatalogueDatabase& database, const CatalogueScript& script) {
    QSqlQuery query(connectionOf(database));
    query.prepare(
        "INSERT INTO scripts (programa, versao, data, texto, liberado)"
        " VALUES (?, ?, ?, ?, ?)");
    query.addBindValue(fromAnsi(script.programa));
    query.addBindValue(fromAnsi(script.versao));
    query.addBindValue(QDateTime::currentDateTime());
    query.addBindValue(
        QByteArray(script.texto.data(), static_cast<qsizetype>(script.texto.size())));
    query.addBindValue(fromAnsi(script.liberado));
    run(query);
}

void setCatalogueFtpPasswords(CatalogueDatabase& database, const std::string& senhaFtpUtf8,
                              const std::string& senhaFtp2Utf8) {
    const QSqlDatabase db = connectionOf(database);
    run(db, "DELETE FROM principal");
    QSqlQuery query(db);
    query.prepare("INSERT INTO principal (senha_ftp, senha_ftp2) VALUES (?, ?)");
    query.addBindValue(QString::fromStdString(senhaFtpUtf8));
    query.addBindValue(QString::fromStdString(senhaFtp2Utf8));
    run(query);
}

void executeOnCatalogue(CatalogueDatabase& database, const std::string& sql) {
    run(connectionOf(database), fromAnsi(sql));
}

}  // namespace velm

#include "upgrade/DatabaseConnections.h"

#include <exception>

#include "upgrade/CatalogueLogin.h"

namespace velm {

namespace {

template <class Action>
void ignoringErrors(Action action) {
    try {
        action();
    } catch (const std::exception&) {
        // Cleaning up after an error that is reported already.
    }
}

}  // namespace

DatabaseConnections::DatabaseConnections() {
    Database1.AliasName = "Check";
    Database1.DatabaseName = "Sistema_my";
    Database1.LoginPrompt = false;
    Database1.SessionName = "Default";

    Table2.TableName = "scripts";
    Table2.IndexFieldNames = "programa;versao";
    Table2.MasterFields = "programa;versao";
    Table2.MasterSource = &Query2;

    DBMemo1.DataSource = &Table2;
    DBMemo1.DataField = "texto";
    DBMemo1.WordWrap = false;
    DBMemo1.Visible = false;

    setCatalogueLogin();
    useProductLogin(FbDatabase1);
    productDialect_ = FbDatabase1.SQLDialect();
    FbScript1.setTerminator(";");
}

void DatabaseConnections::setCatalogueLogin() {
    // The clear login exists only here, inside the two parameter lines.
    Database1.Params = catalogueLoginParams();
}

void DatabaseConnections::startScript(const std::vector<std::string>& lines) {
    FbScript1.setTerminator(";");
    FbScript1.setAutoDDL(true);
    useProductDialect();
    FbScript1.setScript(lines);
}

void DatabaseConnections::useProductDialect() {
    if (FbDatabase1.SQLDialect() == productDialect_) return;
    const bool connected = FbDatabase1.Connected();
    if (connected) FbDatabase1.Close();
    FbDatabase1.setSQLDialect(productDialect_);
    if (connected) FbDatabase1.Open();
}

void DatabaseConnections::abandonProductWork() {
    ignoringErrors([this] { Table2.Close(); });
    ignoringErrors([this] { Query2.Close(); });
    ignoringErrors([this] { Query3.Close(); });
    ignoringErrors([this] { FbQuery1.Close(); });
    for (FbTransaction* transaction :
         {&FbTransaction1, &FbTransaction2, &FbScript1.DDLTransaction()})
        ignoringErrors([transaction] {
            if (transaction->Active()) transaction->Rollback();
        });
    ignoringErrors([this] { FbDatabase1.Close(); });
}

}  // namespace velm

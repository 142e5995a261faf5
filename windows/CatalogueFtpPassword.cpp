#include "windows/CatalogueFtpPassword.h"

#include "platform/AnsiCodePage.h"
#include "upgrade/Desembaralha.h"
#include "upgrade/uAguarde.h"

namespace velm {

std::string readFtpPassword(Taguarde& aguarde, const std::string& sql, const std::string& column) {
    CatalogueQuery& query = aguarde.connections().Query3;
    query.setSQL(sql);
    query.Open();
    std::u16string scrambled;
    try {
        scrambled = query.FieldByName(column).AsUtf16();
    } catch (...) {
        query.Close();
        throw;
    }
    query.Close();
    return ansiCodePage().fromUtf16(Desembaralha(scrambled));
}

}  // namespace velm

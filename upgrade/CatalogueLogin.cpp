#include "upgrade/CatalogueLogin.h"

#include "platform/AnsiCodePage.h"
#include "upgrade/CatalogueLoginConstants.h"
#include "upgrade/Desembaralha.h"

namespace velm {

std::string storedCatalogueUserName() {
    return VELM_CATALOGUE_USER_SCRAMBLED_TEXT;
}

std::string storedCataloguePassword() {
    return VELM_CATALOGUE_PASSWORD_SCRAMBLED_TEXT;
}

std::vector<std::string> catalogueLoginParams() {
    // The stored values are 16-bit text; their bytes in the ANSI code page
    // are what the descrambler shifts.
    return {"USER NAME=" + DesembaralhaAnsi(utf8ToAnsi(storedCatalogueUserName())),
            "PASSWORD=" + DesembaralhaAnsi(utf8ToAnsi(storedCataloguePassword()))};
}

}  // namespace velm

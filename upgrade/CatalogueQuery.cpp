#include "upgrade/CatalogueQuery.h"

#include "platform/QtAnsi.h"

namespace velm {

QString CatalogueQuery::statementText() const {
    return fromAnsi(sql_);
}

}  // namespace velm

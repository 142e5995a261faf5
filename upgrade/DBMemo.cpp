#include "upgrade/DBMemo.h"

#include "platform/TextLines.h"
#include "upgrade/CatalogueDataSet.h"
#include "upgrade/DatabaseError.h"

namespace velm {

std::vector<std::string> DBMemo::Lines() const {
    if (!DataSource) throw DatabaseError("Memo sem fonte de dados");
    if (!DataSource->Active()) return {};
    return splitTextLines(DataSource->FieldByName(DataField).AsString());
}

}  // namespace velm

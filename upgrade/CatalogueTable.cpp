#include "upgrade/CatalogueTable.h"

#include <vector>

#include "platform/QtAnsi.h"
#include "upgrade/DatabaseError.h"

namespace velm {

namespace {

std::vector<std::string> fieldList(const std::string& names) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start <= names.size()) {
        const auto end = std::min(names.find(';', start), names.size());
        if (end > start) fields.push_back(names.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

}  // namespace

QString CatalogueTable::statementText() const {
    if (TableName.empty()) throw DatabaseError("Tabela sem nome");
    const std::vector<std::string> index = fieldList(IndexFieldNames);
    std::string sql = "SELECT * FROM " + TableName;
    if (MasterSource) {
        const std::size_t linked = fieldList(MasterFields).size();
        if (linked == 0 || linked > index.size())
            throw DatabaseError("Campos de liga\xE7\xE3o inv\xE1lidos na tabela " + TableName);
        for (std::size_t i = 0; i < linked; ++i)
            sql += (i ? " AND " : " WHERE ") + index[i] + " = ?";
    }
    for (std::size_t i = 0; i < index.size(); ++i) sql += (i ? ", " : " ORDER BY ") + index[i];
    return fromAnsi(sql);
}

QVariantList CatalogueTable::boundValues() const {
    QVariantList values;
    if (!MasterSource) return values;
    for (const std::string& field : fieldList(MasterFields))
        values.push_back(MasterSource->FieldByName(field).value());
    return values;
}

}  // namespace velm

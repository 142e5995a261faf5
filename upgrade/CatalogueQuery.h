#pragma once

#include <string>

#include "upgrade/CatalogueDataSet.h"

namespace velm {

// A query on the catalogue: its SQL text (ANSI) is replaced whole before
// each opening.
class CatalogueQuery : public CatalogueDataSet {
public:
    using CatalogueDataSet::CatalogueDataSet;

    const std::string& SQL() const { return sql_; }
    void setSQL(const std::string& sql) { sql_ = sql; }

protected:
    QString statementText() const override;

private:
    std::string sql_;
};

}  // namespace velm

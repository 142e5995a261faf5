#pragma once

#include <string>

#include "upgrade/CatalogueDataSet.h"

namespace velm {

// A catalogue table restricted to the rows that match the master data set's
// current row: the master's `MasterFields` ("a;b") are compared with this
// table's `IndexFieldNames` ("a;b"), pair by pair, and the rows come in that
// index order.
class CatalogueTable : public CatalogueDataSet {
public:
    using CatalogueDataSet::CatalogueDataSet;

    std::string TableName;
    std::string IndexFieldNames;
    std::string MasterFields;
    const CatalogueDataSet* MasterSource = nullptr;

protected:
    QString statementText() const override;
    QVariantList boundValues() const override;
};

}  // namespace velm

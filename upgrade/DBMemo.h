#pragma once

#include <string>
#include <vector>

namespace velm {

class CatalogueDataSet;

// The hidden memo that turns a text column of the current catalogue row
// into lines: the column's bytes read as ANSI text, split at CR LF, CR or LF,
// one entry per stored line (no word wrap).
class DBMemo {
public:
    const CatalogueDataSet* DataSource = nullptr;
    std::string DataField;
    bool WordWrap = false;
    bool Visible = false;

    // The lines of the current row's column (none when no row is current).
    std::vector<std::string> Lines() const;
};

}  // namespace velm

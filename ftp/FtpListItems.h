#pragma once

#include <string>
#include <vector>

#include "ftp/FtpListItem.h"

namespace velm {

// The ordered entries of a listing.
class TFtpListItems {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises FtpError for an index outside 0..Count-1.
    TFtpListItem& Items(int index);
    const TFtpListItem& Items(int index) const;
    TFtpListItem& operator[](int index) { return Items(index); }
    const TFtpListItem& operator[](int index) const { return Items(index); }

    TFtpListItem& Add(TFtpListItem&& item);
    void Clear() { items_.clear(); }
    void Reserve(int count) { items_.reserve(static_cast<std::size_t>(count)); }

    std::vector<TFtpListItem>::const_iterator begin() const { return items_.begin(); }
    std::vector<TFtpListItem>::const_iterator end() const { return items_.end(); }

    std::string DirectoryName;

private:
    std::vector<TFtpListItem> items_;
};

}  // namespace velm

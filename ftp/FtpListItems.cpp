#include "ftp/FtpListItems.h"

#include "ftp/FtpErrors.h"

namespace velm {

TFtpListItem& TFtpListItems::Items(int index) {
    return const_cast<TFtpListItem&>(static_cast<const TFtpListItems&>(*this).Items(index));
}

const TFtpListItem& TFtpListItems::Items(int index) const {
    if (index < 0 || index >= Count())
        throw FtpError("Listing index out of range (" + std::to_string(index) + ").");
    return items_[static_cast<std::size_t>(index)];
}

TFtpListItem& TFtpListItems::Add(TFtpListItem&& item) {
    items_.push_back(std::move(item));
    return items_.back();
}

}  // namespace velm

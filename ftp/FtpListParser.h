#pragma once

#include <string>
#include <vector>

#include "ftp/FtpListItems.h"
#include "platform/DateTime.h"

namespace velm {

// Turns the raw lines of a listing into items. With `details` (LIST) the
// formats are asked in turn, Unix before Windows NT, and the first that
// recognises the listing parses it; a listing none recognises gives no items.
// Without details (NLST) every non-empty line is a name. `now` (local time)
// supplies the years a Unix listing leaves out. Returns the name of the format
// ("Unix", "Windows NT", or "" when none). A Unix entry whose date is invalid
// raises EFtpListingError; the items parsed before it stay in `items`.
std::string parseFtpListing(const std::vector<std::string>& lines, bool details, DateTime now,
                            TFtpListItems& items);

}  // namespace velm

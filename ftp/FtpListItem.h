#pragma once

#include <cstdint>
#include <string>

#include "ftp/FtpTypes.h"
#include "platform/DateTime.h"

namespace velm {

// One entry of a parsed directory listing.
struct TFtpListItem {
    std::string Data;           // the raw listing line
    std::string FileName;       // prefixed with the sub-directory of a banner
    std::string LocalFileName;  // FileName, lower-cased when it has no lower-case letter
    TDirItemType ItemType = ditFile;
    std::int64_t Size = 0;
    bool SizeAvail = true;
    DateTime ModifiedDate{};  // exactly as listed, no time-zone conversion
    bool ModifiedAvail = true;
    std::string PermissionDisplay;  // first ten characters of a Unix permission column

    // Unix details, kept but not used by the update run.
    std::int64_t Inode = 0;
    std::int64_t BlockCount = 0;
    std::int64_t LinkCount = 0;
    std::string OwnerName;
    std::string GroupName;
    std::string OwnerPermissions;
    std::string GroupPermissions;
    std::string OtherPermissions;
    std::string LinkedItemName;
};

}  // namespace velm

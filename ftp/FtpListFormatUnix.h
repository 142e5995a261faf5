#pragma once

#include "ftp/FtpListFormat.h"

namespace velm {

// The Unix long-listing style:
//   -rw-r--r--   1 owner    group        1024 Mar  5 14:07 a.exe
// with optional inode and block columns, listings without group column,
// device numbers, symbolic links and sub-directory banners.
class FtpListFormatUnix : public FtpListFormat {
public:
    const char* name() const override { return "Unix"; }
    bool recognises(const std::vector<std::string>& lines) const override;
    bool parse(const std::vector<std::string>& lines, DateTime now,
               TFtpListItems& items) const override;
};

}  // namespace velm

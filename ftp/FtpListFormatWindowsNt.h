#pragma once

#include "ftp/FtpListFormat.h"

namespace velm {

// The MS-DOS style of Microsoft's FTP service:
//   03-05-24  02:07PM                 1024 a.exe
//   03-05-98  12:30AM       <DIR>          tools
class FtpListFormatWindowsNt : public FtpListFormat {
public:
    const char* name() const override { return "Windows NT"; }
    bool recognises(const std::vector<std::string>& lines) const override;
    bool parse(const std::vector<std::string>& lines, DateTime now,
               TFtpListItems& items) const override;
};

}  // namespace velm

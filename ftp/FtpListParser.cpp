#include "ftp/FtpListParser.h"

#include "ftp/FtpListFormatUnix.h"
#include "ftp/FtpListFormatWindowsNt.h"
#include "ftp/FtpListingRules.h"

namespace velm {

std::string parseFtpListing(const std::vector<std::string>& lines, bool details, DateTime now,
                            TFtpListItems& items) {
    items.Reserve(items.Count() + static_cast<int>(lines.size()));
    if (!details) {
        for (const std::string& line : lines) {
            if (line.empty()) continue;
            TFtpListItem item;
            item.Data = line;
            item.FileName = line;
            item.LocalFileName = localFileName(line);
            item.SizeAvail = false;
            item.ModifiedAvail = false;
            items.Add(std::move(item));
        }
        return {};
    }
    static const FtpListFormatUnix unixFormat;
    static const FtpListFormatWindowsNt windowsNtFormat;
    for (const FtpListFormat* format : {static_cast<const FtpListFormat*>(&unixFormat),
                                        static_cast<const FtpListFormat*>(&windowsNtFormat)}) {
        if (format->recognises(lines)) {
            format->parse(lines, now, items);
            return format->name();
        }
    }
    return {};
}

}  // namespace velm

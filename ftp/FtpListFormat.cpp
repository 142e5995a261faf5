#include "ftp/FtpListFormat.h"

#include "ftp/FtpListingRules.h"

namespace velm {

bool FtpListFormat::parseEntries(
    const std::vector<std::string>& lines, char separator,
    const std::function<bool(const std::string&)>& skipped,
    const std::function<bool(const std::string&, TFtpListItem&)>& entry, TFtpListItems& items) {
    std::string path;
    for (const std::string& line : lines) {
        if (line.empty() || skipped(line)) continue;
        if (isDirectoryBanner(line)) {
            path = line.substr(0, line.size() - 1);
            continue;
        }
        TFtpListItem item;
        item.Data = line;
        if (!entry(line, item)) return false;
        if (!path.empty())
            item.FileName =
                path + (path.back() == separator ? "" : std::string(1, separator)) + item.FileName;
        item.LocalFileName = localFileName(item.FileName);
        items.Add(std::move(item));
    }
    return true;
}

}  // namespace velm

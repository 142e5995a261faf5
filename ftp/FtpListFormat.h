#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ftp/FtpListItems.h"
#include "platform/DateTime.h"

namespace velm {

// One style of directory listing. The parser asks each format in turn whether
// it recognises a listing; the first that does parses it.
class FtpListFormat {
public:
    virtual ~FtpListFormat() = default;
    virtual const char* name() const = 0;
    virtual bool recognises(const std::vector<std::string>& lines) const = 0;
    // Appends the entries to `items`; false when a line is not an entry of
    // this format (the items parsed so far stay). `now` (local time) decides
    // the years that the listing leaves out.
    virtual bool parse(const std::vector<std::string>& lines, DateTime now,
                       TFtpListItems& items) const = 0;

protected:
    // The walk both formats share: empty and `skipped` lines make no item; a
    // directory banner ("sub:") names the folder whose entries follow, joined
    // to their names with `separator`; every other line must be an entry.
    static bool parseEntries(const std::vector<std::string>& lines, char separator,
                             const std::function<bool(const std::string&)>& skipped,
                             const std::function<bool(const std::string&, TFtpListItem&)>& entry,
                             TFtpListItems& items);
};

}  // namespace velm

#include "upgrade/UpgradeSql.h"

namespace velm {

namespace {

// What both catalogue queries select from: the product's released scripts
// above the recorded version, in version order.
std::string pendingScriptsFilter(const std::string& productKey,
                                 const std::string& recordedVersion) {
    return " from scripts where programa='" + quoteDoubled(productKey) + "'" + " and versao>" +
           "'" + quoteDoubled(recordedVersion) + "'" + " and liberado='S' order by versao";
}

}  // namespace

std::string quoteDoubled(const std::string& value) {
    std::string text;
    text.reserve(value.size());
    for (const char c : value) {
        text += c;
        if (c == '\'') text += '\'';
    }
    return text;
}

std::string pendingCountSql(const std::string& productKey, const std::string& recordedVersion) {
    return "select count(*) ct" + pendingScriptsFilter(productKey, recordedVersion);
}

std::string pendingListSql(const std::string& productKey, const std::string& recordedVersion) {
    return "select programa,versao" + pendingScriptsFilter(productKey, recordedVersion);
}

std::string recordVersionSql(const std::string& version) {
    return "update versao set versao='" + quoteDoubled(version) + "'" + ";";
}

}  // namespace velm

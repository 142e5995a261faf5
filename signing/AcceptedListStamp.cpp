#include "signing/AcceptedListStamp.h"

#include <string>

#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"
#include "signing/SignedListError.h"
#include "signing/SmallFile.h"

namespace velm {

namespace {

// One line of digits and its line end; anything longer is not ours.
constexpr std::size_t kMaxStampBytes = 64;

[[noreturn]] void refuse() {
    throw SignedListError(SignedListFailure::BadAcceptedFile,
                          std::string("O arquivo ") + kAcceptedStampFile +
                              " desta pasta, que guarda a data da \xFAltima lista de arquivos "
                              "aceita, est\xE1 danificado. Avise a Quorix Sistemas.");
}

}  // namespace

std::optional<std::uint64_t> readAcceptedTimestamp() {
    FileSystem& files = fileSystem();
    if (files.directoryExists(kAcceptedStampFile)) refuse();
    if (!files.fileExists(kAcceptedStampFile)) return std::nullopt;
    std::optional<std::string> bytes = readSmallFile(kAcceptedStampFile, kMaxStampBytes);
    if (!bytes) refuse();
    std::string& text = *bytes;
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    const std::optional<std::uint64_t> stamp = readDigits<std::uint64_t>(text);
    if (!stamp) refuse();
    return stamp;
}

void writeAcceptedTimestamp(std::uint64_t timestamp) {
    ReplacementFile file(kAcceptedStampFile);
    const std::string line = std::to_string(timestamp) + "\r\n";
    file.write(line.data(), line.size());
    file.replaceDestinationDurably();
}

}  // namespace velm

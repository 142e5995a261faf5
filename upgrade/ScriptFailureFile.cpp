#include "upgrade/ScriptFailureFile.h"

#include <cstdio>
#include <cstring>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/TextLines.h"
#include "platform/WorkingFolder.h"

namespace velm {

namespace {

constexpr std::size_t kMaxWorkingTextInName = 200;

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

bool invalidInFileName(char c) {
    return static_cast<unsigned char>(c) < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

}  // namespace

std::string TrocaCaractere(const std::string& text, const std::string& oldCharacter,
                           char newCharacter) {
    std::string result = text;
    if (oldCharacter.size() != 1) return result;
    for (char& c : result)
        if (c == oldCharacter[0]) c = newCharacter;
    return result;
}

std::string failedScriptFileName(DateTime now, const LocaleFormats& formats,
                                 const std::string& workingText) {
    const DateParts t = decodeDateTime(now);
    const std::string date = twoDigits(t.day) + formats.dateSeparator + twoDigits(t.month) +
                             formats.dateSeparator + std::to_string(t.year);
    const std::string time = twoDigits(t.hour) + formats.timeSeparator + twoDigits(t.minute) +
                             formats.timeSeparator + twoDigits(t.second);
    std::string name = "SCRIPT_ERRO_DT_" + TrocaCaractere(date, "/", '-') + "_HR_" +
                       TrocaCaractere(time, ":", '-') + " " +
                       workingText.substr(0, kMaxWorkingTextInName) + ".TXT";
    for (char& c : name)
        if (invalidInFileName(c)) c = '_';
    return name;
}

std::string firstSavedScriptFile(const NameListing& listFiles) {
    std::vector<std::string> names;
    listFiles(kSavedScriptFilePattern, names);
    return names.empty() ? std::string() : names.front();
}

std::vector<std::string> errorCommentLines(const std::string& message) {
    std::vector<std::string> lines = {"/* ERRO: ", " "};
    const std::vector<std::string> messageLines = splitTextLines(message);
    if (messageLines.empty())
        lines.emplace_back();
    else
        lines.insert(lines.end(), messageLines.begin(), messageLines.end());
    lines.insert(lines.end(), {" ", ".....  */", " "});
    return lines;
}

std::string failedCommitMessage(const std::optional<std::string>& scriptError,
                                const std::string& commitError) {
    std::string message = scriptError ? *scriptError + "\r\n \r\n" : std::string();
    message += joinTextLines(kCommitFailedLines);
    return message + commitError;
}

void checkFolderTakesFailureFile() {
    try {
        const std::string probe = fileSystem().createTemporaryFile("", "~vs");
        fileSystem().deleteFile(probe);
    } catch (const FileError& error) {
        const std::string reason = error.code() ? systemErrorMessage(error.code()) : error.what();
        throw Error("A pasta " + workingFolder() + " n\xE3o aceita arquivos novos: " + reason +
                    "\r\n\r\nNenhum script foi executado: sem essa grava\xE7\xE3o, um script "
                    "que falhasse n\xE3o ficaria registrado. Libere a grava\xE7\xE3o na pasta e "
                    "avise a Quorix Sistemas");
    }
}

std::string unsavedScriptText(const std::string& fileError, const std::string& message) {
    return "ERRO DE SCRIPT: o script que falhou n\xE3o p\xF4"
           "de ser salvo (" +
           fileError +
           "). Avise a Quorix Sistemas antes de atualizar de novo.\r\n\r\nErro do script:\r\n" +
           message;
}

}  // namespace velm

#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Locale.h"

namespace velm {

// The saved failed-script file: its name in the working folder and the
// comment block that heads the script inside it.

// The text with every character equal to `oldCharacter` (a one-character
// string; any other string matches nothing) replaced by `newCharacter`.
std::string TrocaCaractere(const std::string& text, const std::string& oldCharacter,
                           char newCharacter);

// "SCRIPT_ERRO_DT_" + the date (dd/mm/yyyy with the user's date separator,
// "/" turned into "-") + "_HR_" + the time (hh:mm:ss, 24 hours, with the
// user's time separator, ":" turned into "-") + " " + the working-list text
// + ".TXT". The name is made safe for the working folder: every character a
// Windows file name cannot hold (control characters, \ / : * ? " < > |), as
// a path entry's drive colon and separators, becomes "_", and the
// working-list text is cut to its first 200 characters so that the name
// stays within the system's limit.
std::string failedScriptFileName(DateTime now, const LocaleFormats& formats,
                                 const std::string& workingText);

// Finding the saved files: every name in the working folder that begins
// "SCRIPT_ERRO", with or without an extension, folders too. While one lies
// there every start is refused; the notice names the one that sorts first.
inline constexpr char kSavedScriptFilePattern[] = "SCRIPT_ERRO*.*";

// Appends the names matching a pattern to a list, then sorts the list (the
// gate's ListFiles, which sorts by the user's locale).
using NameListing =
    std::function<void(const std::string& pattern, std::vector<std::string>& names)>;

// Before any script runs: makes sure the working folder takes a new file
// (one is created and removed), since a failed script's file is what stops
// the next start from applying later scripts over it. Raises velm::Error
// with the operator's text (the folder, the system's reason) otherwise.
void checkFolderTakesFailureFile();

// The saved file that `listFiles` sorts first; "" when none lies in the
// working folder.
std::string firstSavedScriptFile(const NameListing& listFiles);

// The lines put above the script: "/* ERRO: ", " ", the error message (one
// line per line of a message of several lines; an empty line for an empty
// message), " ", ".....  */", " ".
std::vector<std::string> errorCommentLines(const std::string& message);

// The error message of a script whose commit failed, so that whoever reads
// the saved file knows that what the script left pending was undone: the
// script's error (when it failed), a line holding a space, then
// kCommitFailedLines and the commit's error.
std::string failedCommitMessage(const std::optional<std::string>& scriptError,
                                const std::string& commitError);
inline const std::vector<std::string> kCommitFailedLines = {
    "O COMMIT FALHOU: AS ALTERA\xC7\xD5"
    "ES PENDENTES DO SCRIPT FORAM DESFEITAS",
    "(S\xD3 FICAM OS COMANDOS DE ESQUEMA, GRAVADOS AO EXECUTAR). ERRO DO COMMIT:"};

// The error box's text when the failed script could not be saved (the file
// error names the file): the operator may be the only one left to learn of
// the failure.
std::string unsavedScriptText(const std::string& fileError, const std::string& message);

}  // namespace velm

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velm {

// Where the update run finds its FTP server: the optional atualiza.cfg in the
// working folder, or the built-in defaults.
struct UpdateSettings {
    std::string Host;
    std::uint16_t Port = 21;
    bool Passive = true;
    // A fourth line selects the second password column of the catalogue.
    bool SecondPassword = false;

    friend bool operator==(const UpdateSettings&, const UpdateSettings&) = default;
};

// The maker's update server, used when there is no atualiza.cfg.
inline constexpr const char* kDefaultUpdateHost = "atualiza.quorixsistemas.com.br";
inline constexpr const char* kUpdateSettingsFile = "atualiza.cfg";
// The login user and the product's directory on the server.
inline constexpr const char* kUpdateUser = "ftpuser";
inline constexpr const char* kProductDirectory = "quorixsenha";

// The settings from the file's lines, each taken whole (no trimming); lines
// past the end read as empty. Line 2 must be a decimal integer (its low 16
// bits are the port), otherwise Error with the conversion's message.
UpdateSettings parseUpdateSettings(const std::vector<std::string>& lines);

// atualiza.cfg read from the working folder when it exists (FileError when it
// cannot be read), else the defaults.
UpdateSettings readUpdateSettings();

// The integer conversion of a settings line: optional blanks before an
// optional sign and decimal digits, within the signed 32-bit range.
// Raises Error("'x' não é um valor inteiro válido") otherwise.
std::int32_t settingsInteger(const std::string& line);

// The catalogue column holding the scrambled FTP password, and the query
// that reads it.
std::string ftpPasswordColumn(const UpdateSettings& settings);
std::string ftpPasswordQuery(const UpdateSettings& settings);

}  // namespace velm

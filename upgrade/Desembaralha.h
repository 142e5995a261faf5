#pragma once

#include <string>

namespace velm {

// Stored secrets (the catalogue login and the FTP passwords) are kept
// scrambled: the first character is a one-digit key k, every later character
// is the clear one shifted up by 3*k. These undo the shift; a key character
// that is not a digit means k = 0. Neither ever fails.

// 16-bit variant: works on UTF-16 code units, wrapping modulo 65536.
std::u16string Desembaralha(const std::u16string& scrambled);

// 8-bit variant: works on the bytes of the ANSI text, wrapping modulo 256.
std::string DesembaralhaAnsi(const std::string& scrambled);

}  // namespace velm

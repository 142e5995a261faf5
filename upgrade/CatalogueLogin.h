#pragma once

#include <string>
#include <vector>

namespace velm {

// The scrambled catalogue login compiled into the program (UTF-8 text of
// 11 and 19 characters, key character first), set at build time.
std::string storedCatalogueUserName();
std::string storedCataloguePassword();

// The catalogue connection's parameter lines, in this order:
// "USER NAME=" + user and "PASSWORD=" + password, both descrambled from the
// stored values through the ANSI code page (ANSI text).
std::vector<std::string> catalogueLoginParams();

}  // namespace velm

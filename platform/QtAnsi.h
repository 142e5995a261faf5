#pragma once

#include <QString>
#include <string>

namespace velm {

// Text crosses between the core (ANSI bytes in the system code page) and Qt
// (UTF-16) only through these two functions.
QString fromAnsi(const std::string& ansi);
std::string toAnsi(const QString& text);

}  // namespace velm

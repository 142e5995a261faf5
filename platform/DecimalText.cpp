#include "platform/DecimalText.h"

namespace velm {

bool isAsciiDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!isAsciiDigit(c)) return false;
    return true;
}

}  // namespace velm

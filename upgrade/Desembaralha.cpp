#include "upgrade/Desembaralha.h"

#include <type_traits>

namespace velm {

namespace {

template <class Text>
Text descramble(const Text& scrambled) {
    using Unit = std::make_unsigned_t<typename Text::value_type>;
    if (scrambled.empty()) return {};
    const auto key = static_cast<Unit>(scrambled[0]);
    const unsigned k = (key >= '0' && key <= '9') ? key - '0' : 0;
    Text clear;
    clear.reserve(scrambled.size() - 1);
    for (std::size_t i = 1; i < scrambled.size(); ++i) {
        // Unsigned arithmetic in the unit's width gives the wrap-around.
        const auto unit = static_cast<Unit>(static_cast<Unit>(scrambled[i]) - 3 * k);
        clear.push_back(static_cast<typename Text::value_type>(unit));
    }
    return clear;
}

}  // namespace

std::u16string Desembaralha(const std::u16string& scrambled) {
    return descramble(scrambled);
}

std::string DesembaralhaAnsi(const std::string& scrambled) {
    return descramble(scrambled);
}

}  // namespace velm

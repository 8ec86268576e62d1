#include "render/ramp.hpp"

#include <cstddef>

namespace charplay {

const char s[88] =
    " .,-'`:!1+*abcdefghijklmnopqrstuvwxyz<>()/{}[]?234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ%&@#$";

namespace {

// 69, not 86: the brightest grey lands on 'N', and the characters after it
// are never used.
constexpr int ramp_index(int g)
{
    return (g * 69) / 255;
}

std::array<char, 256> make_ramp_table()
{
    std::array<char, 256> table{};
    for (std::size_t g = 0; g < table.size(); ++g)
        table[g] = s[ramp_index(static_cast<int>(g))];
    return table;
}

} // namespace

char ramp_char(unsigned char g)
{
    return s[ramp_index(g)];
}

const std::array<char, 256> ramp_table = make_ramp_table();

} // namespace charplay

#include "render/ramp.hpp"

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
    for (int g = 0; g < 256; ++g)
        table[g] = s[ramp_index(g)];
    return table;
}

} // namespace

char ramp_char(unsigned char g)
{
    return s[ramp_index(g)];
}

const std::array<char, 256> ramp_table = make_ramp_table();

#pragma once

#include <array>

namespace charplay {

// Characters from dark to bright, NUL-terminated; only the first 70 are ever
// picked (see ramp_char).
extern const char s[88];

// The character for one grey value: s[(g * 69) / 255].
char ramp_char(unsigned char g);

// ramp_char for every grey value, so the per-pixel loop is a single lookup.
extern const std::array<char, 256> ramp_table;

} // namespace charplay

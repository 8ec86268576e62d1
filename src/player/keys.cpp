#include "player/keys.hpp"

namespace charplay {

void apply_key(int b, int& c)
{
    if (b == key_freeze)
        c = 1;
    else if (b == key_resume)
        c = 0;
}

bool ends_playback(int b)
{
    return b == key_escape;
}

} // namespace charplay

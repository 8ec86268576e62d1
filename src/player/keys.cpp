#include "player/keys.hpp"

#include "player/pacing.hpp"

#include <opencv2/highgui.hpp>

namespace charplay {

namespace {

int library_key_wait(int ms)
{
    return cv::waitKey(ms);
}

int no_key(int)
{
    return -1;
}

} // namespace

int wait_for_key(int ms, bool window)
{
    return wait_in_slices(ms, window ? library_key_wait : no_key);
}

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

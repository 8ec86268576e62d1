#include "player/play.hpp"

#include "platform/console.hpp"
#include "platform/display.hpp"
#include "platform/stop.hpp"
#include "player/keys.hpp"
#include "player/pacing.hpp"
#include "player/preview.hpp"
#include "render/render.hpp"

#include <string>

namespace charplay {

void play(cv::VideoCapture& capture, int frame_width, int frame_hight, double fps)
{
    cv::Mat video, video1, video2;
    std::string out;
    int a = reduction_divisor(frame_hight);
    const int wait = frame_wait(fps);
    // Without a display the library would abort on the first window; the
    // console alone plays on, paced the same.
    const bool window = display_available();
    int c = 0;

    // A failed read leaves video empty: the end of the source, or as good as.
    while (!stop_requested() && (capture.read(video), !video.empty())) {
        if (frame_width <= 0 || frame_hight <= 0) {
            frame_width = video.cols;
            frame_hight = video.rows;
            a = reduction_divisor(frame_hight);
        }
        render_frame(video, a, frame_width, video1, video2, out);
        console_write_frame(out);
        if (stop_requested())
            break;
        console_home();
        const int b = wait_for_key(wait, window);
        apply_key(b, c);
        if (window)
            show_preview(video, c);
        if (ends_playback(b))
            break;
    }

    capture.release();
    console_clear();
}

} // namespace charplay

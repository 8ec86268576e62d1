#include "player/play.hpp"

#include "console/console.hpp"
#include "player/pacing.hpp"
#include "player/preview.hpp"
#include "render/render.hpp"

#include <opencv2/core/utility.hpp>
#include <string>

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
    // A frame's grey conversion and reduction take well under a millisecond;
    // handed to the library's worker threads, they would cost more CPU in the
    // workers' spinning afterwards than they save. The decoder keeps its own.
    cv::setNumThreads(1);
    console_catch_signals();

    // A failed read leaves video empty: the end of the source, or as good as.
    while (!console_stop_requested() && (capture.read(video), !video.empty())) {
        if (frame_width <= 0 || frame_hight <= 0) {
            frame_width = video.cols;
            frame_hight = video.rows;
            a = reduction_divisor(frame_hight);
        }
        render_frame(video, a, frame_width, video1, video2, out);
        console_write_frame(out);
        if (console_stop_requested())
            break;
        console_home();
        const int b = window ? wait_for_key(wait) : wait_without_window(wait);
        apply_key(b, c);
        if (window)
            show_preview(video, c);
        if (b == key_escape)
            break;
    }

    capture.release();
    console_clear();
}

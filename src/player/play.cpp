#include "player/play.hpp"

#include "console/console.hpp"
#include "player/pacing.hpp"
#include "render/render.hpp"

#include <string>

void play(cv::VideoCapture& capture, int frame_width, int frame_hight, double fps)
{
    cv::Mat video, video1, video2;
    std::string out;
    int a = reduction_divisor(frame_hight);
    const int wait = frame_wait(fps);

    // A failed read leaves video empty: the end of the source, or as good as.
    while (capture.read(video), !video.empty()) {
        if (frame_width <= 0 || frame_hight <= 0) {
            frame_width = video.cols;
            frame_hight = video.rows;
            a = reduction_divisor(frame_hight);
        }
        render_frame(video, a, frame_width, video1, video2, out);
        console_write_frame(out);
        console_home();
        wait_for_key(wait);
    }

    capture.release();
    console_clear();
}

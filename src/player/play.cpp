#include "player/play.hpp"

#include "platform/console.hpp"
#include "platform/stop.hpp"
#include "player/keys.hpp"
#include "player/outcome.hpp"
#include "player/pacing.hpp"
#include "player/preview.hpp"
#include "render/render.hpp"

#include <exception>
#include <new>
#include <string>

namespace charplay {

namespace {

bool out_of_memory(const std::exception& e)
{
    const auto* library = dynamic_cast<const cv::Exception*>(&e);
    return dynamic_cast<const std::bad_alloc*>(&e) ||
           (library && library->code == cv::Error::StsNoMem);
}

// Leaves video empty at the end of the source. A frame the library cannot
// deliver (it throws on some damaged files) ends playback the same way:
// the file has played as far as it could be decoded. Memory that ran out
// is no end of the file, and goes on to the caller.
void read_frame(cv::VideoCapture& capture, cv::Mat& video)
{
    library_wait_begins();
    try {
        capture.read(video);
    } catch (const std::exception& e) {
        video.release();
        if (out_of_memory(e)) {
            library_wait_ends();
            throw;
        }
    }
    library_wait_ends();
}

} // namespace

void play(cv::VideoCapture& capture, int& frame_width, int& frame_hight, double fps)
{
    cv::Mat video, video1, video2;
    row_check check;
    std::string out;
    int a = reduction_divisor(frame_hight);
    const int wait = frame_wait(fps);
    // Without a display, or a toolkit to draw with, the console alone plays
    // on, paced the same.
    bool window = preview_possible();
    int c = 0;

    while (!stop_requested() && (read_frame(capture, video), !video.empty())) {
        if (frame_width <= 0 || frame_hight <= 0) {
            frame_width = video.cols;
            frame_hight = video.rows;
            a = reduction_divisor(frame_hight);
        }
        render_frame(video, a, frame_width, video1, video2, check, out);
        console_write_frame(out);
        if (stop_requested())
            break;
        console_home();
        const int b = preview_wait_key(wait, window);
        apply_key(b, c);
        preview_show(video, c, window);
        if (ends_playback(b))
            break;
    }

    capture.release();
    console_clear();
}

} // namespace charplay

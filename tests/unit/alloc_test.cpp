// Counts heap allocations through operator new while frames are rendered and
// played: once the first frame is out, there must be none per frame.

#include "player/library.hpp"
#include "player/play.hpp"
#include "render/render.hpp"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <new>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <unistd.h>

using namespace charplay;

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t n)
{
    ++allocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Plays a fixture made by the end-to-end tests, its frames going to
// /dev/null, and returns how many allocations that took.
long allocations_to_play(const std::string& name)
{
    const char* fixtures = std::getenv("FIXTURES");
    if (!fixtures)
        return -1;
    cv::VideoCapture capture(std::string(fixtures) + "/" + name);
    if (!capture.isOpened())
        return -1;
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    int frame_width = 320, frame_hight = 180;
    const long before = allocations;
    play(capture, frame_width, frame_hight, 1000);
    const long taken = allocations - before;
    dup2(saved, STDOUT_FILENO);
    close(null);
    close(saved);
    return taken;
}

// Renders video 200 times into the same buffers, after a first render that
// sizes them, on one thread as charplay runs the library (worker threads
// starting up would allocate on their own time); returns how many
// allocations the 200 took.
long allocations_to_render(const cv::Mat& video, int a)
{
    use_one_thread();
    cv::Mat video1, video2;
    row_check check;
    std::string out;
    render_frame(video, a, video.cols, video1, video2, check, out);
    const uchar* grey = video1.data;
    const uchar* reduced = video2.data;
    const char* text = out.data();
    const long before = allocations;
    for (int i = 0; i < 200; ++i)
        render_frame(video, a, video.cols, video1, video2, check, out);
    const long taken = allocations - before;
    // cv::Mat allocates with malloc, which the count does not see: the
    // buffers themselves must stay where they are.
    EXPECT_EQ(video1.data, grey);
    EXPECT_EQ(video2.data, reduced);
    EXPECT_EQ(out.data(), text);
    return taken;
}

} // namespace

TEST(Allocations, NoneOfOurOwnWhileRendering)
{
    // OpenCV's linear resize takes two scratch buffers from the heap on each
    // call when it reduces by more than 2; that is the library's, and the
    // rest of render_frame must add nothing to it.
    use_one_thread();
    const cv::Mat video(1080, 1920, CV_8UC3, cv::Scalar(30, 120, 200));
    cv::Mat grey, reduced;
    cv::cvtColor(video, grey, cv::COLOR_BGR2GRAY);
    cv::resize(grey, reduced, cv::Size(), 1.0 / 12, 1.0 / 12, cv::INTER_LINEAR);
    const long before = allocations;
    for (int i = 0; i < 200; ++i) {
        cv::cvtColor(video, grey, cv::COLOR_BGR2GRAY);
        cv::resize(grey, reduced, cv::Size(), 1.0 / 12, 1.0 / 12, cv::INTER_LINEAR);
    }
    const long library = allocations - before;
    EXPECT_EQ(allocations_to_render(video, 12), library);
}

TEST(Allocations, NoneAtAllWhenTheLibraryTakesNone)
{
    // Reducing by 2 takes OpenCV's own allocation-free path.
    EXPECT_EQ(allocations_to_render(cv::Mat(180, 320, CV_8UC3, cv::Scalar(30, 120, 200)), 2), 0);
}

TEST(Allocations, NonePerPassOfThePlaybackLoop)
{
    // Both clips are 320 x 180; one has 20 frames, the other 60. Whatever
    // playing allocates, it must not grow with the number of frames.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    use_one_thread();
    // A first play takes what the library sets up once for the process.
    allocations_to_play("alloc_20.mkv");
    const long short_clip = allocations_to_play("alloc_20.mkv");
    const long long_clip = allocations_to_play("alloc_60.mkv");
    ASSERT_GE(short_clip, 0) << "fixtures missing; set FIXTURES";
    EXPECT_EQ(long_clip, short_clip);
}

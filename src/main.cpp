// charplay: plays a video as character art in the console.

#include "platform/console.hpp"
#include "platform/last_words.hpp"
#include "platform/stop.hpp"
#include "player/fit.hpp"
#include "player/library.hpp"
#include "player/outcome.hpp"
#include "player/play.hpp"
#include "render/render.hpp"

#include <climits>
#include <cmath>
#include <exception>
#include <iostream>
#include <new>
#include <string>

using namespace charplay;

namespace {

// The command-line arguments after the program name, joined by single
// spaces: a path with spaces that the shell split comes back whole.
std::string join_arguments(int argc, char** argv)
{
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            joined += ' ';
        joined += argv[i];
    }
    return joined;
}

// The typed token first, then the arguments: whichever opens is played.
bool select_source(int argc, char** argv, cv::VideoCapture& capture, std::string& dizhi)
{
    dizhi.clear();
    std::cin >> dizhi;
    // An empty token cannot open, and asking every back-end (cameras
    // included) to try costs a good part of a second.
    if (!dizhi.empty() && open_source(capture, dizhi))
        return true;
    dizhi = join_arguments(argc, argv);
    return open_source(capture, dizhi);
}

// A reported size the library could not know comes back as 0, NaN or
// nonsense; 0 marks it unknown.
int frame_size(const cv::VideoCapture& capture, int property)
{
    const double value = capture.get(property);
    return std::isfinite(value) && value >= 1 && value <= INT_MAX ? static_cast<int>(value) : 0;
}

int run(int argc, char** argv)
{
    keep_standard_streams_open();
    quiet_library();
    keep_library_words();
    console_set_title();

    cv::VideoCapture capture;
    std::string dizhi;
    if (!select_source(argc, argv, capture, dizhi)) {
        console_report_open_failure();
        say_library_words();
        return -1;
    }

    console_set_font();
    int frame_width = frame_size(capture, cv::CAP_PROP_FRAME_WIDTH);
    int frame_hight = frame_size(capture, cv::CAP_PROP_FRAME_HEIGHT);
    const double fps = capture.get(cv::CAP_PROP_FPS);
    use_one_thread();
    catch_stop_signals();
    play(capture, frame_width, frame_hight, fps);
    hint_if_console_too_small(frame_columns(frame_width, reduction_divisor(frame_hight)));
    report_output_failure();
    say_library_words();
    end_as_stopped();
    return exit_status();
}

// The library's messages run over several lines; one is enough here.
std::string one_line(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    const size_t end = text.find_last_not_of(' ');
    return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        // Leave the console as playback's end would, and say why once. Before
        // the first frame there is nothing of ours to clear, and clearing
        // would take the user's screen for nothing.
        if (console_frame_written())
            console_clear();
        const bool no_memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
        std::cerr << "charplay: " << (no_memory ? "out of memory" : one_line(e.what()))
                  << std::endl;
        say_library_words();
        return 1;
    }
}

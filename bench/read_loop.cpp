// The floor charplay is measured against: open a video and read every frame
// (decoding and conversion to BGR), nothing else. With --paced it also
// sleeps between frames as charplay does, which shows what pacing alone
// costs the decoder.

#include "player/pacing.hpp"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <opencv2/videoio.hpp>
#include <thread>

int main(int argc, char** argv)
{
    const bool paced = argc == 3 && std::strcmp(argv[1], "--paced") == 0;
    if (argc != 2 && !paced) {
        std::fprintf(stderr, "usage: read_loop [--paced] VIDEO\n");
        return 2;
    }
    cv::VideoCapture capture(argv[argc - 1], cv::CAP_FFMPEG);
    if (!capture.isOpened())
        return 1;
    const auto wait = std::chrono::milliseconds(charplay::frame_wait(capture.get(cv::CAP_PROP_FPS)));
    cv::Mat video;
    long frames = 0;
    while (capture.read(video)) {
        ++frames;
        if (paced)
            std::this_thread::sleep_for(wait);
    }
    std::printf("%ld frames\n", frames);
    return 0;
}

// The floor charplay is measured against: open a video and read every frame
// (decoding and conversion to BGR), nothing else.

#include <cstdio>
#include <opencv2/videoio.hpp>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_loop VIDEO\n");
        return 2;
    }
    cv::VideoCapture capture(argv[1], cv::CAP_FFMPEG);
    if (!capture.isOpened())
        return 1;
    cv::Mat video;
    long frames = 0;
    while (capture.read(video))
        ++frames;
    std::printf("%ld frames\n", frames);
    return 0;
}

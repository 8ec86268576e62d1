#include "player/preview.hpp"

#include <opencv2/highgui.hpp>

namespace charplay {

bool open_preview()
{
    try {
        cv::namedWindow("video");
        return true;
    } catch (const cv::Exception&) {
        return false;
    }
}

void show_preview(const cv::Mat& video, int c)
{
    if (c == 0)
        cv::imshow("video", video);
}

} // namespace charplay

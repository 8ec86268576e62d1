#include "player/preview.hpp"

#include <opencv2/highgui.hpp>

namespace charplay {

void show_preview(const cv::Mat& video, int c)
{
    if (c == 0)
        cv::imshow("video", video);
}

} // namespace charplay

#include "player/preview.hpp"

#include <opencv2/highgui.hpp>

void apply_key(int b, int& c)
{
    if (b == key_freeze)
        c = 1;
    else if (b == key_resume)
        c = 0;
}

void show_preview(const cv::Mat& video, int c)
{
    if (c == 0)
        cv::imshow("video", video);
}

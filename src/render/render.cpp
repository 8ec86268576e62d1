#include "render/render.hpp"

#include "render/ramp.hpp"

#include <algorithm>
#include <cstring>
#include <opencv2/imgproc.hpp>

namespace charplay {

int reduction_divisor(int frame_hight)
{
    return std::max(1, frame_hight / 90);
}

cv::Size reduced_size(cv::Size frame, int a)
{
    // The library rounds size * factor with saturate_cast; a 0 it would
    // refuse, so a sliver of a frame keeps one column or row.
    const double f = 1.0 / a;
    return {std::max(1, cv::saturate_cast<int>(frame.width * f)),
            std::max(1, cv::saturate_cast<int>(frame.height * f))};
}

int frame_columns(int frame_width, int a)
{
    return frame_width > 0 ? reduced_size({frame_width, 1}, a).width : 0;
}

namespace {

void to_grey(const cv::Mat& video, cv::Mat& video1)
{
    if (video.channels() == 3)
        cv::cvtColor(video, video1, cv::COLOR_BGR2GRAY);
    else if (video.channels() == 4)
        cv::cvtColor(video, video1, cv::COLOR_BGRA2GRAY);
    else
        video.copyTo(video1);
}

void reduce(const cv::Mat& video1, int a, cv::Mat& video2)
{
    const double f = 1.0 / a;
    const cv::Size size = reduced_size(video1.size(), a);
    // Let the library derive the size from the factor, as it would for any
    // frame it can reduce; only a frame too thin for that gets it spelled out.
    const bool derived = cv::saturate_cast<int>(video1.cols * f) > 0 &&
                         cv::saturate_cast<int>(video1.rows * f) > 0;
    cv::resize(video1, video2, derived ? cv::Size() : size, f, f, cv::INTER_LINEAR);
}

} // namespace

void frame_text(const cv::Mat& video2, int width, std::string& out)
{
    // Every byte is written below, so a text of the same size as the last
    // is neither cleared nor filled first.
    out.resize(static_cast<size_t>(frame_rows) * static_cast<size_t>(width + 1));
    char* o = out.data();
    for (int i = 0; i < frame_rows; ++i) {
        const int shown = i < video2.rows ? std::min(width, video2.cols) : 0;
        const unsigned char* p = shown ? video2.ptr<unsigned char>(i) : nullptr;
        for (int j = 0; j < shown; ++j)
            o[j] = ramp_table[p[j]];
        std::memset(o + shown, ' ', static_cast<size_t>(width - shown));
        o[width] = '\n';
        o += width + 1;
    }
}

void render_frame(const cv::Mat& video, int a, int frame_width,
                  cv::Mat& video1, cv::Mat& video2, std::string& out)
{
    to_grey(video, video1);
    reduce(video1, a, video2);
    // The line width follows the reported size, not the decoded one, so a
    // frame of another size still covers the whole of the one before it.
    frame_text(video2, frame_columns(frame_width, a), out);
}

} // namespace charplay

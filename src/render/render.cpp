#include "render/render.hpp"

#include "render/ramp.hpp"
#include "render/rows.hpp"

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

// Whether the library can derive the reduced size from the factor 1 / a;
// it refuses a size of 0, so only a frame too thin for that is given one.
bool size_derived(cv::Size frame, int a)
{
    const double f = 1.0 / a;
    return cv::saturate_cast<int>(frame.width * f) > 0 &&
           cv::saturate_cast<int>(frame.height * f) > 0;
}

// The source rows per reduced row, as the library's resize works it out.
double vertical_scale(cv::Size frame, int a)
{
    const double inverse = size_derived(frame, a)
                               ? 1.0 / a
                               : static_cast<double>(reduced_size(frame, a).height) / frame.height;
    return 1.0 / inverse;
}

void to_grey_rows(const cv::Mat& video, int first, int end, cv::Mat& video1)
{
    const cv::Mat from = video.rowRange(first, end);
    cv::Mat to = video1.rowRange(first, end);
    if (video.channels() == 3)
        cv::cvtColor(from, to, cv::COLOR_BGR2GRAY);
    else if (video.channels() == 4)
        cv::cvtColor(from, to, cv::COLOR_BGRA2GRAY);
    else
        from.copyTo(to);
}

// Turns grey only the rows that the reduction reads, as prediction says;
// the others keep whatever they held.
void to_grey_predicted(const cv::Mat& video, int a, row_prediction prediction, cv::Mat& video1)
{
    video1.create(video.size(), CV_8UC1);
    const double scale = vertical_scale(video.size(), a);
    const int last = video.rows - 1;
    const int rows = reduced_size(video.size(), a).height;
    int first = 0, end = 0; // the run of rows not yet converted
    for (int dy = 0; dy < rows; ++dy) {
        const int sy = prediction(dy, scale);
        const int top = std::clamp(sy, 0, last), bottom = std::clamp(sy + 1, 0, last);
        if (top > end) {
            if (end > first)
                to_grey_rows(video, first, end, video1);
            first = top;
        }
        end = std::max(end, bottom + 1);
    }
    if (end > first)
        to_grey_rows(video, first, end, video1);
}

void reduce(const cv::Mat& video1, int a, cv::Mat& video2)
{
    const double f = 1.0 / a;
    const bool derived = size_derived(video1.size(), a);
    cv::resize(video1, video2, derived ? cv::Size() : reduced_size(video1.size(), a), f, f,
               cv::INTER_LINEAR);
}

// Turns every row grey: where the prediction does not hold.
void to_grey_whole(const cv::Mat& video, cv::Mat& video1)
{
    video1.create(video.size(), CV_8UC1);
    to_grey_rows(video, 0, video.rows, video1);
}

} // namespace

// Linear reduction reads the two rows around (dy + 0.5) * scale - 0.5 for
// reduced row dy, computed in float as the library does. A copy (a = 1) and
// halving, which the library does by area, read rows dy and dy + 1, or
// 2 dy and 2 dy + 1: the same rows.
int predicted_row(int dy, double scale)
{
    return cvFloor(static_cast<float>((dy + 0.5) * scale - 0.5));
}

bool row_prediction_holds(const cv::Mat& video, int a, row_prediction prediction,
                          cv::Mat& grey, cv::Mat& whole, cv::Mat& reduced)
{
    to_grey_whole(video, grey);
    reduce(grey, a, whole);
    for (const int left_out : {0, 255}) {
        grey.setTo(left_out);
        to_grey_predicted(video, a, prediction, grey);
        reduce(grey, a, reduced);
        if (cv::norm(reduced, whole, cv::NORM_INF) != 0)
            return false;
    }
    return true;
}

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

void render_frame_predicted(const cv::Mat& video, int a, int frame_width, cv::Mat& video1,
                            cv::Mat& video2, row_check& check, std::string& out,
                            row_prediction prediction)
{
    // The prediction mirrors the library's sampling, which another version
    // or back-end of it may not share: it is checked on the first frame of
    // each size, and a wrong one costs speed, never a garbled frame. The
    // check works in video1 and video2, which the frame overwrites.
    if (video.size() != check.size || a != check.a) {
        check.holds = row_prediction_holds(video, a, prediction, video1, video2, check.reduced);
        check.size = video.size();
        check.a = a;
    }
    if (check.holds)
        to_grey_predicted(video, a, prediction, video1);
    else
        to_grey_whole(video, video1);
    reduce(video1, a, video2);
    // The line width follows the reported size, not the decoded one, so a
    // frame of another size still covers the whole of the one before it.
    frame_text(video2, frame_columns(frame_width, a), out);
}

void render_frame(const cv::Mat& video, int a, int frame_width,
                  cv::Mat& video1, cv::Mat& video2, row_check& check, std::string& out)
{
    render_frame_predicted(video, a, frame_width, video1, video2, check, out, predicted_row);
}

} // namespace charplay

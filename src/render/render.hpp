#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace charplay {

// Every frame text has this many lines.
constexpr int frame_rows = 90;

// How much a frame of this reported height is reduced in each direction:
// the height divided by 90, and never less than 1 (a short source is shown
// unreduced rather than blown up by an infinite factor).
int reduction_divisor(int frame_hight);

// The size a frame of this size has after reduction by a, as the library's
// resize works it out from the factor 1.0 / a; never 0 in either direction.
cv::Size reduced_size(cv::Size frame, int a);

// How many characters a line of the frame text has for frames of the
// reported width reduced by a; 0 when the width is unknown.
int frame_columns(int frame_width, int a);

// Replaces out with the text of a reduced grey frame: 90 lines of width ramp
// characters; what video2 does not cover is blank. The part of render_frame
// that is not the library's.
void frame_text(const cv::Mat& video2, int width, std::string& out);

// What render_frame found on the first frame of a size: whether turning
// grey only the rows that the reduction reads gives the frame it would give
// with every row grey, and the buffer that check needs. Kept by the caller,
// as video1 and video2 are, and empty before the first frame.
struct row_check {
    cv::Size size;
    int a = 0;
    bool holds = false;
    cv::Mat reduced;
};

// Replaces out with the frame text of video: 90 lines, each as many ramp
// characters as a frame of the reported width has columns after reduction,
// ended by '\n'. video1, video2 and check are working state kept by the
// caller, so that nothing is allocated once they have their size. Only the
// rows that the reduction reads are turned grey, where the first frame of a
// size shows that to give the same frame; else every row.
void render_frame(const cv::Mat& video, int a, int frame_width,
                  cv::Mat& video1, cv::Mat& video2, row_check& check, std::string& out);

} // namespace charplay

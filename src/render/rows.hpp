#pragma once

// Which source rows the reduction reads: render_frame's guess at the
// library's sampling, and the check of that guess, for the renderer and
// its tests.

#include "render/render.hpp"

#include <opencv2/core.hpp>
#include <string>

namespace charplay {

// The first of the two source rows that reduced row dy reads, for source
// rows per reduced row scale: only the rows so read are turned grey.
using row_prediction = int (*)(int dy, double scale);

// The library's own sampling, as charplay predicts it.
int predicted_row(int dy, double scale);

// Whether turning grey only the rows prediction names gives, reduced by a,
// the reduction of the whole frame turned grey, whatever the other rows
// hold; grey, whole and reduced are its working buffers.
bool row_prediction_holds(const cv::Mat& video, int a, row_prediction prediction,
                          cv::Mat& grey, cv::Mat& whole, cv::Mat& reduced);

// render_frame with prediction in place of predicted_row.
void render_frame_predicted(const cv::Mat& video, int a, int frame_width, cv::Mat& video1,
                            cv::Mat& video2, row_check& check, std::string& out,
                            row_prediction prediction);

} // namespace charplay

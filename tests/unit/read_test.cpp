// The library's read into a plain image, which our own builds of it convert
// straight into the caller's buffer, against its read into a UMat, which
// still converts into a buffer of the library's and copies: the same bytes
// for every frame of the fixtures. Run against Debian's OpenCV, both are the
// copy; the archive's tests run it again against the archive's libraries.

#include <cstdlib>
#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>
#include <string>

namespace {

// Frames of the codec fixtures (160 x 90, coded taller by most), Theora's
// 400 x 300 coded 400 x 304, a stream that changes size, and odd shapes.
// Not the 4:4:4 Theora clip: Debian's FFmpeg decodes it differently from
// run to run.
const char* const fixtures[] = {
    "h264.mp4",   "hevc_10bit.mkv", "av1.mkv",          "vp9.webm",           "vp8.webm",
    "prores.mov", "mpeg4.avi",      "mpeg2.mpg",        "mjpeg.mov",          "flv1.flv",
    "wmv2.wmv",   "ffv1.nut",       "theora.ogv",       "resized.ts",         "size_854x480.mkv",
    "geometry_1x1.mkv", "geometry_1x2000.mkv"};

TEST(Read, IntoAnImageGivesTheBytesOfTheCopy)
{
    const char* folder = std::getenv("FIXTURES");
    ASSERT_NE(folder, nullptr) << "set FIXTURES";
    for (const char* name : fixtures) {
        const std::string path = std::string(folder) + "/" + name;
        cv::VideoCapture into(path, cv::CAP_FFMPEG), copied(path, cv::CAP_FFMPEG);
        ASSERT_TRUE(into.isOpened() && copied.isOpened()) << name;
        // A caller's image of another size and type first: it is replaced.
        cv::Mat image(7, 5, CV_8UC1, cv::Scalar(9));
        cv::UMat copy;
        int frames = 0;
        while (into.read(image)) {
            ASSERT_TRUE(copied.read(copy)) << name << " frame " << frames;
            const cv::Mat expected = copy.getMat(cv::ACCESS_READ);
            ASSERT_EQ(image.size(), expected.size()) << name << " frame " << frames;
            ASSERT_EQ(image.type(), expected.type()) << name << " frame " << frames;
            EXPECT_EQ(cv::norm(image, expected, cv::NORM_INF), 0) << name << " frame " << frames;
            ++frames;
        }
        EXPECT_FALSE(copied.read(copy)) << name << ": a frame more than into an image";
        EXPECT_GT(frames, 0) << name;
    }
}

} // namespace

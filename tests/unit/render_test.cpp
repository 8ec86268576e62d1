#include "render/ramp.hpp"
#include "render/render.hpp"
#include "render/rows.hpp"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <iterator>
#include <string>
#include <utility>

using namespace charplay;

namespace {

std::string render(const cv::Mat& video, int frame_width, int frame_hight)
{
    cv::Mat video1, video2;
    row_check check;
    std::string out;
    render_frame(video, reduction_divisor(frame_hight), frame_width, video1, video2, check, out);
    return out;
}

cv::Mat solid(int width, int height, int grey)
{
    return cv::Mat(height, width, CV_8UC3, cv::Scalar(grey, grey, grey));
}

// The same line, repeated and ended by line feeds.
std::string lines_of(const std::string& line, int lines = frame_rows)
{
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += line + "\n";
    return text;
}

std::string lines_of(char c, size_t width, int lines = frame_rows)
{
    return lines_of(std::string(width, c), lines);
}

} // namespace

TEST(Ramp, HoldsTheCharactersDarkToBright)
{
    EXPECT_EQ(std::string(s),
              " .,-'`:!1+*abcdefghijklmnopqrstuvwxyz<>()/{}[]?234567890"
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ%&@#$");
    EXPECT_EQ(s[87], '\0');
}

TEST(Ramp, TableHoldsTheCharacterOfEveryGrey)
{
    // Grey 0 to 255, 32 to a row: runs of three or four, one N at the end.
    const std::string expected = "    ....,,,,---''''````:::!!!!11"
                                 "11+++****aaaabbbbcccddddeeeefffg"
                                 "ggghhhhiiijjjjkkkklllmmmmnnnnooo"
                                 "opppqqqqrrrrsssttttuuuuvvvwwwwxx"
                                 "xxyyyyzzz<<<<>>>>((())))////{{{}"
                                 "}}}[[[[]]]????222233334445555666"
                                 "677788889999000AAAABBBBCCCCDDDEE"
                                 "EEFFFFGGGHHHHIIIIJJJKKKKLLLLMMMN";
    EXPECT_EQ(std::string(ramp_table.begin(), ramp_table.end()), expected);
    std::string by_function;
    for (int g = 0; g < 256; ++g)
        by_function += ramp_char(static_cast<unsigned char>(g));
    EXPECT_EQ(by_function, expected);
}

TEST(ReductionDivisor, IsTheHeightOverNinetyAndAtLeastOne)
{
    const std::pair<int, int> cases[] = {{1080, 12}, {479, 5}, {180, 2}, {179, 1},
                                         {90, 1},    {89, 1},  {0, 1},   {-5, 1}};
    for (const auto& [height, a] : cases)
        EXPECT_EQ(reduction_divisor(height), a) << "height " << height;
}

TEST(RenderFrame, BlackIsSpacesAndWhiteIsCapitalN)
{
    EXPECT_EQ(render(solid(320, 180, 0), 320, 180), lines_of(' ', 160));
    EXPECT_EQ(render(solid(320, 180, 255), 320, 180), lines_of('N', 160));
    EXPECT_EQ(render(solid(320, 180, 128), 320, 180), lines_of('x', 160));
}

TEST(RenderFrame, UsesTheLibrarysGreyWeights)
{
    // Pure blue, green and red weigh 29, 150 and 76 of 255.
    cv::Mat video(180, 300, CV_8UC3, cv::Scalar(0, 0, 0));
    video.colRange(0, 100).setTo(cv::Scalar(255, 0, 0));
    video.colRange(100, 200).setTo(cv::Scalar(0, 255, 0));
    video.colRange(200, 300).setTo(cv::Scalar(0, 0, 255));
    const std::string line = std::string(50, ramp_char(29)) + std::string(50, ramp_char(150)) +
                             std::string(50, ramp_char(76)) + "\n";
    const std::string out = render(video, 300, 180);
    ASSERT_EQ(out.size(), 90u * 151);
    EXPECT_EQ(out.substr(0, 151), line);
    EXPECT_EQ(out.substr(89 * 151), line);
}

TEST(RenderFrame, SizesByFormat)
{
    struct Format { int width, height; size_t columns; };
    const Format formats[] = {{1920, 1080, 160}, {1280, 720, 160}, {640, 360, 160},
                              {640, 480, 128},   {854, 480, 171},  {800, 600, 133},
                              {160, 100, 160}};
    for (const auto& f : formats) {
        const std::string out = render(solid(f.width, f.height, 255), f.width, f.height);
        EXPECT_EQ(out, lines_of('N', f.columns)) << f.width << "x" << f.height;
    }
    EXPECT_EQ(render(solid(1920, 1080, 0), 1920, 1080).size(), 14490u);
}

TEST(RenderFrame, ShowsOnlyTheTopNinetyReducedRows)
{
    // 640 x 480 reduces to 96 rows: the last six, here white, are not shown.
    cv::Mat video = solid(640, 480, 0);
    video.rowRange(450, 480).setTo(cv::Scalar(255, 255, 255));
    EXPECT_EQ(render(video, 640, 480), lines_of(' ', 128));
}

TEST(RenderFrame, ShortSourceIsShownUnreducedOverBlankRows)
{
    const std::string out = render(solid(160, 40, 255), 160, 40);
    EXPECT_EQ(out, lines_of('N', 160, 40) + lines_of(' ', 160, 50));
}

TEST(RenderFrame, KeepsTheReportedShapeWhateverSizeTheFrameIs)
{
    // Reported 320 x 180: every frame text is 90 lines of 160.
    EXPECT_EQ(render(solid(100, 60, 255), 320, 180),
              lines_of(std::string(50, 'N') + std::string(110, ' '), 30) +
                  lines_of(std::string(160, ' '), 60));
    EXPECT_EQ(render(solid(1000, 1000, 255), 320, 180), lines_of('N', 160));
}

TEST(RenderFrame, ThinFramesKeepAColumnOrARow)
{
    EXPECT_EQ(render(solid(1, 2000, 255), 1, 2000), lines_of('N', 1));
    EXPECT_EQ(render(solid(2000, 1, 255), 2000, 1), lines_of('N', 2000, 1) + lines_of(' ', 2000, 89));
    EXPECT_EQ(render(solid(1, 1, 128), 1, 1), "x\n" + lines_of(' ', 1, 89));
}

TEST(RenderFrame, AcceptsGreyAndFourChannelFrames)
{
    EXPECT_EQ(render(cv::Mat(180, 320, CV_8UC1, cv::Scalar(255)), 320, 180), lines_of('N', 160));
    EXPECT_EQ(render(cv::Mat(180, 320, CV_8UC4, cv::Scalar(128, 128, 128, 0)), 320, 180),
              lines_of('x', 160));
}

TEST(RenderFrame, ReplacesThePreviousTextAndHasNoCarriageReturn)
{
    cv::Mat video1, video2;
    row_check check;
    std::string out = "left over";
    render_frame(solid(640, 360, 255), 4, 640, video1, video2, check, out);
    render_frame(solid(640, 360, 0), 4, 640, video1, video2, check, out);
    EXPECT_EQ(out, lines_of(' ', 160));
    EXPECT_EQ(out.find('\r'), std::string::npos);
}

// Only the rows the reduction reads are turned grey; the reduced frame must
// be the one the whole frame turned grey gives, whatever the rows left out
// hold, and the prediction of those rows must hold for the library linked.
TEST(RenderFrame, ReducesAsIfEveryRowWereGrey)
{
    const int widths[] = {1, 3, 15, 16, 17, 31, 33, 64, 97, 161, 333};
    cv::RNG rng(90);
    cv::Mat video, video1, video2, grey, whole, expected, reduced;
    std::string out;
    for (int height = 1; height <= 2160; ++height) {
        const int width = widths[static_cast<size_t>(height) % std::size(widths)];
        video.create(height, width, height % 7 ? CV_8UC3 : CV_8UC4);
        rng.fill(video, cv::RNG::UNIFORM, 0, 256);
        cv::cvtColor(video, grey, video.channels() == 3 ? cv::COLOR_BGR2GRAY : cv::COLOR_BGRA2GRAY);
        // The divisor of the reported height, and of another one.
        for (const int a : {reduction_divisor(height), 1 + height % 24}) {
            ASSERT_TRUE(row_prediction_holds(video, a, predicted_row, video1, video2, reduced))
                << width << " x " << height << " reduced by " << a;
            // The reference: from a working buffer that holds every grey
            // row, once the first frame of the size has been checked.
            row_check check, reference;
            render_frame(grey, a, width, whole, expected, reference, out);
            grey.copyTo(whole);
            render_frame(grey, a, width, whole, expected, reference, out);
            // The colour frame, from whatever the rows left out hold.
            render_frame(video, a, width, video1, video2, check, out);
            rng.fill(video1, cv::RNG::UNIFORM, 0, 256);
            render_frame(video, a, width, video1, video2, check, out);
            ASSERT_EQ(cv::norm(video2, expected, cv::NORM_INF), 0)
                << width << " x " << height << " reduced by " << a;
        }
    }
}

// A library that samples other rows than predicted (another version, an
// accelerated back-end) gets the whole frame turned grey, not garbage.
TEST(RenderFrame, TurnsTheWholeFrameGreyWhereThePredictionFails)
{
    cv::Mat video(360, 640, CV_8UC3);
    for (int y = 0; y < video.rows; ++y)
        video.row(y).setTo(cv::Scalar::all(y % 256));
    const row_prediction one_row_off = [](int dy, double scale) {
        return predicted_row(dy, scale) + 1;
    };
    cv::Mat grey, reduced;
    cv::cvtColor(video, grey, cv::COLOR_BGR2GRAY);
    cv::resize(grey, reduced, cv::Size(), 0.25, 0.25, cv::INTER_LINEAR);
    std::string expected, out;
    frame_text(reduced, 160, expected);
    cv::Mat video1(video.size(), CV_8UC1, cv::Scalar(0)), video2;
    row_check check;
    render_frame_predicted(video, 4, 640, video1, video2, check, out, one_row_off);
    EXPECT_FALSE(check.holds);
    EXPECT_EQ(out, expected);
}

// render_frame at common sizes, beside the two library calls it is built on
// and beside our own part alone (frame_text), whose share is what we add.

#include "render/render.hpp"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

using namespace charplay;

namespace {

cv::Mat noise(int width, int height)
{
    cv::Mat video(height, width, CV_8UC3);
    cv::randu(video, cv::Scalar::all(0), cv::Scalar::all(256));
    return video;
}

void render(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const cv::Mat video = noise(width, height);
    const int a = reduction_divisor(height);
    cv::Mat video1, video2;
    row_check check;
    std::string out;
    for (auto _ : state) {
        render_frame(video, a, width, video1, video2, check, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void library_calls(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const cv::Mat video = noise(width, height);
    const double f = 1.0 / reduction_divisor(height);
    cv::Mat video1, video2;
    for (auto _ : state) {
        cv::cvtColor(video, video1, cv::COLOR_BGR2GRAY);
        cv::resize(video1, video2, cv::Size(), f, f, cv::INTER_LINEAR);
        benchmark::DoNotOptimize(video2.data);
    }
}

// Our own part alone: the reduced frame to text.
void text(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const int a = reduction_divisor(height);
    cv::Mat video1, video2;
    row_check check;
    std::string out;
    render_frame(noise(width, height), a, width, video1, video2, check, out);
    const int columns = reduced_size({width, height}, a).width;
    for (auto _ : state) {
        frame_text(video2, columns, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"w", "h"})
        ->Args({640, 360})
        ->Args({1280, 720})
        ->Args({1920, 1080})
        ->Args({3840, 2160})
        ->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(render)->Apply(sizes);
BENCHMARK(library_calls)->Apply(sizes);
BENCHMARK(text)->Apply(sizes);

int main(int argc, char** argv)
{
    // The library's loops run on one thread, as charplay runs them.
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Demosaic and gains into the bottom-up BMP pixel buffer, single thread, beside OpenCV's
// bilinear cvtColor (also single thread). Prints ours/OpenCV ratios at the end.
#include "image/demosaic.h"
#include "image/image_workspace.h"
#include "image/pixel_conversion.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#ifdef PLNTOOL_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

std::vector<uint8_t> randomImage(int width, int height)
{
    std::mt19937 gen(42);
    std::vector<uint8_t> v(std::size_t(width) * height);
    for (auto& b : v)
        b = uint8_t(gen());
    return v;
}

// gains 0: all 0; 1: red 10, green 0, blue 35
void ours(benchmark::State& state, int width, int height, int gains, SimdLevel level)
{
    ImageWorkspace ws;
    ws.sensorImage.pixels.assignZero(width, height);
    ws.sensorImage.pixels.data = randomImage(width, height);
    ws.sensorImage.hkrHeader.bayerPattern = 3;
    if (gains) {
        ws.sensorImage.hkrHeader.gainR = 10;
        ws.sensorImage.hkrHeader.gainB = 35;
    }
    for (auto _ : state) {
        fncBayerToRgb(ws, level);
        benchmark::DoNotOptimize(ws.bmpBuffer.bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

#ifdef PLNTOOL_BENCH_OPENCV
// cvtColor alone: no gains, no flip.
void opencvBare(benchmark::State& state, int width, int height)
{
    cv::setNumThreads(1);
    auto pixels = randomImage(width, height);
    cv::Mat raw(height, width, CV_8UC1, pixels.data());
    cv::Mat bgr(height, width, CV_8UC3);
    for (auto _ : state) {
        cv::cvtColor(raw, bgr, cv::COLOR_BayerBG2BGR);
        benchmark::DoNotOptimize(bgr.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

// Our whole job done with OpenCV: demosaic, per-channel gain table, bottom-up flip.
void opencvWholeJob(benchmark::State& state, int width, int height)
{
    cv::setNumThreads(1);
    auto pixels = randomImage(width, height);
    cv::Mat raw(height, width, CV_8UC1, pixels.data());
    cv::Mat bgr(height, width, CV_8UC3), gained(height, width, CV_8UC3), flipped(height, width, CV_8UC3);
    cv::Mat table(1, 256, CV_8UC3);
    for (int v = 0; v < 256; ++v)
        table.at<cv::Vec3b>(0, v) = cv::Vec3b(uint8_t(std::min(255, v * 135 / 100)), uint8_t(v),
                                              uint8_t(std::min(255, v * 110 / 100)));
    for (auto _ : state) {
        cv::cvtColor(raw, bgr, cv::COLOR_BayerBG2BGR);
        cv::LUT(bgr, table, gained);
        cv::flip(gained, flipped, 0);
        benchmark::DoNotOptimize(flipped.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
#endif

const std::pair<int, int> kSizes[] = {{608, 464}, {4096, 3072}};

void registerAll()
{
    for (auto [w, h] : kSizes) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        for (int gains : {0, 1}) {
            for (SimdLevel level : {SimdLevel::Auto, SimdLevel::Sse2, SimdLevel::Scalar}) {
                const char* levelName = level == SimdLevel::Auto ? "auto" : level == SimdLevel::Sse2 ? "sse2" : "scalar";
                benchmark::RegisterBenchmark(("ours/" + size + "/gains" + std::to_string(gains) + "/" + levelName).c_str(),
                                             ours, w, h, gains, level)
                    ->Unit(benchmark::kMillisecond);
            }
        }
#ifdef PLNTOOL_BENCH_OPENCV
        benchmark::RegisterBenchmark(("opencv_bare/" + size).c_str(), opencvBare, w, h)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("opencv_whole_job/" + size).c_str(), opencvWholeJob, w, h)
            ->Unit(benchmark::kMillisecond);
#endif
    }
}

// Keeps the time per iteration of every run so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> msPerFrame;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                msPerFrame[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nms per frame and ratio ours/OpenCV cvtColor (single thread; %s):\n",
                bestSimdLevel() == SimdLevel::Avx2 ? "auto = AVX2" : "auto = SSE2");
    for (auto [w, h] : kSizes) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        const auto bare = reporter.msPerFrame.find("opencv_bare/" + size);
        for (const auto& [name, ms] : reporter.msPerFrame) {
            if (name.rfind("ours/" + size + "/", 0) != 0 && name.rfind("opencv_whole_job/" + size, 0) != 0)
                continue;
            if (bare != reporter.msPerFrame.end())
                std::printf("  %-40s %9.4f ms  ratio %.2f\n", name.c_str(), ms, ms / bare->second);
            else
                std::printf("  %-40s %9.4f ms\n", name.c_str(), ms);
        }
    }
    benchmark::Shutdown();
    return 0;
}

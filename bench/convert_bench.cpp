// plnctl convert -d of 1000 raw 608 x 464 files: files per second (items per second).
#include "raw_files.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 1000;

fs::path makeFolder()
{
    std::string pattern = (fs::temp_directory_path() / "plnbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

// User and system time of every child process that has ended so far.
double childProcessorSeconds()
{
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    return double(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
           double(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
}

// replace 0: each run writes into a new folder; 1: each run replaces the BMPs of the run
// before (ext4 then pushes every replaced file towards the disk on rename).
void plnctlConvertFolder(benchmark::State& state)
{
    const bool replace = state.range(0) != 0;
    const double cpuBefore = childProcessorSeconds();
    const fs::path root = makeFolder();
    fs::create_directories(root / "in");
    std::string command = std::string("'") + PLNCTL_PATH + "' --program-folder '" + (root / "prog").string() + "' convert";
    for (const fs::path& file : writeRawFiles(root / "in", kFiles))
        command += " '" + file.string() + "'";
    // Fresh runs each write into a folder of their own; replacing runs into one folder.
    int run = 0;
    auto commandFor = [&](int n) { return command + " -d '" + (root / ("out" + std::to_string(n))).string() + "'"; };
    if (replace && std::system(commandFor(0).c_str()) != 0) {
        state.SkipWithError("plnctl convert failed");
        return;
    }
    for (auto _ : state) {
        // Each run starts with the page cache written back, so it does not pay for the
        // files of the run before.
        state.PauseTiming();
        if (!replace)
            ++run;
        ::sync();
        state.ResumeTiming();
        const int status = std::system(commandFor(run).c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("plnctl convert failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    // The processor time plnctl used (user + system), beside the wall time above. The
    // children's times add up over the whole process, so the runs of earlier benchmarks are
    // taken off.
    state.counters["plnctl_cpu_s_per_run"] =
        (childProcessorSeconds() - cpuBefore) / double(state.iterations() + (replace ? 1 : 0));
    fs::remove_all(root);
}

} // namespace

BENCHMARK(plnctlConvertFolder)->ArgName("replace")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();

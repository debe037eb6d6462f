// plnctl convert -d of 1000 raw 608 x 464 files: files per second (items per second).
#include "image/pln_file.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>

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

void plnctlConvertFolder(benchmark::State& state)
{
    const fs::path root = makeFolder();
    fs::create_directories(root / "in");
    PlnHeader h;
    h.prefix = {0, 0, 0, 0xBA, 1, 0, 0};
    h.width = 608;
    h.height = 464;
    h.aux2 = 464;
    const auto header = h.toBytes();
    std::mt19937 gen(1);
    std::vector<char> pixels(608 * 464);
    std::string command = std::string("'") + PLNCTL_PATH + "' --program-folder '" + (root / "prog").string() + "' convert";
    for (int i = 0; i < kFiles; ++i) {
        for (auto& p : pixels)
            p = char(gen());
        const fs::path file = root / "in" / ("img" + std::to_string(i) + ".BYR");
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), header.size());
        out.write(pixels.data(), std::streamsize(pixels.size()));
        out.write("\0\0\0\0", 4);
        command += " '" + file.string() + "'";
    }
    command += " -d '" + (root / "out").string() + "'";
    for (auto _ : state) {
        const int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("plnctl convert failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    fs::remove_all(root);
}

} // namespace

BENCHMARK(plnctlConvertFolder)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();

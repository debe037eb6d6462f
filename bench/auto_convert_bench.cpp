// The automatic batch run (fncHkrAutoConvert under the operation window, window events pumped
// once per file) against plnctl convert -d on the same 1000 raw 608 x 464 files, in the same
// run. Counters: files per second of each, their ratio, and the longest time between two
// pumps (how long a Stop press can wait before the run sees it).
#include "ui/windows/frm_wait.h"
#include "link/qt_waiter.h"
#include "link/steady_clock.h"
#include "app/messages.h"
#include "operations/auto_convert.h"
#include "raw_files.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 1000;

class SilentPrompter : public Prompter {
public:
    int boxes = 0;
    int show(const BoxRequest&) override { return ++boxes, kAnswerOK; }
};

class NoDialogs : public FileDialogs {
public:
    std::optional<std::vector<fs::path>> show(const FileDialogRequest&) override { return std::nullopt; }
};

// The real waiter, timing the gaps between the pumps.
class TimedWaiter : public Waiter {
public:
    explicit TimedWaiter(Clock& clock) : inner_(clock) {}
    void waitUntil(int64_t deadline, Pump pump) override
    {
        const auto now = std::chrono::steady_clock::now();
        if (seen_)
            longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last_).count());
        seen_ = true;
        inner_.waitUntil(deadline, pump);
        last_ = std::chrono::steady_clock::now();
    }
    double longest = 0;

private:
    QtWaiter inner_;
    bool seen_ = false;
    std::chrono::steady_clock::time_point last_;
};

double secondsOf(const std::function<void()>& work)
{
    ::sync(); // neither side pays for the other's dirty pages
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void autoConvertAgainstPlnctl(benchmark::State& state)
{
    // PLNBENCH_DIR puts the files elsewhere (a tmpfs such as /dev/shm takes the disk's
    // write-back, which other programs on the machine share, out of the comparison).
    const char* base = std::getenv("PLNBENCH_DIR");
    std::string pattern = ((base ? fs::path(base) : fs::temp_directory_path()) / "plnbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    const fs::path root = pattern;
    fs::create_directories(root / "in");
    fs::create_directories(root / "prog" / "TMP");
    AppState app;
    app.programFolder = root / "prog";
    app.gLanguage = 1;
    std::string command = std::string("'") + PLNCTL_PATH + "' --program-folder '" + (root / "prog").string() + "' convert";
    std::vector<std::string> names, paths;
    for (const fs::path& file : writeRawFiles(root / "in", kFiles)) {
        command += " '" + file.string() + "'";
        names.push_back(file.filename().string());
        paths.push_back(file.string());
    }
    SilentPrompter prompter;
    Messenger messages(app, prompter);
    NoDialogs dialogs;
    SteadyClock clock;
    frmWait window(app, nullptr);

    int run = 0;
    double autoSeconds = 0, plnctlSeconds = 0, longestGap = 0;
    bool failed = false;
    for (auto _ : state) {
        ++run;
        const fs::path plnctlOut = root / ("plnctl" + std::to_string(run));
        const fs::path autoOut = root / ("auto" + std::to_string(run));
        fs::create_directories(autoOut);
        // The two take turns at going first, so neither always meets the other's leftovers.
        TimedWaiter waiter(clock);
        double a = 0, p = 0;
        auto runAuto = [&] {
            app.gFileNames = names;
            app.gFilePaths = paths;
            app.gSaveFolder = autoOut.string() + "/";
            a = secondsOf([&] {
                AutoConvertContext ctx{app, messages, window, dialogs, clock, waiter, "PLN TOOL"};
                failed |= !fncHkrAutoConvert(ctx);
            });
        };
        auto runPlnctl = [&] {
            p = secondsOf([&] {
                const int status = std::system((command + " -d '" + plnctlOut.string() + "'").c_str());
                failed |= !WIFEXITED(status) || WEXITSTATUS(status) != 0;
            });
        };
        if (run % 2) {
            runAuto();
            runPlnctl();
        } else {
            runPlnctl();
            runAuto();
        }
        state.SetIterationTime(a);
        autoSeconds += a;
        plnctlSeconds += p;
        longestGap = std::max(longestGap, waiter.longest);
        fs::remove_all(plnctlOut);
        fs::remove_all(autoOut);
    }
    if (failed || prompter.boxes != 0) // no message file here: a box would be a failure
        state.SkipWithError("a conversion failed");
    state.SetItemsProcessed(state.iterations() * kFiles);
    const double runs = double(state.iterations());
    state.counters["auto_files_per_s"] = kFiles * runs / autoSeconds;
    state.counters["plnctl_files_per_s"] = kFiles * runs / plnctlSeconds;
    state.counters["auto_to_plnctl"] = plnctlSeconds / autoSeconds;
    state.counters["longest_ms_between_pumps"] = longestGap;
    fs::remove_all(root);
}

// The automatic run with its one flush at the end, with a flush after every file, and with no
// flush at all, on the same files in the same run (taking turns). Counters: files per second
// of each and the cost of a flush per file in milliseconds.
void autoConvertFlushing(benchmark::State& state)
{
    const char* base = std::getenv("PLNBENCH_DIR");
    std::string pattern = ((base ? fs::path(base) : fs::temp_directory_path()) / "plnbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    const fs::path root = pattern;
    fs::create_directories(root / "in");
    fs::create_directories(root / "prog" / "TMP");
    AppState app;
    app.programFolder = root / "prog";
    app.gLanguage = 1;
    constexpr int kFlushFiles = 300;
    std::vector<std::string> names, paths;
    for (const fs::path& file : writeRawFiles(root / "in", kFlushFiles)) {
        names.push_back(file.filename().string());
        paths.push_back(file.string());
    }
    SilentPrompter prompter;
    Messenger messages(app, prompter);
    NoDialogs dialogs;
    SteadyClock clock;
    QtWaiter waiter(clock);
    frmWait window(app, nullptr);
    const BatchFlush modes[3] = {BatchFlush::AtTheEnd, BatchFlush::EachFile, BatchFlush::Never};
    double seconds[3] = {0, 0, 0};
    bool failed = false;
    int run = 0;
    for (auto _ : state) {
        double total = 0;
        for (int k = 0; k < 3; ++k) {
            const int m = (k + run) % 3;
            const fs::path out = root / ("out" + std::to_string(m));
            fs::create_directories(out);
            app.gFileNames = names;
            app.gFilePaths = paths;
            app.gSaveFolder = out.string() + "/";
            const double t = secondsOf([&] {
                AutoConvertContext ctx{app, messages, window, dialogs, clock, waiter, "PLN TOOL", modes[m]};
                failed |= !fncHkrAutoConvert(ctx);
            });
            seconds[m] += t;
            total += t;
            fs::remove_all(out);
        }
        ++run;
        state.SetIterationTime(total);
    }
    if (failed || prompter.boxes != 0)
        state.SkipWithError("a conversion failed");
    const double files = double(kFlushFiles) * double(state.iterations());
    state.counters["at_end_files_per_s"] = files / seconds[0];
    state.counters["each_file_files_per_s"] = files / seconds[1];
    state.counters["never_files_per_s"] = files / seconds[2];
    state.counters["flush_per_file_ms"] = (seconds[1] - seconds[2]) * 1000 / files;
    state.counters["flush_at_end_per_file_ms"] = (seconds[0] - seconds[2]) * 1000 / files;
    fs::remove_all(root);
}

} // namespace

BENCHMARK(autoConvertFlushing)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(autoConvertAgainstPlnctl)->Unit(benchmark::kMillisecond)->Iterations(4)->UseManualTime();

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

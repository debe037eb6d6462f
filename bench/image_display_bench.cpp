// From the end of a 608 x 464 download to the picture on the screen: the raw file in TMP is
// converted (read, gains, demosaic, tmp.bmp written) and the main window shows tmp.bmp.
// Reference in the same run: copying the received file once (what any use of it costs).
#include "ui/windows/frm_main.h"
#include "ui/panels/image_view.h"

#include "files/file_util.h"
#include "image/pln_file.h"
#include "image/raw_conversion.h"
#include "raw_files.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

struct Downloaded {
    fs::path program;
    Downloaded()
    {
        std::string pattern = (fs::temp_directory_path() / "plnbench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        program = pattern;
        fs::create_directories(program / "TMP");
        // Check bytes and the padding of the last XMODEM block, random like the pixels.
        std::mt19937 gen(3);
        std::string trailer(4 + 84, '\0');
        for (auto& c : trailer)
            c = char(gen());
        writeRawFile(program / "TMP" / "tmp.bin", gen, trailer);
    }
    ~Downloaded() { fs::remove_all(program); }
};

class NoReporter : public ImageReporter {
public:
    void showError(const std::string&) override { std::abort(); }
    void showMessage(const std::string&, int, const std::string&) override { std::abort(); }
};

void DownloadToPicture(benchmark::State& state)
{
    Downloaded d;
    frmMain window;
    window.show();
    QApplication::processEvents();
    ImageView view(&window);
    ImageWorkspace ws;
    NoReporter reporter;
    for (auto _ : state) {
        const fs::path bmp = fncConvertProcess(ws, reporter, d.program, d.program / "TMP", "tmp.bin", 1);
        QString error;
        if (bmp.empty() || !view.showPicture(bmp, error))
            state.SkipWithError("not shown");
    }
}
BENCHMARK(DownloadToPicture)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void CopyReceivedFile(benchmark::State& state)
{
    Downloaded d;
    std::string error;
    for (auto _ : state)
        if (!copyFileReplacing(d.program / "TMP" / "tmp.bin", d.program / "TMP" / "copy.bin", error))
            state.SkipWithError("not copied");
}
BENCHMARK(CopyReceivedFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// plnctl image get N|live OUT and plnctl image put IN: the main window's download and upload
// on the same operations, in a private work folder, so a running PLNTOOL keeps its own
// work files.
#include "cli_commands.h"
#include "cli_link.h"
#include "cli_operation_view.h"
#include "private_work_folder.h"
#include "sigint_stop.h"

#include "image/bmp_file.h"
#include "image/bmp_to_raw.h"
#include "image/file_util.h"
#include "image/pln_file.h"
#include "image/raw_conversion.h"
#include "operations/image_operations.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// No operation of this command chooses a file.
class NoFileDialogs : public FileDialogs {
public:
    std::optional<std::vector<fs::path>> show(const FileDialogRequest&) override { return std::nullopt; }
};

class StderrReporter : public ImageReporter {
public:
    explicit StderrReporter(std::string file) : file_(std::move(file)) {}
    void showError(const std::string& description) override { print(description); }
    void showMessage(const std::string&, int, const std::string& description) override { print(description); }
    void print(const std::string& what) { std::fprintf(stderr, "plnctl: %s: %s\n", file_.c_str(), what.c_str()); }

private:
    std::string file_;
};

std::string lowerExtension(const fs::path& p)
{
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

int usage(const std::string& what)
{
    return usageError("image: " + what);
}

// One download or upload on one link, with Ctrl+C as the Stop button.
struct ImageRun {
    explicit ImageRun(const CliOptions& options) : cli(options), view(stderrIsTerminal()) {}

    bool start()
    {
        if (!work.ok()) {
            std::fprintf(stderr, "plnctl: %s\n", work.error().c_str());
            return false;
        }
        if (!cli.open())
            return false;
        stop = std::make_unique<SigintStop>(cli.state, &cli.link->channel());
        return true;
    }
    bool interrupted() const { return stop && stop->requested(); }
    OperationContext context() { return OperationContext{*cli.link, view, dialogs}; }

    CliLink cli;
    CliOperationView view;
    std::unique_ptr<SigintStop> stop;
    PrivateWorkFolder work;
    NoFileDialogs dialogs;
};

// Says why the controller part failed when nothing has said it yet.
int failed(const ImageRun& run, int shownBefore, const char* what)
{
    if (run.interrupted())
        std::fprintf(stderr, "plnctl: stopped\n");
    else if (run.cli.prompter.shown == shownBefore)
        std::fprintf(stderr, "plnctl: %s\n", what);
    return run.stop ? run.stop->exitStatus(kExitFailed) : kExitFailed;
}

int getImage(const CliOptions& options, const std::string& which, const fs::path& out)
{
    int16_t number = kLiveImage;
    if (which != "live") {
        std::optional<long> n = integerArgument(which, 0, 99);
        if (!n)
            return usage("get takes an image number from 0 to 99 or live");
        number = int16_t(*n);
    }
    const std::string ext = lowerExtension(out);
    const bool bmp = ext == ".bmp";
    if (!bmp && ext != ".byr" && ext != ".gry")
        return usage("the output must end in .bmp, .BYR or .GRY");

    ImageRun run(options);
    if (!run.start())
        return kExitFailed;
    OperationContext ctx = run.context();
    const int before = run.cli.prompter.shown;
    if (!fncImgConvert(ctx, number, run.work.tmp()))
        return failed(run, before, "the image was not downloaded");

    StderrReporter reporter(out.string());
    fs::path result = run.work.tmp() / kDownloadFile;
    if (bmp) {
        result = fncConvertProcess(run.cli.state.images, reporter, run.work.root(), run.work.tmp(), kDownloadFile, 1);
        if (result.empty()) {
            reporter.print("the downloaded image could not be converted");
            return kExitFailed;
        }
    }
    std::string error;
    if (!copyFileReplacing(result, out, error)) {
        reporter.print(error);
        return kExitFailed;
    }
    return kExitOk;
}

// Takes the picture or raw file in as the File menu's open commands do, leaving the upload
// image ready for the upload.
bool loadForUpload(ImageWorkspace& ws, const PrivateWorkFolder& work, const fs::path& in, StderrReporter& reporter)
{
    const fs::path workFile = work.tmp() / kDownloadFile;
    if (lowerExtension(in) == ".bmp") {
        if (!fncReadBmp(ws, in, reporter) || !fncBmpToRaw(ws, reporter))
            return false;
        ws.sensorImage = ws.uploadImage;
        return fncMakeTmpBinFile(ws, workFile, reporter);
    }
    if (!fncReadFile_PLN(ws, in, reporter) || !fncMakeTmpBinFile(ws, workFile, reporter))
        return false;
    if (fncConvertProcess(ws, reporter, work.root(), work.tmp(), kDownloadFile, 0).empty()) {
        reporter.print("the image could not be converted");
        return false;
    }
    return true;
}

int putImage(const CliOptions& options, const fs::path& in)
{
    const std::string ext = lowerExtension(in);
    if (ext != ".bmp" && ext != ".byr" && ext != ".gry")
        return usage("the input must end in .bmp, .BYR or .GRY");

    ImageRun run(options);
    if (!run.start())
        return kExitFailed;
    StderrReporter reporter(in.string());
    ImageWorkspace& ws = run.cli.state.images;
    if (!loadForUpload(ws, run.work, in, reporter))
        return kExitFailed;
    const int before = run.cli.prompter.shown;
    if (!queryUploadHeader(*run.cli.link, ws))
        return failed(run, before, "the controller did not give its image format");
    if (!makeUploadFile(ws, run.work.tmp(), reporter))
        return kExitFailed;
    OperationContext ctx = run.context();
    if (!fncImgLoad(ctx, run.work.tmp()))
        return failed(run, before, "the image was not uploaded");
    return kExitOk;
}

} // namespace

int runImageCommand(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() == 3 && args[0] == "get")
        return getImage(options, args[1], args[2]);
    if (args.size() == 2 && args[0] == "put")
        return putImage(options, args[1]);
    return usage("use image get N|live OUT or image put IN");
}

// plnctl image get N|live OUT and plnctl image put IN: the main window's download and upload
// on the same operations, in a private work folder, so a running PLNTOOL keeps its own
// work files.
#include "cli/cli_commands.h"
#include "cli/cli_link.h"
#include "cli/cli_operation_view.h"
#include "cli/cli_texts.h"
#include "cli/json_report.h"
#include "cli/private_work_folder.h"
#include "cli/sigint_stop.h"

#include "image/bmp_file.h"
#include "image/bmp_to_raw.h"
#include "files/file_util.h"
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

int usage(const CliOptions& options, const char* what)
{
    return usageError(options, cliText(options.language, what));
}

// One download or upload on one link, with Ctrl+C as the Stop button.
struct ImageRun {
    explicit ImageRun(const CliOptions& options) : cli(options), view(stderrIsTerminal() && !options.quiet) {}

    bool start()
    {
        if (!work.ok()) {
            cli.openFailure = work.error();
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
int failed(const ImageRun& run, const OpResult& result, const char* what)
{
    const int lang = run.cli.state.gLanguage;
    if (run.interrupted())
        cliSay(lang, "%s", cliText(lang, "stopped"));
    else if (!result.failedReported())
        cliSay(lang, "%s", cliText(lang, what));
    else
        run.cli.reportFailedExchange();
    return run.stop ? run.stop->exitStatus(kExitFailed) : kExitFailed;
}

int getImage(const CliOptions& options, const std::string& which, const fs::path& out)
{
    int16_t number = kLiveImage;
    if (which != "live") {
        std::optional<long> n = integerArgument(which, 0, 99);
        if (!n)
            return usage(options, "image get takes an image number from 0 to 99 or live");
        number = int16_t(*n);
    }
    const std::string ext = lowerExtension(out);
    const bool bmp = ext == ".bmp";
    if (!bmp && ext != ".byr" && ext != ".gry")
        return usage(options, "the output must end in .bmp, .BYR or .GRY");

    const int lang = options.language;
    JsonReport report(options, "image get");
    report.set("image", QString::fromStdString(which));
    ImageRun run(options);
    if (!run.start())
        return report.failedAfterRun(run.cli.prompter, run.cli.openFailure);
    OperationContext ctx = run.context();
    if (!fncImgConvert(ctx, number, run.work.tmp())) {
        const int status = failed(run, ctx.outcome, "the image was not downloaded");
        report.failed(run.cli.prompter, ctx.outcome,
                      cliText(lang, run.interrupted() ? "stopped" : "the image was not downloaded"));
        return status;
    }

    StderrReporter reporter(out.string());
    fs::path result = run.work.tmp() / kDownloadFile;
    if (bmp) {
        result = fncConvertProcess(run.cli.state.images, reporter, run.work.root(), run.work.tmp(), kDownloadFile, 1);
        if (result.empty()) {
            const std::string what = cliText(lang, "the downloaded image could not be converted");
            reporter.print(what);
            return report.failed(what);
        }
    }
    std::string error;
    if (!copyFileReplacing(result, out, error)) {
        reporter.print(error);
        return report.failed(error);
    }
    if (!report.addFile(out.parent_path(), out.filename().string(), error)) {
        reporter.print(error);
        return report.failed(error);
    }
    report.set("file", QString::fromStdString(out.string()));
    return report.ok();
}

// Takes the picture or raw file in as the File menu's open commands do, leaving the upload
// image ready for the upload.
bool loadForUpload(int language, ImageWorkspace& ws, const PrivateWorkFolder& work, const fs::path& in, StderrReporter& reporter)
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
        reporter.print(cliText(language, "the image could not be converted"));
        return false;
    }
    return true;
}

int putImage(const CliOptions& options, const fs::path& in)
{
    const std::string ext = lowerExtension(in);
    if (ext != ".bmp" && ext != ".byr" && ext != ".gry")
        return usage(options, "the input must end in .bmp, .BYR or .GRY");

    ImageRun run(options);
    if (!run.start())
        return kExitFailed;
    StderrReporter reporter(in.string());
    ImageWorkspace& ws = run.cli.state.images;
    if (!loadForUpload(options.language, ws, run.work, in, reporter))
        return kExitFailed;
    const OpResult header = queryUploadHeader(*run.cli.link, ws);
    if (!header)
        return failed(run, header, "the controller did not give its image format");
    if (!makeUploadFile(ws, run.work.tmp(), reporter))
        return kExitFailed;
    OperationContext ctx = run.context();
    if (!fncImgLoad(ctx, run.work.tmp()))
        return failed(run, ctx.outcome, "the image was not uploaded");
    return kExitOk;
}

} // namespace

int runImageCommand(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() == 3 && args[0] == "get")
        return getImage(options, args[1], args[2]);
    if (args.size() == 2 && args[0] == "put")
        return putImage(options, args[1]);
    return usage(options, "use image get N|live OUT or image put IN");
}

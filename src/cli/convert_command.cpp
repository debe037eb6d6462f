// plnctl convert: raw files (.BYR/.GRY) to BMP exactly as one entry of the batch conversion,
// and a BMP to a raw file the way "open BMP, save as raw" does.
#include "cli/cli_commands.h"
#include "cli/cli_texts.h"
#include "cli/convert_options.h"
#include "cli/private_work_folder.h"

#include "image/bmp_file.h"
#include "image/bmp_to_raw.h"
#include "files/file_util.h"
#include "image/image_workspace.h"
#include "image/pln_file.h"
#include "image/raw_conversion.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Every failure of one file becomes one line "plnctl: <file>: <what went wrong>".
class StderrReporter : public ImageReporter {
public:
    std::string file;

    void showError(const std::string& description) override { print(description); }
    void showMessage(const std::string&, int, const std::string& description) override { print(description); }
    void print(const std::string& what)
    {
        std::fprintf(stderr, "plnctl: %s: %s\n", file.c_str(), what.c_str());
    }
};

std::string lowerExtension(const fs::path& p)
{
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

bool isRawName(const fs::path& p)
{
    const std::string ext = lowerExtension(p);
    return ext == ".byr" || ext == ".gry";
}

bool sameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

struct Converter {
    ImageWorkspace ws;
    StderrReporter reporter;
    fs::path programFolder;
    fs::path tmpFolder;
    ConversionOverrides overrides;

    bool rawToBmp(const fs::path& input, const fs::path& output)
    {
        switch (convertBatchEntry(ws, reporter, programFolder, input, overrides)) {
        case EntryResult::Converted:
            break;
        case EntryResult::ConvertFailed:
            // A work file that could not be written names the system's reason (a full disk).
            reporter.showMessage("Message", kMessageConversionFailed,
                                 ws.workFileError.empty() ? "the conversion failed" : ws.workFileError);
            return false;
        case EntryResult::BmpMissing:
            reporter.showMessage("Message", kMessageFileMissing, "the converted picture is missing");
            return false;
        default:
            return false; // already reported
        }
        std::string error;
        // A batch reaches the disk with one flush at its end (runConvertCommand).
        if (!copyFileReplacing(tmpFolder / "tmp.bmp", output, error, FlushMode::Later)) {
            reporter.print(error);
            return false;
        }
        return true;
    }

    bool bmpToRaw(const fs::path& input, const fs::path& output)
    {
        if (!fncReadBmp(ws, input, reporter))
            return false;
        std::error_code ec;
        for (const char* work : {"tmp.bin", "tmp.bmp"}) {
            fs::remove(tmpFolder / work, ec);
            if (ec) {
                reporter.print(describeFileError("Cannot delete", tmpFolder / work, ec.value()));
                return false;
            }
        }
        if (!fncBmpToRaw(ws, reporter))
            return false;
        ws.sensorImage = ws.uploadImage;
        return fncMakeTmpBinFile(ws, tmpFolder / "tmp.bin", reporter) && fncFitToFrame(ws, reporter) &&
               fncWriteFile_PLN(ws, output, reporter);
    }

    bool convert(const ConvertOptions& options, const std::string& inputText)
    {
        const fs::path input(inputText);
        reporter.file = inputText;
        const bool raw = isRawName(input);
        const bool bmp = lowerExtension(input) == ".bmp";
        if (!raw && !bmp) {
            reporter.print("not a raw image (.BYR, .GRY) or BMP file");
            return false;
        }
        fs::path output;
        if (!options.output.empty())
            output = options.output;
        else if (raw)
            output = fs::path(options.directory) / batchOutputName(input.filename().string());
        else
            output = fs::path(options.directory) / (input.stem().string() + ".BYR");
        if (bmp && !isRawName(output)) {
            reporter.print("a BMP input needs a .BYR or .GRY output");
            return false;
        }
        if (sameFile(input, output)) {
            reporter.print("the output " + output.string() + " is the input file itself");
            return false;
        }
        return raw ? rawToBmp(input, output) : bmpToRaw(input, output);
    }
};

} // namespace

int runConvertCommand(const CliOptions& options, const std::vector<std::string>& args)
{
    ConvertOptions convertOptions;
    std::string problem;
    // The options as the command line's parser found them, then the inputs.
    std::vector<std::string> line = options.convertOptions;
    line.push_back("--");
    line.insert(line.end(), args.begin(), args.end());
    if (!parseConvertOptions(line, convertOptions, problem))
        return usageError(options, cliText(options.language, problem.c_str()));
    // The program folder's TMP belongs to PLNTOOL (and to any other plnctl run): this run's
    // work files live in a folder of its own.
    PrivateWorkFolder work;
    if (!work.ok()) {
        std::fprintf(stderr, "plnctl: %s\n", work.error().c_str());
        return kExitFailed;
    }
    Converter converter;
    converter.programFolder = work.root();
    converter.tmpFolder = work.tmp();
    converter.overrides = convertOptions.overrides;
    std::error_code ec;
    if (!convertOptions.directory.empty()) {
        fs::create_directories(convertOptions.directory, ec);
        if (ec || !fs::is_directory(convertOptions.directory, ec)) {
            std::fprintf(stderr, "plnctl: %s: %s\n", convertOptions.directory.c_str(),
                         ec ? ec.message().c_str() : "not a folder");
            return kExitFailed;
        }
    }
    // Every file gets its turn: a failure is reported on its own line and the next file goes on.
    bool allConverted = true;
    for (const std::string& input : convertOptions.inputs) {
        bool converted = false;
        try {
            converted = converter.convert(convertOptions, input);
        } catch (const std::exception& e) {
            converter.reporter.file = input;
            converter.reporter.print(e.what());
        }
        allConverted = converted && allConverted;
    }
    const fs::path written = convertOptions.directory.empty() ? fs::path(convertOptions.output).parent_path()
                                                              : fs::path(convertOptions.directory);
    std::string error;
    if (!flushFileSystemOf(written.empty() ? fs::path(".") : written, error)) {
        std::fprintf(stderr, "plnctl: %s\n", error.c_str());
        return kExitFailed;
    }
    return allConverted ? kExitOk : kExitFailed;
}

#include "image/raw_conversion.h"

#include "image/bmp_file.h"
#include "image/pixel_conversion.h"
#include "image/pln_file.h"

#include <system_error>

namespace fs = std::filesystem;

fs::path fncConvertProcess(ImageWorkspace& ws, ImageReporter& reporter, const fs::path& programFolder,
                           const fs::path& folder, const std::string& fileName, int16_t fileKind, SimdLevel level)
{
    const fs::path path = folder / fileName;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        reporter.showMessage("Message", kMessageFileMissing, "The file " + path.string() + " does not exist.");
        return {};
    }
    const bool read = fileKind != 0 ? fncReadFile_PLN(ws, path, reporter) : fncReadTmpBinFile(ws, path);
    if (!read || !fncApplyGain(ws))
        return {};
    return fncImageToBmp(ws, programFolder, level);
}

EntryResult convertBatchEntry(ImageWorkspace& ws, ImageReporter& reporter, const fs::path& programFolder,
                              const fs::path& source, const ConversionOverrides& overrides)
{
    const fs::path tmpFolder = programFolder / "TMP";
    const fs::path workFile = tmpFolder / "tmp.bin";
    std::error_code ec;
    if (!fncReadFile_PLN(ws, source, reporter)) {
        // The entry starts by deleting the work file, so none is left after a failed read.
        // Deleting it only now ends the same way and lets a successful entry rewrite it in place.
        fs::remove(workFile, ec);
        return EntryResult::ReadFailed;
    }
    HkrHeader& h = ws.sensorImage.hkrHeader;
    if (overrides.hasPattern)
        h.bayerPattern = overrides.bayerPattern;
    if (overrides.hasGains) {
        h.gainR = overrides.gainR;
        h.gainG = overrides.gainG;
        h.gainB = overrides.gainB;
    }
    if (!fncMakeTmpBinFile(ws, workFile, reporter))
        return EntryResult::WorkFileFailed;
    const fs::path bmp = fncConvertProcess(ws, reporter, programFolder, tmpFolder, "tmp.bin", 0);
    if (bmp.empty())
        return EntryResult::ConvertFailed;
    if (!fs::exists(tmpFolder / "tmp.bmp", ec))
        return EntryResult::BmpMissing;
    return EntryResult::Converted;
}

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string batchOutputName(const std::string& fileName)
{
    std::string name = fileName;
    replaceAll(name, ".BYR", ".bmp");
    replaceAll(name, ".GRY", ".bmp");
    if (name == fileName)
        name += ".bmp";
    return name;
}

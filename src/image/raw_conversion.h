#pragma once
// Raw files to BMP: the conversion of one raw file into the work BMP, the conversion of one
// batch entry through the work file, and the name a converted file gets.

#include "image/demosaic.h"
#include "image/image_reporter.h"
#include "image/image_workspace.h"

#include <filesystem>
#include <string>

// Reads folder/fileName into the current sensor image (a PLN file when fileKind is not 0, a
// headerless work file otherwise), applies the gains for the upload image and writes
// <programFolder>/TMP/tmp.bmp. Returns that path, or an empty path: a missing file has shown
// message 12; other failures are left to the caller to report.
std::filesystem::path fncConvertProcess(ImageWorkspace& ws, ImageReporter& reporter,
                                        const std::filesystem::path& programFolder,
                                        const std::filesystem::path& folder, const std::string& fileName,
                                        int16_t fileKind, SimdLevel level = SimdLevel::Auto);

// Settings that replace what the PLN reader sets before an entry is converted (plnctl).
struct ConversionOverrides {
    bool hasPattern = false;
    uint8_t bayerPattern = 3;
    bool hasGains = false;
    uint8_t gainR = 0, gainG = 0, gainB = 0;
};

enum class EntryResult {
    Converted,      // the BMP is <programFolder>/TMP/tmp.bmp
    ReadFailed,     // reported by the reader
    WorkFileFailed, // reported by the work-file writer
    ConvertFailed,  // not reported yet: the caller shows message 13
    BmpMissing,     // no tmp.bmp afterwards: the caller shows message 12
};

// Converts one raw file the way the batch conversion does: delete the work file, read the
// file as a PLN file, write the work file, convert it headerless. The BMP lands in tmp.bmp.
EntryResult convertBatchEntry(ImageWorkspace& ws, ImageReporter& reporter, const std::filesystem::path& programFolder,
                              const std::filesystem::path& source, const ConversionOverrides& overrides = {});

// The BMP name of a batch file: every ".BYR", then every ".GRY" replaced by ".bmp"
// (case-sensitive). A name the replacement leaves unchanged gets ".bmp" appended, so a
// conversion can never write over its own source.
std::string batchOutputName(const std::string& fileName);

#pragma once
// The arguments of plnctl convert:
//   [--pattern RGGB|GBRG|GRBG|BGGR] [--gain R,G,B] INPUT... (-o OUTPUT | -d DIR)

#include "image/raw_conversion.h"

#include <string>
#include <vector>

struct ConvertOptions {
    ConversionOverrides overrides;
    std::vector<std::string> inputs;
    std::string output;    // -o
    std::string directory; // -d
};

// False with a description of the mistake when the arguments do not form a command.
bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error);

#include "cli/convert_options.h"

#include <charconv>

namespace {

bool parsePattern(const std::string& text, uint8_t& code)
{
    static const char* const kNames[] = {"RGGB", "GBRG", "GRBG", "BGGR"};
    for (uint8_t i = 0; i < 4; ++i) {
        if (text == kNames[i]) {
            code = i;
            return true;
        }
    }
    return false;
}

bool parseByte(const std::string& text, uint8_t& value)
{
    unsigned v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v > 255)
        return false;
    value = static_cast<uint8_t>(v);
    return true;
}

bool parseGains(const std::string& text, ConversionOverrides& o)
{
    const auto first = text.find(',');
    const auto second = first == std::string::npos ? first : text.find(',', first + 1);
    if (second == std::string::npos || text.find(',', second + 1) != std::string::npos)
        return false;
    return parseByte(text.substr(0, first), o.gainR) && parseByte(text.substr(first + 1, second - first - 1), o.gainG) &&
           parseByte(text.substr(second + 1), o.gainB);
}

} // namespace

bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error)
{
    bool onlyInputs = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
            options.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyInputs = true;
            continue;
        }
        if (arg != "--pattern" && arg != "--gain" && arg != "-o" && arg != "-d" && arg != "--output" &&
            arg != "--directory") {
            error = "unknown option " + arg;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (arg == "--pattern") {
            if (!parsePattern(value, options.overrides.bayerPattern)) {
                error = "--pattern takes RGGB, GBRG, GRBG or BGGR";
                return false;
            }
            options.overrides.hasPattern = true;
        } else if (arg == "--gain") {
            if (!parseGains(value, options.overrides)) {
                error = "--gain takes three numbers from 0 to 255: R,G,B";
                return false;
            }
            options.overrides.hasGains = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!options.output.empty() || value.empty()) {
                error = "give one non-empty -o";
                return false;
            }
            options.output = value;
        } else {
            if (!options.directory.empty() || value.empty()) {
                error = "give one non-empty -d";
                return false;
            }
            options.directory = value;
        }
    }
    if (options.inputs.empty()) {
        error = "no input file";
        return false;
    }
    if (options.output.empty() == options.directory.empty()) {
        error = "give either -o OUTPUT or -d DIR";
        return false;
    }
    if (!options.output.empty() && options.inputs.size() > 1) {
        error = "several inputs need -d DIR";
        return false;
    }
    return true;
}

#include "sim_options.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string_view>

namespace {

bool toInt(const char* text, int lo, int hi, int* out)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < lo || v > hi)
        return false;
    *out = int(v);
    return true;
}

} // namespace

std::optional<SimOptions> parseSimOptions(int argc, char** argv, std::string* error)
{
    SimOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--silent") {
            o.silent = true;
            continue;
        }
        static constexpr std::string_view kTakesValue[] = {"--tcp", "--pty", "--reply-delay", "--drop-after",
                                                           "--reply-terminator"};
        if (std::find(std::begin(kTakesValue), std::end(kTakesValue), arg) == std::end(kTakesValue)) {
            *error = "unknown option " + std::string(arg);
            return std::nullopt;
        }
        const char* v = i + 1 < argc ? argv[++i] : nullptr;
        if (!v) {
            *error = std::string(arg) + " needs a value";
            return std::nullopt;
        }
        if (arg == "--tcp") {
            std::string endpoint = v;
            size_t colon = endpoint.rfind(':');
            std::string port = colon == std::string::npos ? endpoint : endpoint.substr(colon + 1);
            if (colon != std::string::npos)
                o.tcpAddress = endpoint.substr(0, colon);
            if (o.tcpAddress.size() > 1 && o.tcpAddress.front() == '[' && o.tcpAddress.back() == ']')
                o.tcpAddress = o.tcpAddress.substr(1, o.tcpAddress.size() - 2);
            if (o.tcpAddress.empty() || !toInt(port.c_str(), 0, 65535, &o.tcpPort)) {
                *error = "--tcp takes [ADDR:]PORT";
                return std::nullopt;
            }
            o.tcp = true;
        } else if (arg == "--pty") {
            o.ptyLink = v;
        } else if (arg == "--reply-delay") {
            if (!toInt(v, 0, 600000, &o.replyDelayMs)) {
                *error = "--reply-delay takes milliseconds";
                return std::nullopt;
            }
        } else if (arg == "--drop-after") {
            if (!toInt(v, 1, 1000000, &o.dropAfter)) {
                *error = "--drop-after takes a number of replies";
                return std::nullopt;
            }
        } else { // --reply-terminator
            std::string t = v;
            o.replyTerminator = t == "CR" ? "\r" : t == "LF" ? "\n" : t == "CRLF" ? "\r\n" : "";
            if (o.replyTerminator.empty()) {
                *error = "--reply-terminator takes CR, LF or CRLF";
                return std::nullopt;
            }
        }
    }
    if (!o.tcp && o.ptyLink.empty()) {
        *error = "give --tcp, --pty or both";
        return std::nullopt;
    }
    return o;
}

#include "controller.h"

#include "test_picture.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

constexpr int64_t kContinuousPeriodMs = 100; // one measurement per 100 ms while continuous

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

bool number(const std::string& text, int lo, int hi, int* out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi)
        return false;
    *out = int(v);
    return true;
}

ControllerReply word(std::string text)
{
    ControllerReply r;
    r.text = std::move(text);
    return r;
}

} // namespace

long Controller::measurements(int64_t nowMs) const
{
    long n = counted_;
    if (continuous_ && nowMs > continuousSince_)
        n += long((nowMs - continuousSince_) / kContinuousPeriodMs);
    return n;
}

ControllerReply Controller::handle(const std::string& line, int64_t nowMs)
{
    const ControllerReply er = word("ER");
    std::vector<std::string> w = words(line);
    if (w.empty())
        return er;
    const std::string& cmd = w[0];
    int n = 0;

    if (cmd == "CAPTURE" && w.size() == 1)
        return word("OK");
    if (cmd == "IMGSAVE" && w.size() == 3 && w[1] == "0" && number(w[2], -1, 99, &n))
        return ControllerReply{"READY", Transfer::ToTool, "IMG", n};
    if (cmd == "IMGINFO" && w.size() == 3 && w[1] == "0" && number(w[2], 0, 3, &n)) {
        // The held image's Bayer pattern (3: blue first, as its PLN files are laid out) and
        // its red, green and blue gains.
        return word(std::to_string(kSimImageInfo[n]));
    }
    if (cmd == "IMGLOAD" && w.size() == 1)
        return ControllerReply{"OK", Transfer::FromTool, "IMG", 0};
    if (cmd == "BANK" && w.size() == 2 && number(w[1], 0, 31, &n)) {
        bank_ = n;
        return word("OK");
    }
    if (cmd == "BG" && w.size() == 2 && number(w[1], 0, 31, &n)) {
        bankGroup_ = n;
        return word("OK");
    }
    struct FileCommand { const char* word; const char* what; Transfer dir; bool numbered; };
    static const FileCommand files[] = {
        {"BNKSAVE", "BNK", Transfer::ToTool, true},   {"BGRSAVE", "BGR", Transfer::ToTool, true},
        {"SYSSAVE", "SYS", Transfer::ToTool, false},  {"BNKLOAD", "BNK", Transfer::FromTool, true},
        {"BGRLOAD", "BGR", Transfer::FromTool, true}, {"SYSLOAD", "SYS", Transfer::FromTool, false},
    };
    for (const FileCommand& f : files) {
        if (cmd != f.word)
            continue;
        if (f.numbered && w.size() == 3 && w[1] == "0" && number(w[2], 0, 31, &n))
            return ControllerReply{"READY", f.dir, f.what, n};
        if (!f.numbered && w.size() == 2 && w[1] == "0")
            return ControllerReply{"READY", f.dir, f.what, 0};
        return er;
    }
    if (cmd == "M") {
        if (w.size() == 1 || (w.size() == 2 && w[1] == "/I")) {
            if (!continuous_)
                ++counted_;
            return word("OK");
        }
        if (w.size() == 2 && w[1] == "/C") {
            if (continuous_)
                return er;
            continuous_ = true;
            continuousSince_ = nowMs;
            return word("OK");
        }
        if (w.size() == 2 && w[1] == "/E") {
            if (continuous_) {
                counted_ = measurements(nowMs);
                continuous_ = false;
            }
            return word("OK");
        }
        return er;
    }
    if (cmd == "DATAGET" && w.size() == 3 && w[1] == "2" && (w[2] == "0" || w[2] == "1")) {
        long m = measurements(nowMs);
        if (w[2] == "0") {
            // Judgement of the latest measurement: mostly good, now and then NG or failed.
            static const char* const judgements[] = {"0", "0", "-1", "0", "-2"};
            return word(judgements[m % 5]);
        }
        char value[32];
        std::snprintf(value, sizeof value, "%.3f", 100.0 + double((m * 37) % 200) / 8.0);
        return word(value);
    }
    return er;
}
